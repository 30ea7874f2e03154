#include "stage/properties.h"

#include <algorithm>

#include "common/error.h"
#include "expr/params.h"
#include "stage/messages.h"
#include "stage/opal_object.h"

namespace opal {

namespace {

using namespace pc;
using namespace pf;

#define OPAL_PROPERTY_ROW(n, name, type, def, unsup, flags, classes) \
  TPropertyInfo{n, "PR_" #name, TPropType::type, def, unsup, flags, classes},
constexpr std::array<TPropertyInfo, kPropertyTableSize> kTable = {{OPAL_PROPERTIES(OPAL_PROPERTY_ROW)}};
#undef OPAL_PROPERTY_ROW

constexpr bool NumbersInOrder() {
  for (int i = 0; i < kPropertyTableSize; ++i) {
    if (kTable[static_cast<size_t>(i)].Id != i) return false;
  }
  return true;
}
static_assert(NumbersInOrder(), "property rows must be listed by number");

// Applied first, in this order.
constexpr int kLeading[] = {PR_NAME,    PR_PARENT,      PR_SOURCE,      PR_ZOOMX,     PR_ZOOMY,
                            PR_POSZOOMED, PR_WIDTH,     PR_HEIGHT,      PR_LEFT,      PR_TOP,
                            PR_COLOR,   PR_BARSIZE,     PR_BORDERWIDTH, PR_BORDERCOLOR,
                            PR_ALPHA,   PR_PRIORITY,    PR_OFFSETX,     PR_OFFSETY,   PR_PLUSX,
                            PR_PLUSY};
// Ids that follow another one instead of their own place; MUTEONLOAD goes last.
struct TFollow {
  int Id, After;
};
constexpr TFollow kFollowers[] = {{PR_REPEATPOS, PR_REPEAT},
                                  {PR_CARETHEIGHT, PR_CARETY},
                                  {PR_FONTHOVERBORDER, PR_HOVERCOLOR},
                                  {PR_FONTHOVERBORDERCOLOR, PR_FONTHOVERBORDER},
                                  {PR_FONTHOVERSHADOW, PR_FONTHOVERBORDERCOLOR},
                                  {PR_FONTHOVERSHADOWCOLOR, PR_FONTHOVERSHADOW}};

struct TOrder {
  std::array<int, kPropertyTableSize> Ids{};
  int Count = 0;
};

TOrder BuildOrder() {
  std::array<int, kPropertyTableSize> full{};
  int n = 0;
  auto placed = [&](int id) { return std::find(full.begin(), full.begin() + n, id) != full.begin() + n; };
  auto isFollower = [](int id) {
    return std::any_of(std::begin(kFollowers), std::end(kFollowers), [id](const TFollow& f) { return f.Id == id; });
  };
  // Places id and, recursively, every id that follows it.
  auto place = [&](auto& self, int id) -> void {
    full[static_cast<size_t>(n++)] = id;
    for (const TFollow& f : kFollowers) {
      if (f.After == id) self(self, f.Id);
    }
  };
  for (int id : kLeading) place(place, id);
  for (int id = 0; id < kPropertyTableSize; ++id) {
    if (id == PR_MUTEONLOAD || placed(id) || isFollower(id)) continue;
    place(place, id);
  }
  place(place, PR_MUTEONLOAD);
  TOrder order;
  for (int i = 0; i < n; ++i) {
    if ((kTable[static_cast<size_t>(full[static_cast<size_t>(i)])].Flags & NoCreate) == 0) {
      order.Ids[static_cast<size_t>(order.Count++)] = full[static_cast<size_t>(i)];
    }
  }
  return order;
}

const TOrder& Order() {
  static const TOrder order = BuildOrder();
  return order;
}

TPropValue FromInt(const TPropertyInfo& info, int32_t v) {
  TPropValue out;
  if (info.Type == TPropType::Flag) {
    out.Flag = v != 0;
  } else if (info.Type == TPropType::Real) {
    out.Real = v;
  } else if (info.Type == TPropType::Int) {
    out.Int = v;
  }
  return out;
}

const TPropertyInfo& CheckedInfo(int id, const char* message) {
  const TPropertyInfo* info = PropertyInfo(id);
  if (info == nullptr) throw EOpalError(message);
  return *info;
}

}  // namespace

const TPropertyInfo* PropertyInfo(int id) {
  return id >= 0 && id < kPropertyTableSize ? &kTable[static_cast<size_t>(id)] : nullptr;
}

uint8_t PropertyTypeTag(int id) {
  const TPropertyInfo* info = PropertyInfo(id);
  return static_cast<uint8_t>(info ? info->Type : TPropType::Int);
}

const std::array<int, kPropertyTableSize>& CreationOrder() { return Order().Ids; }
int CreationOrderCount() { return Order().Count; }

TPropValue UnsupportedValue(const TPropertyInfo& info) { return FromInt(info, info.Unsupported); }
TPropValue CreationDefault(const TPropertyInfo& info) { return FromInt(info, info.Default); }

TPropValue GetPropValue(const TOpalObject& obj, int id) {
  const TPropertyInfo& info = CheckedInfo(id, msg::kGetPropError);
  TPropValue v = UnsupportedValue(info);
  obj.GetProperty(id, v);
  return v;
}

void GetProp(const TOpalObject& obj, int id, TCustomParam& out) {
  TPropValue v = GetPropValue(obj, id);
  switch (PropertyInfo(id)->Type) {
    case TPropType::Int: out.SetAsInteger(v.Int); break;
    case TPropType::Real: out.SetAsFloat(v.Real); break;
    case TPropType::Flag: out.SetAsFlag(v.Flag); break;
    case TPropType::Str: out.SetAsString(v.Str); break;
  }
}

void SetPropValue(TOpalObject& obj, int id, const TPropValue& value) {
  const TPropertyInfo& info = CheckedInfo(id, msg::kSetPropError);
  if (info.Flags & WriteError) throw EOpalError(msg::kSetPropError);
  if (info.Flags & ReadOnly) return;
  obj.SetProperty(id, value);
}

void SetProp(TOpalObject& obj, int id, const TCustomParam& value) {
  const TPropertyInfo& info = CheckedInfo(id, msg::kSetPropError);
  TPropValue v;
  switch (info.Type) {
    case TPropType::Int: v.Int = value.AsInteger(); break;
    case TPropType::Real: v.Real = value.AsFloat(); break;
    case TPropType::Flag: v.Flag = value.AsFlag(); break;
    case TPropType::Str: v.Str = value.AsString(); break;
  }
  SetPropValue(obj, id, v);
}

}  // namespace opal
