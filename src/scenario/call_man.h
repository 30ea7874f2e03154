// TCallMan: the interpreter. It keeps a small cache of loaded pages, the
// current position (page and command index), the call stack, and the state
// that interleaves the main flow with event handlers from the stage's queue.
// The project calls RunStep once a frame; commands run until one yields.
#pragma once

#include <cstdint>
#include <exception>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/diagnostics.h"
#include "common/run_state.h"
#include "expr/params.h"
#include "expr/sys_vars.h"
#include "scenario/page.h"
#include "storage/stream.h"

namespace opal {

class TOpalBaseList;
class TOpalObject;
class TOpalParser;
class TParamCollection;
class TTimerList;
class TVrFileManager;

// What the interpreter needs of the project, the stage and the window.
// Every default is what a player without that part does.
class TCallManHost {
 public:
  virtual ~TCallManHost() = default;
  // The project's EnsureAvailable: the file can be read now (its disc is in).
  virtual bool EnsureAvailable(std::string_view) { return true; }
  // The stage's event queue; null while there is no stage.
  virtual TTimerList* Events() { return nullptr; }
  // The stage the object commands work on; null while there is none.
  virtual TOpalBaseList* Stage() { return nullptr; }
  // Senders are remembered by pointer (which context had one) and by id,
  // which is never reused: the id of a live object, and the name of the
  // object an id stands for while it is still on the stage, else empty.
  virtual uint64_t ObjectId(TOpalObject*) { return 0; }
  virtual std::string ObjectNameById(uint64_t) { return ""; }
  // A close request to the main window.
  virtual void PostClose() {}
  // Reset: the stage, the table database and the message history.
  virtual void ResetWorld() {}
  // Moves the mouse pointer to stage x (or y), keeping the other coordinate.
  virtual void SetCursorX(int32_t) {}
  virtual void SetCursorY(int32_t) {}
  // System variables the window, the screen modes and the image cache
  // answer (@FullScr, @CGDither, @DisplayModeCount, @DisplayModeIndex,
  // @Title): false when the host does not answer `id`.
  virtual bool ReadSysVar(uint8_t, TSysValue&) { return false; }
  virtual bool WriteSysVar(uint8_t, const TSysValue&) { return false; }
};

// One call-stack frame: the context to return to.
struct TStack {
  std::string PageName;
  int32_t Index = 0;
  bool Started = false;
  std::string ResultVariable;
  std::vector<std::string> Args;
  TOpalObject* Sender = nullptr;
  uint64_t SenderId = 0;
  bool RunOnFlag = false;
  std::unique_ptr<TSkMemoryStream> StateStream;  // state of an interrupted waiting command
  std::unique_ptr<TCustomParam> Result;          // the called page's result
};

// The call stack. Every push, pop and clear sets the variable table's
// CurrentLevel to the number of frames.
class TStackList {
 public:
  explicit TStackList(TParamCollection& vars) : Vars_(vars) {}
  TStack& Push();
  // Moves the top frame into Popped and returns it; an empty stack raises
  // "スタックエラー".
  TStack& Pop();
  void Clear();
  int32_t Count() const { return static_cast<int32_t>(Items_.size()); }
  bool Empty() const { return Items_.empty(); }
  TStack& At(int32_t i) { return *Items_[static_cast<size_t>(i)]; }
  TStack& Top() { return *Items_.back(); }
  TStack Popped;  // the data of the frame popped last

 private:
  TParamCollection& Vars_;
  std::vector<std::unique_ptr<TStack>> Items_;
};

// What the interpreter runs; the numbers are the ones a save stores.
enum class TCallState : int32_t {
  MainFlow = 0,       // the main scenario runs
  Handler = 1,        // an event handler runs
  HandlerWaits = 2,   // a handler yielded; the next pending event may run nested on it
  NestedHandler = 3,  // a nested handler runs
};

// What one step of the current context did (StepCommand).
enum class TStepResult {
  Stepped,            // a command ran and did not yield
  Yielded,            // a command ran and yielded
  ReturnedToMain,     // a page ended into a context without a sender
  ReturnedToHandler,  // a page ended into a handler's context without yielding
};

// Whether TryStartEvent started a handler.
enum class TEventStart { NoneStarted, HandlerStarted };

class TCallMan {
 public:
  static constexpr size_t kPageCacheSize = 10;
  // Call levels of event handlers nest at most this deep; a handler that
  // waits while more events arrive would otherwise grow the stack forever.
  static constexpr int32_t kMaxDepth = 64;
  // A page that calls itself without end fails its call here instead of
  // growing the stack until memory runs out.
  static constexpr int32_t kMaxCallDepth = 10000;

