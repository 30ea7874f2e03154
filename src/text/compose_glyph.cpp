// ComposeGlyph: a cached glyph drawn into a character cell with the
// composition operators of the text engine.
#include <algorithm>
#include <cmath>
#include <vector>

#include "raster/pixel_format.h"
#include "text/font_pixel.h"

namespace opal {

namespace {

// Glyph coverage read once, row by row.
struct TCoverage {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Q;
  uint8_t At(int32_t x, int32_t y) const { return Q[static_cast<size_t>(y) * static_cast<size_t>(Width) + static_cast<size_t>(x)]; }
};

TCoverage ReadCoverage(const TFontPixel& glyph) {
  TCoverage c;
  TDIBX& bm = const_cast<TDIBX&>(glyph.Bitmap);  // read only
  c.Width = bm.Width();
  c.Height = bm.Height();
  c.Q.assign(static_cast<size_t>(c.Width) * static_cast<size_t>(c.Height), 0);
  for (int32_t y = 0; y < c.Height; ++y) {
    const uint8_t* row = bm.PixelAddress(0, y);
    if (row == nullptr) continue;
    std::copy(row, row + c.Width, c.Q.begin() + static_cast<ptrdiff_t>(y) * c.Width);
    bm.Unlock();
  }
  return c;
}

// A buffer's pixels held open for one composition.
class TAccess {
 public:
  explicit TAccess(TCustomDIBX* b) : B_(b) {
    if (b->Empty() || b->BitCount() < 8) return;
    Origin_ = b->PixelAddress(0, 0);
    Step_ = b->RowStep();
    Bytes_ = b->BytesPerPixel();
  }
  ~TAccess() {
    if (Origin_ != nullptr) B_->Unlock();
  }
  TAccess(const TAccess&) = delete;
  TAccess& operator=(const TAccess&) = delete;
  bool Ok() const { return Origin_ != nullptr; }
  int32_t Bits() const { return B_->BitCount(); }
  const TPixelFormat* Format() const { return FormatOf(B_->BitCount()); }
  uint8_t* At(int64_t x, int64_t y) const { return Origin_ + y * Step_ + x * Bytes_; }

 private:
  TCustomDIBX* B_;
  uint8_t* Origin_ = nullptr;
  int64_t Step_ = 0;
  int64_t Bytes_ = 0;
};

class TComposer {
 public:
  TComposer(TCustomDIBX& colour, TCustomDIBX& coverage, const TCoverage& glyph)
      : C_(&colour), A_(&coverage), G_(glyph) {
    Format_ = C_.Format();
    Clip_ = TRect64(Intersect(colour.EffectiveClip(), coverage.EffectiveClip()));
  }

  bool Ok() const { return C_.Ok() && A_.Ok() && Format_ != nullptr && A_.Bits() == 8 && !Clip_.IsEmpty(); }

  // Runs op(colourPixel, coveragePixel, q) over the glyph placed at (x, y),
  // for the pixels of q > 0 inside the clip.
  template <typename Op>
  void ForInk(int64_t x, int64_t y, Op op) {
    const TRect64 r = Intersect(TRect64(x, y, x + G_.Width, y + G_.Height), Clip_);
    for (int64_t py = r.Top; py < r.Bottom; ++py) {
      for (int64_t px = r.Left; px < r.Right; ++px) {
        const uint8_t q = G_.At(static_cast<int32_t>(px - x), static_cast<int32_t>(py - y));
        if (q == 0) continue;
        uint8_t* c = C_.At(px, py);
        uint8_t* a = A_.At(px, py);
        op(c, *a, q);
      }
    }
  }

  uint32_t Load(const uint8_t* c) const { return LoadPixel(c, Format_->Bytes); }
  void Store(uint8_t* c, uint32_t v) const { StorePixel(c, Format_->Bytes, v); }

