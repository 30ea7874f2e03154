#include "platform/toolbar.h"

#include <string>

#include "common/cp932.h"
#include "platform/ui_font.h"
#include "raster/custom_dibx.h"
#include "raster/rect.h"

namespace opal {

namespace {

constexpr uint32_t kFace = 0xD4D0C8, kLight = 0xFFFFFF, kShadow = 0x808080, kDark = 0x404040;

void Fill(TCustomDIBX& c, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t rgb) {
  for (int32_t y = t; y < b; ++y) {
    for (int32_t x = l; x < r; ++x) c.SetPixel(x, y, rgb);
  }
}

}  // namespace

void TToolbar::Paint(TCustomDIBX& s, const TUiFont* font) {
  Fill(s, 0, 0, s.Width(), kHeight, kFace);
  static const char* const kCaptions[] = {"終了", "画面切替"};
  for (int i = 0; i < 2; ++i) {
    const int32_t x = kLeft + i * kButtonWidth, y = kTop, w = kButtonWidth, h = kButtonHeight;
    Fill(s, x, y, x + w, y + 1, kLight);
    Fill(s, x, y, x + 1, y + h, kLight);
    Fill(s, x, y + h - 1, x + w, y + h, kDark);
    Fill(s, x + w - 1, y, x + w, y + h, kDark);
    Fill(s, x + 1, y + h - 2, x + w - 1, y + h - 1, kShadow);
    Fill(s, x + w - 2, y + 1, x + w - 1, y + h - 1, kShadow);
    if (font == nullptr) continue;
    const std::string text = cp932::FromUtf8(kCaptions[i]);
    font->DrawText(s, x + (w - font->TextWidth(text)) / 2, y + (h - font->Height()) / 2, text, 0);
  }
}

bool TToolbar::Hit(int32_t x, int32_t y, TInputKind& kind) {
  if (y < kTop || y >= kTop + kButtonHeight || x < kLeft || x >= kLeft + 2 * kButtonWidth) return false;
  kind = x < kLeft + kButtonWidth ? TInputKind::ToolbarExit : TInputKind::ToolbarScreen;
  return true;
}

}  // namespace opal
