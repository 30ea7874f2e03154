// TInputEvent: one piece of input from the window system, or from an input
// script, in the terms the player uses: window client coordinates, the
// Windows virtual-key numbers scripts see, focus changes, and text.
//
// Text is CP932, the code page of the game's own strings and of what its
// scripts read and compare, so a text control takes it as it stands. A
// character that CP932 lacks arrives as '?' (the window system's input is
// converted from UTF-8); an input script names such a character an error.
#pragma once

#include <cstdint>
#include <string>

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
  // Committed text: Text holds one or more characters typed or chosen in
  // an input method; one commit may come as several events, in order.
  Text,
  // The composition in progress replaces the previous one: Text is the
  // whole uncommitted string (empty: the composition ended), Cursor the
  // insertion point and SelLength the characters selected from there, both
  // counted in characters of Text (a double-byte character counts once).
  Compose,
};

enum class TPointerButton : uint8_t { Left, Right, Middle };

struct TInputEvent {
  TInputKind Kind = TInputKind::MouseMove;
  int32_t X = 0, Y = 0;  // client coordinates, for the mouse kinds
  TPointerButton Button = TPointerButton::Left;
  int32_t Key = 0;       // virtual-key number 0..255
  bool Repeat = false;   // an auto-repeated key-down of the window system
  std::string Text;      // CP932, for Text and Compose
  int32_t Cursor = 0, SelLength = 0;  // for Compose
};

}  // namespace opal