  // (w·k + (255 − w)·c) >> 8 per channel.
  uint32_t Mix(uint32_t w, uint32_t k, uint32_t c) const {
    uint32_t out = 0;
    for (int ch = 0; ch < Format_->Channels; ++ch) {
      const uint32_t v = (w * Format_->Get(k, ch) + (255 - w) * Format_->Get(c, ch)) >> 8;
      out |= (v & Format_->Max(ch)) << Format_->Shift[ch];
    }
    return out;
  }

  void Paint(int64_t x, int64_t y, uint32_t k) {
    ForInk(x, y, [&](uint8_t* c, uint8_t&, uint8_t) { Store(c, k); });
  }
  void Max(int64_t x, int64_t y) {
    ForInk(x, y, [](uint8_t*, uint8_t& a, uint8_t q) { a = std::max(a, q); });
  }
  void Copy(int64_t x, int64_t y) {
    ForInk(x, y, [](uint8_t*, uint8_t& a, uint8_t q) { a = q; });
  }
  void Solid(int64_t x, int64_t y) {
    ForInk(x, y, [](uint8_t*, uint8_t& a, uint8_t) { a = 255; });
  }
  void Over(int64_t x, int64_t y, uint32_t k) {
    ForInk(x, y, [&](uint8_t* c, uint8_t& a, uint8_t q) {
      if (q == 255) {
        Store(c, k);
        a = 255;
        return;
      }
      a = static_cast<uint8_t>(a + q * (255 - a) / 255);
      const uint32_t w = a == 0 ? 255 : uint32_t{q} * 255 / a;
      Store(c, Mix(w, k, Load(c)));
    });
  }
  void Outline(int64_t x, int64_t y, uint32_t k, int32_t b) {
    for (int32_t dy = -b; dy <= b; ++dy) {
      for (int32_t dx = -b; dx <= b; ++dx) {
        if (dx != 0 || dy != 0) Over(x + dx, y + dy, k);
      }
    }
  }
  void TextOverOutline(int64_t x, int64_t y, uint32_t t, uint32_t o) {
    ForInk(x, y, [&](uint8_t* c, uint8_t&, uint8_t q) { Store(c, q == 255 ? t : Mix(q, t, o)); });
  }

