// TCustomDIBX: a rectangle of pixels with a depth, a clip rectangle and a
// colour key, and the drawing and blending operations every picture of the
// player is composed with. TDIBX (dibx.h) is the memory buffer; subclasses
// that keep their pixels elsewhere override the storage operations.
//
// Contracts shared by every drawing operation:
// - Nothing is read or written outside a buffer, whatever rectangles, flips,
//   zooms and angles the caller passes. The clip rectangle is intersected
//   with the buffer; a source rectangle is cut to its source (and mask)
//   buffer, and the pixels that remain land where they would have landed
//   uncut. Sizes and 16.16 products are computed in 64 bits.
// - Drawing never fails loudly: an empty clip, a zero opacity, a null or
//   empty buffer, a buffer without storage, a mask that is not an 8-bit
//   buffer, an unsupported depth or a degenerate zoom draws nothing.
// - Pixels, colour keys and fill values are in the buffer's own format. A
//   source of another depth is converted per pixel (ConvertPixel); its key
//   is compared before conversion. A key of −1 means none.
// - Colour operations work on destinations and sources of 8, 15, 16, 24 and
//   32 bits; 1- and 4-bit buffers are sources of the reduced and indexed
//   operations and can be filled (FillRect, Clear) and read or written with
//   GetPixel and SetPixel.
// - Blend values (0 nothing, 1..254 alpha, 255 copy, 256..511 additive with
//   value − 256) are taken by the operations that say so.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "raster/rect.h"

namespace opal {

struct TRGBQuad {
  uint8_t Blue = 0, Green = 0, Red = 0, Reserved = 0;
  bool operator==(const TRGBQuad&) const = default;
};

class TCustomDIBX {
 public:
  TCustomDIBX() = default;
  virtual ~TCustomDIBX() = default;
  TCustomDIBX(const TCustomDIBX&) = delete;
  TCustomDIBX& operator=(const TCustomDIBX&) = delete;

  // Right = 0: no clip, the whole buffer. Use EffectiveClip to draw.
  TRect ClipRect;
  int32_t TransparentColor = -1;
  // Rectangles handed over by the layered-image decoder; carried, not used here.
  std::vector<TRect> DrawRects;
  std::vector<TRect> AuxRects;

  // Storage and format. The defaults describe a buffer without storage.
  virtual bool Empty() const { return Width_ == 0 || Height_ == 0; }
  virtual int32_t BitCount() const { return 0; }
  virtual void SetBitCount(int32_t bitCount) { (void)bitCount; }
  virtual uint32_t RedMask() const { return 0; }
  virtual uint32_t GreenMask() const { return 0; }
  virtual uint32_t BlueMask() const { return 0; }
  virtual int32_t RowStep() const { return 0; }
  virtual uint32_t GetPixel(int32_t x, int32_t y);
  virtual void SetPixel(int32_t x, int32_t y, uint32_t value);
  // SetPixel for values[0..count) at (0, y) … (count - 1, y), the buffer
  // opened once; what falls outside the buffer is left out.
  void SetRow(int32_t y, const uint32_t* values, int32_t count);
  virtual int32_t BlueShift() const { return 0; }
  virtual int32_t GreenShift() const { return 0; }
  virtual int32_t RedShift() const { return 0; }
  virtual int32_t Height() const { return Height_; }
  virtual int32_t Width() const { return Width_; }
  virtual int32_t SurfaceBitCount() const { return BitCount(); }
  virtual void SetSize(int32_t width, int32_t height, int32_t bitCount) {
    (void)width, (void)height, (void)bitCount;
  }
  // Address of pixel (x, y) (of the byte holding it below 8 bits), or null
  // without storage. Every non-null result is paired with one Unlock.
  virtual uint8_t* PixelAddress(int32_t x, int32_t y) {
    (void)x, (void)y;
    return nullptr;
  }
  virtual void Unlock() {}

  // Clipping.
  virtual void ResetClip() { ClipRect.Right = 0; }
  virtual void AddClipRect(const TRect& rect);

  virtual int32_t ColorToPixel(int32_t colour) const;

  // Fills and frames. Clear fills the whole buffer whatever the clip.
  virtual void Clear(uint32_t pixel);
  virtual void FillRect(const TRect& rect, uint32_t pixel);
  virtual void FillRectAlpha(const TRect& rect, uint32_t pixel, int32_t opacity);
  virtual void FillRectAdd(const TRect& rect, uint32_t pixel);
  virtual void FillRectSub(const TRect& rect, uint32_t pixel);
  virtual void FrameRect(const TRect& rect, int32_t thickness, uint32_t pixel);
  virtual void FrameRectAlpha(const TRect& rect, int32_t thickness, uint32_t pixel,
                              int32_t opacity);
  virtual void FrameRectAdd(const TRect& rect, int32_t thickness, uint32_t pixel);

