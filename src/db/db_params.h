// Script values as the arguments of a table search: the "fields" and
// "values" of the DB… functions are arrays (a scalar is one element), and
// each value element is compared by the value's own type.
#pragma once

#include <string>
#include <vector>

#include "db/db_table.h"

namespace opal {

class TCustomParam;

// Every element of `v` as a string: the field names of a search or sort.
std::vector<std::string> DBNamesOf(const TCustomParam& v);
// Every element of `v` in its type (integer, float, boolean, string); a
// value of any other type (an unbound reference) gives one monostate, which
// restricts nothing.
std::vector<TDBValue> DBValuesOf(const TCustomParam& v);
// Every element of `v` as a boolean: the descending flags of a sort.
std::vector<bool> DBFlagsOf(const TCustomParam& v);

}  // namespace opal
