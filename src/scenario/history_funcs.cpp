#include "scenario/history_funcs.h"

#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "history/history_format.h"

namespace opal {

namespace {

constexpr uint8_t kGetHistoryCount = 142, kGetHistoryMaxCount = 143, kSetHistoryMaxCount = 144;

TOpalHistoryFormat* FormatOf(const std::function<TOpalHistoryFormatManager*()>& history, TSysFuncCall& call) {
  TOpalHistoryFormatManager* m = history ? history() : nullptr;
  return m != nullptr ? m->FindFormat(call.Arg(0).AsString()) : nullptr;
}

}  // namespace

void RegisterHistoryFuncs(TSysFuncMan& funcs, std::function<TOpalHistoryFormatManager*()> history) {
  funcs.Register(kGetHistoryCount, [history](TSysFuncCall& call) {
    call.Target.Value->SetAsInteger(HistoryCountOf(FormatOf(history, call)));
  });
  funcs.Register(kGetHistoryMaxCount, [history](TSysFuncCall& call) {
    const TOpalHistoryFormat* f = FormatOf(history, call);
    call.Target.Value->SetAsInteger(f != nullptr ? f->History().MaxCount : -1);
  });
  funcs.Register(kSetHistoryMaxCount, [history](TSysFuncCall& call) {
    TOpalHistoryFormat* f = FormatOf(history, call);
    if (f != nullptr) f->History().MaxCount = call.Arg(1).AsInteger();
    call.Target.Value->SetAsFlag(f != nullptr);
  });
}

}  // namespace opal
