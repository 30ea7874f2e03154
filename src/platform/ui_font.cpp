#include "platform/ui_font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>

#include "common/cp932.h"
#include "raster/custom_dibx.h"

namespace opal {

namespace {

// The original's Japanese system faces and the installed faces that take
// their place. Names compare after folding full-width letters and spaces.
struct TFaceMap {
  const char* Name;    // folded, UTF-8
  const char* Family;  // fontconfig family
};
constexpr TFaceMap kFaceMap[] = {
    {"MS PGothic", "IPAPGothic"}, {"MS Gothic", "IPAGothic"}, {"MS UI Gothic", "IPAPGothic"},
    {"MS PMincho", "IPAPMincho"}, {"MS Mincho", "IPAMincho"},
    {"MS P\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", "IPAPGothic"},  // MS Pゴシック
    {"MS \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", "IPAGothic"},    // MS ゴシック
    {"MS P\xE6\x98\x8E\xE6\x9C\x9D", "IPAPMincho"},                          // MS P明朝
    {"MS \xE6\x98\x8E\xE6\x9C\x9D", "IPAMincho"},                            // MS 明朝
};
constexpr const char* kDefaultFamily = "IPAPGothic";

// Full-width ASCII letters and the ideographic space become ASCII.
std::string Fold(const std::string& cp932) {
  std::u32string s = cp932::ToUtf32(cp932);
  for (char32_t& c : s) {
    if (c >= 0xFF01 && c <= 0xFF5E) c -= 0xFEE0;
    if (c == 0x3000) c = ' ';
  }
  std::string out;
  for (char32_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// The file of an exactly matching family, or "".
std::string ExactFamilyFile(const std::string& family) {
  if (!FcInit()) return "";
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcObjectSet* props = FcObjectSetBuild(FC_FILE, FC_FAMILY, nullptr);
  FcFontSet* set = FcFontList(nullptr, pattern, props);
  std::string file;
  for (int i = 0; set != nullptr && i < set->nfont && file.empty(); ++i) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &path) == FcResultMatch) file = reinterpret_cast<char*>(path);
  }
  if (set != nullptr) FcFontSetDestroy(set);
  FcObjectSetDestroy(props);
  FcPatternDestroy(pattern);
  return file;
}

}  // namespace

std::string FontFileOfFace(const std::string& cp932FaceName) {
  const std::string folded = Fold(cp932FaceName);
  for (const TFaceMap& m : kFaceMap) {
    if (folded == m.Name) return ExactFamilyFile(m.Family);
  }
  std::string file = ExactFamilyFile(folded);
  return file.empty() ? ExactFamilyFile(kDefaultFamily) : file;
}

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
