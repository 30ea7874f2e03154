// Rendering a page into the page buffers and drawing glyphs onto the target.
#include <algorithm>
#include <cmath>

#include "common/cp932.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace opal {

namespace {

// The page buffers are never larger than this on either side.
constexpr int32_t kMaxPageSide = 8192;

// Neighbours in the row, for ruby runs and the ends of underlines.
TWdGlyph* Neighbour(const TWdGlyph& g, int32_t step) {
  if (g.Parent == nullptr) return nullptr;
  const int32_t i = g.Parent->IndexOf(&g) + step;
  return i >= 0 && static_cast<size_t>(i) < g.Parent->Count() ? g.Parent->Item(static_cast<size_t>(i)) : nullptr;
}

const std::string& RubyOf(const TWdGlyph* g) {
  static const std::string none;
  return g != nullptr && g->Decorate() != nullptr ? g->Decorate()->Ruby : none;
}

// Whether a neighbour lacks this character's outline and shadow.
bool Differs(const TSkWord& w, const TDecorate& d, const TWdGlyph* n) {
  if (n == nullptr || n->Kind() != wkChar || n->Decorate() == nullptr) return true;
  return w.OutlineOf(*n->Decorate()) != w.OutlineOf(d) || w.ShadowOf(*n->Decorate()) != w.ShadowOf(d);
}

int32_t Union(TRect& into, const TRect& r) {
  if (r.IsEmpty()) return 0;
  into = into.IsEmpty() ? r : BoundingBox(into, r);
  return 1;
}

const std::string& FaceOf(const TSkWord& w, const TDecorate& d) {
  static const std::string fallback = TSkWord::kDefaultFace;
  if (!d.FaceName.empty()) return d.FaceName;
  return w.DefaultFace.empty() ? fallback : w.DefaultFace;
}

// The text area in target coordinates.
TRect TextArea(const TSkWord& w) { return w.ToTarget(0, 0, w.TextWidth, w.ViewHeight); }

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace

TRect TSkWord::ToTarget(int64_t left, int64_t top, int64_t width, int64_t height) const {
  const int64_t l = int64_t{OriginX} + left, t = int64_t{OriginY} + top;
  return {Clamp32(l), Clamp32(t), Clamp32(l + std::max<int64_t>(width, 0)), Clamp32(t + std::max<int64_t>(height, 0))};
}

void TWdChar::Render() {
  Rendered = {};
  TDIBX& colour = Owner.PageColour();
  TDIBX& coverage = Owner.PageCoverage();
  if (colour.Empty() || coverage.Empty() || Decor == nullptr) return;
  TFontPixelManager& fonts = Owner.Fonts();
  const TDecorate& d = *Decor;
  const int32_t s = Owner.CellSize(d);
  const int32_t b = Owner.OutlineOf(d), sh = Owner.ShadowOf(d);
  const uint8_t style = static_cast<uint8_t>(d.Style | (Link.empty() ? 0 : 4));
  const std::string& face = FaceOf(Owner, d);
  const uint32_t text = static_cast<uint32_t>(colour.ColorToPixel(Owner.TextColourOf(*this)));
  const uint32_t outline = static_cast<uint32_t>(colour.ColorToPixel(d.OutlineColor == -1 ? Owner.OutlineColor : d.OutlineColor));
  const uint32_t shadow = static_cast<uint32_t>(colour.ColorToPixel(d.ShadowColor == -1 ? Owner.ShadowColor : d.ShadowColor));
  const TWdGlyph* prev = Neighbour(*this, -1);
  const TWdGlyph* next = Neighbour(*this, 1);
  const int32_t x = AbsX(), y = AbsY();
  TRect cell{x, y, x + Width, y + Height};

  if (!d.Ruby.empty()) {
    const int32_t rs = std::max(1, s / 2);
    if (RubyOf(prev) != d.Ruby) {
      // The first of the run draws the ruby over the whole run.
      int64_t runWidth = 0;
      for (const TWdGlyph* g = this; g != nullptr && RubyOf(g) == d.Ruby; g = Neighbour(*g, 1)) runWidth += g->Width;
      const std::vector<uint16_t> chars = cp932::CharCodes(d.Ruby);
      const int64_t k = static_cast<int64_t>(chars.size());
      const int32_t rb = std::min(1, b), rsh = std::min(1, sh);
      for (int64_t j = 0; j < k; ++j) {
        const double centre = std::nearbyint(static_cast<double>((2 * j + 1) * runWidth) / static_cast<double>(2 * k));
        const uint16_t code = chars[static_cast<size_t>(j)];
        const int32_t rx = static_cast<int32_t>(centre) + x - (code > 0xFF ? rs / 2 : rs / 4);
        const TFontPixelRef glyph = fonts.GetGlyph(code, face, static_cast<uint8_t>(d.Style & 3), rs);
        TRect touched{};
        fonts.ComposeGlyph(*glyph, colour, coverage, false, touched, shadow, outline, text, true, true, rsh, rb,
                           TRect{rx, y, rx + rs, y + rs});
        Union(Rendered, touched);
      }
    }
    cell.Top += rs;
  }
  const TFontPixelRef glyph = fonts.GetGlyph(CodeValue, face, style, s);
  TRect touched{};
  fonts.ComposeGlyph(*glyph, colour, coverage, false, touched, shadow, outline, text, Differs(Owner, d, next),
                     Differs(Owner, d, prev), sh, b, cell);
  Union(Rendered, touched);
  Rendered = Intersect(Rendered, colour.BoundsRect());
  if (Rendered.IsEmpty()) Rendered = {};
}

void TWdChar::ClearArea() {
  if (Rendered.IsEmpty()) return;
  Owner.PageColour().FillRect(Rendered, 0);
  Owner.PageCoverage().FillRect(Rendered, 0);
}

void TWdChar::Draw() {
  TCustomDIBX* target = Owner.Target;
  if (target == nullptr || Opacity_ <= 0 || Rendered.IsEmpty() || Decor == nullptr) return;
  TDIBX& colour = Owner.PageColour();
  TDIBX& coverage = Owner.PageCoverage();
  const TRect src = Intersect(Rendered, TRect{0, 0, Owner.TextWidth, Owner.ViewHeight});
  if (src.IsEmpty()) return;
  const TRect at = Owner.ToTarget(src.Left, src.Top, 0, 0);
  const int32_t x = at.Left, y = at.Top;
  if (Owner.OutlineOf(*Decor) > 0 || Owner.ShadowOf(*Decor) > 0) {
    if (Opacity_ >= 255) target->DrawMask(x, y, &coverage, false, false, src, &colour);
    else target->DrawAlphaMask(x, y, Opacity_, &coverage, false, false, src, &colour);
  } else {
    const uint32_t pixel = static_cast<uint32_t>(target->ColorToPixel(Owner.TextColourOf(*this)));
    target->FillMask(x, y, Opacity_, pixel, false, false, src, &coverage);
  }
}

void TWdChar::Invalidate() {
  if (!Owner.OnInvalidate || Rendered.IsEmpty()) return;
  const TRect r = Intersect(Owner.ToTarget(Rendered.Left, Rendered.Top, int64_t{Rendered.Right} - Rendered.Left,
                                           int64_t{Rendered.Bottom} - Rendered.Top),
                            TextArea(Owner));
  if (!r.IsEmpty()) Owner.OnInvalidate(r);
}

namespace {

// The picture's frame shown now, or null.
const TWordPicture::Frame* CurrentFrame(const TWdImg& m) {
  if (m.Picture == nullptr || m.Picture->Frames.empty()) return nullptr;
  const size_t i = static_cast<size_t>(m.Frame) < m.Picture->Frames.size() ? static_cast<size_t>(m.Frame) : 0;
  const TWordPicture::Frame& f = m.Picture->Frames[i];
  return f.Pixels != nullptr ? &f : nullptr;
}

}  // namespace

void TWdImg::Draw() {
  TCustomDIBX* target = Owner.Target;
  const TWordPicture::Frame* f = CurrentFrame(*this);
  if (target == nullptr || f == nullptr || Opacity_ <= 0) return;
  const int32_t v = Owner.BlendValue;
  int32_t a = Opacity_;
  if (v < 255) a = Opacity_ * v >> 8;
  else if (v >= 256) a = Opacity_ * (v - 256) / 256 + 256;
  // Drawn inside the text area only.
  const TRect savedClip = target->ClipRect;
  const TRect clip = Intersect(target->EffectiveClip(), TextArea(Owner));
  if (clip.IsEmpty()) return;
  target->ClipRect = clip;
  TCustomDIBX* src = f->Pixels.get();
  TCustomDIBX* mask = f->Mask.get();
  const TRect whole = src->BoundsRect();
  const TRect at = Owner.ToTarget(AbsX(), AbsY(), 0, 0);
  const int32_t x = at.Left, y = at.Top;
  if (mask != nullptr) {
    if (a < 255) target->DrawAlphaMask(x, y, a, mask, false, false, whole, src);
    else if (a == 255) target->DrawMask(x, y, mask, false, false, whole, src);
    else target->DrawAddMask(x, y, a - 256, mask, false, false, whole, src);
  } else {
    if (a < 255) target->DrawAlpha(x, y, a, false, false, f->UseKey, whole, src);
    else if (a == 255) target->Draw(x, y, false, false, f->UseKey, whole, src);
    else target->DrawAdd(x, y, a - 256, false, false, f->UseKey, whole, src);
  }
  target->ClipRect = savedClip;
}

void TWdImg::Invalidate() {
  if (!Owner.OnInvalidate || Width <= 0 || Height <= 0) return;
  const TRect r = Intersect(Owner.ToTarget(AbsX(), AbsY(), Width, Height), TextArea(Owner));
  if (!r.IsEmpty()) Owner.OnInvalidate(r);
}

bool TWdImg::IsAnimated() const { return Picture != nullptr && Picture->Frames.size() > 1; }

void TWdImg::Animate(int32_t elapsed) {
  if (!Animating || !IsAnimated()) return;
  FrameTime += std::max(0, elapsed);
  const size_t n = Picture->Frames.size();
  bool changed = false;
  // A frame without a time shows for one time unit; at most one round of
  // frames passes per call.
  for (size_t guard = 0; guard < n; ++guard) {
    const int32_t shown = std::max(1, Picture->Frames[static_cast<size_t>(Frame) % n].Time);
    if (FrameTime < shown) break;
    FrameTime -= shown;
    Frame = static_cast<int32_t>((static_cast<size_t>(Frame) + 1) % n);
    changed = true;
  }
  if (changed) Invalidate();
}

void TSkWord::RenderPage(TWdPage& page, bool resetOpacity) {
  if (resetOpacity)
    for (size_t r = 0; r < page.Count(); ++r)
      for (size_t i = 0; i < page.Row(r)->Count(); ++i) page.Row(r)->Item(i)->SetOpacity(0);
  Fonts_.SetQuality(Quality);
  const int32_t w = std::clamp(TextWidth, 0, kMaxPageSide), h = std::clamp(ViewHeight, 0, kMaxPageSide);
  if (PageColour_.Width() != w || PageColour_.Height() != h || PageColour_.BitCount() != Depth) {
    PageColour_.SetSize(w, h, Depth);
  }
  PageColour_.TransparentColor = 0;
  if (PageCoverage_.Width() != w || PageCoverage_.Height() != h || PageCoverage_.BitCount() != 8) {
    PageCoverage_.SetSize(w, h, 8);
  }
  PageColour_.ResetClip();
  PageCoverage_.ResetClip();
  if (!PageColour_.Empty()) PageColour_.Clear(0);
  if (!PageCoverage_.Empty()) PageCoverage_.Clear(0);
  LinkRects.clear();
  for (size_t r = 0; r < page.Count(); ++r) {
    TWdRow& row = *page.Row(r);
    for (size_t i = 0; i < row.Count(); ++i) {
      TWdGlyph& g = *row.Item(i);
      g.Render();
      if (g.LinkTarget().empty() || g.Width <= 0) continue;
      LinkRects.push_back(ToTarget(g.AbsX(), g.AbsY(), g.Width, g.Height));
    }
  }
}

void TSkWord::DrawPage(TWdPage& page) {
  if (Target == nullptr) return;
  const TRect visible = VisibleRect.IsEmpty() ? Target->BoundsRect() : VisibleRect;
  for (size_t r = 0; r < page.Count(); ++r) {
    TWdRow& row = *page.Row(r);
    const TRect band = ToTarget(0, row.AbsY(), std::max(TextWidth, 1), std::max(row.Height, 1));
    if (Intersect(band, visible).IsEmpty()) continue;
    for (size_t i = 0; i < row.Count(); ++i) row.Item(i)->Draw();
  }
}

}  // namespace opal
