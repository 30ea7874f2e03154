// TScriptedEvents: the input script as an event source, alone and layered
// over a window (TFakeEventSource stands for it), with the text rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/event_source.h"
#include "platform/input_script.h"

namespace opal {
namespace {

// What a wake-up delivers, one word an event.
std::vector<std::string> Wake(EventSource& source) {
  static const char* const kNames[] = {"move",  "down",  "up",    "wheel-down", "wheel-up",       "keydown", "keyup",
                                       "focus-in", "focus-out", "close", "toolbar-exit", "toolbar-screen",
                                       "text",  "compose"};
  source.BeginWake();
  std::vector<std::string> out;
  for (TInputEvent e; source.Poll(e);) {
    std::string word = kNames[static_cast<int>(e.Kind)];
    if (!e.Text.empty()) word += " " + e.Text;
    out.push_back(word);
  }
  return out;
}

const char* const kScript =
    "1 move 5 6\n"
    "2 click left 1 2\n"
    "2 text \"ab\"\n"
    "3 compose \"c\" 1 0\n"
    "4 key Enter\n"
    "5 text \"d\"\n";

TEST(ScriptedEvents, HeadlessTheScriptIsTheOnlySourceAndTextWaitsForTextInput) {
  const TInputScript script = TInputScript::Parse(kScript);
  TScriptedEvents source(script, nullptr);
  EXPECT_FALSE(source.TextInputActive());
  using W = std::vector<std::string>;
  EXPECT_EQ(Wake(source), (W{"move"}));
  EXPECT_EQ(Wake(source), (W{"move", "down"}));  // the text is dropped: text input is off
  EXPECT_EQ(Wake(source), (W{"up"}));
  source.SetTextInput(true);
  EXPECT_TRUE(source.TextInputActive());
  EXPECT_EQ(Wake(source), (W{"keydown"}));
  // What is pushed while a wake-up is handled comes in the same wake-up.
  source.BeginWake();
  TInputEvent e;
  ASSERT_TRUE(source.Poll(e));
  EXPECT_EQ(e.Kind, TInputKind::KeyUp);
  TInputEvent pushed;
  pushed.Kind = TInputKind::MouseMove;
  source.Push(pushed);
  ASSERT_TRUE(source.Poll(e));
  EXPECT_EQ(e.Kind, TInputKind::Text);
  ASSERT_TRUE(source.Poll(e));
  EXPECT_EQ(e.Kind, TInputKind::MouseMove);
  EXPECT_FALSE(source.Poll(e));
  EXPECT_EQ(source.Wakes(), 5);
  EXPECT_EQ(Wake(source), (W{}));
}

TEST(ScriptedEvents, OverAWindowTheScriptGoesThroughTheWindowsQueue) {
  const TInputScript script = TInputScript::Parse(kScript);
  TFakeEventSource window;
  TScriptedEvents source(script, &window);
  TInputEvent person;
  person.Kind = TInputKind::FocusIn;
  window.Queue.push_back(person);  // the person's own input waits already
  using W = std::vector<std::string>;
  EXPECT_EQ(Wake(source), (W{"focus-in", "move"}));
  EXPECT_EQ(window.Calls, (W{"wake", "push", "poll", "poll", "poll"}));
  window.Calls.clear();
  EXPECT_EQ(Wake(source), (W{"move", "down"}));  // the window's text rule holds
  // The text is passed over inside a Poll.
  EXPECT_EQ(window.Calls, (W{"wake", "push", "push", "push", "poll", "poll", "poll"}));
  source.SetTextInput(true);
  EXPECT_TRUE(window.TextInputActive());
  EXPECT_TRUE(source.TextInputActive());
  EXPECT_EQ(Wake(source), (W{"up", "compose c"}));
  source.SetTextInput(false);
  EXPECT_EQ(window.Calls.back(), "text off");
}

}  // namespace
}  // namespace opal
