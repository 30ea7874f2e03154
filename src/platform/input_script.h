// TInputScript: timed input for repeatable runs (opalplay --input FILE).
// One instruction a line; '#' starts a comment:
//   FRAME move X Y           the pointer to client position (X, Y)
//   FRAME down|up BUTTON     BUTTON: left, right or middle
//   FRAME click BUTTON X Y   move, press; released at the next frame
//   FRAME wheel down|up
//   FRAME keydown|keyup KEY  KEY: a name (Enter, Space, Escape, A, F5, …)
//   FRAME key KEY            or a number (13, 0x0D); released next frame
//   FRAME focus in|out       the window gains or loses activation
//   FRAME close              the window's close box
//   answer yes|no|ok|cancel  the next message box's answer (in order)
// Events happen before the frame of that number (frames count from 1).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/input_event.h"
#include "platform/message_boxes.h"

namespace opal {

class TInputScript {
 public:
  static constexpr size_t kMaxBytes = 4 << 20;

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

}  // namespace opal
