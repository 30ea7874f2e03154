// opalplay: the player. The game's command line (no argument: the
// executable's folder; /config: the settings dialog; otherwise the data
// folder and archives), plus options that start with "--".
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/cp932.h"
#include "common/diagnostics.h"
#include "common/error.h"
#include "common/run_state.h"
#include "common/trace.h"
#include "expr/value_text.h"
#include "platform/clock.h"
#include "platform/event_source.h"
#include "platform/input_script.h"
#include "platform/message_boxes.h"
#include "platform/sdl_cursors.h"
#include "platform/sdl_message_boxes.h"
#include "platform/sdl_screen.h"
#include "platform/system_locale.h"
#include "platform/ui_font.h"
#include "raster/dibx.h"
#include "raster/png_writer.h"
#include "shell/config_dialog.h"
#include "shell/form_config.h"
#include "shell/form_view.h"
#include "shell/game_runtime.h"
#include "shell/instance_lock.h"
#include "shell/loop_thread.h"
#include "storage/atomic_file.h"
#include "storage/disk_path.h"
#include "storage/resources.h"

namespace opal {
extern const unsigned char kMadeWithArchive[];
extern const unsigned long kMadeWithArchiveSize;
}  // namespace opal

namespace {

using namespace opal;

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: opalplay [OPTIONS] [DATA_FOLDER] [ARCHIVE...]\n"
               "  --headless          no window and no sound device\n"
               "  --fixed-clock[=MS]  every frame lasts exactly MS ms (default 15); nothing sleeps\n"
               "  --frames N          stop after N frames with exit code 0\n"
               "  --trace FILE        write the script trace and the start-up and shut-down steps\n"
               "  --dump-vars FILE    write the variable table at exit, a line a variable\n"
               "  --strict            end the run at the first run-time script error (exit code 3)\n"
               "  --input FILE        timed mouse, key, text, focus and message-box input (docs/input-script.md)\n"
               "  --screenshot FILE   write the screen as a PNG at exit, or at each --screenshot-at\n"
               "  --screenshot-at N   frame N (repeatable; with several, FILE gets -N before .png)\n"
               "  --screen-depth N    report a desktop of N = 15, 16 or 32 bits per pixel\n"
               "  --cdrom DIR         a folder that stands for a disc in a CD-ROM drive (repeatable;\n"
               "                      OPAL_CDROM may list more, separated by ':')\n"
               "  --help, --version\n"
               "Run-time errors are written to stderr as \"opalplay: PAGE(LINE): message\" and to the\n"
               "trace as \"warn PAGE(LINE): message\"; the game goes on unless --strict is given.\n"
               "Exit codes: 0 a normal end, 1 the game could not start or failed, 2 a usage error,\n"
               "3 a script error under --strict.\n");
}

struct TOptions {
  bool Headless = false;
  bool Strict = false;
  uint32_t FixedClockMs = 0;  // 0: the system clock
  long long Frames = -1;      // -1: no limit
  std::string TracePath, DumpVarsPath, ScreenshotPath, InputPath;
  std::vector<long long> ScreenshotAt;
  int32_t ScreenDepth = 0;  // 0: the display's own
  std::vector<std::string> CdRoots, Args;
};

bool ParseCount(const char* text, long long& out) {
  char* end = nullptr;
  errno = 0;
  out = std::strtoll(text, &end, 10);
  return errno == 0 && end != text && *end == '\0' && out >= 0;
}

