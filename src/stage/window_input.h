// Raw input as the window hands it to the stage: the mouse state of each
// base and the keyboard state of the stage. The window only records; the
// stage's input step decides once per frame what the records mean.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stage/object_ref.h"

namespace opal {

enum class TMouseButton : uint8_t { Left, Right, Middle };

struct TMouseState {
  int32_t PointerX = 0, PointerY = 0;
  bool Moved = false;
  // Set by the window, consumed by the next input step.
  bool LeftEdge = false, RightEdge = false, WheelDownEdge = false, WheelUpEdge = false;
  bool LeftHeld = false, RightHeld = false;
  // The edges the last input step latched (what scripts read as clicks).
  bool LeftNow = false, RightNow = false, WheelDownNow = false, WheelUpNow = false;
  uint8_t Pressed = 0;  // capture: 4 left, 8 right
  // The object under the pointer at the last step (by id), and the cursor
  // file now shown.
  TObjectRef<TOpalControl> Hovered;
  std::string CurrentCursor;
  bool CursorUnreadable = false;  // CurrentCursor could not be shown

  // Latches and clears the four edges.
  void LatchEdges() {
    LeftNow = LeftEdge, RightNow = RightEdge, WheelDownNow = WheelDownEdge, WheelUpNow = WheelUpEdge;
    LeftEdge = RightEdge = WheelDownEdge = WheelUpEdge = false;
  }

  // Gives the pointer position; Moved only when it changed.
  void MoveTo(int32_t x, int32_t y) {
    if (x != PointerX || y != PointerY) Moved = true;
    PointerX = x;
    PointerY = y;
  }
};

class TKeyboardState {
 public:
  static constexpr int kKeys = 256;
  static constexpr int32_t kFirstRepeatMs = 300;
  static constexpr int32_t kRepeatMs = 50;

  struct TKey {
    bool Held = false, PressedNow = false, PressedBefore = false;
    bool RepeatNow = false, RepeatBefore = false;
    int32_t Countdown = 0;
  };

  // Codes of 256 and above are ignored. A key-down for a held code does
  // nothing: repeats come from the countdown only.
  void KeyDown(int32_t code);
  void KeyUp(int32_t code);
  // Everything cleared (the application lost activation).
  void ClearInput();

  // The input step's key parts: the frame flags roll over, the lists and
  // the three flags are cleared, the countdowns of held keys run.
  void RollFrameFlags();
  void ClearFrameLists();
  void StepRepeat(int32_t elapsedMs);

  bool Held(int32_t code) const { return Valid(code) && Keys_[code].Held; }
  bool PressedSincePreviousStep(int32_t code) const { return Valid(code) && Keys_[code].PressedBefore; }
  bool RepeatedAtPreviousStep(int32_t code) const { return Valid(code) && Keys_[code].RepeatBefore; }
  const TKey& Key(int32_t code) const { return Keys_[static_cast<std::size_t>(code & 0xFF)]; }

  bool AnyDown = false, AnyUp = false, AnyRepeat = false;
  std::vector<uint8_t> WentDown, WentUp, Repeated;

 private:
  static bool Valid(int32_t code) { return code >= 0 && code < kKeys; }
  std::array<TKey, kKeys> Keys_{};
};

}  // namespace opal
