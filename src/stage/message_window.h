// TMessageWindow: what the text commands ask of a message window. The
// interpreter reaches a window through the stage (FindMessageWindow) or an
// object's AsMessageWindow, never through the window's class.
#pragma once

#include <cstdint>
#include <string>

namespace opal {

class TOpalNewHistory;

// Where a compiled message comes from: the scenario page and the index of
// its text command in that page. The history, the read marks and a restored
// window find the message again through it.
struct TMessageSource {
  std::string Page;
  int32_t Command = 0;
};

class TMessageWindow {
 public:
  virtual ~TMessageWindow() = default;
  // TextIns: the compiled message `data` (a glyph stream) becomes the
  // window's message, identified by `from`; the history numbers are
  // cleared, the message is laid out and page 0 selected when there are
  // pages. With `markRead` the pages shown record read marks under `from`;
  // without, the window records none.
  virtual void BeginMessage(const TMessageSource& from, const std::string& data, bool markRead) = 0;
  // TextClr: no read marks, no text.
  virtual void ClearMessage() = 0;
  // CallHist: `count` (> 0, clipped to the history's size) of the
  // history's entries or pixels from `first` become the window's message
  // data, shown from page 0 without read marks; `playing` is the window's
  // HistoryFlag. Nothing changes when the history shows nothing.
  virtual void ShowHistory(const TOpalNewHistory& history, int64_t first, int64_t count, bool playing) = 0;
  // Whether the window holds at least one page (PR_COUNT > 0).
  virtual bool HasPages() const = 0;
};

}  // namespace opal