// Returns an exit code when the command line ends the run, -1 to go on.
int ParseOptions(int argc, char** argv, TOptions& o) {
  if (const char* env = std::getenv("OPAL_CDROM")) {
    const std::string list = env;
    for (size_t at = 0; at <= list.size();) {
      const size_t colon = std::min(list.find(':', at), list.size());
      if (colon > at) o.CdRoots.push_back(list.substr(at, colon - at));
      at = colon + 1;
    }
  }
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_next = i + 1 < argc;
    auto fail = [&](const char* why) {
      std::fprintf(stderr, "opalplay: %s %s\n", a.c_str(), why);
      return 2;
    };
    long long n = 0;
    if (a == "--help") {
      Usage(stdout);
      return 0;
    } else if (a == "--version") {
      std::printf("opalplay %s\n", OPAL_VERSION);
      return 0;
    } else if (a == "--headless") {
      o.Headless = true;
    } else if (a == "--strict") {
      o.Strict = true;
    } else if (a == "--fixed-clock") {
      o.FixedClockMs = 15;
    } else if (a.rfind("--fixed-clock=", 0) == 0) {
      if (!ParseCount(a.c_str() + 14, n) || n < 1 || n >= 300) return fail("needs a frame length of 1 to 299 ms");
      o.FixedClockMs = static_cast<uint32_t>(n);
    } else if (a == "--frames") {
      if (!has_next || !ParseCount(argv[++i], n)) return fail("needs a number of frames");
      o.Frames = n;
    } else if (a == "--trace" || a == "--dump-vars" || a == "--screenshot" || a == "--input") {
      if (!has_next) return fail("needs a file name");
      (a == "--trace"       ? o.TracePath
       : a == "--dump-vars" ? o.DumpVarsPath
       : a == "--input"     ? o.InputPath
                            : o.ScreenshotPath) = argv[++i];
    } else if (a == "--screenshot-at") {
      if (!has_next || !ParseCount(argv[++i], n)) return fail("needs a frame number");
      o.ScreenshotAt.push_back(n);
    } else if (a == "--screen-depth") {
      if (!has_next || !ParseCount(argv[++i], n) || (n != 15 && n != 16 && n != 32)) return fail("needs 15, 16 or 32");
      o.ScreenDepth = static_cast<int32_t>(n);
    } else if (a == "--cdrom") {
      if (!has_next) return fail("needs a folder");
      o.CdRoots.push_back(argv[++i]);
    } else if (a.rfind("--", 0) == 0) {
      std::fprintf(stderr, "opalplay: unknown option %s (see opalplay --help)\n", a.c_str());
      return 2;
    } else {
      o.Args.push_back(a);
    }
  }
  return -1;
}

std::string ExecutablePath() {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  return n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
}

// The single-instance key names the data folder as written, made absolute
// so that two spellings of one folder meet.
std::string InstanceFolder(const TOptions& o, const std::string& exe) {
  const std::string folder = o.Args.empty() ? exe.substr(0, exe.find_last_of('/') + 1) : o.Args[0];
  char* real = ::realpath(folder.c_str(), nullptr);
  if (real == nullptr) return folder;
  std::string out = real;
  std::free(real);
  return out;
}

// FILE.png, or FILE-N.png when several frames are asked for.
std::string ScreenshotName(const TOptions& o, long long frame) {
  if (o.ScreenshotAt.size() <= 1) return o.ScreenshotPath;
  const std::string& p = o.ScreenshotPath;
  const size_t dot = p.rfind('.');
  const size_t slash = p.rfind('/');
  const size_t at = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? dot : p.size();
  return p.substr(0, at) + "-" + std::to_string(frame) + p.substr(at);
}

// Replaces the file through the atomic writer; a failure is reported here,
// naming the file and the cause.
bool WriteText(const std::string& path, const std::string& text) {
  try {
    opal::WriteFileAtomic(path, text);
    return true;
  } catch (const opal::EOpalError& e) {
    std::fprintf(stderr, "opalplay: %s\n", e.what());
    return false;
  }
}

