// EventSource: where the player's loop takes its input from. Each wake-up
// of the loop calls BeginWake once and then Poll until it answers false,
// handing every event to the form (or the settings dialog) as it comes.
// Backends: the SDL window (TSdlScreen), the input script (TScriptedEvents,
// alone in a headless run or layered over the window), and TFakeEventSource
// for tests.
//
// Text: committed text and the composition in progress (TInputKind::Text,
// TInputKind::Compose) are delivered only while text input is on, which a
// text control asks for; it is off when a source is made, so key presses
// are keys only. Every source applies that rule the same way, at Poll.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/input_event.h"

namespace opal {

class EventSource {
 public:
  virtual ~EventSource() = default;
  // A wake-up of the loop begins: input timed by wake-ups (a script's)
  // that falls due now becomes waiting input, after whatever waits
  // already. Called once a wake-up, before that wake-up's Poll calls. A
  // backend that is not timed by the loop (the window system) does nothing.
  virtual void BeginWake() = 0;
  // The next waiting event, in order of arrival; false when none waits
  // now. What handling an event causes (a pointer warp, a notice of the
  // window system) may still arrive in the same wake-up. Text and Compose
  // events are passed over, never returned, while text input is off.
  virtual bool Poll(TInputEvent& out) = 0;
  // Puts an event into this source's own queue as if the device had made
  // it: it comes back from Poll after what waits already, through the same
  // translation as the device's own input (a click on the window's
  // toolbar strip becomes a toolbar button). A backend may drop an event
  // its device cannot make.
  virtual void Push(const TInputEvent& e) = 0;
  // Text input on or off (see above). A window backend also tells the
  // window system, which then lets an input method compose text.
  virtual void SetTextInput(bool on) = 0;
  virtual bool TextInputActive() const = 0;
};

// The kinds that are delivered only while text input is on.
inline bool IsTextKind(TInputKind k) { return k == TInputKind::Text || k == TInputKind::Compose; }

// A device in memory: Push queues, Poll takes in order (keeping the text
// rule), and each call is written to Calls ("wake", "push", "poll",
// "text on", "text off") so a test sees how a layer above drives it.
class TFakeEventSource : public EventSource {
 public:
  void BeginWake() override { Calls.push_back("wake"); }
  bool Poll(TInputEvent& out) override {
    Calls.push_back("poll");
    while (!Queue.empty()) {
      out = Queue.front();
      Queue.pop_front();
      if (!IsTextKind(out.Kind) || Text_) return true;
    }
    return false;
  }
  void Push(const TInputEvent& e) override {
    Calls.push_back("push");
    Queue.push_back(e);
  }
  void SetTextInput(bool on) override {
    Calls.push_back(on ? "text on" : "text off");
    Text_ = on;
  }
  bool TextInputActive() const override { return Text_; }

  std::deque<TInputEvent> Queue;  // a test may put the person's own input here
  std::vector<std::string> Calls;

 private:
  bool Text_ = false;
};

}  // namespace opal
