#include "scenario/call_man.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "common/cp932.h"
#include "common/diagnostics.h"
#include "common/error.h"
#include "common/trace.h"
#include "expr/opal_parser.h"
#include "expr/param_collection.h"
#include "scenario/command_runners.h"
#include "stage/timer_list.h"
#include "storage/vr_file_manager.h"

namespace opal {

// --- the call stack ----------------------------------------------------------

TStack& TStackList::Push() {
  Items_.push_back(std::make_unique<TStack>());
  Vars_.CurrentLevel = Count();
  return *Items_.back();
}

TStack& TStackList::Pop() {
  if (Items_.empty()) throw EOpalError("\x83\x58\x83\x5E\x83\x62\x83\x4E\x83\x47\x83\x89\x81\x5B");  // スタックエラー
  Popped = std::move(*Items_.back());
  Items_.pop_back();
  Vars_.CurrentLevel = Count();
  return Popped;
}

void TStackList::Clear() {
  Items_.clear();
  Vars_.CurrentLevel = 0;
}

// --- handler names -------------------------------------------------------------

void SplitHandler(std::string_view handler, std::string& page, std::string& label) {
  // The last ':' that stands after every '.' and '\' of the name, found by
  // walking forward so that no trail byte is taken for a delimiter.
  size_t colon = std::string_view::npos;
  for (size_t i = 0; i < handler.size(); i += cp932::CharLen(handler, i)) {
    const char c = handler[i];
    if (c == ':') colon = i;
    if (c == '.' || c == '\\') colon = std::string_view::npos;
  }
  page = std::string(colon == std::string_view::npos ? handler : handler.substr(0, colon));
  label = colon == std::string_view::npos ? std::string() : std::string(handler.substr(colon + 1));
  if (page.size() >= 3) page.replace(page.size() - 3, 3, "osb");
}

// --- the interpreter -------------------------------------------------------------

TCallMan::TCallMan(TVrFileManager& files, TParamCollection& vars, TRunState& run, TCallManHost& host)
    : Files(files), Vars(vars), Run(run), Host(host), Stack(vars) {}

TCallMan::~TCallMan() = default;

TPage* TCallMan::FindPage(std::string_view name, bool touch) {
  if (touch) Index = 0;
  for (auto it = Pages_.begin(); it != Pages_.end(); ++it) {
    if ((*it)->Name != name) continue;
    TPage* page = it->get();
    if (touch) Pages_.splice(Pages_.begin(), Pages_, it);
    return page;
  }
  auto page = std::make_unique<TPage>(&Vars);
  page->Load(Files, name);  // a failure frees the page on the way out
  page->Generation = NextGeneration();
  TPage* raw = page.get();
  if (!touch) {
    Pages_.push_back(std::move(page));
    return raw;
  }
  Pages_.push_front(std::move(page));
  while (Pages_.size() > kPageCacheSize && Pages_.back().get() != CurrentPage) {
    Pages_.pop_back();
    LastTraced_ = nullptr;  // its address may come back as another command's
  }
  return raw;
}

TPage* TCallMan::CachedPage(std::string_view name) const {
  for (const auto& p : Pages_)
    if (cp932::SameText(p->Name, name)) return p.get();
  return nullptr;
}

TPage* TCallMan::StartPage(std::string_view name) {
  CurrentPage = FindPage(name, true);
  Index = 0;
  Started = false;
  Args.clear();
  State = TCallState::MainFlow;
  Stack.Clear();
  Sender = nullptr;
  SenderId = 0;
  if (TTimerList* events = Host.Events()) {
    for (int32_t level = 1; level <= Depth; ++level) events->RemoveLevel(level);
  }
  Depth = 2;
  return CurrentPage;
}

std::string TCallMan::Arg(int i) const { return i >= 0 && i < ArgCount() ? Args[static_cast<size_t>(i)] : ""; }

std::string TCallMan::SenderName() const {
  return State == TCallState::MainFlow || Sender == nullptr ? "" : Host.ObjectNameById(SenderId);
}

TCustomParam* TCallMan::CallResult() { return Stack.Empty() ? nullptr : Stack.Top().Result.get(); }

// "%.8x : %s%s(%d)": the game clock, the mark, the page and the line.
void TCallMan::TraceCommand(const char* mark, const TPage& page, const TCommand& command) const {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%.8x", Run.GameTimeMs);
  Trace().Line(std::string(stamp) + " : " + mark + page.Name + "(" + std::to_string(command.Line) + ")");
}

TCommand* TCallMan::CommandAt(TPage* page, int32_t index) const {
  if (page == nullptr || index < 0 || static_cast<size_t>(index) >= page->Commands.size()) return nullptr;
  return page->Commands[static_cast<size_t>(index)].get();
}

bool TCallMan::Condition(TOpalParser& e, bool none, bool absent) {
  if (e.Ops.empty()) return none;
  e.Execute(Vars);
  if (!e.LastError().empty() && ReportedCondition_ != &e) {
    ReportedCondition_ = &e;
    ReportError("the condition cannot be evaluated: " + e.LastError());
  }
  const TCustomParam* r = e.Result();
  return r != nullptr ? r->AsFlag() : absent;
}

// "Call: the error's message" at the command's page and line.
void TCallMan::ReportCommandFailure(const TCommand& command, const std::exception& e) const {
  const TCommandInfo* info = CommandInfo(command.Code());
  ReportError(std::string(info != nullptr ? info->Name : "command") + ": " + e.what());
}

std::vector<std::string> TCallMan::EvaluateArgs(std::vector<std::unique_ptr<TOpalParser>>& list) {
  std::vector<std::string> out;
  for (const std::unique_ptr<TOpalParser>& e : list) {
    e->Execute(Vars);
    if (const TCustomParam* r = e->Result()) out.push_back(r->AsString());
  }
  return out;
}

TCallMan::TExecuted TCallMan::ExecuteOne() {
  TPage* page = CurrentPage;
  TCommand* command = CommandAt(page, Index);
  if (command == nullptr) return {nullptr, false};
  // Whatever fails while the command runs is reported at its line.
  Position_ = TSourcePos{page->Name, command->Line};
  const TSourcePosScope at(Position_);
  if (command != LastTraced_) {
    TraceCommand("", *page, *command);
    LastTraced_ = command;
  }
  if (!Started) {
    if (command->Disabled()) {
      ++Index;
      return {page, false};
    }
    // Started is set first: a command whose Enter fails is not entered
    // again and again; the failure is reported and ends this step.
    Started = true;
    ReportedCondition_ = nullptr;
    try {
      EnterCommand(*this, *command);
    } catch (const std::exception& e) {
      ReportCommandFailure(*command, e);
      return {page, false};
    }
  }
  RunOnFlag = command->RunOn();
  const bool yielded = command->Yields();
  const int32_t before = Index;
  int32_t index = Index;
  try {
    ExecuteCommand(*this, *command, page, index);
  } catch (const std::exception& e) {
    // The command's step ends where the failure left it.
    ReportCommandFailure(*command, e);
  }
  Index = index;
  if (page != CurrentPage || Index != before) Started = false;
  return {page, yielded};
}

TStepResult TCallMan::StepCommand() {
  if (CurrentPage == nullptr) return TStepResult::Stepped;
  const TExecuted step = ExecuteOne();
  const TStepResult r = step.Yielded ? TStepResult::Yielded : TStepResult::Stepped;
  if (step.Page != nullptr) {
    CurrentPage = step.Page;
    return r;
  }
  if (Stack.Empty()) {
    // The main flow stays parked after its last command; events still run.
    RunOnFlag = false;
    Index = static_cast<int32_t>(CurrentPage->Commands.size());
    Started = false;
    return r;
  }
  Vars.DropLevel(Stack.Count());
  TStack& frame = Stack.Pop();
  if (!frame.ResultVariable.empty() && frame.Result != nullptr) {
    if (TParamCollectionItem* var = Vars.FindVar(frame.ResultVariable)) {
      var->Value->AssignConvert(*frame.Result);
    } else {
      EvaluateText(Vars, frame.ResultVariable + " = \"" + frame.Result->AsString() + "\"");
    }
  }
  CurrentPage = FindPage(frame.PageName, true);
  Index = frame.Index;
  Started = frame.Started;
  RunOnFlag = frame.RunOnFlag;
  Args = std::move(frame.Args);
  Sender = frame.Sender;
  SenderId = frame.SenderId;
  if (frame.StateStream != nullptr) {
    if (TCommand* waiting = CommandAt(CurrentPage, Index)) {
      frame.StateStream->SetPosition(0);
      waiting->LoadState(*frame.StateStream);
    }
  }
  if (Sender == nullptr) return TStepResult::ReturnedToMain;
  return r == TStepResult::Yielded ? r : TStepResult::ReturnedToHandler;
}

TEventStart TCallMan::TryStartEvent(int32_t level) {
  TCommand* current = CommandAt(CurrentPage, Index);
  if (Started && current != nullptr && current->BlocksEvents()) return TEventStart::NoneStarted;
  TTimerList* events = Host.Events();
  if (events == nullptr || Stack.Count() >= kMaxDepth) return TEventStart::NoneStarted;
  TTimerData* event = events->NextPending();
  if (event == nullptr) return TEventStart::NoneStarted;
  std::string page_name, label;
  SplitHandler(event->Handler, page_name, label);
  if (!Host.EnsureAvailable(page_name)) {
    // The event stays at the head of the queue and later ones wait behind
    // it; that is reported once while the same handler waits.
    if (UnavailableHandler_ != event->Handler) {
      UnavailableHandler_ = event->Handler;
      ReportError(Position_, "event handler " + event->Handler + ": the page " + page_name +
                                 " is not available; later events wait");
    }
    return TEventStart::NoneStarted;
  }
  UnavailableHandler_.clear();

  // FindPage resets Index: the context to return to is taken first.
  const int32_t index = Index;
  TPage* page = nullptr;
  try {
    page = FindPage(page_name, true);
  } catch (const std::exception& e) {
    // A handler page that cannot be read would block every later event for
    // good; it is reported at the command the flow stands at, and dropped.
    // The flow stays where it was (FindPage has reset the index).
    Index = index;
    ReportError(Position_, "event handler " + event->Handler + ": " + e.what());
    events->Items.erase(events->Items.begin() + (event - events->Items.data()));
    return TEventStart::NoneStarted;
  }
  TStack& frame = Stack.Push();
  frame.PageName = CurrentPage != nullptr ? CurrentPage->Name : "";
  frame.Index = index;
  frame.Started = Started;
  frame.Args = Args;
  frame.Sender = Sender;
  frame.SenderId = SenderId;
  frame.RunOnFlag = RunOnFlag;
  if (current != nullptr && Started) {
    frame.StateStream = std::make_unique<TSkMemoryStream>();
    current->SaveState(*frame.StateStream);
  }
  CurrentPage = page;
  const int found = label.empty() ? -1 : page->IndexOfLabel(label);
  Index = found < 0 ? 0 : found;
  if (TCommand* first = CommandAt(page, Index)) {
    TraceCommand("<Event>", *page, *first);
  }
  Started = false;
  event->State = level;
  Args = event->Args;
  Sender = event->Sender;
  SenderId = Host.ObjectId(event->Sender);
  State = TCallState::Handler;
  return TEventStart::HandlerStarted;
}

void TCallMan::RunStep() {
  try {
    Pass();
  } catch (const std::exception& e) {
    // A page that could not be loaded on a return: the pass ends; the next
    // frame goes on from where the failure left the interpreter.
    ReportError(Position_, e.what());
  }
}

void TCallMan::Pass() {
  while (true) {
    switch (State) {
      case TCallState::MainFlow:
        if (TryStartEvent(1) == TEventStart::NoneStarted) {
          const TPage* page = CurrentPage;
          const int32_t index = Index;
          // A command that yields but stays where it is with its run-on flag
          // set (a waiting message or flip) would run again and again in
          // this pass; it ends the pass as any yielding command does.
          if (StepCommand() == TStepResult::Yielded && CurrentPage == page && Index == index) return;
        }
        break;
      case TCallState::Handler: {
        const TStepResult r = StepCommand();
        if (r == TStepResult::ReturnedToMain) {
          if (TTimerList* events = Host.Events()) events->RemoveLevel(1);
          State = TCallState::MainFlow;
          RunOnFlag = true;
        } else if (r == TStepResult::Yielded) {
          Depth = 2;
          State = TCallState::HandlerWaits;
          return;
        }
        break;
      }
      case TCallState::HandlerWaits:
        if (TryStartEvent(Depth) == TEventStart::NoneStarted) {
          State = Depth < 3 ? TCallState::Handler : TCallState::NestedHandler;
        } else {
          ++Depth;
          State = TCallState::NestedHandler;
        }
        break;
      case TCallState::NestedHandler: {
        const TStepResult r = StepCommand();
        if (r == TStepResult::ReturnedToMain || r == TStepResult::ReturnedToHandler) {
          --Depth;
          if (TTimerList* events = Host.Events()) events->RemoveLevel(Depth);
          if (Depth < 3) State = TCallState::HandlerWaits;
        } else if (r == TStepResult::Yielded) {
          State = TCallState::HandlerWaits;
          return;
        }
        break;
      }
    }
    if (Run.TerminateRequested) return;
    if (!RunOnFlag && State == TCallState::MainFlow) return;
  }
}

void TCallMan::PushCall(TPage*& page, int32_t& index, const std::string& target_page, int32_t target,
                        const std::string& result_variable, std::vector<std::string> args) {
  if (Stack.Count() >= kMaxCallDepth) throw EOpalError("calls nest too deep at " + page->Name);
  const int32_t back = index;
  TPage* called = FindPage(target_page, true);  // a missing page fails the call before anything moves
  TStack& frame = Stack.Push();
  frame.PageName = page->Name;
  frame.Index = back;
  frame.ResultVariable = result_variable;
  frame.RunOnFlag = RunOnFlag;
  frame.Sender = Sender;
  frame.SenderId = SenderId;
  frame.Args = std::move(Args);
  frame.Result = CreateValue(called->ResultType >= kTagInt && called->ResultType <= kTagStr ? called->ResultType
                                                                                              : kTagInt);
  Args = std::move(args);
  page = called;
  index = target;
}

void TCallMan::ResetAllLevels(TPage*& page, int32_t& index, const std::string& target_page, int32_t target) {
  Vars.DropLevel(Stack.Count());
  for (int32_t i = Stack.Count() - 1; i >= 0; --i) {
    Vars.DropLevel(i);
    TStack& frame = Stack.At(i);
    if (frame.Sender != nullptr || !frame.Started) continue;
    try {
      if (TCommand* entered = CommandAt(FindPage(frame.PageName, false), frame.Index)) AbandonCommand(*entered);
    } catch (const std::exception& e) {
      // The reset goes on; a page that cannot be read has nothing to abandon.
      ReportError(e.what());
    }
  }
  page = StartPage(target_page);
  index = target;
  if (TTimerList* events = Host.Events()) events->Clear();
}

void TCallMan::ResetHandlerLevels(TPage*& page, int32_t& index, const std::string& target_page, int32_t target) {
  Vars.DropLevel(Stack.Count());
  int32_t lowest = -1;
  for (int32_t i = 0; i < Stack.Count() && lowest < 0; ++i) {
    if (Stack.At(i).Sender != nullptr) lowest = i;
  }
  if (lowest < 0 && Sender != nullptr) lowest = Stack.Count();
  int32_t redirect = -1;
  for (int32_t i = lowest - 1; i >= 0 && redirect < 0; --i) {
    if (Stack.At(i).Sender == nullptr) redirect = i;
  }
  if (redirect >= 0) {
    Vars.DropLevel(redirect + 1);
    TStack& frame = Stack.At(redirect);
    frame.PageName = target_page;
    frame.Index = target;
    frame.Started = false;
    frame.ResultVariable.clear();
    frame.Args.clear();
    frame.StateStream.reset();
    ++index;
  } else {
    page = FindPage(target_page, true);
    index = target;
  }
  if (TTimerList* events = Host.Events()) events->RemoveRunning();
}

}  // namespace opal
