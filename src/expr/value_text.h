// Readable text of values, one form for the tools and the player's
// variable dump: "int [3] 0, 4, 0", "str [] \"a\\n\"", "float [] 1.5".
// Strings are shown as UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "expr/params.h"

namespace opal {

class TParamCollection;

// "ref", "int", "float", "bool", "str".
const char* ValueTypeName(uint8_t tag);
// A CP932 string as a quoted UTF-8 literal with \" \\ \r \n escaped.
std::string QuoteValueText(std::string_view cp932);
// Element i: floats always show a decimal point, strings are quoted.
std::string ElementText(const TCustomParam& v, int32_t i);
// The type, the dims and every element.
std::string DescribeValue(const TCustomParam& v);
// "NAME: VALUE", a line per variable in table order; system variables are
// left out.
std::string DescribeVariables(const TParamCollection& vars);

}  // namespace opal