  // Whole-buffer copy: byte for byte between buffers of the same depth,
  // size and row step, otherwise Draw at (0, 0) (which converts depths).
  virtual void Assign(TCustomDIBX* src);

  // The Draw family. SrcRect selects the part of Src; (x, y) is where its
  // top-left lands.
  virtual void Draw(int32_t x, int32_t y, bool flipV, bool flipH, bool useKey,
                    const TRect& srcRect, TCustomDIBX* src);
  virtual void DrawMask(int32_t x, int32_t y, TCustomDIBX* mask, bool flipV, bool flipH,
                        const TRect& srcRect, TCustomDIBX* src);
  // At an opacity of 255 or more this copies (honouring the key when
  // useKey): the fades and blur wipes end on DrawAlpha at 255, and a blend at
  // weight 255 would leave every channel of the finished picture a step
  // short of the new one ((255·S + 0·D) >> 8 = S − 1 for S > 0). Copying
  // also matches the blend value 255, which selects the plain drawing.
  virtual void DrawAlpha(int32_t x, int32_t y, int32_t opacity, bool flipV, bool flipH,
                         bool useKey, const TRect& srcRect, TCustomDIBX* src);
  virtual void DrawAlphaMask(int32_t x, int32_t y, int32_t opacity, TCustomDIBX* mask,
                             bool flipV, bool flipH, const TRect& srcRect, TCustomDIBX* src);
  // The source key is always honoured; useKey is not consulted.
  virtual void DrawAdd(int32_t x, int32_t y, int32_t amount, bool flipV, bool flipH,
                       bool useKey, const TRect& srcRect, TCustomDIBX* src);
  virtual void DrawAddMask(int32_t x, int32_t y, int32_t amount, TCustomDIBX* mask, bool flipV,
                           bool flipH, const TRect& srcRect, TCustomDIBX* src);

  // Rotation about (cx, cy): angle in 1/256 turns, scales in 1/256.
  virtual void DrawRotate(int32_t cx, int32_t cy, int32_t opacity, bool flipV, bool flipH,
                          bool useKey, int32_t angle, int32_t pivotY, int32_t pivotX,
                          const TRect& srcRect, TCustomDIBX* src, int32_t scaleY,
                          int32_t scaleX);
  virtual void DrawRotateMask(int32_t cx, int32_t cy, int32_t opacity, bool flipV, bool flipH,
                              TCustomDIBX* mask, int32_t angle, int32_t pivotY, int32_t pivotX,
                              const TRect& srcRect, TCustomDIBX* src, int32_t scaleY,
                              int32_t scaleX);

  // Nearest-neighbour stretching of SrcRect onto DestRect. As with DrawAlpha,
  // an opacity of 255 or more copies (StretchDraw, honouring the key when
  // useKey) or takes the DrawMask rule (StretchDrawMask: a full mask byte
  // copies), so that the blend value 255 means the plain drawing everywhere.
  virtual void StretchDraw(const TRect& destRect, TCustomDIBX* src, int32_t opacity, bool flipV,
                           bool flipH, bool useKey, const TRect& srcRect);
  virtual void StretchDrawMask(const TRect& destRect, TCustomDIBX* src, int32_t opacity,
                               TCustomDIBX* mask, bool flipV, bool flipH, const TRect& srcRect);
  virtual void StretchDrawAdd(const TRect& destRect, TCustomDIBX* src, int32_t amount,
                              bool flipV, bool flipH, bool useKey, const TRect& srcRect);
  virtual void StretchDrawAddMask(const TRect& destRect, TCustomDIBX* src, int32_t amount,
                                  TCustomDIBX* mask, bool flipV, bool flipH,
                                  const TRect& srcRect);

  // Reduced drawing of a 1-bit (ink = 0 bit) and a 2-levels-in-4-bit source.
  virtual void DrawMonoReduced(int32_t x, int32_t y, int32_t factor, int32_t opacity, bool flipV,
                               bool flipH, uint32_t pixel, const TRect& srcRect,
                               TCustomDIBX* src);
  virtual void DrawLevelsReduced(int32_t x, int32_t y, int32_t factor, int32_t opacity,
                                 bool flipV, bool flipH, const std::array<uint32_t, 3>& colours,
                                 const TRect& srcRect, TCustomDIBX* src);

