#include "expr/value_text.h"

#include "common/cp932.h"
#include "expr/convert.h"
#include "expr/param_collection.h"

namespace opal {

const char* ValueTypeName(uint8_t tag) {
  static const char* const kNames[] = {"ref", "int", "float", "bool", "str"};
  return tag <= kTagStr ? kNames[tag] : "?";
}

std::string QuoteValueText(std::string_view cp932) {
  std::string out = "\"";
  for (char c : cp932::ToUtf8(cp932)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

std::string ElementText(const TCustomParam& v, int32_t i) {
  switch (v.ValueType()) {
    case kTagFloat: {
      std::string s = conv::FloatToStr(v.GetFloat(i));
      if (s.find_first_of(".EN") == std::string::npos) s += ".0";
      return s;
    }
    case kTagStr: return QuoteValueText(v.GetStr(i));
    default: return cp932::ToUtf8(v.GetStr(i));
  }
}

std::string DescribeValue(const TCustomParam& v) {
  std::string dims = "[";
  for (size_t k = 0; k < v.Dims().size(); ++k) dims += (k ? "," : "") + std::to_string(v.Dims()[k]);
  dims += "]";
  std::string values;
  for (int32_t i = 0, n = v.Count(); i < n; ++i) values += (i ? ", " : "") + ElementText(v, i);
  return std::string(ValueTypeName(v.ValueType())) + " " + dims + " " + values;
}

std::string DescribeVariables(const TParamCollection& vars) {
  std::string out;
  for (int32_t i = 0; i < vars.Count(); ++i) {
    const TParamCollectionItem* v = vars.Var(i);
    if (!v->IsSystem()) out += cp932::ToUtf8(v->Name()) + ": " + DescribeValue(*v->Value) + "\n";
  }
  return out;
}

}  // namespace opal
