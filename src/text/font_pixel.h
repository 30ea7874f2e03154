// The glyph cache: TFontPixel is one glyph as an 8-bit coverage bitmap with
// its placement metrics; TFontPixelManager fetches glyphs from a font
// backend, keeps the 256 most recently used, and composes them into a
// colour buffer and a coverage buffer with outline, shadow, underline and
// strikeout.
#pragma once

#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "platform/font_backend.h"
#include "raster/dibx.h"
#include "raster/rect.h"

namespace opal {

class TFontPixel {
 public:
  TDIBX Bitmap;  // 8-bit black box; empty for glyphs without ink
  uint16_t Code = 0;
  std::string FaceName;
  int32_t Size = 0;
  uint8_t Style = 0;
  int32_t Quality = 0;
  int32_t LeftBearing = 0;
  int32_t TopOffset = 0;
  int32_t UnderlineSize = 0;
  int32_t StrikeTop = 0, StrikeSize = 0;
  int32_t AdvanceRest = 0;

  bool Empty() const { return Bitmap.Empty(); }
};

// A glyph stays valid for as long as its holder keeps the handle, even when
// the cache has evicted it meanwhile.
using TFontPixelRef = std::shared_ptr<const TFontPixel>;

// Coverage byte of each level, by quality 0..3.
const std::vector<uint8_t>& QualityLevelTable(int32_t quality);
// Number of levels of a quality: 2, 5, 17, 65.
int32_t QualityLevelCount(int32_t quality);

// Names of the installed scalable faces for the settings dialog, sorted
// when asked: faces starting with '@' (vertical) only with verticalToo; on
// a Japanese system only faces that cover Japanese.
std::vector<std::string> EnumerateFaces(FontBackend& backend, bool sorted, bool verticalToo,
                                        bool japaneseSystem);

class TFontPixelManager {
 public:
  static constexpr size_t kCapacity = 256;
  // Face used when the requested one is not installed: "ＭＳ ゴシック".
  static const char kFallbackFace[];
  // Sizes beyond this are clamped (a cell is at most this high).
  static constexpr int32_t kMaxSize = 512;
  static constexpr int32_t kMaxOutlineWidth = 16;
  static constexpr int32_t kMaxShadowWidth = 64;

  // The backend must outlive the manager.
  explicit TFontPixelManager(FontBackend& backend);

  FontBackend& Backend() { return Backend_; }
  // The face a request for `face` is made with: itself when installed,
  // else kFallbackFace.
  std::string ResolvedFace(const std::string& face);
  int32_t Quality() const { return Quality_; }
  void SetQuality(int32_t quality) { Quality_ = quality < 0 ? 0 : quality > 3 ? 3 : quality; }

  // Cached by (code, face case-sensitively, size, style, quality). Throws
  // EOpalError "Error:GetOutlineTextMetrics" when no font can be made.
  TFontPixelRef GetGlyph(uint16_t code, const std::string& face, uint8_t style, int32_t size);
  // Ascent of the current font.
  int32_t Ascent() const { return Metrics_.Ascent; }
  size_t CachedCount() const { return Mru_.size(); }
  // Whether a glyph is cached (no change to the recently-used order).
  bool IsCached(uint16_t code, const std::string& face, uint8_t style, int32_t size) const;

  // Draws a glyph into a character cell of the colour buffer (any depth
  // with a pixel format; colours are pixels in its format) and the 8-bit
  // coverage buffer, both cut to their clip rectangles; `touched` receives
  // the area drawn (empty when nothing was). The outline width is clamped
  // to 0..kMaxOutlineWidth (an outline costs (2b + 1)² − 1 stamps), the
  // shadow width to 0..kMaxShadowWidth.
  void ComposeGlyph(const TFontPixel& glyph, TCustomDIBX& colour, TCustomDIBX& coverage,
                    bool clearFirst, TRect& touched, uint32_t shadowColour,
                    uint32_t outlineColour, uint32_t textColour, bool nextDiffers,
                    bool previousDiffers, int32_t shadowWidth, int32_t outlineWidth,
                    const TRect& cell);

 private:
  void SelectFont(const std::string& face, int32_t size, uint8_t style);
  std::shared_ptr<TFontPixel> Fetch(uint16_t code, const std::string& face, uint8_t style, int32_t size);
  int32_t PlacementShift(const TFontPixel& glyph, const TRect& cell);

  FontBackend& Backend_;
  int32_t Quality_ = 3;
  // Most recently used first; buckets (by the code's low byte) hold
  // positions in it.
  std::list<TFontPixelRef> Mru_;
  std::array<std::vector<std::list<TFontPixelRef>::iterator>, 256> Buckets_;
  bool HasFont_ = false;
  TFontSpec Font_;  // the font asked for (face as requested)
  TFontSpec Made_;  // the font made (face resolved)
  TFontMetrics Metrics_;
};

}  // namespace opal
