// TBrioFrame's mask, trimming and transfer into pixel buffers, and the
// frame-list operations besides reading and writing.
#include <cstring>

#include "common/error.h"
#include "imagefiles/brio_frame_list.h"
#include "imagefiles/image_loading.h"
#include "raster/pixel_format.h"
#include "storage/stream.h"

namespace opal {

int32_t TBrioFrame::Width() const { return Layers.empty() ? Picture.Width() : Layers[0]->Image.Width(); }
int32_t TBrioFrame::Height() const { return Layers.empty() ? Picture.Height() : Layers[0]->Image.Height(); }
int32_t TBrioFrame::BitCount() const { return Layers.empty() ? Picture.BitCount() : Layers[0]->Image.BitCount(); }

void TBrioFrame::MakeMask() {
  if (Picture.HasAlpha()) return;
  auto plane = std::make_unique<TDIBSurface>();
  plane->SetSize(Picture.Width(), Picture.Height(), 8);
  plane->Fill(255);
  if (TransparentValue >= 0) {
    const uint32_t key = static_cast<uint32_t>(TransparentValue);
    for (int32_t y = 0; y < Picture.Height(); ++y)
      for (int32_t x = 0; x < Picture.Width(); ++x)
        if (Picture.GetPixel(x, y) == key) plane->Row(y)[x] = 0;
  }
  Picture.AlphaPlane = std::move(plane);
}

namespace {

// Bounding box of the values of `s` that differ from `background`; null
// box (Right = 0) when none does.
TRect Differing(const TDIBSurface& s, uint32_t background) {
  TRect box{s.Width(), s.Height(), 0, 0};
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x)
      if (s.GetPixel(x, y) != background) {
        box.Left = std::min(box.Left, x);
        box.Right = std::max(box.Right, x + 1);
        box.Top = std::min(box.Top, y);
        box.Bottom = std::max(box.Bottom, y + 1);
      }
  return box.Right == 0 ? TRect{0, 0, 0, 0} : box;
}

void CutRects(std::vector<TRect>& rects, const TRect& box) {
  std::vector<TRect> kept;
  for (const TRect& r : rects) {
    const TRect i = Intersect(r, box);
    if (i.IsEmpty()) continue;
    kept.push_back({i.Left - box.Left, i.Top - box.Top, i.Right - box.Left, i.Bottom - box.Top});
  }
  rects = std::move(kept);
}

}  // namespace

void TBrioFrame::Trim(TRect& rect) {
  rect = {0, 0, Picture.Width(), Picture.Height()};
  if (Picture.Empty()) return;  // nothing to crop to
  TRect box;
  if (Picture.HasAlpha()) {
    box = Differing(*Picture.AlphaPlane, 0);
  } else {
    if (TransparentColor < 0) return;
    box = Differing(Picture, static_cast<uint32_t>(TransparentValue));
  }
  if (box.Right == 0) box = {0, 0, 1, 1};
  if (box == rect) return;
  rect = box;
  Picture = Picture.Cropped(box.Left, box.Top, box.Right - box.Left, box.Bottom - box.Top);
  CutRects(DrawRects, box);
  CutRects(AuxRects, box);
}

namespace {

// Row y of a buffer with storage, unlocked when the access ends.
class TRowAccess {
 public:
  TRowAccess(TCustomDIBX& b, int32_t y) : B_(b), P_(b.PixelAddress(0, y)) {}
  ~TRowAccess() {
    if (P_ != nullptr) B_.Unlock();
  }
  uint8_t* Get() const { return P_; }

 private:
  TCustomDIBX& B_;
  uint8_t* P_;
};

}  // namespace

void TBrioFrame::ToPixelBuffer(TCustomDIBX& buffer) const {
  const TDIBSurface& p = Picture;
  buffer.SetSize(p.Width(), p.Height(), buffer.BitCount());
  const int32_t to = buffer.BitCount(), from = p.BitCount();
  if (from <= 8 && to == from) buffer.SetPalette(p.ColorTable.data());
  // Other pairs convert each pixel through its colour (the transfer
  // between depths every decoder uses).
  const bool direct = (from == 24 && to == 32) || from == to;
  if (!direct) CopySurfaceToDIBX(p, buffer);
  for (int32_t y = 0; direct && y < p.Height(); ++y) {
    const TRowAccess row(buffer, y);
    uint8_t* d = row.Get();
    if (d == nullptr) break;
    const uint8_t* s = p.Row(y);
    if (from == 24 && to == 32) {
      for (int32_t x = 0; x < p.Width(); ++x)
        StoreLE32(d + 4 * x, s[3 * x] | (s[3 * x + 1] << 8) | (uint32_t{s[3 * x + 2]} << 16));
    } else if (from == 32) {
      for (int32_t x = 0; x < p.Width(); ++x) StoreLE32(d + 4 * x, LoadLE32(s + 4 * x) & 0x00FFFFFF);
    } else {
      std::memcpy(d, s, static_cast<size_t>(TDIBSurface::RowBytesFor(p.Width(), from)));
    }
  }
  buffer.DrawRects = DrawRects;
  buffer.AuxRects = AuxRects;
}

void TBrioFrame::MaskToPixelBuffer(TCustomDIBX& buffer) const {
  if (!Picture.HasAlpha()) return;
  const TDIBSurface& a = *Picture.AlphaPlane;
  buffer.SetSize(a.Width(), a.Height(), 8);
  for (int32_t y = 0; y < a.Height(); ++y) {
    const TRowAccess row(buffer, y);
    if (row.Get() == nullptr) break;
    std::memcpy(row.Get(), a.Row(y), static_cast<size_t>(a.Width()));
  }
}

TBrioFrame* TBrioFrameList::AddFrame() {
  Frames_.push_back(std::make_unique<TBrioFrame>());
  return Frames_.back().get();
}

void TBrioFrameList::MakeMasks() {
  for (auto& f : Frames_) f->MakeMask();
}

}  // namespace opal
