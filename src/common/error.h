// Exceptions of the player. Every error carries a message text; texts shown
// to the player are CP932 byte strings like all other game text.
#pragma once

#include <stdexcept>
#include <string>

namespace opal {

class EOpalError : public std::runtime_error {
 public:
  explicit EOpalError(const std::string& message) : std::runtime_error(message) {}
};

// A stream ended before the bytes a format claims, or a read/write failed.
class EStreamError : public EOpalError {
 public:
  using EOpalError::EOpalError;
};

// Data that does not follow its format: bad counts, offsets, versions.
class EFormatError : public EOpalError {
 public:
  using EOpalError::EOpalError;
};

// Formats a message the way the player does ("%s:..." style), printf-like.
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace opal