// The settings dialog of /config: game.ini in the executable's folder,
// shown in a window of its own (or driven by the input script alone).
int RunConfig(const std::string& exe, const TOptions& o, const TInputScript& script, TSdlScreen* window,
              EventSource& events) {
  TScriptedMessageBoxes scripted;
  TSdlMessageBoxes windowBoxes;
  MessageBoxes& boxes = window != nullptr ? static_cast<MessageBoxes&>(windowBoxes) : scripted;
  (window != nullptr ? windowBoxes.Answers : scripted.Answers) = script.Answers;
  TFormConfig form(exe.substr(0, exe.find_last_of('/') + 1) + "game.ini", boxes);
  form.FormCreate();
  TConfigDialog dialog(form);
  std::unique_ptr<TUiFont> font = TUiFont::Open(cp932::FromUtf8("ＭＳ Ｐゴシック"), 12);
  TDIBX canvas;
  canvas.SetSize(TConfigDialog::kWidth, TConfigDialog::kHeight, 32);
  if (window != nullptr) {
    window->SetTitle(TConfigDialog::Caption());
    window->ShowToolbar(false);
    window->PlacePanel(0, 0, TConfigDialog::kWidth, TConfigDialog::kHeight);
    window->SetClientSize(TConfigDialog::kWidth, TConfigDialog::kHeight);
    window->CenterOnWorkArea();
    window->Show();
  }
  std::unique_ptr<Clock> clock;
  if (o.FixedClockMs > 0) {
    clock = std::make_unique<TFixedClock>(o.FixedClockMs);
  } else {
    clock = std::make_unique<TSystemClock>();
  }
  int code = 0;
  for (long long wakes = 1; form.IsOpen && (o.Frames < 0 || wakes <= o.Frames); ++wakes) {
    events.BeginWake();
    for (TInputEvent e; events.Poll(e);) dialog.HandleInput(e);
    if (dialog.Dirty) {
      dialog.Paint(canvas, font.get());
      dialog.Dirty = false;
      if (window != nullptr) window->Present(canvas, TRect{0, 0, TConfigDialog::kWidth, TConfigDialog::kHeight});
    }
    if (!o.ScreenshotPath.empty() &&
        std::find(o.ScreenshotAt.begin(), o.ScreenshotAt.end(), wakes) != o.ScreenshotAt.end()) {
      try {
        SavePng(canvas, ScreenshotName(o, wakes));
      } catch (const std::exception& e) {
        std::fprintf(stderr, "opalplay: %s\n", e.what());
        code = 1;
      }
    }
    clock->WaitMs(TLoopThread::kFrameMs);
  }
  return code;
}

