// The program-wide shell state: the stop request, the game clock and the
// frame counters that the frame loop writes and the interpreter, the stage
// and the media read; and the three machine-wide player settings.
#pragma once

#include <cstdint>

namespace opal {

struct TRunState {
  bool TerminateRequested = false;  // the player must stop
  uint32_t LastTickMs = 0;          // clock value at the last counted frame
  uint32_t GameTimeMs = 0;          // sum of all counted frame intervals
  int32_t FrameDeltaMs = 0;         // length of the last counted interval
  uint32_t FrameCounter = 0;        // frame steps that reached the drawing test
  int32_t DrawDivisor = 1;          // draw and present every DrawDivisor-th frame
  bool InFullScreenSwitch = false;  // frame callbacks are dropped meanwhile
};

struct TPlayerSettings {
  bool DirectSound = true;
  int32_t DelayTime = 500;  // ms, a multiple of 100 in 100..500
  bool UseWMP = false;
};

// The one instance of each, for the whole run.
TRunState& RunState();
TPlayerSettings& PlayerSettings();

}  // namespace opal
