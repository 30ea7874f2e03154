// What the control-flow and variable commands do when the interpreter runs
// them. "+1" in the comments means the command index moves to the next
// command; a page is ended by handing back no page.
#include <string>

#include "common/diagnostics.h"
#include "common/error.h"
#include "expr/param_collection.h"
#include "history/history_format.h"
#include "scenario/call_man.h"
#include "scenario/commands_flow.h"
#include "scenario/commands_text.h"
#include "stage/base_list.h"

namespace opal {

namespace {

TCommand* At(TPage* page, int32_t index) {
  return index >= 0 && static_cast<size_t>(index) < page->Commands.size() ? page->Commands[static_cast<size_t>(index)].get()
                                                                           : nullptr;
}

// Moves `index` past every command after it that is indented deeper than
// `indent`: the block that belongs to the command at `index`.
void SkipBlock(TPage* page, int32_t& index, int32_t indent) {
  ++index;
  while (TCommand* c = At(page, index)) {
    if (c->Indent <= indent) break;
    ++index;
  }
}

// A negative loop target ends the page.
void GoTo(TPage*& page, int32_t& index, int32_t target) {
  if (target < 0) {
    page = nullptr;
  } else {
    index = target;
  }
}

}  // namespace

void TComIf::Execute(TCallMan& cm, TPage*& page, int32_t& index) {
  ++index;
  if (cm.Condition(Condition, false)) return;
  while (TCommand* c = At(page, index)) {
    if (c->Indent > Indent) {
      ++index;
      continue;
    }
    if (c->Indent < Indent) return;
    if (c->Code() == 1) {  // Elseif
      if (cm.Condition(static_cast<TComElseif*>(c)->Condition, false)) {
        ++index;
        return;
      }
      ++index;
      continue;
    }
    if (c->Code() == 2) ++index;  // Else: its block follows
    return;
  }
}

// Reached by falling out of the block before it: the own block is skipped.
void TComElseif::Execute(TCallMan&, TPage*& page, int32_t& index) { SkipBlock(page, index, Indent); }
void TComElse::Execute(TCallMan&, TPage*& page, int32_t& index) { SkipBlock(page, index, Indent); }

void TComWhile::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  if (!cm.Condition(Condition, false)) index = ExitTarget;
}

void TComWhileInit::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  Expression.Execute(cm.Vars);
}

void TComWhileLoop::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  index = LoopTarget;
  Expression.Execute(cm.Vars);
}

// Exit, Break, Continue, Jump and Call that store no condition act: a
// command with nothing to test does what it says. A stored condition that
// gives no value (it fails to evaluate) is false, as for If.
void TComExit::Execute(TCallMan& cm, TPage*& page, int32_t& index) {
  if (cm.Condition(Condition, true, false)) {
    page = nullptr;
  } else {
    ++index;
  }
}

void TComBreak::Execute(TCallMan& cm, TPage*& page, int32_t& index) {
  if (cm.Condition(Condition, true, false)) {
    GoTo(page, index, TargetIndex);
  } else {
    ++index;
  }
}

void TComContinue::Execute(TCallMan& cm, TPage*& page, int32_t& index) {
  ++index;
  if (cm.Condition(Condition, true, false)) GoTo(page, index, TargetIndex);
}

// A target page that cannot be made available (missing, or its disc not
// given) is reported, and the flow goes on after the command.
void TComJump::Execute(TCallMan& cm, TPage*& page, int32_t& index) {
  ++index;
  if (!cm.Condition(Condition, true, false)) return;
  if (!cm.Host.EnsureAvailable(PageName)) return ReportError("Jump: the page " + PageName + " is not available");
  page = cm.FindPage(PageName, true);
  index = TargetIndex;
}

void TComCall::Execute(TCallMan& cm, TPage*& page, int32_t& index) {
  ++index;
  if (!cm.Condition(Condition, true, false)) return;
  if (!cm.Host.EnsureAvailable(PageName)) return ReportError("Call: the page " + PageName + " is not available");
  cm.PushCall(page, index, PageName, TargetIndex, ResultVariable, cm.EvaluateArgs(Args));
}

void TComWait::Enter(TCallMan& cm) {
  Remaining = 0;
  if (!Time.Ops.empty()) {
    Time.Execute(cm.Vars);
    if (const TCustomParam* r = Time.Result()) Remaining = r->AsInteger();
  }
  FirstFrame = 1;
  Block = cm.Condition(BlockEvents, false) ? 1 : 0;
}

void TComWait::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  // No condition, or one that gives no value, waits.
  if (!cm.Condition(Condition, true, true)) {
    ++index;
    return;
  }
  if (Remaining != 0) {
    if (FirstFrame <= 0) {
      // Saturating: a huge frame delta never wraps the remaining time.
      const int64_t left = static_cast<int64_t>(Remaining) - cm.Run.FrameDeltaMs;
      Remaining = left < INT32_MIN ? INT32_MIN : static_cast<int32_t>(left);
      if (Remaining <= 0) {
        ++index;
        return;
      }
    } else {
      --FirstFrame;
    }
  }
  cm.RunOnFlag = false;
}

void TComPCReset::Execute(TCallMan& cm, TPage*& page, int32_t& index) {
  if (AllLevels != 0) {
    cm.ResetAllLevels(page, index, PageName, TargetIndex);
  } else {
    cm.ResetHandlerLevels(page, index, PageName, TargetIndex);
  }
}

void TComReset::Execute(TCallMan& cm, TPage*& page, int32_t& index) {
  cm.Host.ResetWorld();
  if (TOpalBaseList* stage = cm.Host.Stage(); stage != nullptr && stage->Services().History != nullptr)
    stage->Services().History->ResetFormats();
  cm.Vars.ResetVars();
  page = cm.StartPage(PageName);
  index = TargetIndex;
}

void TComTerminate::Execute(TCallMan& cm, TPage*&, int32_t&) {
  cm.Run.TerminateRequested = true;
  cm.Host.PostClose();
}

void TComCalc::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  Expression.Execute(cm.Vars);
}

void TComVarNew::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  if (Name.empty()) throw EOpalError("\x95\xCF\x90\x94\x96\xBC\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1");  // 変数名がありません
  TParamCollectionItem* var = cm.Vars.Declare(Name, Type >= kTagInt && Type <= kTagStr ? Type : kTagInt, Scope);
  if (var == nullptr || Value.Ops.empty()) return;  // a persistent variable keeps its value
  Value.Execute(cm.Vars);
  const TCustomParam* r = Value.Result();
  if (r == nullptr) return;
  switch (var->Value->ValueType()) {
    case kTagInt: var->Value->SetAsInteger(r->AsInteger()); break;
    case kTagFloat: var->Value->SetAsFloat(r->AsFloat()); break;
    case kTagFlag: var->Value->SetAsFlag(r->AsFlag()); break;
    case kTagStr: var->Value->SetAsString(r->AsString()); break;
    default: break;
  }
}

void TComVarDel::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  if (TParamCollectionItem* var = cm.Vars.FindVar(Name)) cm.Vars.DeleteVar(var);
}

}  // namespace opal
