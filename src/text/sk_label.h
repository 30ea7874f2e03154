// TSkLabelList: one-line plain-text labels without markup, each a
// TSkLabelDIB with its own colour and coverage buffers, all drawn with the
// list's font, colours, outline and shadow, with proportional character
// widths taken from the font's A, B and C spacing.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "raster/dibx.h"

namespace opal {

class TFontPixelManager;
class TStream;

class TSkLabelDIB {
 public:
  const std::string& Text() const { return Text_; }
  void SetText(const std::string& text);
  TDIBX Colour, Coverage;
  std::vector<int32_t> Widths;  // per character
  int32_t Width = 0, Height = 0;
  bool Dirty = true;
  int32_t RenderedDepth = 0;

 private:
  std::string Text_;
};

class TSkLabelList {
 public:
  static const char kDefaultFace[];  // "ＭＳ Ｐゴシック"
  static constexpr size_t kMetricsSize = 212;

  // The glyph cache must outlive the list.
  explicit TSkLabelList(TFontPixelManager& fonts);

  int32_t Quality = 3;
  int32_t OutlineWidth = 0;
  int32_t Opacity = 255;
  int32_t FontHeight = 12;
  std::string Face = kDefaultFace;
  int32_t Color = 0xFFFFFF;
  int32_t OutlineColor = 0;
  uint8_t Style = 0;
  // The font's text metrics as the platform gave them: a little-endian
  // record of its size, the cell height, ascent and descent, then zeros.
  std::array<uint8_t, kMetricsSize> Metrics{};
  int32_t ShadowWidth = 0;
  int32_t ShadowColor = 0;

  size_t Count() const { return Labels_.size(); }
  TSkLabelDIB& Item(size_t i) { return *Labels_[i]; }
  TSkLabelDIB& Add(const std::string& text);
  void Delete(size_t i);
  void Clear() { Labels_.clear(); }

  // Fetches the font's metrics and sizes every label and character.
  void Measure();
  void MarkAllDirty();
  // Renders the label for a target of the given depth.
  void Render(TSkLabelDIB& label, int32_t depth);
  // Draws the label with its top-left corner at (x, y), rendering it first
  // when its text or the target's depth changed.
  void Draw(TCustomDIBX& target, int32_t x, int32_t y, TSkLabelDIB& label);

  void SaveSettings(TStream& s) const;
  void LoadSettings(TStream& s, int32_t version);

 private:
  int32_t Outline() const;
  int32_t Shadow() const;
  int32_t Size() const;

  TFontPixelManager& Fonts_;
  std::vector<std::unique_ptr<TSkLabelDIB>> Labels_;
  int32_t MetricHeight_ = 0;
};

}  // namespace opal
