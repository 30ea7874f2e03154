#include <algorithm>

#include "platform/font_backend.h"

namespace opal {

bool TFakeFontBackend::FaceInstalled(const std::string& face) {
  return std::find(Faces.begin(), Faces.end(), face) != Faces.end();
}

bool TFakeFontBackend::GetMetrics(const TFontSpec& font, TFontMetrics& out) {
  MetricsRequests.push_back(font);
  if (FailMetrics || font.Height <= 0 || font.Height > kMaxHeight) return false;
  const int32_t h = font.Height;
  out.Ascent = h * 3 / 4;
  out.Descent = h - out.Ascent;
  out.UnderlineSize = h / 12 + 1;
  out.StrikeoutPosition = h / 3;
  out.StrikeoutSize = h / 12 + 1;
  return true;
}

bool TFakeFontBackend::GetGlyph(const TFontSpec& font, uint16_t code, int32_t levels, TGlyphImage& out) {
  ++GlyphRequests;
  if (levels > FailLevelsAbove || font.Height <= 2 || font.Height > kMaxHeight) return false;
  const int32_t h = font.Height;
  out = TGlyphImage{};
  out.CellIncX = code < 256 ? h / 2 + 2 : h;
  if (code == ' ') return true;
  out.Width = (code < 256 ? h / 2 : h - 2) + ((font.Style & 1) ? 1 : 0);
  out.Height = h - 2 - code % 3;
  if (out.Height <= 0) {  // a tiny font: no ink
    out.Width = out.Height = 0;
    return true;
  }
  out.OriginX = 1;
  out.OriginY = h * 3 / 4 - 1;
  out.Levels.resize(static_cast<size_t>(out.Width) * static_cast<size_t>(out.Height));
  for (int32_t y = 0; y < out.Height; ++y) {
    for (int32_t x = 0; x < out.Width; ++x) {
      out.Levels[static_cast<size_t>(y * out.Width + x)] = static_cast<uint8_t>((x + y + code) % levels);
    }
  }
  return true;
}

bool TFakeFontBackend::GetCharAbc(const TFontSpec& font, uint16_t code, TAbcWidths& out) {
  if (Abc.A >= 0) {
    out = Abc;
    return true;
  }
  TGlyphImage g;
  if (!GetGlyph(font, code, 2, g)) return false;
  --GlyphRequests;
  out = {g.OriginX, g.Width, g.CellIncX - g.OriginX - g.Width};
  return true;
}

int32_t TFakeFontBackend::TextWidth(const TFontSpec& font, uint16_t code) {
  return code < 256 ? font.Height / 2 + 2 : font.Height;
}

std::vector<std::string> TFakeFontBackend::FaceNames(bool) { return Faces; }

namespace {

class TNullFontBackend : public FontBackend {
 public:
  bool FaceInstalled(const std::string&) override { return false; }
  bool GetMetrics(const TFontSpec&, TFontMetrics&) override { return false; }
  bool GetGlyph(const TFontSpec&, uint16_t, int32_t, TGlyphImage&) override { return false; }
  bool GetCharAbc(const TFontSpec&, uint16_t, TAbcWidths&) override { return false; }
  int32_t TextWidth(const TFontSpec&, uint16_t) override { return 0; }
  std::vector<std::string> FaceNames(bool) override { return {}; }
};

}  // namespace

std::unique_ptr<FontBackend> CreateNullFontBackend() { return std::make_unique<TNullFontBackend>(); }

}  // namespace opal
