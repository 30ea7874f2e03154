// TScenarioHost: a small game run as the player runs it, for the tests of
// the interpreter and its commands. Pages are compiled from scenario text
// into a data folder; the interpreter runs on a stage with the image and
// message classes, an image cache over the folder, synthetic fonts and a
// headless display; the trace lines are kept. Frames follow the player's
// order (input step, interpreter pass, stage update, compose and present)
// on a fixed clock of kFrameMs a frame.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "common/run_state.h"
#include "common/trace.h"
#include "components/brio_collection.h"
#include "components/image_components.h"
#include "components/opal_mes.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "expr/value_text.h"
#include "history/history_format.h"
#include "history/read_list.h"
#include "platform/display.h"
#include "platform/font_backend.h"
#include "raster/dibx.h"
#include "scenario/call_man.h"
#include "scenario/call_sys_vars.h"
#include "scenario/page.h"
#include "scenario/page_messages.h"
#include "scenario/scenario_text.h"
#include "stage/base_list.h"
#include "stage/stage_services.h"
#include "storage/stream.h"
#include "storage/vr_file_manager.h"
#include "test_util.h"
#include "text/font_pixel.h"

namespace opal::testing {

// The script trace's lines, in order.
class TLinesTrace : public TTraceSink {
 public:
  void Step(std::string_view) override {}
  void Line(std::string_view text) override { Lines.emplace_back(text); }
  std::vector<std::string> Lines;
};

class TScenarioHost {
 public:
  // The fixed clock's frame, as opalplay --fixed-clock gives it.
  static constexpr int32_t kFrameMs = 15;

  explicit TScenarioHost(int32_t width = 64, int32_t height = 48) : Width_(width), Height_(height) {
    Vars.SysFuncs = &Funcs;
    Vars.SysVarHost = &SysVars;
    Vars.CreateSystemVars();
    Files.SetDataFolder(Dir.Path() + "/");
    Cache.UseFiles(&Files);
    ScreenBuffer.SetSize(width, height, 32);
    Services.ImageCache = &Cache;
    Services.Vars = &Vars;
    Services.Fonts = &Fonts;
    Services.Screen = &ScreenBuffer;
    Services.Messages = &Messages;
    Services.MessagePages = &Messages;
    Services.History = &History;
    Services.ReadMarks = &ReadMarks;
    Equip(Stage);
    SetTrace(&Trace);
  }
  virtual ~TScenarioHost() { SetTrace(nullptr); }
  TScenarioHost(const TScenarioHost&) = delete;
  TScenarioHost& operator=(const TScenarioHost&) = delete;

  // Gives a stage over these services the host's size and classes (the
  // host's own stage, or a second one a saved stage is loaded into).
  void Equip(TOpalBaseList& stage) const {
    stage.SetSize(Width_, Height_);
    RegisterImageComponents(stage);
    RegisterMessageComponents(stage);
  }

  // Compiles UTF-8 scenario text into the page file `name` of the data
  // folder ('\' in the name makes folders).
  void Page(const std::string& name, const std::string& utf8) {
    TPage page;
    page.Name = cp932::FromUtf8(name);
    ReadPageText(cp932::FromUtf8(utf8), page);
    TMemoryStream s;
    page.SaveToStream(s);
    File(name, s.Bytes());
  }
  void File(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = name;
    for (char& c : path) c = c == '\\' ? '/' : c;
    WriteFile(Dir / path, std::string(bytes.begin(), bytes.end()));
  }

  // A new interpreter on the data folder, with no page yet.
  void Interpreter() {
    Files.SetDataFolder(Dir.Path() + "/");
    Messages.SetCalls(nullptr);
    Calls = std::make_unique<TCallMan>(Files, Vars, State, Host_);
    CallsPtr = Calls.get();
    Messages.SetCalls(Calls.get());
  }
  // A new interpreter starting at `page`.
  void Start(const std::string& page) {
    Interpreter();
    Calls->StartPage(page);
  }

  // `n` whole frames, fewer once the game asked to end.
  void Frames(int n) {
    for (int i = 0; i < n && !State.TerminateRequested; ++i) {
      Tick();
      Stage.InputStep(kFrameMs);
      Calls->RunStep();
      if (State.TerminateRequested) break;
      Stage.Update(kFrameMs);
      ++State.FrameCounter;
      Stage.Draw();
      for (const TRect& r : Stage.PresentRects()) Display.Present(ScreenBuffer, r);
      Stage.ClearDirty();
    }
  }
  // `n` interpreter passes on the same clock, without the rest of the
  // frame: what a pass leaves (objects marked for deletion, say) is seen
  // before the stage's update acts on it.
  void Passes(int n) {
    for (int i = 0; i < n; ++i) {
      Tick();
      Calls->RunStep();
    }
  }

  // The variable's type, dimensions and value as --dump-vars writes them,
  // or "missing".
  std::string Var(const std::string& name) const {
    const TParamCollectionItem* v = Vars.FindVar(name);
    return v != nullptr ? DescribeValue(*v->Value) : "missing";
  }
  // What the display shows (black before the first present).
  TDIBX& Screen() {
    if (!Display.CopyPresented(Shown_)) {
      Shown_.SetSize(Width_, Height_, 32);
      Shown_.Clear(0);
    }
    return Shown_;
  }

  TempDir Dir;
  TVrFileManager Files;
  TParamCollection Vars;
  TSysFuncMan Funcs;
  TRunState State;
  TCallMan* CallsPtr = nullptr;
  TCallManSysVars SysVars{CallsPtr, State};
  TLinesTrace Trace;
  // Close requests (Terminate) the game made.
  int Closes = 0;
  TBrioCollection Cache;  // outlives the stage's objects
  TFakeFontBackend Backend;
  TFontPixelManager Fonts{Backend};
  THeadlessDisplay Display;
  TDIBX ScreenBuffer;
  TStageServices Services;
  // The message stores over the interpreter's pages, the history and the
  // read marks: they outlive the stage's windows.
  TPageMessageStore Messages;
  TOpalHistoryFormatManager History{{&Fonts, nullptr, &Messages}};
  TOpalReadList ReadMarks;
  TOpalBaseList Stage{Services};

 private:
  class TInterpreterHost : public TCallManHost {
   public:
    explicit TInterpreterHost(TScenarioHost& host) : Host_(host) {}
    TTimerList* Events() override { return &Host_.Stage.Events; }
    TOpalBaseList* Stage() override { return &Host_.Stage; }
    uint64_t ObjectId(TOpalObject* obj) override { return obj != nullptr ? obj->Id() : 0; }
    std::string ObjectNameById(uint64_t id) override {
      const TOpalObject* obj = Host_.Stage.ById(id);
      return obj != nullptr ? obj->Name() : "";
    }
    void PostClose() override { ++Host_.Closes; }

   private:
    TScenarioHost& Host_;
  };
  TInterpreterHost Host_{*this};  // outlives the interpreter

 public:
  std::unique_ptr<TCallMan> Calls;

 private:
  void Tick() {
    State.FrameDeltaMs = kFrameMs;
    State.GameTimeMs += kFrameMs;
  }

  int32_t Width_, Height_;
  TDIBX Shown_;
};

}  // namespace opal::testing