 private:
  TAccess C_, A_;
  const TCoverage& G_;
  const TPixelFormat* Format_ = nullptr;
  TRect64 Clip_;
};

// Round half to even of num / den (den > 0).
int64_t RoundHalfEven(int64_t num, int64_t den) {
  int64_t q = num / den, r = num % den;
  if (r < 0) r += den, --q;
  if (2 * r > den || (2 * r == den && (q & 1) != 0)) ++q;
  return q;
}

}  // namespace

int32_t TFontPixelManager::PlacementShift(const TFontPixel& glyph, const TRect& cell) {
  const int64_t g = std::min<int64_t>(int64_t{cell.Right} - cell.Left, glyph.Size);
  const int64_t extra = g - glyph.Bitmap.Width();
  if (int64_t{glyph.LeftBearing} + glyph.AdvanceRest >= extra) return 0;
  TAbcWidths abc;
  TFontSpec font{glyph.FaceName, glyph.Size, glyph.Style};
  if (!Backend_.FaceInstalled(font.Face)) font.Face = kFallbackFace;
  int64_t s = extra / 2;
  if (Backend_.GetCharAbc(font, glyph.Code, abc)) {
    const int64_t sum = int64_t{abc.A} + abc.B + abc.C;
    if (int64_t{abc.A} + abc.C != 0 && sum > 0) s = RoundHalfEven((abc.A + abc.B / 2) * extra, sum);
  }
  return static_cast<int32_t>(std::clamp<int64_t>(s - glyph.LeftBearing, 0, extra));
}

void TFontPixelManager::ComposeGlyph(const TFontPixel& glyph, TCustomDIBX& colour, TCustomDIBX& coverage,
                                     bool clearFirst, TRect& touched, uint32_t shadowColour,
                                     uint32_t outlineColour, uint32_t textColour, bool nextDiffers,
                                     bool previousDiffers, int32_t shadowWidth, int32_t outlineWidth,
                                     const TRect& cell) {
  touched = TRect{};
  if (glyph.Empty()) return;
  const TCoverage q = ReadCoverage(glyph);
  const int32_t b = std::clamp(outlineWidth, 0, kMaxOutlineWidth);
  const int32_t d = std::clamp(shadowWidth, 0, kMaxShadowWidth);
  if (clearFirst) {
    colour.FillRect(cell, 0);
    coverage.FillRect(cell, 0);
  }
  TComposer k(colour, coverage, q);
  if (!k.Ok()) return;
  const int64_t x0 = int64_t{cell.Left} + glyph.LeftBearing + PlacementShift(glyph, cell);
  const int64_t y0 = int64_t{cell.Top} + glyph.TopOffset;
  TRect64 area(x0, y0, x0 + q.Width + 2 * b + d, y0 + q.Height + 2 * b + d);
  auto band = [&](int64_t left, int64_t top, int64_t right, int64_t height, uint32_t pixel) {
    if (height <= 0 || right <= left) return;
    const TRect64 r(left, top, right, top + height);
    const TRect rect{static_cast<int32_t>(std::clamp<int64_t>(r.Left, INT32_MIN, INT32_MAX)),
                     static_cast<int32_t>(std::clamp<int64_t>(r.Top, INT32_MIN, INT32_MAX)),
                     static_cast<int32_t>(std::clamp<int64_t>(r.Right, INT32_MIN, INT32_MAX)),
                     static_cast<int32_t>(std::clamp<int64_t>(r.Bottom, INT32_MIN, INT32_MAX))};
    colour.FillRect(rect, pixel);
    coverage.FillRect(rect, 255);
    area = TRect64(std::min(area.Left, r.Left), std::min(area.Top, r.Top), std::max(area.Right, r.Right),
                   std::max(area.Bottom, r.Bottom));
  };
  const int64_t left = cell.Left, right = cell.Right, bottom = cell.Bottom;
  const int64_t u = glyph.UnderlineSize, st = int64_t{cell.Top} + glyph.StrikeTop, ss = glyph.StrikeSize;
  if (b == 0 && d == 0) {
    k.Paint(x0, y0, textColour);
    k.Max(x0, y0);
    if (u > 0) band(left, bottom - u, right, u, textColour);
    if (ss > 0) band(left, st, right, ss, textColour);
  } else {
    if (d > 0) {
      const int64_t from = previousDiffers ? left + d : left;
      if (u > 0) band(from, bottom - 2 * b - u, right, 2 * b + u, shadowColour);
      if (b == 0) {
        k.Copy(x0 + d, y0 + d);
        k.Paint(x0 + d, y0 + d, shadowColour);
      } else {
        k.Outline(x0 + b + d, y0 + b + d, shadowColour, b);
      }
      if (ss > 0) band(from, st + d, right, 2 * b + ss, shadowColour);
    }
    const int64_t to = nextDiffers ? right - d : right;
    if (u > 0) {
      band(left, bottom - 2 * b - u, to, b, outlineColour);
      band(left, bottom - b - u, to, u, textColour);
      band(left, bottom - b, to, b, outlineColour);
    }
    if (b == 0) {
      k.Over(x0, y0, textColour);
    } else {
      k.Outline(x0 + b, y0 + b, outlineColour, b);
      k.Solid(x0 + b, y0 + b);
      k.TextOverOutline(x0 + b, y0 + b, textColour, outlineColour);
    }
    if (ss > 0) {
      band(left, st, to, b, outlineColour);
      band(left, st + b, to, ss, textColour);
      band(left, st + b + ss, to, b, outlineColour);
    }
  }
  const TRect64 out = Intersect(area, TRect64(colour.EffectiveClip()));
  if (out.IsEmpty()) return;
  touched = {static_cast<int32_t>(out.Left), static_cast<int32_t>(out.Top), static_cast<int32_t>(out.Right),
             static_cast<int32_t>(out.Bottom)};
}

}  // namespace opal
