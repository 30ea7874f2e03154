#include "stage/window_input.h"

#include "stage/base_list.h"
#include "stage/opal_base.h"

namespace opal {

void TKeyboardState::KeyDown(int32_t code) {
  if (!Valid(code) || Keys_[code].Held) return;
  TKey& k = Keys_[code];
  k.Held = true;
  k.PressedNow = true;
  k.RepeatNow = true;
  k.Countdown = kFirstRepeatMs;
  AnyDown = true;
  AnyRepeat = true;
  WentDown.push_back(static_cast<uint8_t>(code));
  Repeated.push_back(static_cast<uint8_t>(code));
}

void TKeyboardState::KeyUp(int32_t code) {
  if (!Valid(code) || !Keys_[code].Held) return;
  TKey& k = Keys_[code];
  k.Held = false;
  k.RepeatNow = false;
  AnyUp = true;
  WentUp.push_back(static_cast<uint8_t>(code));
}

void TKeyboardState::ClearInput() {
  Keys_.fill(TKey{});
  AnyDown = AnyUp = AnyRepeat = false;
  ClearFrameLists();
}

void TKeyboardState::RollFrameFlags() {
  for (TKey& k : Keys_) {
    k.PressedBefore = k.PressedNow;
    k.PressedNow = false;
    k.RepeatBefore = k.RepeatNow;
  }
}

void TKeyboardState::ClearFrameLists() {
  AnyDown = AnyUp = AnyRepeat = false;
  WentDown.clear();
  WentUp.clear();
  Repeated.clear();
}

void TKeyboardState::StepRepeat(int32_t elapsedMs) {
  for (int code = 0; code < kKeys; ++code) {
    TKey& k = Keys_[code];
    if (!k.Held) continue;
    k.Countdown -= elapsedMs;
    k.RepeatNow = k.Countdown <= 0;
    if (k.RepeatNow) {
      k.Countdown += kRepeatMs;
      AnyRepeat = true;
      Repeated.push_back(static_cast<uint8_t>(code));
    }
  }
}

// --- the window's entry points on the stage ------------------------------

void TOpalBaseList::MouseDown(TMouseButton button) {
  for (int i = 0; i < 2; ++i) {
    TMouseState& m = BaseAt(i)->Mouse;
    m.LeftHeld = button == TMouseButton::Left;
    m.RightHeld = button == TMouseButton::Right;
  }
  TMouseState& active = ActiveBase()->Mouse;
  active.LeftEdge = button == TMouseButton::Left;
  active.RightEdge = button == TMouseButton::Right;
}

void TOpalBaseList::MouseUp() {
  for (int i = 0; i < 2; ++i) BaseAt(i)->Mouse.LeftHeld = BaseAt(i)->Mouse.RightHeld = false;
}

void TOpalBaseList::MouseMove(int32_t x, int32_t y) {
  for (int i = 0; i < 2; ++i) BaseAt(i)->Mouse.MoveTo(x, y);
}

void TOpalBaseList::WheelDown() { ActiveBase()->Mouse.WheelDownEdge = true; }
void TOpalBaseList::WheelUp() { ActiveBase()->Mouse.WheelUpEdge = true; }

}  // namespace opal
