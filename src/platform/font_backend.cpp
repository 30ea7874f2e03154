#include "platform/font_backend.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <map>

#include "common/cp932.h"

// fontconfig keeps its parsed configuration for the life of the process; a
// leak checker in any program that resolves faces is told so (the hook is
// unused without one).
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace opal {

namespace {

// The Japanese system faces games name and the installed faces that take
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

// The file of an exactly matching scalable family, or "".
std::string ExactFamilyFile(const std::string& family) {
  if (family.empty() || !FcInit()) return "";
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

int32_t RoundDiv(int64_t num, int64_t den) {
  return static_cast<int32_t>(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

class TFreeTypeFontBackend : public FontBackend {
 public:
  ~TFreeTypeFontBackend() override {
    for (auto& [file, face] : Faces_) {
      if (face != nullptr) FT_Done_Face(face);
    }
    if (Library_ != nullptr) FT_Done_FreeType(Library_);
  }

  bool FaceInstalled(const std::string& face) override { return !FileOf(face).empty(); }

  bool GetMetrics(const TFontSpec& font, TFontMetrics& out) override {
    if (!Select(font)) return false;
    out = Metrics_;
    return true;
  }

  bool GetGlyph(const TFontSpec& font, uint16_t code, int32_t levels, TGlyphImage& out) override {
    if (levels < 2 || !Load(font, code, levels == 2)) return false;
    FT_GlyphSlot slot = Current_->glyph;
    if (FT_Render_Glyph(slot, levels == 2 ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0) return false;
    const FT_Bitmap& bm = slot->bitmap;
    out = TGlyphImage{};
    out.CellIncX = static_cast<int32_t>((slot->advance.x + 32) >> 6);
    if (bm.width == 0 || bm.rows == 0) return true;
    if (bm.width > 4 * kMaxHeight || bm.rows > 4 * kMaxHeight) return false;
    out.Width = static_cast<int32_t>(bm.width);
    out.Height = static_cast<int32_t>(bm.rows);
    out.OriginX = slot->bitmap_left;
    out.OriginY = slot->bitmap_top;
    out.Levels.resize(static_cast<size_t>(bm.width) * bm.rows);
    for (unsigned y = 0; y < bm.rows; ++y) {
      const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
      for (unsigned x = 0; x < bm.width; ++x) {
        uint8_t level;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
          level = (row[x >> 3] >> (7 - (x & 7))) & 1;
        } else {
          level = static_cast<uint8_t>((row[x] * (levels - 1) + 127) / 255);
        }
        out.Levels[y * bm.width + x] = level;
      }
    }
    return true;
  }

  bool GetCharAbc(const TFontSpec& font, uint16_t code, TAbcWidths& out) override {
    TGlyphImage g;
    if (!GetGlyph(font, code, 65, g)) return false;
    out.A = g.Width > 0 ? g.OriginX : 0;
    out.B = g.Width;
    out.C = g.CellIncX - out.A - out.B;
    return true;
  }

  int32_t TextWidth(const TFontSpec& font, uint16_t code) override {
    if (!Load(font, code, false)) return 0;
    return static_cast<int32_t>((Current_->glyph->advance.x + 32) >> 6);
  }

  std::vector<std::string> FaceNames(bool japaneseOnly) override {
    std::vector<std::string> names;
    if (!FcInit()) return names;
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (japaneseOnly) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcObjectSet* props = FcObjectSetBuild(FC_FAMILY, nullptr);
    FcFontSet* set = FcFontList(nullptr, pattern, props);
    for (int i = 0; set != nullptr && i < set->nfont; ++i) {
      FcChar8* family = nullptr;
      if (FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) != FcResultMatch) continue;
      bool lossless = true;
      std::string name = cp932::FromUtf8(reinterpret_cast<char*>(family), &lossless);
      if (lossless) names.push_back(std::move(name));
    }
    if (set != nullptr) FcFontSetDestroy(set);
    FcObjectSetDestroy(props);
    FcPatternDestroy(pattern);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
  }

 private:
  std::string FileOf(const std::string& face) {
    auto it = Files_.find(face);
    if (it == Files_.end()) it = Files_.emplace(face, ExactFontFileOfFace(face)).first;
    return it->second;
  }

  FT_Face FaceOfFile(const std::string& file) {
    auto it = Faces_.find(file);
    if (it != Faces_.end()) return it->second;
    FT_Face face = nullptr;
    if (Library_ == nullptr && FT_Init_FreeType(&Library_) != 0) Library_ = nullptr;
    if (Library_ != nullptr && FT_New_Face(Library_, file.c_str(), 0, &face) != 0) face = nullptr;
    if (face != nullptr && !FT_IS_SCALABLE(face)) {
      FT_Done_Face(face);
      face = nullptr;
    }
    Faces_.emplace(file, face);
    return face;
  }

  // Makes `font` the current font: the em is scaled so that the face's
  // Windows ascent plus descent fill the cell height.
  bool Select(const TFontSpec& font) {
    if (Current_ != nullptr && font == CurrentSpec_) return true;
    Current_ = nullptr;
    if (font.Height <= 0 || font.Height > kMaxHeight) return false;
    const std::string file = FileOf(font.Face);
    FT_Face face = file.empty() ? nullptr : FaceOfFile(file);
    if (face == nullptr) return false;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    int64_t winAscent = face->ascender, winDescent = -face->descender;
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      winAscent = os2->usWinAscent;
      winDescent = os2->usWinDescent;
    }
    const int64_t units = std::max<int64_t>(1, winAscent + winDescent);
    const int64_t em26 = std::max<int64_t>(64, RoundDiv(int64_t{font.Height} * 64 * face->units_per_EM, units));
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(em26), 72, 72) != 0) return false;
    const int64_t h = font.Height;
    Metrics_.Ascent = RoundDiv(winAscent * h, units);
    Metrics_.Descent = RoundDiv(winDescent * h, units);
    Metrics_.UnderlineSize = std::max(1, RoundDiv(int64_t{face->underline_thickness} * h, units));
    int64_t strikePos = face->units_per_EM / 4, strikeSize = face->underline_thickness;
    if (os2 != nullptr && os2->version != 0xFFFF) {
      strikePos = os2->yStrikeoutPosition;
      strikeSize = os2->yStrikeoutSize;
    }
    Metrics_.StrikeoutPosition = RoundDiv(strikePos * h, units);
    Metrics_.StrikeoutSize = std::max(1, RoundDiv(strikeSize * h, units));
    Current_ = face;
    CurrentSpec_ = font;
    return true;
  }

  // Loads the outline of a character in the current font with the
  // synthetic bold (one more pixel per 24 of height, to the right) and
  // italic the face lacks.
  bool Load(const TFontSpec& font, uint16_t code, bool mono) {
    if (!Select(font)) return false;
    std::string bytes;
    if (code > 0xFF) bytes += static_cast<char>(code >> 8);
    bytes += static_cast<char>(code & 0xFF);
    const char32_t cp = cp932::DecodeChar(bytes, 0, nullptr);
    const FT_Int32 flags = FT_LOAD_NO_BITMAP | (mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    if (FT_Load_Char(Current_, cp, flags) != 0) return false;
    FT_GlyphSlot slot = Current_->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return false;
    if (font.Style & 1) {
      const FT_Pos strength = 64 * std::max(1, font.Height / 24);
      FT_Outline_EmboldenXY(&slot->outline, strength, 0);
      slot->advance.x += strength;
    }
    if (font.Style & 2) FT_GlyphSlot_Oblique(slot);
    return true;
  }

  FT_Library Library_ = nullptr;
  std::map<std::string, std::string> Files_;
  std::map<std::string, FT_Face> Faces_;
  FT_Face Current_ = nullptr;
  TFontSpec CurrentSpec_;
  TFontMetrics Metrics_;
};

}  // namespace

std::string ExactFontFileOfFace(const std::string& cp932FaceName) {
  const std::string folded = Fold(cp932FaceName);
  for (const TFaceMap& m : kFaceMap) {
    if (folded == m.Name) return ExactFamilyFile(m.Family);
  }
  return ExactFamilyFile(folded);
}

std::string FontFileOfFace(const std::string& cp932FaceName) {
  std::string file = ExactFontFileOfFace(cp932FaceName);
  return file.empty() ? ExactFamilyFile(kDefaultFamily) : file;
}

std::unique_ptr<FontBackend> CreateFreeTypeFontBackend() { return std::make_unique<TFreeTypeFontBackend>(); }

}  // namespace opal
