#include "shell/screen_manager.h"

#include "common/error.h"

namespace opal {

namespace {

// "DirectDrawを初期化できません"
constexpr const char* kDisplayInitFailed =
    "DirectDraw\x82\xF0\x8F\x89\x8A\xFA\x89\xBB\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1";

bool Is555(const TDisplayFormat& f) { return f.RedMask == 0x7C00 && f.GreenMask == 0x03E0 && f.BlueMask == 0x001F; }

bool IsWanted(const DisplayMode& m, int32_t w, int32_t h) {
  return static_cast<int64_t>(m.Width) == w && static_cast<int64_t>(m.Height) == h;
}

}  // namespace

int32_t ChooseMode(const std::vector<DisplayMode>& modes, int32_t want_width, int32_t want_height,
                   int32_t preferred_bits) {
  int32_t chosen = -1;
  for (int32_t i = 0; i < static_cast<int32_t>(modes.size()); ++i) {
    const DisplayMode& m = modes[static_cast<size_t>(i)];
    bool take;
    if (chosen < 0) {
      take = true;
    } else {
      const DisplayMode& c = modes[static_cast<size_t>(chosen)];
      const auto bits = static_cast<uint32_t>(preferred_bits);
      if (!IsWanted(m, want_width, want_height)) {
        take = false;
      } else if (!IsWanted(c, want_width, want_height)) {
        take = true;
      } else if (m.BitCount != bits) {
        take = false;
      } else if (c.BitCount != bits) {
        take = true;
      } else {
        take = m.RefreshRate < c.RefreshRate;
      }
    }
    if (take) chosen = i;
  }
  return chosen;
}

TScreenManager::TScreenManager(Display& display, int32_t width, int32_t height, int32_t full_screen_width,
                               int32_t full_screen_height)
    : Width(width), Height(height), FullScreenWidth(full_screen_width), FullScreenHeight(full_screen_height),
      Display_(display) {
  ListModes();
  ModeIndex = -2;
  SetModeIndex(-1);
}

TScreenManager::~TScreenManager() { FreeDX(); }

void TScreenManager::ListModes() {
  ChosenModeIndex = -1;
  PreferredBitCount = 24;
  if (!Display_.Available()) return;
  if (!Display_.Open()) throw EOpalError(kDisplayInitFailed);
  TDisplayFormat format;
  if (!Display_.SetExclusive(true) || !Display_.GetFormat(format)) {
    Display_.Close();
    throw EOpalError(kDisplayInitFailed);
  }
  PreferredBitCount = format.BitCount;
  for (const DisplayMode& m : Display_.Modes()) {
    if (static_cast<int64_t>(m.Width) < Width || static_cast<int64_t>(m.Height) < Height || m.BitCount < 16) continue;
    Modes.push_back(m);
  }
  ChosenModeIndex = ChooseMode(Modes, FullScreenWidth, FullScreenHeight, PreferredBitCount);
  Display_.SetExclusive(false);
  Display_.Close();
}

DisplayMode TScreenManager::GetMode(int32_t index) const {
  return index >= 0 && index < ModeCount() ? Modes[static_cast<size_t>(index)] : DisplayMode{};
}

void TScreenManager::CloseDisplay() {
  if (Open_) Display_.Close();
  Open_ = false;
}

void TScreenManager::SetModeIndex(int32_t index) {
  if (index == ModeIndex) return;
  const int32_t old = ModeIndex;
  ModeIndex = index;
  if ((old < 0) != (index < 0) && Open_) {
    ScreenBuffer.reset();
    CloseDisplay();
  }
  CreateScreenBuffer();
  if (ModeIndex >= 0 && !Open_) {
    ModeIndex = -1;
    CreateScreenBuffer();
  }
}

void TScreenManager::MakeBuffer(int32_t bit_count) {
  ScreenBuffer = std::make_unique<TDIBX>();
  ScreenBuffer->SetSize(Width > 0 ? Width : 0, Height > 0 ? Height : 0, bit_count);
  ScreenBitCount = bit_count;
}

void TScreenManager::CreateScreenBuffer() {
  FullScreenActive = false;
  ScreenBuffer.reset();
  if (!Open_) {
    Open_ = Display_.Available() && Display_.Open();
    if (!Open_) {
      MakeBuffer(16);
      return;
    }
  }
  TDisplayFormat format;
  if (ModeIndex >= 0) {
    // An index past the list never reaches the display: the attempt fails.
    if (ModeIndex >= ModeCount() || !Display_.SetExclusive(true)) {
      CloseDisplay();
      return;
    }
    if (!Display_.SetMode(Modes[static_cast<size_t>(ModeIndex)])) {
      Display_.SetExclusive(false);
      CloseDisplay();
      return;
    }
    Display_.GetFormat(format);
    MakeBuffer(format.BitCount < 16 || Is555(format) ? 15 : format.BitCount == 16 ? 16 : 32);
    FullScreenActive = true;
    return;
  }
  if (!Display_.SetExclusive(false)) {
    CloseDisplay();
    return;  // no screen buffer: Present does nothing
  }
  Display_.GetFormat(format);
  MakeBuffer(Is555(format) ? 15 : format.BitCount <= 16 ? 16 : 32);
}

void TScreenManager::Present(const std::vector<TRect>& dirty, const TRect& transition) {
  if (ScreenBuffer == nullptr) return;
  const TRect whole{0, 0, Width, Height};
  if (transition.IsEmpty()) {
    for (const TRect& r : dirty) {
      const TRect part = Intersect(r, whole);
      if (!part.IsEmpty()) Display_.Present(*ScreenBuffer, part);
    }
  } else {
    const TRect part = Intersect(transition, whole);
    if (!part.IsEmpty()) Display_.Present(*ScreenBuffer, part);
  }
}

void TScreenManager::FreeDX() {
  ScreenBuffer.reset();
  CloseDisplay();
  ModeIndex = -2;
}

}  // namespace opal