  TCallMan(TVrFileManager& files, TParamCollection& vars, TRunState& run, TCallManHost& host);
  ~TCallMan();
  TCallMan(const TCallMan&) = delete;
  TCallMan& operator=(const TCallMan&) = delete;

  // Makes `name` the current page from its start, discarding the stack.
  TPage* StartPage(std::string_view name);
  // From the cache, or loaded and added; a page that fails to load is
  // freed and the error reaches the caller.
  TPage* FindPage(std::string_view name, bool touch);
  // A number no other page load of this run has.
  uint64_t NextGeneration() { return ++Generation_; }
  // The page when the cache holds it (names compared ignoring case), else
  // null; the cache order does not change.
  TPage* CachedPage(std::string_view name) const;
  // One frame's pass.
  void RunStep();

  int ArgCount() const { return static_cast<int>(Args.size()); }
  std::string Arg(int i) const;
  std::string SenderName() const;
  // The top frame's result value, or null.
  TCustomParam* CallResult();
  // The page and line of the command that ran last; unknown before any.
  const TSourcePos& Position() const { return Position_; }

  // For the commands: a condition's value. `none` is the value of a command
  // that stores no condition at all; a stored condition that yields no
  // value (it fails to evaluate, or gives nothing) has `absent`. A failure
  // is reported, once while the command stays entered.
  bool Condition(TOpalParser& e, bool none, bool absent);
  bool Condition(TOpalParser& e, bool absent) { return Condition(e, absent, absent); }
  std::vector<std::string> EvaluateArgs(std::vector<std::unique_ptr<TOpalParser>>& list);
  // The call command's work: push the return context and enter `page` at
  // `target`; the caller has already advanced `index` past the call.
  void PushCall(TPage*& page, int32_t& index, const std::string& target_page, int32_t target,
                const std::string& result_variable, std::vector<std::string> args);
  // PCReset with all levels set, and with them clear.
  void ResetAllLevels(TPage*& page, int32_t& index, const std::string& target_page, int32_t target);
  void ResetHandlerLevels(TPage*& page, int32_t& index, const std::string& target_page, int32_t target);

  TVrFileManager& Files;
  TParamCollection& Vars;
  TRunState& Run;
  TCallManHost& Host;

  TPage* CurrentPage = nullptr;
  int32_t Index = 0;
  bool RunOnFlag = false;
  TStackList Stack;
  bool Started = false;
  std::vector<std::string> Args;
  TCallState State = TCallState::MainFlow;
  TOpalObject* Sender = nullptr;  // compared, never followed: see SenderId
  uint64_t SenderId = 0;
  int32_t Depth = 2;

 private:
  struct TExecuted {
    TPage* Page;
    bool Yielded;
  };
  TExecuted ExecuteOne();
  void Pass();
  TStepResult StepCommand();
  TEventStart TryStartEvent(int32_t level);
  void ReportCommandFailure(const TCommand& command, const std::exception& e) const;
  TCommand* CommandAt(TPage* page, int32_t index) const;
  void TraceCommand(const char* mark, const TPage& page, const TCommand& command) const;

  std::list<std::unique_ptr<TPage>> Pages_;  // most recently used first
  uint64_t Generation_ = 0;
  const TCommand* LastTraced_ = nullptr;
  TSourcePos Position_;
  // The condition whose failure was reported since the current command was
  // entered: a waiting command that tests it every frame reports it once.
  const TOpalParser* ReportedCondition_ = nullptr;
  // The handler at the head of the queue whose page was reported missing.
  std::string UnavailableHandler_;
};

// Splits an event handler "page.ext:label" into the page (its extension
// made "osb") and the label; a ':' counts only when no '.' or '\' follows it.
void SplitHandler(std::string_view handler, std::string& page, std::string& label);

}  // namespace opal