int Run(const TOptions& o) {
  const std::string exe = ExecutablePath();
  TInstanceLock lock;
  switch (lock.Acquire(TInstanceLock::Key(InstanceFolder(o, exe)))) {
    case TInstanceLock::TResult::Acquired: break;
    case TInstanceLock::TResult::HeldElsewhere: return 0;  // another player runs this game
    case TInstanceLock::TResult::Unavailable:
      std::fprintf(stderr, "opalplay: no lock folder for the single-instance check; starting anyway\n");
      break;
  }
  std::unique_ptr<TFileTrace> trace;
  if (!o.TracePath.empty()) trace = std::make_unique<TFileTrace>(o.TracePath);
  SetTrace(trace.get());
  // Run-time errors: once each on stderr and as a warn line in the trace.
  TStreamDiagnostics diagnostics(stderr, "opalplay", true);
  SetDiagnostics(&diagnostics);
  struct TUnset {
    ~TUnset() { SetDiagnostics(nullptr); }
  } unset_diagnostics;
  const auto strict_stop = [&] { return o.Strict && diagnostics.Count() > 0; };

  TInputScript script;
  if (!o.InputPath.empty()) {
    try {
      script = TInputScript::Load(o.InputPath);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "opalplay: %s\n", e.what());
      SetTrace(nullptr);
      return 2;
    }
  }
  // A window when a display can be had, else a headless run.
  std::unique_ptr<TSdlScreen> window;
  if (!o.Headless) {
    std::string why;
    window = TSdlScreen::Create(why);
    if (window == nullptr) std::fprintf(stderr, "opalplay: no window (%s); running without one\n", why.c_str());
  }
  // The input: the script's over the window's when there is a window
  // (script events take the way a person's input takes), else the
  // script's alone. Script events are timed by wake-ups of the loop.
  TScriptedEvents events(script, window.get());
  if (!o.Args.empty() && cp932::CompareText(o.Args[0], "/config") == 0) {
    const int rc = RunConfig(exe, o, script, window.get(), events);
    SetTrace(nullptr);
    return rc;
  }
  THeadlessDisplay headless;
  if (o.ScreenDepth != 0) {
    headless.Desktop = DisplayFormatOfDepth(o.ScreenDepth);
    if (window != nullptr) window->SetDesktopDepth(o.ScreenDepth);
  }
  Display& display = window != nullptr ? static_cast<Display&>(*window) : headless;
  TScriptedMessageBoxes scripted;
  TSdlMessageBoxes windowBoxes;
  MessageBoxes& boxes = window != nullptr ? static_cast<MessageBoxes&>(windowBoxes) : scripted;
  (window != nullptr ? windowBoxes.Answers : scripted.Answers) = script.Answers;

  TRunState& state = RunState();
  TVrFileManager files(o.CdRoots);
  TGameRuntime parts(display);
  TSdlCursors cursors;
  if (window != nullptr) parts.SetCursors(&cursors);
  int code = 0;
  long long frames = 0;
  {
    TFormView form(state, files, boxes, parts);
    form.MainWindow = window.get();
    form.LogoDone = !TGameRuntime::HasLogo();
    form.JapaneseSystem = SystemLanguageIsJapanese();
    TStartOptions start;
    start.Executable = exe;
    start.Args = o.Args;
    start.FixedClock = o.FixedClockMs > 0;
    form.FormCreate(start);
    if (window != nullptr) {
      window->SetTitle(parts.Title());
      window->Show();
    }
    if (!form.CloseRequested()) {
      std::unique_ptr<Clock> clock;
      if (o.FixedClockMs > 0) {
        clock = std::make_unique<TFixedClock>(o.FixedClockMs);
      } else {
        clock = std::make_unique<TSystemClock>();
      }
      TLoopThread loop(state);
      form.LoopThread = &loop;
      // Every wake-up of the loop (a frame while the game is active) takes
      // the input that waits, before the wait.
      auto pump = [&] {
        events.BeginWake();
        for (TInputEvent e; events.Poll(e);) form.HandleInput(e);
      };
      loop.Run(
          *clock,
          [&] {
            pump();
            return !state.TerminateRequested && !form.CloseRequested() && !strict_stop() &&
                   (o.Frames < 0 || frames < o.Frames);
          },
          [&] {
            ++frames;
            form.FrameStep();
            if (!o.ScreenshotPath.empty() &&
                std::find(o.ScreenshotAt.begin(), o.ScreenshotAt.end(), frames) != o.ScreenshotAt.end() &&
                !parts.Screenshot(ScreenshotName(o, frames))) {
              code = 1;
            }
          });
      form.LoopThread = nullptr;
    }
    if (!o.ScreenshotPath.empty() && o.ScreenshotAt.empty() && !parts.Screenshot(o.ScreenshotPath)) code = 1;
    for (const long long at : o.ScreenshotAt) {
      if (o.ScreenshotPath.empty() || at <= frames) continue;
      std::fprintf(stderr, "opalplay: the run ended after frame %lld, before --screenshot-at %lld\n", frames, at);
      code = 1;
    }
    if (!o.DumpVarsPath.empty() && form.ParamMan() != nullptr &&
        !WriteText(o.DumpVarsPath, DescribeVariables(*form.ParamMan()))) {
      code = 1;
    }
    if (!form.StartFailure().empty()) {
      std::fprintf(stderr, "opalplay: cannot start the game: %s\n", cp932::ToUtf8(form.StartFailure()).c_str());
      code = 1;
    }
    form.FormClose();
  }
  if (code == 0 && strict_stop()) code = 3;
  SetTrace(nullptr);
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  // The start-up logo's archive, linked in by the build.
  opal::TResourceModule::Executable().Add(
      "MADEWITH", "DATA",
      std::vector<uint8_t>(opal::kMadeWithArchive, opal::kMadeWithArchive + opal::kMadeWithArchiveSize));
  TOptions options;
  if (const int code = ParseOptions(argc, argv, options); code >= 0) return code;
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "opalplay: %s\n", cp932::ToUtf8(e.what()).c_str());
    return 1;
  }
}
