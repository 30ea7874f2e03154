// Plain-text labels.
#include "text/sk_label.h"

#include <algorithm>

#include "common/cp932.h"
#include "common/error.h"
#include "storage/stream.h"
#include "text/font_pixel.h"

namespace opal {

namespace {

constexpr int32_t kQualityRemapBefore = 109;  // older lists stored 0..1 or a higher value
constexpr int32_t kShadowSince = 122;

void Put32(uint8_t* p, int32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

}  // namespace

const char TSkLabelList::kDefaultFace[] = "\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e";

void TSkLabelDIB::SetText(const std::string& text) {
  if (text == Text_) return;
  Text_ = text;
  Dirty = true;
}

TSkLabelList::TSkLabelList(TFontPixelManager& fonts) : Fonts_(fonts) {}

TSkLabelDIB& TSkLabelList::Add(const std::string& text) {
  Labels_.push_back(std::make_unique<TSkLabelDIB>());
  Labels_.back()->SetText(text);
  return *Labels_.back();
}

void TSkLabelList::Delete(size_t i) {
  if (i < Labels_.size()) Labels_.erase(Labels_.begin() + static_cast<std::ptrdiff_t>(i));
}

int32_t TSkLabelList::Outline() const { return std::clamp(OutlineWidth, 0, TFontPixelManager::kMaxOutlineWidth); }
int32_t TSkLabelList::Shadow() const { return std::clamp(ShadowWidth, 0, TFontPixelManager::kMaxShadowWidth); }
int32_t TSkLabelList::Size() const { return std::clamp(FontHeight, 1, TFontPixelManager::kMaxSize); }

void TSkLabelList::Measure() {
  FontBackend& backend = Fonts_.Backend();
  const TFontSpec font{Fonts_.ResolvedFace(Face), Size(), Style};
  TFontMetrics m;
  if (!backend.GetMetrics(font, m)) throw EOpalError("Error:GetOutlineTextMetrics");
  MetricHeight_ = m.Ascent + m.Descent;
  Metrics.fill(0);
  Put32(&Metrics[0], static_cast<int32_t>(kMetricsSize));
  Put32(&Metrics[4], MetricHeight_);
  Put32(&Metrics[8], m.Ascent);
  Put32(&Metrics[12], m.Descent);
  const int32_t extra = 2 * Outline() + Shadow();
  const int32_t overhang = 0;  // scalable fonts have none
  std::map<uint16_t, TAbcWidths> abc;
  for (const auto& label : Labels_) {
    label->Height = MetricHeight_ + extra;
    label->Widths.clear();
    label->Width = 0;
    const std::vector<uint16_t> codes = cp932::CharCodes(label->Text());
    for (size_t i = 0; i < codes.size(); ++i) {
      auto it = abc.find(codes[i]);
      if (it == abc.end()) {
        TAbcWidths w;
        if (!backend.GetCharAbc(font, codes[i], w)) w = {0, backend.TextWidth(font, codes[i]), 0};
        it = abc.emplace(codes[i], w).first;
      }
      int32_t width = it->second.A + it->second.B + it->second.C + overhang + extra;
      if (i + 1 == codes.size() && it->second.C < 0) width -= it->second.C;
      label->Widths.push_back(width);
      label->Width += width;
    }
    label->Dirty = true;
  }
}

void TSkLabelList::MarkAllDirty() {
  for (const auto& label : Labels_) label->Dirty = true;
}

void TSkLabelList::Render(TSkLabelDIB& label, int32_t depth) {
  label.Dirty = false;
  label.RenderedDepth = depth;
  const int32_t w = std::max(0, label.Width), h = std::max(0, label.Height);
  label.Colour.SetSize(w, h, depth);
  label.Coverage.SetSize(w, h, 8);
  if (label.Colour.Empty() || label.Coverage.Empty()) return;
  label.Colour.Clear(0);
  label.Coverage.Clear(0);
  Fonts_.SetQuality(Quality);
  const uint32_t text = static_cast<uint32_t>(label.Colour.ColorToPixel(Color));
  const uint32_t outline = static_cast<uint32_t>(label.Colour.ColorToPixel(OutlineColor));
  const uint32_t shadow = static_cast<uint32_t>(label.Colour.ColorToPixel(ShadowColor));
  const std::vector<uint16_t> codes = cp932::CharCodes(label.Text());
  int32_t x = 0;
  for (size_t i = 0; i < codes.size() && i < label.Widths.size(); ++i) {
    const TFontPixelRef glyph = Fonts_.GetGlyph(codes[i], Face, Style, Size());
    TRect touched;
    Fonts_.ComposeGlyph(*glyph, label.Colour, label.Coverage, false, touched, shadow, outline, text,
                        i + 1 == codes.size(), i == 0, Shadow(), Outline(),
                        TRect{x, 0, x + label.Widths[i], Size()});
    x += label.Widths[i];
  }
}

void TSkLabelList::Draw(TCustomDIBX& target, int32_t x, int32_t y, TSkLabelDIB& label) {
  if (label.Dirty || label.RenderedDepth != target.BitCount()) Render(label, target.BitCount());
  if (label.Coverage.Empty()) return;
  const TRect all = label.Coverage.BoundsRect();
  if (Outline() == 0 && Shadow() == 0) {
    target.FillMask(x, y, Opacity, static_cast<uint32_t>(target.ColorToPixel(Color)), false, false, all, &label.Coverage);
  } else if (Opacity < 255) {
    target.DrawAlphaMask(x, y, Opacity, &label.Coverage, false, false, all, &label.Colour);
  } else {
    target.DrawMask(x, y, &label.Coverage, false, false, all, &label.Colour);
  }
}

void TSkLabelList::SaveSettings(TStream& s) const {
  for (int32_t v : {Quality, OutlineWidth, Opacity, FontHeight}) WriteInt32(s, v);
  WriteString(s, Face);
  WriteInt32(s, Color);
  WriteInt32(s, OutlineColor);
  WriteByte(s, Style);
  s.WriteBuffer(Metrics.data(), kMetricsSize);
  WriteInt32(s, ShadowWidth);
  WriteInt32(s, ShadowColor);
}

void TSkLabelList::LoadSettings(TStream& s, int32_t version) {
  int32_t quality = ReadInt32(s);
  if (version < kQualityRemapBefore) quality = quality > 1 ? 3 : 0;
  Quality = std::clamp(quality, 0, 3);
  OutlineWidth = ReadInt32(s);
  Opacity = ReadInt32(s);
  FontHeight = ReadInt32(s);
  Face = ReadString(s);
  Color = ReadInt32(s);
  OutlineColor = ReadInt32(s);
  Style = ReadByte(s);
  s.ReadBuffer(Metrics.data(), kMetricsSize);
  if (version >= kShadowSince) {
    ShadowWidth = ReadInt32(s);
    ShadowColor = ReadInt32(s);
  }
  MarkAllDirty();
}

}  // namespace opal
