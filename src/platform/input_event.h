// TInputEvent: one piece of input from the window system, or from an input
// script, in the terms the player uses: window client coordinates, the
// Windows virtual-key numbers scripts see, and focus changes.
#pragma once

#include <cstdint>

namespace opal {

enum class TInputKind : uint8_t {
  MouseMove,
  MouseDown,
  MouseUp,
  WheelDown,
  WheelUp,
  KeyDown,
  KeyUp,
  FocusIn,
  FocusOut,
  Close,          // the window's close box
  ToolbarExit,    // the toolbar's exit button
  ToolbarScreen,  // the toolbar's screen-switch button
};

enum class TPointerButton : uint8_t { Left, Right, Middle };

struct TInputEvent {
  TInputKind Kind = TInputKind::MouseMove;
  int32_t X = 0, Y = 0;  // client coordinates, for the mouse kinds
  TPointerButton Button = TPointerButton::Left;
  int32_t Key = 0;       // virtual-key number 0..255
  bool Repeat = false;   // an auto-repeated key-down of the window system
};

}  // namespace opal
