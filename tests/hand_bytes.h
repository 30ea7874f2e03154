// Little-endian bytes written by hand, for fixtures that must not depend on
// the writer under test. A test that adds record builders of its own derives
// with itself as the parameter, so that every call chains on its own type:
//   struct TPageBytes : THandBytesOf<TPageBytes> { TPageBytes& Header(...); };
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace opal::testing {

template <typename Self>
class THandBytesOf {
 public:
  Self& I32(int32_t v) { return Int(static_cast<uint32_t>(v), 4); }
  Self& I64(int64_t v) { return Int(static_cast<uint64_t>(v), 8); }
  Self& U8(uint8_t v) {
    Data.push_back(v);
    return self();
  }
  // An int32 length, then the bytes.
  Self& Str(std::string_view s) {
    I32(static_cast<int32_t>(s.size()));
    return Raw(s);
  }
  Self& Raw(std::string_view bytes) {
    Data.insert(Data.end(), bytes.begin(), bytes.end());
    return self();
  }
  Self& Raw(std::initializer_list<uint8_t> bytes) {
    Data.insert(Data.end(), bytes);
    return self();
  }
  std::string Text() const { return std::string(Data.begin(), Data.end()); }

  std::vector<uint8_t> Data;

 private:
  Self& self() { return static_cast<Self&>(*this); }
  Self& Int(uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) Data.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return self();
  }
};

class THandBytes : public THandBytesOf<THandBytes> {};

}  // namespace opal::testing
