#include "db/db_params.h"

#include "expr/params.h"

namespace opal {

std::vector<std::string> DBNamesOf(const TCustomParam& v) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < v.Count(); ++i) names.push_back(v.GetStr(i));
  return names;
}

std::vector<TDBValue> DBValuesOf(const TCustomParam& v) {
  std::vector<TDBValue> values;
  const uint8_t type = v.ValueType();
  if (type < kTagInt || type > kTagStr) return {std::monostate{}};
  for (int32_t i = 0; i < v.Count(); ++i) {
    switch (type) {
      case kTagInt: values.emplace_back(v.GetInt(i)); break;
      case kTagFloat: values.emplace_back(v.GetFloat(i)); break;
      case kTagFlag: values.emplace_back(v.GetFlag(i)); break;
      default: values.emplace_back(v.GetStr(i)); break;
    }
  }
  return values;
}

std::vector<bool> DBFlagsOf(const TCustomParam& v) {
  std::vector<bool> flags;
  for (int32_t i = 0; i < v.Count(); ++i) flags.push_back(v.GetFlag(i));
  return flags;
}

}  // namespace opal
