// Display: what the screen manager needs of the machine's display: the
// list of full-screen modes, taking the display for full screen and giving
// it back, changing the mode, and putting rectangles of the screen buffer
// into the window. A real backend sits on SDL; TFakeDisplay serves tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace opal {

class TCustomDIBX;
class TDIBX;
struct TRect;

struct DisplayMode {
  uint32_t Width = 0, Height = 0, BitCount = 0;
  uint32_t RefreshRate = 0;  // hertz; 0 = the device's default
};

// The desktop's (or the current mode's) pixel format.
struct TDisplayFormat {
  int32_t BitCount = 32;
  uint32_t RedMask = 0xFF0000, GreenMask = 0x00FF00, BlueMask = 0x0000FF;
};

// The format of a desktop of 15, 16 or 32 bits per pixel (others: 32).
TDisplayFormat DisplayFormatOfDepth(int32_t bits);

class Display {
 public:
  virtual ~Display() = default;
  // Whether full-screen control exists at all on this machine.
  virtual bool Available() = 0;
  // Opens the display object; false when it cannot be had.
  virtual bool Open() = 0;
  // Releases it (leaving full screen gives the desktop's mode back).
  virtual void Close() = 0;
  // Exclusive full-screen control of the display (true) or normal shared
  // use without a window (false).
  virtual bool SetExclusive(bool exclusive) = 0;
  virtual bool GetFormat(TDisplayFormat& out) = 0;
  // Every mode the display reports, in its own order, with refresh rates.
  virtual std::vector<DisplayMode> Modes() = 0;
  virtual bool SetMode(const DisplayMode& mode) = 0;
  // Copies `rect` of `buffer` to the same place of the window's panel.
  virtual void Present(TCustomDIBX& buffer, const TRect& rect) = 0;
  // What the panel shows after the presents so far (32 bits); false when
  // nothing was presented.
  virtual bool CopyPresented(TDIBX& out) {
    (void)out;
    return false;
  }
};

// The display of a run without a window: a desktop of Desktop's format
// (32 bits unless set), no full-screen modes, and presentation into a picture of the panel kept in memory, so
// that a screenshot shows what a window would show.
class THeadlessDisplay : public Display {
 public:
  THeadlessDisplay();
  ~THeadlessDisplay() override;
  bool Available() override { return true; }
  bool Open() override { return true; }
  void Close() override {}
  bool SetExclusive(bool) override { return true; }
  bool GetFormat(TDisplayFormat& out) override {
    out = Desktop;
    return true;
  }
  std::vector<DisplayMode> Modes() override { return {}; }
  bool SetMode(const DisplayMode&) override { return false; }
  void Present(TCustomDIBX& buffer, const TRect& rect) override;
  bool CopyPresented(TDIBX& out) override;

  TDisplayFormat Desktop;

 private:
  std::unique_ptr<TDIBX> Panel_;
};

// A display with a given mode list and desktop format. Every call is
// recorded; failures can be asked for per operation.
class TFakeDisplay : public Display {
 public:
  bool Available() override { return IsAvailable; }
  bool Open() override {
    Calls.push_back("Open");
    return !FailOpen && (IsOpen = true);
  }
  void Close() override {
    Calls.push_back("Close");
    IsOpen = false;
    Current = {};
  }
  bool SetExclusive(bool exclusive) override {
    Calls.push_back(exclusive ? "Exclusive" : "Normal");
    return exclusive ? !FailExclusive : !FailNormal;
  }
  // The current mode's format while a mode is set, else the desktop's.
  bool GetFormat(TDisplayFormat& out) override {
    switch (Current.BitCount) {
      case 0: out = Desktop; break;
      case 15: out = {16, 0x7C00, 0x03E0, 0x001F}; break;
      case 16: out = {16, 0xF800, 0x07E0, 0x001F}; break;
      default: out = {static_cast<int32_t>(Current.BitCount), 0xFF0000, 0x00FF00, 0x0000FF}; break;
    }
    return true;
  }
  std::vector<DisplayMode> Modes() override { return ReportedModes; }
  bool SetMode(const DisplayMode& mode) override {
    Calls.push_back("SetMode " + std::to_string(mode.Width) + "x" + std::to_string(mode.Height) + "x" +
                    std::to_string(mode.BitCount));
    if (FailSetMode) return false;
    Current = mode;
    return true;
  }
  void Present(TCustomDIBX&, const TRect&) override { ++Presents; }

  bool IsAvailable = true, FailOpen = false, FailExclusive = false, FailNormal = false, FailSetMode = false;
  bool IsOpen = false;
  TDisplayFormat Desktop;
  DisplayMode Current;
  std::vector<DisplayMode> ReportedModes;
  std::vector<std::string> Calls;
  int Presents = 0;
};

}  // namespace opal
