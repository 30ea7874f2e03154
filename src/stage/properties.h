// Property numbers of the display objects and their table: declared type,
// creation default, unsupported value, write rules and the classes that
// implement each one, all derived from property_list.h. GetProp and SetProp
// reach an object's properties by number.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>

#include "common/ext80.h"
#include "stage/property_list.h"

namespace opal {

class TCustomParam;
class TOpalObject;

#define OPAL_PROPERTY_ENUM(n, name, type, def, unsup, flags, classes) PR_##name = n,
enum TPropId : int { OPAL_PROPERTIES(OPAL_PROPERTY_ENUM) };
#undef OPAL_PROPERTY_ENUM

inline constexpr int kPropertyTableSize = 163;

// The four declared types; the numbers are the value-stream type tags.
enum class TPropType : uint8_t { Int = 1, Real = 2, Flag = 3, Str = 4 };

// The classes of the property table's Classes column. Images stands for the
// image surface and the image inside a preview menu.
namespace pc {
inline constexpr uint32_t Box = 1u << 0, Images = 1u << 1, Button = 1u << 2, Tile = 1u << 3,
                          Video = 1u << 4, MapImage = 1u << 5, Fire = 1u << 6, Wave = 1u << 7,
                          Particle = 1u << 8, Cinema = 1u << 9, PrevMenu = 1u << 10,
                          Label = 1u << 11, CGLabel = 1u << 12, Mes = 1u << 13, Edit = 1u << 14,
                          Memo = 1u << 15, Menu = 1u << 16, Slider = 1u << 17,
                          Scrollbar = 1u << 18, Gauge = 1u << 19, Cabinet = 1u << 20,
                          Base = 1u << 21, Sound = 1u << 22, Timer = 1u << 23,
                          PropMotion = 1u << 24, Http = 1u << 25;
inline constexpr uint32_t Controls = (1u << 22) - 1;  // Box … Base
inline constexpr uint32_t All = Controls | Sound | Timer | PropMotion | Http;
}  // namespace pc

namespace pf {
inline constexpr uint8_t NoCreate = 1, ReadOnly = 2, WriteError = 4;
}

struct TPropertyInfo {
  int Id;
  const char* Name;  // "PR_NAME"
  TPropType Type;
  int32_t Default;      // creation default (strings and reals: empty / 0.0)
  int32_t Unsupported;  // what a class without the property reads
  uint8_t Flags;
  uint32_t Classes;  // pc:: bits
};

// Null outside 0..162.
const TPropertyInfo* PropertyInfo(int id);
// The declared type as a value-stream tag (1 int, 2 real, 3 flag, 4 string).
uint8_t PropertyTypeTag(int id);
// The order in which an object-creating command applies its properties;
// ids without a creation default are not in it.
const std::array<int, kPropertyTableSize>& CreationOrder();
int CreationOrderCount();

// A property value of any declared type; only the field of the type is used.
struct TPropValue {
  int32_t Int = 0;
  Extended Real = 0;
  bool Flag = false;
  std::string Str;

  // A value as a script would give it: a number fills the number fields
  // and the flag (non-zero), a text only the text.
  static TPropValue OfInt(int32_t v) {
    TPropValue p;
    p.Int = v;
    p.Real = v;
    p.Flag = v != 0;
    return p;
  }
  static TPropValue OfFlag(bool v) { return OfInt(v ? 1 : 0); }
  static TPropValue OfStr(std::string v) {
    TPropValue p;
    p.Str = std::move(v);
    return p;
  }
};

// The unsupported value of the property (also the value a getter starts from).
TPropValue UnsupportedValue(const TPropertyInfo& info);
TPropValue CreationDefault(const TPropertyInfo& info);

// GetProp stores the property in `out` as the table's type. An id outside
// 0..162 raises EOpalError "GetPropエラー".
void GetProp(const TOpalObject& obj, int id, TCustomParam& out);
TPropValue GetPropValue(const TOpalObject& obj, int id);
// SetProp reads `value` as the table's type and calls the setter; read-only
// ids are ignored; 92, 93 and ids outside 0..162 raise "SetPropエラー".
void SetProp(TOpalObject& obj, int id, const TCustomParam& value);
void SetPropValue(TOpalObject& obj, int id, const TPropValue& value);

}  // namespace opal
