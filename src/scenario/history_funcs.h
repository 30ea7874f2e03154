// The history's system functions: GetHistoryCount (the size of the named
// format's history, -1 without one), GetHistoryMaxCount (its MaxCount, -1
// without one) and SetHistoryMaxCount (sets it; false without one).
#pragma once

#include <functional>

namespace opal {

class TOpalHistoryFormatManager;
class TSysFuncMan;

// `history` answers the manager at each call (null: every format is
// missing).
void RegisterHistoryFuncs(TSysFuncMan& funcs, std::function<TOpalHistoryFormatManager*()> history);

}  // namespace opal
