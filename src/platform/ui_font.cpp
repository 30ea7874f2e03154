#include "platform/ui_font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>

#include "common/cp932.h"
#include "platform/font_backend.h"
#include "raster/custom_dibx.h"

namespace opal {

struct TUiFont::TFace {
  FT_Library Library = nullptr;
  FT_Face Face = nullptr;
  ~TFace() {
    if (Face != nullptr) FT_Done_Face(Face);
    if (Library != nullptr) FT_Done_FreeType(Library);
  }
};

TUiFont::~TUiFont() = default;

std::unique_ptr<TUiFont> TUiFont::Open(const std::string& cp932FaceName, int32_t pixelHeight) {
  const std::string file = FontFileOfFace(cp932FaceName);
  if (file.empty() || pixelHeight < 4 || pixelHeight > 256) return nullptr;
  std::unique_ptr<TUiFont> font(new TUiFont());
  font->Face_ = std::make_unique<TFace>();
  if (FT_Init_FreeType(&font->Face_->Library) != 0) return nullptr;
  if (FT_New_Face(font->Face_->Library, file.c_str(), 0, &font->Face_->Face) != 0) return nullptr;
  // The cell height is the pixel height: the em is scaled down by the
  // face's ascent plus descent.
  FT_Face f = font->Face_->Face;
  const int units = std::max(1, f->ascender - f->descender);
  const int em = std::max(1, pixelHeight * f->units_per_EM / units);
  if (FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(em)) != 0) return nullptr;
  font->Height_ = pixelHeight;
  font->Ascent_ = (f->ascender * pixelHeight + units / 2) / units;
  return font;
}

namespace {

// The characters of a text with its access-key marks taken out; `key` is
// the index of the underlined character or −1.
std::u32string Visible(const std::string& cp932, int& key) {
  const std::u32string in = cp932::ToUtf32(cp932);
  std::u32string out;
  key = -1;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] == U'&' && i + 1 < in.size()) {
      ++i;
      if (in[i] != U'&') key = static_cast<int>(out.size());
    }
    out += in[i];
  }
  return out;
}

}  // namespace

int32_t TUiFont::TextWidth(const std::string& cp932) const {
  int key = -1;
  int32_t w = 0;
  for (char32_t c : Visible(cp932, key)) {
    if (FT_Load_Char(Face_->Face, c, FT_LOAD_DEFAULT) == 0) w += static_cast<int32_t>(Face_->Face->glyph->advance.x >> 6);
  }
  return w;
}

void TUiFont::DrawText(TCustomDIBX& buffer, int32_t x, int32_t y, const std::string& cp932, uint32_t rgb) const {
  int key = -1;
  const std::u32string text = Visible(cp932, key);
  int32_t pen = x;
  const int32_t baseline = y + Ascent_;
  for (size_t i = 0; i < text.size(); ++i) {
    if (FT_Load_Char(Face_->Face, text[i], FT_LOAD_RENDER) != 0) continue;
    const FT_GlyphSlot g = Face_->Face->glyph;
    const FT_Bitmap& bm = g->bitmap;
    for (unsigned row = 0; row < bm.rows; ++row) {
      for (unsigned col = 0; col < bm.width; ++col) {
        const uint32_t a = bm.buffer[row * bm.pitch + col];
        if (a == 0) continue;
        const int32_t px = pen + g->bitmap_left + static_cast<int32_t>(col);
        const int32_t py = baseline - g->bitmap_top + static_cast<int32_t>(row);
        if (px < 0 || py < 0 || px >= buffer.Width() || py >= buffer.Height()) continue;
        const uint32_t d = buffer.GetPixel(px, py);
        uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
          const uint32_t dc = (d >> shift) & 0xFF, sc = (rgb >> shift) & 0xFF;
          out |= ((dc * (255 - a) + sc * a + 127) / 255) << shift;
        }
        buffer.SetPixel(px, py, out);
      }
    }
    const int32_t advance = static_cast<int32_t>(g->advance.x >> 6);
    if (static_cast<int>(i) == key) {
      for (int32_t u = pen; u < pen + advance; ++u) buffer.SetPixel(u, baseline + 1, rgb);
    }
    pen += advance;
  }
}

}  // namespace opal
