// TInputScript: timed input for repeatable runs (opalplay --input FILE).
// The format, every instruction with its arguments, the timing rule and an
// example, is written down in docs/input-script.md; a test parses that
// document's example and checks that it names every instruction below.
// In short: one instruction a line, "FRAME NAME ARGUMENTS" or "answer …";
// '#' outside a quoted text starts a comment; the events of FRAME happen
// before the loop's wake-up of that number (counted from 1).
//
// TScriptedEvents: the script as an EventSource, alone (headless) or
// layered over the window, whose own queue then takes the script's events.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/event_source.h"
#include "platform/input_event.h"
#include "platform/message_boxes.h"

namespace opal {

class TInputScript {
 public:
  static constexpr size_t kMaxBytes = 4 << 20;

  // An instruction as the format writes it: "FRAME move X Y", "answer
  // yes|no|ok|cancel". Every instruction the parser takes, in its order.
  static std::vector<std::string> Synopses();

  // Throws EFormatError naming the line of a bad instruction.
  static TInputScript Parse(const std::string& text);
  // Reads and parses a file; EStreamError when it cannot be read.
  static TInputScript Load(const std::string& path);

  // The events due before frame `frame`, in script order.
  std::vector<TInputEvent> EventsAt(int64_t frame) const;
  int64_t LastFrame() const { return Events_.empty() ? 0 : Events_.rbegin()->first; }

  std::deque<TMsgAnswer> Answers;

 private:
  std::map<int64_t, std::vector<TInputEvent>> Events_;
};

class TScriptedEvents : public EventSource {
 public:
  // Neither is owned; both must outlive this source. `window` may be
  // null: then the script is the only source.
  // Otherwise each due event is pushed into the window's queue, so that it
  // takes the way a person's input takes, and Poll reads the window.
  TScriptedEvents(const TInputScript& script, EventSource* window) : Script_(script), Window_(window) {}

  // Counts the wake-up (the first is 1) and queues the script's events of
  // that number behind what waits already.
  void BeginWake() override;
  bool Poll(TInputEvent& out) override;
  void Push(const TInputEvent& e) override;
  void SetTextInput(bool on) override;
  bool TextInputActive() const override;

  int64_t Wakes() const { return Wakes_; }

 private:
  const TInputScript& Script_;
  EventSource* Window_;
  int64_t Wakes_ = 0;
  std::deque<TInputEvent> Pending_;  // headless: what waits
  bool Text_ = false;                // headless: text input on
};

}  // namespace opal
