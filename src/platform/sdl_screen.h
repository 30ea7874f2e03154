// TSdlScreen: the player's main window on SDL. Its client area is the
// toolbar strip above the panel that shows the stage; it is both the
// window the full-screen switch moves (Window), the display the screen
// manager presents to (Display) and the window system's input as
// TInputEvent (EventSource).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/display.h"
#include "platform/event_source.h"
#include "platform/input_event.h"
#include "platform/window.h"

struct SDL_Window;

namespace opal {

class TDIBX;
class TUiFont;

class TSdlScreen : public Window, public Display, public EventSource {
 public:
  static constexpr int32_t kDockHeight = 22;  // the toolbar strip

  // Opens SDL's video and a hidden window; null (with the reason) when
  // there is no display to open.
  static std::unique_ptr<TSdlScreen> Create(std::string& error);
  ~TSdlScreen() override;
  TSdlScreen(const TSdlScreen&) = delete;
  TSdlScreen& operator=(const TSdlScreen&) = delete;

  void SetTitle(const std::string& cp932Title);
  void Show();
  // Moves the pointer to a client position.
  void WarpPointer(int32_t x, int32_t y) override;
  // What the panel shows now, read back from the window.
  bool CopyPanel(TDIBX& out);
  bool Fullscreen() const { return Exclusive_; }

  // Window
  bool SavePlacement() override;
  void RestorePlacement() override;
  void SetBorderless(bool borderless) override;
  void SetPosition(int32_t left, int32_t top) override;
  void SetClientSize(int32_t width, int32_t height) override;
  int32_t ClientWidth() override;
  int32_t ClientHeight() override;
  void ShowToolbar(bool shown) override;
  int32_t DockHeight() override { return kDockHeight; }
  void PlacePanel(int32_t left, int32_t top, int32_t width, int32_t height) override;
  void CenterOnWorkArea() override;

  // EventSource. Input is the window system's own, so BeginWake does
  // nothing; Push puts an event into the window system's queue, and text
  // input on lets the system's input method compose.
  void BeginWake() override {}
  bool Poll(TInputEvent& out) override;
  void Push(const TInputEvent& e) override;
  void SetTextInput(bool on) override;
  bool TextInputActive() const override { return TextInput_; }

  // Display
  bool Available() override { return true; }
  bool Open() override { return true; }
  void Close() override;
  bool SetExclusive(bool exclusive) override;
  bool GetFormat(TDisplayFormat& out) override;
  std::vector<DisplayMode> Modes() override;
  bool SetMode(const DisplayMode& mode) override;
  void Present(TCustomDIBX& buffer, const TRect& rect) override;
  bool CopyPresented(TDIBX& out) override { return CopyPanel(out); }
  // Reports a desktop of 15, 16 or 32 bits whatever the machine's is (0:
  // the machine's); the window shows the screen buffer converted.
  void SetDesktopDepth(int32_t bits) { DesktopDepth_ = bits; }

 private:
  TSdlScreen() = default;
  int32_t DesktopDepth_ = 0;
  void DrawToolbar();
  void PresentAt(TCustomDIBX& buffer, const TRect& rect, int32_t left, int32_t top);
  bool ToolbarHit(int32_t x, int32_t y, TInputKind& kind) const;

  SDL_Window* Window_ = nullptr;
  std::unique_ptr<TUiFont> ToolbarFont_;
  bool Exclusive_ = false, ToolbarShown_ = true;
  int32_t PanelLeft_ = 0, PanelTop_ = 0, PanelWidth_ = 0, PanelHeight_ = 0;
  int32_t SavedX_ = 0, SavedY_ = 0, SavedW_ = 0, SavedH_ = 0;
  bool Saved_ = false;
  bool TextInput_ = false;
};

}  // namespace opal
