// TScreenManager: owns the screen buffer the stage composes into, knows the
// display modes usable for full screen and which one to use, and carries
// out the change between a window and full screen. Present copies the
// changed rectangles of the buffer to the window.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/display.h"
#include "raster/dibx.h"
#include "raster/rect.h"

namespace opal {

class TScreenManager {
 public:
  // Lists and chooses the modes, then opens the window (SetModeIndex(-1)).
  // Throws "DirectDrawを初期化できません" when the display exists but cannot
  // be opened, taken or asked for its format.
  TScreenManager(Display& display, int32_t width, int32_t height, int32_t full_screen_width,
                 int32_t full_screen_height);
  ~TScreenManager();
  TScreenManager(const TScreenManager&) = delete;
  TScreenManager& operator=(const TScreenManager&) = delete;

  int32_t ModeCount() const { return static_cast<int32_t>(Modes.size()); }
  // A mode outside the list reads as all zeros.
  DisplayMode GetMode(int32_t index) const;
  // -1: a window; >= 0: full screen in Modes[index]. A failed full-screen
  // attempt, or an index past the list, ends in a window.
  void SetModeIndex(int32_t index);
  // The active base's dirty rectangles, or the transition's rectangle when
  // that is not empty; the caller clears the bases' lists afterwards.
  void Present(const std::vector<TRect>& dirty, const TRect& transition);
  void FreeDX();
  // Whether full screen can be had on this machine at all.
  bool DisplayAvailable() { return Display_.Available(); }

  int32_t Width, Height, FullScreenWidth, FullScreenHeight;
  std::vector<DisplayMode> Modes;
  int32_t ChosenModeIndex = -1;
  int32_t PreferredBitCount = 24;
  int32_t ModeIndex = -2;  // -2 nothing made, -1 a window, >= 0 full screen
  std::unique_ptr<TDIBX> ScreenBuffer;
  int32_t ScreenBitCount = 0;
  bool FullScreenActive = false;

 private:
  void ListModes();
  void CreateScreenBuffer();
  void MakeBuffer(int32_t bit_count);
  void CloseDisplay();

  Display& Display_;
  bool Open_ = false;  // the display object exists
};

// The choice among usable modes: of the modes of exactly the wanted size the
// desktop's bit count wins, and of those the lowest refresh rate; without a
// mode of that size, the first usable one. -1 when the list is empty.
int32_t ChooseMode(const std::vector<DisplayMode>& modes, int32_t want_width, int32_t want_height,
                   int32_t preferred_bits);

}  // namespace opal
