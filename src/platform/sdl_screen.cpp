#include "platform/sdl_screen.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "platform/sdl_keys.h"
#include "platform/toolbar.h"
#include "platform/ui_font.h"
#include "raster/dibx.h"
#include "raster/rect.h"

namespace opal {

namespace {

// 0x00RRGGBB of a raw pixel of the buffer, by its masks.
uint32_t RgbOf(TCustomDIBX& buffer, uint32_t raw) {
  if (buffer.BitCount() >= 24) return raw & 0xFFFFFF;
  auto channel = [raw](uint32_t mask) -> uint32_t {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1u) == 0) ++shift;
    const uint32_t max = mask >> shift;
    return (((raw & mask) >> shift) * 255 + max / 2) / max;
  };
  return channel(buffer.RedMask()) << 16 | channel(buffer.GreenMask()) << 8 | channel(buffer.BlueMask());
}

// The window system's UTF-8 in CP932; a character CP932 lacks becomes '?'.
std::string FromSystemText(const char* utf8) { return cp932::FromUtf8(utf8 != nullptr ? utf8 : ""); }

// A composition of the window system: cursor and selection are counted in
// characters of the UTF-8 text, which stay characters in CP932 (one code
// point, one character or '?'); values out of range are brought into it.
void ComposeEvent(TInputEvent& out, const char* utf8, Sint32 start, Sint32 length) {
  out.Kind = TInputKind::Compose;
  out.Text = FromSystemText(utf8);
  const auto chars = static_cast<int32_t>(std::min<size_t>(cp932::CharCount(out.Text), INT32_MAX));
  out.Cursor = std::clamp<int32_t>(start, 0, chars);
  out.SelLength = std::clamp<int32_t>(length, 0, chars - out.Cursor);
}

// UTF-8 cut into pieces of at most `max` bytes, never inside a character.
std::vector<std::string> Pieces(const std::string& utf8, size_t max) {
  std::vector<std::string> out;
  for (size_t at = 0; at < utf8.size();) {
    size_t end = std::min(utf8.size(), at + max);
    while (end < utf8.size() && end > at + 1 && (static_cast<uint8_t>(utf8[end]) & 0xC0) == 0x80) --end;
    out.push_back(utf8.substr(at, end - at));
    at = end;
  }
  return out;
}

int SdlButton(TPointerButton b) {
  switch (b) {
    case TPointerButton::Right: return SDL_BUTTON_RIGHT;
    case TPointerButton::Middle: return SDL_BUTTON_MIDDLE;
    default: return SDL_BUTTON_LEFT;
  }
}

}  // namespace

std::unique_ptr<TSdlScreen> TSdlScreen::Create(std::string& error) {
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "0");
  // Long compositions whole (SDL_TEXTEDITING_EXT) and long commits in
  // several SDL_TEXTINPUT events, instead of both cut at 31 bytes.
  SDL_SetHint(SDL_HINT_IME_SUPPORT_EXTENDED_TEXT, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = SDL_GetError();
    return nullptr;
  }
  std::unique_ptr<TSdlScreen> screen(new TSdlScreen());
  screen->Window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 480 + kDockHeight,
                                     SDL_WINDOW_HIDDEN);
  if (screen->Window_ == nullptr) {
    error = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return nullptr;
  }
  SDL_DisableScreenSaver();
  // The video subsystem starts with text input on; the player's starts
  // off, so that an input method never takes key presses meant as keys.
  SDL_StopTextInput();
  return screen;
}