  // Tiling with gaps between the copies.
  virtual void TileDraw(const TRect& destRect, int32_t gapX, int32_t offsetY, int32_t offsetX,
                        bool useKey, const TRect& srcRect, TCustomDIBX* src, int32_t gapY);
  virtual void TileDrawAlpha(const TRect& destRect, int32_t gapX, int32_t offsetY,
                             int32_t offsetX, int32_t opacity, bool useKey, const TRect& srcRect,
                             TCustomDIBX* src, int32_t gapY);
  virtual void TileDrawAdd(const TRect& destRect, int32_t gapX, int32_t offsetY, int32_t offsetX,
                           int32_t amount, bool useKey, const TRect& srcRect, TCustomDIBX* src,
                           int32_t gapY);
  virtual void TileDrawMask(const TRect& destRect, int32_t gapX, int32_t offsetY,
                            int32_t offsetX, TCustomDIBX* mask, const TRect& srcRect,
                            TCustomDIBX* src, int32_t gapY);
  virtual void TileDrawAlphaMask(const TRect& destRect, int32_t gapX, int32_t offsetY,
                                 int32_t offsetX, int32_t opacity, TCustomDIBX* mask,
                                 const TRect& srcRect, TCustomDIBX* src, int32_t gapY);
  virtual void TileDrawAddMask(const TRect& destRect, int32_t gapX, int32_t offsetY,
                               int32_t offsetX, int32_t amount, TCustomDIBX* mask,
                               const TRect& srcRect, TCustomDIBX* src, int32_t gapY);
  // Stretched copies whose origins lie a fixed step apart.
  virtual void TileStretchDraw(const TRect& destRect, int32_t stepX, int32_t offsetY,
                               int32_t offsetX, int32_t blend, bool useKey, const TRect& srcRect,
                               TCustomDIBX* src, int32_t zoomY, int32_t zoomX, int32_t stepY);
  virtual void TileStretchDrawMask(const TRect& destRect, int32_t stepX, int32_t offsetY,
                                   int32_t offsetX, int32_t blend, TCustomDIBX* mask,
                                   const TRect& srcRect, TCustomDIBX* src, int32_t zoomY,
                                   int32_t zoomX, int32_t stepY);
  virtual void FrameTile(const TRect& rect, int32_t thickness, int32_t offsetY, int32_t offsetX,
                         TCustomDIBX* src);

  // Palette sources; colourTable entries are pixels in this buffer's format.
  virtual void DrawIndexed4(int32_t x, int32_t y, const uint32_t* colourTable, int32_t blend,
                            bool flipV, bool flipH, const TRect& srcRect, TCustomDIBX* src);
  virtual void DrawIndexedAdd(int32_t x, int32_t y, const uint32_t* colourTable, int32_t amount,
                              bool flipV, bool flipH, const TRect& srcRect, TCustomDIBX* src);
  virtual void StretchDrawIndexed(const TRect& destRect, TCustomDIBX* src,
                                  const uint32_t* colourTable, int32_t opacity, bool flipV,
                                  bool flipH, const TRect& srcRect);

  // The whole source, scaled by zoom/256, repeated over DestRect.
  virtual void ZoomTile(const TRect& destRect, int32_t zoomX, int32_t blend, bool flipV,
                        bool flipH, int32_t offsetY, int32_t offsetX, TCustomDIBX* src,
                        int32_t zoomY);
  virtual void ZoomTileMask(const TRect& destRect, int32_t zoomX, int32_t blend, bool flipV,
                            bool flipH, int32_t offsetY, int32_t offsetX, TCustomDIBX* src,
                            int32_t zoomY, TCustomDIBX* mask);
  virtual void TileFill(const TRect& rect, TCustomDIBX* src, bool flipV, bool flipH,
                        int32_t offsetY, int32_t offsetX);

  virtual void ReleaseImage() { Width_ = Height_ = 0; }
  // Palettes belong to the storage; without one they read as black.
  virtual void GetPalette(TRGBQuad* out256) const { GetPaletteEntries(out256, 0, 256); }
  virtual void GetPaletteEntries(TRGBQuad* out, int32_t first, int32_t count) const;
  virtual void SetPalette(const TRGBQuad* in256) { SetPaletteEntries(in256, 0, 256); }
  virtual void SetPaletteEntries(const TRGBQuad* in, int32_t first, int32_t count) {
    (void)in, (void)first, (void)count;
  }

  // Colour through an 8-bit coverage buffer (text). Draws nothing when the
  // clipped source rectangle reaches outside the mask.
  virtual void FillMask(int32_t x, int32_t y, int32_t opacity, uint32_t pixel, bool flipV,
                        bool flipH, const TRect& srcRect, TCustomDIBX* mask);

  virtual void Unshare() {}

  int32_t BytesPerPixel() const { return (BitCount() + 7) / 8; }
  TRect BoundsRect() const { return {0, 0, Width(), Height()}; }
  // ClipRect (when set) cut to the buffer, else the buffer.
  TRect EffectiveClip() const;
  void SetClipRect(const TRect& rect) { ClipRect = rect; }

 protected:
  int32_t Width_ = 0;
  int32_t Height_ = 0;
};

}  // namespace opal
