// Window: the main window as the full-screen switch sees it: its placement
// (saved and restored), its border, its client size, the toolbar strip and
// the panel that shows the stage. TFakeWindow records what is done to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace opal {

class Window {
 public:
  virtual ~Window() = default;
  // Remembers position, size and show state; false when that failed.
  virtual bool SavePlacement() = 0;
  virtual void RestorePlacement() = 0;
  // No border (full screen) or a single border (a window).
  virtual void SetBorderless(bool borderless) = 0;
  virtual void SetPosition(int32_t left, int32_t top) = 0;
  virtual void SetClientSize(int32_t width, int32_t height) = 0;
  virtual int32_t ClientWidth() = 0;
  virtual int32_t ClientHeight() = 0;
  virtual void ShowToolbar(bool shown) = 0;
  // Height of the strip that holds the toolbar.
  virtual int32_t DockHeight() = 0;
  virtual void PlacePanel(int32_t left, int32_t top, int32_t width, int32_t height) = 0;
  // Centres the window in the screen's work area.
  virtual void CenterOnWorkArea() {}
  // Moves the mouse pointer to a client position.
  virtual void WarpPointer(int32_t x, int32_t y) {
    (void)x, (void)y;
  }
};

class TFakeWindow : public Window {
 public:
  bool SavePlacement() override {
    Calls.push_back("SavePlacement");
    return CanSave;
  }
  void RestorePlacement() override { Calls.push_back("RestorePlacement"); }
  void SetBorderless(bool b) override { Calls.push_back(b ? "Borderless" : "Border"); }
  void SetPosition(int32_t l, int32_t t) override { Calls.push_back("Position " + std::to_string(l) + "," + std::to_string(t)); }
  void SetClientSize(int32_t w, int32_t h) override {
    Width = w;
    Height = h;
    Calls.push_back("ClientSize " + std::to_string(w) + "x" + std::to_string(h));
  }
  int32_t ClientWidth() override { return Width; }
  int32_t ClientHeight() override { return Height; }
  void ShowToolbar(bool shown) override {
    ToolbarShown = shown;
    Calls.push_back(shown ? "ShowToolbar" : "HideToolbar");
  }
  int32_t DockHeight() override { return Dock; }
  void PlacePanel(int32_t l, int32_t t, int32_t w, int32_t h) override {
    PanelLeft = l;
    PanelTop = t;
    Calls.push_back("Panel " + std::to_string(l) + "," + std::to_string(t) + " " + std::to_string(w) + "x" +
                    std::to_string(h));
  }

  bool CanSave = true, ToolbarShown = true;
  int32_t Width = 640, Height = 502, Dock = 22, PanelLeft = 0, PanelTop = 0;
  std::vector<std::string> Calls;
};

}  // namespace opal