TSdlScreen::~TSdlScreen() {
  if (Window_ != nullptr) SDL_DestroyWindow(Window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

void TSdlScreen::SetTitle(const std::string& cp932Title) {
  SDL_SetWindowTitle(Window_, cp932::ToUtf8(cp932Title).c_str());
}

void TSdlScreen::Show() {
  SDL_ShowWindow(Window_);
  SDL_RaiseWindow(Window_);
  DrawToolbar();
}

// --- Window -----------------------------------------------------------------

bool TSdlScreen::SavePlacement() {
  SDL_GetWindowPosition(Window_, &SavedX_, &SavedY_);
  SDL_GetWindowSize(Window_, &SavedW_, &SavedH_);
  Saved_ = true;
  return true;
}

void TSdlScreen::RestorePlacement() {
  if (!Saved_) return;
  SDL_SetWindowSize(Window_, SavedW_, SavedH_);
  SDL_SetWindowPosition(Window_, SavedX_, SavedY_);
}

void TSdlScreen::SetBorderless(bool borderless) { SDL_SetWindowBordered(Window_, borderless ? SDL_FALSE : SDL_TRUE); }

void TSdlScreen::SetPosition(int32_t left, int32_t top) { SDL_SetWindowPosition(Window_, left, top); }

void TSdlScreen::SetClientSize(int32_t width, int32_t height) {
  SDL_SetWindowSize(Window_, std::max(1, width), std::max(1, height));
  DrawToolbar();
}

int32_t TSdlScreen::ClientWidth() {
  int w = 0, h = 0;
  SDL_GetWindowSize(Window_, &w, &h);
  return w;
}

int32_t TSdlScreen::ClientHeight() {
  int w = 0, h = 0;
  SDL_GetWindowSize(Window_, &w, &h);
  return h;
}

void TSdlScreen::ShowToolbar(bool shown) {
  if (shown == ToolbarShown_) return;
  ToolbarShown_ = shown;
  DrawToolbar();
}

void TSdlScreen::PlacePanel(int32_t left, int32_t top, int32_t width, int32_t height) {
  PanelLeft_ = left;
  PanelTop_ = top;
  PanelWidth_ = width;
  PanelHeight_ = height;
}

// The strip at the top, painted by TToolbar and copied to the window.
void TSdlScreen::DrawToolbar() {
  SDL_Surface* s = SDL_GetWindowSurface(Window_);
  if (s == nullptr || !ToolbarShown_ || PanelTop_ < kDockHeight || s->w <= 0) return;
  if (ToolbarFont_ == nullptr) ToolbarFont_ = TUiFont::Open(cp932::FromUtf8("ＭＳ Ｐゴシック"), 12);
  TDIBX strip;
  strip.SetSize(s->w, kDockHeight, 32);
  TToolbar::Paint(strip, ToolbarFont_.get());
  PresentAt(strip, TRect{0, 0, s->w, kDockHeight}, 0, 0);
}

bool TSdlScreen::ToolbarHit(int32_t x, int32_t y, TInputKind& kind) const {
  if (!ToolbarShown_ || PanelTop_ < kDockHeight) return false;  // the strip is not there
  return TToolbar::Hit(x, y, kind);
}

void TSdlScreen::CenterOnWorkArea() {
  SDL_Rect work;
  const int index = std::max(0, SDL_GetWindowDisplayIndex(Window_));
  if (SDL_GetDisplayUsableBounds(index, &work) != 0) return;
  int w = 0, h = 0;
  SDL_GetWindowSize(Window_, &w, &h);
  SDL_SetWindowPosition(Window_, work.x + (work.w - w) / 2, work.y + (work.h - h) / 2);
}

void TSdlScreen::WarpPointer(int32_t x, int32_t y) { SDL_WarpMouseInWindow(Window_, x, y); }

// --- Display ----------------------------------------------------------------

void TSdlScreen::Close() { SetExclusive(false); }

bool TSdlScreen::SetExclusive(bool exclusive) {
  if (exclusive == Exclusive_) return true;
  if (SDL_SetWindowFullscreen(Window_, exclusive ? SDL_WINDOW_FULLSCREEN : 0) != 0) return false;
  Exclusive_ = exclusive;
  return true;
}

bool TSdlScreen::GetFormat(TDisplayFormat& out) {
  if (DesktopDepth_ != 0) {
    out = DisplayFormatOfDepth(DesktopDepth_);
    return true;
  }
  SDL_DisplayMode mode;
  const int index = std::max(0, SDL_GetWindowDisplayIndex(Window_));
  if (SDL_GetCurrentDisplayMode(index, &mode) != 0) return false;
  int bpp = 32;
  Uint32 r = 0, g = 0, b = 0, a = 0;
  if (!SDL_PixelFormatEnumToMasks(mode.format, &bpp, &r, &g, &b, &a)) return false;
  if (bpp == 16 && g == 0x03E0) bpp = 15;
  out.BitCount = bpp;
  out.RedMask = r;
  out.GreenMask = g;
  out.BlueMask = b;
  return true;
}

std::vector<DisplayMode> TSdlScreen::Modes() {
  std::vector<DisplayMode> modes;
  const int index = std::max(0, SDL_GetWindowDisplayIndex(Window_));
  const int n = SDL_GetNumDisplayModes(index);
  for (int i = 0; i < n; ++i) {
    SDL_DisplayMode m;
    if (SDL_GetDisplayMode(index, i, &m) != 0) continue;
    DisplayMode d;
    d.Width = static_cast<uint32_t>(m.w);
    d.Height = static_cast<uint32_t>(m.h);
    d.BitCount = SDL_BITSPERPIXEL(m.format) == 24 && SDL_BYTESPERPIXEL(m.format) == 4 ? 32
                                                                                     : SDL_BITSPERPIXEL(m.format);
    d.RefreshRate = static_cast<uint32_t>(std::max(0, m.refresh_rate));
    modes.push_back(d);
  }
  return modes;
}

bool TSdlScreen::SetMode(const DisplayMode& mode) {
  SDL_DisplayMode want{};
  want.w = static_cast<int>(mode.Width);
  want.h = static_cast<int>(mode.Height);
  want.refresh_rate = static_cast<int>(mode.RefreshRate);
  SDL_DisplayMode got;
  const int index = std::max(0, SDL_GetWindowDisplayIndex(Window_));
  if (SDL_GetClosestDisplayMode(index, &want, &got) == nullptr) return false;
  if (got.w != want.w || got.h != want.h) return false;
  return SDL_SetWindowDisplayMode(Window_, &got) == 0;
}

void TSdlScreen::Present(TCustomDIBX& buffer, const TRect& rect) { PresentAt(buffer, rect, PanelLeft_, PanelTop_); }

void TSdlScreen::PresentAt(TCustomDIBX& buffer, const TRect& rect, int32_t left, int32_t top) {
  SDL_Surface* s = SDL_GetWindowSurface(Window_);
  if (s == nullptr || buffer.Empty()) return;
  TRect r = rect;
  r.Left = std::max({r.Left, 0, -left});
  r.Top = std::max({r.Top, 0, -top});
  r.Right = std::min({r.Right, buffer.Width(), s->w - left});
  r.Bottom = std::min({r.Bottom, buffer.Height(), s->h - top});
  if (r.IsEmpty()) return;
  if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
  const bool same = buffer.BitCount() == 32 && s->format->BytesPerPixel == 4 && s->format->Rmask == 0xFF0000 &&
                    s->format->Gmask == 0x00FF00 && s->format->Bmask == 0x0000FF;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    uint8_t* dst = static_cast<uint8_t*>(s->pixels) + int64_t{top + y} * s->pitch +
                   int64_t{left + r.Left} * s->format->BytesPerPixel;
    if (same) {
      uint8_t* src = buffer.PixelAddress(r.Left, y);
      if (src != nullptr) {
        std::memcpy(dst, src, static_cast<size_t>(r.Right - r.Left) * 4);
        buffer.Unlock();
      }
      continue;
    }
    for (int32_t x = r.Left; x < r.Right; ++x) {
      const uint32_t rgb = RgbOf(buffer, buffer.GetPixel(x, y));
      const Uint32 v = SDL_MapRGB(s->format, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
      std::memcpy(dst + static_cast<size_t>(x - r.Left) * s->format->BytesPerPixel, &v,
                  s->format->BytesPerPixel);
    }
  }
  if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
  SDL_Rect u{left + r.Left, top + r.Top, r.Right - r.Left, r.Bottom - r.Top};
  SDL_UpdateWindowSurfaceRects(Window_, &u, 1);
}

bool TSdlScreen::CopyPanel(TDIBX& out) {
  SDL_Surface* s = SDL_GetWindowSurface(Window_);
  if (s == nullptr || PanelWidth_ <= 0 || PanelHeight_ <= 0) return false;
  const int w = std::min(PanelWidth_, s->w - PanelLeft_), h = std::min(PanelHeight_, s->h - PanelTop_);
  if (w <= 0 || h <= 0) return false;
  out.SetSize(w, h, 32);
  if (SDL_MUSTLOCK(s)) SDL_LockSurface(s);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = static_cast<const uint8_t*>(s->pixels) + int64_t{PanelTop_ + y} * s->pitch;
    for (int x = 0; x < w; ++x) {
      Uint32 v = 0;
      std::memcpy(&v, row + int64_t{PanelLeft_ + x} * s->format->BytesPerPixel, s->format->BytesPerPixel);
      Uint8 r, g, b;
      SDL_GetRGB(v, s->format, &r, &g, &b);
      out.SetPixel(x, y, uint32_t{r} << 16 | uint32_t{g} << 8 | b);
    }
  }
  if (SDL_MUSTLOCK(s)) SDL_UnlockSurface(s);
  return true;
}

// --- input ------------------------------------------------------------------

bool TSdlScreen::Poll(TInputEvent& out) {
  SDL_Event e;
  while (SDL_PollEvent(&e) != 0) {
    out = TInputEvent{};
    switch (e.type) {
      case SDL_QUIT:
        out.Kind = TInputKind::Close;
        return true;
      case SDL_WINDOWEVENT:
        switch (e.window.event) {
          case SDL_WINDOWEVENT_CLOSE: out.Kind = TInputKind::Close; return true;
          case SDL_WINDOWEVENT_FOCUS_GAINED: out.Kind = TInputKind::FocusIn; return true;
          case SDL_WINDOWEVENT_FOCUS_LOST: out.Kind = TInputKind::FocusOut; return true;
          case SDL_WINDOWEVENT_EXPOSED:
          case SDL_WINDOWEVENT_SIZE_CHANGED:
            DrawToolbar();
            SDL_UpdateWindowSurface(Window_);
            continue;
          default: continue;
        }
      case SDL_MOUSEMOTION:
        out.Kind = TInputKind::MouseMove;
        out.X = e.motion.x;
        out.Y = e.motion.y;
        return true;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        out.X = e.button.x;
        out.Y = e.button.y;
        out.Button = e.button.button == SDL_BUTTON_RIGHT    ? TPointerButton::Right
                     : e.button.button == SDL_BUTTON_MIDDLE ? TPointerButton::Middle
                                                            : TPointerButton::Left;
        TInputKind tool;
        if (e.type == SDL_MOUSEBUTTONDOWN && out.Button == TPointerButton::Left && ToolbarHit(out.X, out.Y, tool)) {
          out.Kind = tool;
          return true;
        }
        out.Kind = e.type == SDL_MOUSEBUTTONDOWN ? TInputKind::MouseDown : TInputKind::MouseUp;
        return true;
      }
      case SDL_MOUSEWHEEL: {
        const int y = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
        if (y == 0) continue;
        out.Kind = y < 0 ? TInputKind::WheelDown : TInputKind::WheelUp;
        return true;
      }
      case SDL_KEYDOWN:
      case SDL_KEYUP:
        out.Key = VirtualKeyOf(e.key.keysym.scancode, e.key.keysym.sym);
        if (out.Key == 0) continue;
        out.Kind = e.type == SDL_KEYDOWN ? TInputKind::KeyDown : TInputKind::KeyUp;
        out.Repeat = e.key.repeat != 0;
        return true;
      case SDL_TEXTINPUT:
        if (!TextInput_ || e.text.text[0] == '\0') continue;
        out.Kind = TInputKind::Text;
        out.Text = FromSystemText(e.text.text);
        return true;
      case SDL_TEXTEDITING:
        if (!TextInput_) continue;
        ComposeEvent(out, e.edit.text, e.edit.start, e.edit.length);
        return true;
      case SDL_TEXTEDITING_EXT: {
        // The receiver owns the text of an extended composition.
        const std::string text = e.editExt.text != nullptr ? e.editExt.text : "";
        SDL_free(e.editExt.text);
        if (!TextInput_) continue;
        ComposeEvent(out, text.c_str(), e.editExt.start, e.editExt.length);
        return true;
      }
      default: continue;
    }
  }
  return false;
}

