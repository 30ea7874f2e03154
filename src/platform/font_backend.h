// FontBackend: what the glyph cache needs of a font engine. Faces are asked
// for by their CP932 names; a font is a face at a cell height (ascent plus
// descent, in pixels) with style bits (1 bold, 2 italic, 4 underline,
// 8 strikeout). Glyphs come back as coverage levels. The FreeType backend
// resolves the Japanese system faces games name to the IPA faces by table
// and other names by an exact fontconfig family match; TFakeFontBackend
// draws synthetic glyphs for tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace opal {

struct TFontSpec {
  std::string Face;  // CP932
  int32_t Height = 0;
  uint8_t Style = 0;
  bool operator==(const TFontSpec&) const = default;
};

struct TFontMetrics {
  int32_t Ascent = 0, Descent = 0;
  int32_t UnderlineSize = 0;
  int32_t StrikeoutPosition = 0;  // above the baseline
  int32_t StrikeoutSize = 0;
};

// One glyph's black box: Levels holds Width × Height levels (row by row,
// top row first) in 0..levels − 1. OriginX is the box's left edge right of
// the pen, OriginY its top edge above the baseline; CellIncX the advance.
// A glyph without ink has Width = Height = 0.
struct TGlyphImage {
  int32_t Width = 0, Height = 0;
  int32_t OriginX = 0, OriginY = 0;
  int32_t CellIncX = 0;
  std::vector<uint8_t> Levels;
};

struct TAbcWidths {
  int32_t A = 0, B = 0, C = 0;
};

class FontBackend {
 public:
  // Largest cell height a backend renders; larger requests fail.
  static constexpr int32_t kMaxHeight = 1024;

  virtual ~FontBackend() = default;
  // Whether a scalable face of exactly this name is installed (the
  // Japanese system faces games name count when their stand-ins are).
  virtual bool FaceInstalled(const std::string& face) = 0;
  // False when the font cannot be made or measured.
  virtual bool GetMetrics(const TFontSpec& font, TFontMetrics& out) = 0;
  // The glyph of a CP932 character code (byte, or lead × 256 + trail) with
  // `levels` coverage levels (2, 5, 17 or 65). False when it cannot be had
  // in that format.
  virtual bool GetGlyph(const TFontSpec& font, uint16_t code, int32_t levels, TGlyphImage& out) = 0;
  // A, B and C spacing of a character; false when unavailable.
  virtual bool GetCharAbc(const TFontSpec& font, uint16_t code, TAbcWidths& out) = 0;
  // Advance of the character as a one- or two-byte text.
  virtual int32_t TextWidth(const TFontSpec& font, uint16_t code) = 0;
  // Installed scalable faces (CP932 names); with japaneseOnly, only faces
  // that cover Japanese.
  virtual std::vector<std::string> FaceNames(bool japaneseOnly) = 0;
};

// The FreeType and fontconfig backend.
std::unique_ptr<FontBackend> CreateFreeTypeFontBackend();
// A backend without fonts: every request fails (text is laid out, never
// drawn).
std::unique_ptr<FontBackend> CreateNullFontBackend();

// The font file of a face name: "" when no face of that name is installed
// (the Japanese system faces by table, others by exact family).
std::string ExactFontFileOfFace(const std::string& cp932FaceName);
// As ExactFontFileOfFace, falling back to the default Japanese face.
std::string FontFileOfFace(const std::string& cp932FaceName);

// Synthetic glyphs: a character of code c in a font of height h is a box
// of width (c < 256 ? h / 2 : h − 2) and height h − 2 − (c % 3), one
// pixel right of the pen and one below the cell top, whose level at (x, y)
// is (x + y + c) % levels, rows of level 0 excepted for code ' ' (no ink).
// Ascent is h·3/4; underline h/12 + 1 high, strikeout h/3 above the
// baseline and h/12 + 1 high. Bold widens the box by one pixel.
class TFakeFontBackend : public FontBackend {
 public:
  std::vector<std::string> Faces = {"Fake"};
  int32_t FailLevelsAbove = 65;  // GetGlyph fails for more levels than this
  bool FailMetrics = false;
  TAbcWidths Abc{-1, -1, -1};    // when A ≥ 0, every GetCharAbc answer
  int32_t GlyphRequests = 0;     // counts GetGlyph calls
  std::vector<TFontSpec> MetricsRequests;

  bool FaceInstalled(const std::string& face) override;
  bool GetMetrics(const TFontSpec& font, TFontMetrics& out) override;
  bool GetGlyph(const TFontSpec& font, uint16_t code, int32_t levels, TGlyphImage& out) override;
  bool GetCharAbc(const TFontSpec& font, uint16_t code, TAbcWidths& out) override;
  int32_t TextWidth(const TFontSpec& font, uint16_t code) override;
  std::vector<std::string> FaceNames(bool japaneseOnly) override;
};

}  // namespace opal
