// The fields of a film's records, described once per class as a walk over
// the fields in file order. The binary reader and writer, the text dump and
// the text builder are visitors of that walk, so a field is named, ordered
// and versioned in one place.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>

namespace opal {

inline constexpr int32_t kFilmFirstVersion = 100;
inline constexpr int32_t kFilmLastVersion = 108;

// A position or a size: x then y, or width then height.
struct TFilmPos {
  int32_t X = 0, Y = 0;
  bool operator==(const TFilmPos&) const = default;
};

// How a stored value relates to the value in memory.
enum class TFilmUnit : uint8_t {
  Plain,
  // Frames: versions 106 and below count 1/30 s, so the value is doubled
  // when read and halved when written.
  Frames,
  // Volumes: versions 107 and below store v where memory holds v / 10 + 1000.
  Volume,
};

class TFilmFieldVisitor {
 public:
  virtual ~TFilmFieldVisitor() = default;
  // Each field is present from version `since` on.
  virtual void I32(const char* name, int32_t& v, int32_t since = kFilmFirstVersion,
                   TFilmUnit unit = TFilmUnit::Plain) = 0;
  virtual void U8(const char* name, uint8_t& v, int32_t since = kFilmFirstVersion) = 0;
  virtual void F64(const char* name, double& v, int32_t since = kFilmFirstVersion) = 0;
  virtual void Pos(const char* name, TFilmPos& v, int32_t since = kFilmFirstVersion) = 0;
  virtual void Str(const char* name, std::string& v, int32_t since = kFilmFirstVersion) = 0;
  // Four bytes that carry nothing, present below version `until`.
  virtual void Filler(int32_t until) = 0;
  // Fields visited between Repeat(true) and Repeat(false) were visited
  // before in the same record; the file holds them twice and the later
  // values replace the earlier. A text names each field once.
  virtual void Repeat(bool) {}
};

// One field's value, for lookups by name.
using TFilmValue = std::variant<int32_t, uint8_t, double, TFilmPos, std::string>;
using TFilmValues = std::map<std::string, TFilmValue>;

// Collects the fields of a walk by name (every version's fields).
class TFilmValueCollector : public TFilmFieldVisitor {
 public:
  void I32(const char* name, int32_t& v, int32_t, TFilmUnit) override { Values[name] = v; }
  void U8(const char* name, uint8_t& v, int32_t) override { Values[name] = v; }
  void F64(const char* name, double& v, int32_t) override { Values[name] = v; }
  void Pos(const char* name, TFilmPos& v, int32_t) override { Values[name] = v; }
  void Str(const char* name, std::string& v, int32_t) override { Values[name] = v; }
  void Filler(int32_t) override {}

  TFilmValues Values;
};

}  // namespace opal