void TSdlScreen::Push(const TInputEvent& in) {
  SDL_Event e{};
  const Uint32 id = SDL_GetWindowID(Window_);
  switch (in.Kind) {
    case TInputKind::MouseMove:
      e.type = SDL_MOUSEMOTION;
      e.motion.windowID = id;
      e.motion.x = in.X;
      e.motion.y = in.Y;
      break;
    case TInputKind::MouseDown:
    case TInputKind::MouseUp: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      e.type = in.Kind == TInputKind::MouseDown ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
      e.button.windowID = id;
      e.button.button = static_cast<Uint8>(SdlButton(in.Button));
      e.button.state = in.Kind == TInputKind::MouseDown ? SDL_PRESSED : SDL_RELEASED;
      e.button.clicks = 1;
      e.button.x = in.X != 0 || in.Y != 0 ? in.X : x;
      e.button.y = in.X != 0 || in.Y != 0 ? in.Y : y;
      break;
    }
    case TInputKind::WheelDown:
    case TInputKind::WheelUp:
      e.type = SDL_MOUSEWHEEL;
      e.wheel.windowID = id;
      e.wheel.y = in.Kind == TInputKind::WheelUp ? 1 : -1;
      e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
      break;
    case TInputKind::KeyDown:
    case TInputKind::KeyUp:
      e.type = in.Kind == TInputKind::KeyDown ? SDL_KEYDOWN : SDL_KEYUP;
      e.key.windowID = id;
      e.key.state = in.Kind == TInputKind::KeyDown ? SDL_PRESSED : SDL_RELEASED;
      e.key.keysym.scancode = ScancodeOfVirtualKey(in.Key);
      e.key.keysym.sym = SDL_GetKeyFromScancode(e.key.keysym.scancode);
      if (e.key.keysym.scancode == SDL_SCANCODE_UNKNOWN) return;
      break;
    case TInputKind::FocusIn:
    case TInputKind::FocusOut:
      e.type = SDL_WINDOWEVENT;
      e.window.windowID = id;
      e.window.event = in.Kind == TInputKind::FocusIn ? SDL_WINDOWEVENT_FOCUS_GAINED : SDL_WINDOWEVENT_FOCUS_LOST;
      break;
    case TInputKind::Close:
      e.type = SDL_WINDOWEVENT;
      e.window.windowID = id;
      e.window.event = SDL_WINDOWEVENT_CLOSE;
      break;
    case TInputKind::Text:
      // A commit longer than an event holds comes as several, as the
      // window system sends it.
      for (const std::string& piece : Pieces(cp932::ToUtf8(in.Text), SDL_TEXTINPUTEVENT_TEXT_SIZE - 1)) {
        SDL_Event t{};
        t.type = SDL_TEXTINPUT;
        t.text.windowID = id;
        std::memcpy(t.text.text, piece.data(), piece.size());
        SDL_PushEvent(&t);
      }
      return;
    case TInputKind::Compose: {
      const std::string utf8 = cp932::ToUtf8(in.Text);
      if (utf8.size() < SDL_TEXTEDITINGEVENT_TEXT_SIZE) {
        e.type = SDL_TEXTEDITING;
        e.edit.windowID = id;
        std::memcpy(e.edit.text, utf8.data(), utf8.size());
        e.edit.start = in.Cursor;
        e.edit.length = in.SelLength;
        break;
      }
      e.type = SDL_TEXTEDITING_EXT;
      e.editExt.windowID = id;
      e.editExt.text = SDL_strdup(utf8.c_str());
      e.editExt.start = in.Cursor;
      e.editExt.length = in.SelLength;
      if (e.editExt.text != nullptr && SDL_PushEvent(&e) != 1) SDL_free(e.editExt.text);
      return;
    }
    default: return;
  }
  SDL_PushEvent(&e);
}

void TSdlScreen::SetTextInput(bool on) {
  TextInput_ = on;
  if (on) {
    SDL_StartTextInput();
  } else {
    SDL_StopTextInput();
  }
}

}  // namespace opal
