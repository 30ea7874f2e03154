// The wipe kinds: blends and fades, scrolls, and the mask patterns. Each
// class's comment gives its rule; t is Time, T the duration, p0 and p1 the
// parameters, W × H the screen, R Reverse.
#pragma once

#include <cstdint>
#include <vector>

#include "wipes/custom_wipe.h"

namespace opal {

// Kind 1: old, then new at opacity t·256 div T, offset by
// (round(f·p0), round(f·p1)) with f = (T − t − 1)/T: a cross-fade that also
// slides the new picture in from (p0, p1).
class TWipeFade : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
 protected:
  void Draw() override;
 private:
  // The unmoved blend row by row; false (nothing drawn) when the pictures
  // or the opacity need the general drawing.
  bool BlendRows(int32_t opacity);
};

// Kind 2: vertical slats p0 wide opening from one side; b = (p1 + 2·p0 − 2)·t
// div T, column x has e = 2·(x mod p0) (R: 2·(p0 − x mod p0 − 1)) and mask
// level(b − e, p1).
class TWipeBlindH : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  int32_t MaskHeight() const override { return 1; }
 protected:
  bool UpdateMask() override;
};

// Kind 3: as BlindH per mask row, horizontal slats. The mask is p0 rows
// high, but never higher than the screen: rows past it never show.
class TWipeBlindV : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  int32_t MaskHeight() const override;
 protected:
  bool UpdateMask() override;
};

// Kinds 4 and 5: columns (rows) in groups of p0 opening one after another;
// g = 16·(f div p0 + f mod p0) with f the position (R: from the other side),
// b = ((⌈W/p0⌉ + p0 − 2)·16 + p1)·t div T. A parameter below 1 counts as 1.
class TWipeCurtainH : public TWipeOrderHMask {
 public:
  using TWipeOrderHMask::TWipeOrderHMask;
  void SetParam(int32_t index, int32_t value) override;
 protected:
  void BuildOrder(std::vector<int64_t>& order, int64_t& span) override;
};

class TWipeCurtainV : public TWipeOrderVMask {
 public:
  using TWipeOrderVMask::TWipeOrderVMask;
  void SetParam(int32_t index, int32_t value) override;
 protected:
  void BuildOrder(std::vector<int64_t>& order, int64_t& span) override;
};

// Kinds 6 and 7: old moves out to the left (up), new follows it in; R the
// other way. a = W·t div T.
class TWipeScrollH : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
 protected:
  void Draw() override;
};

class TWipeScrollV : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
 protected:
  void Draw() override;
};

// Kind 8: p0 × p0 cells grow centred squares in the order of their distance
// from the top-left cell (R: bottom-right), h = 4·round(√(i² + j²)),
// b = (p1 + span − 4)·t div T; a started cell shows a square of side
// min(p0, p0·(b − h) div p1) at level(b − h, p1).
class TWipeGrid : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
 protected:
  bool UpdateMask() override;
  // The order of cell (i, j) of nx × ny, and the span of all orders.
  virtual int64_t CellOrder(int32_t i, int32_t j, int32_t nx, int32_t ny) const;
  virtual int64_t Span(int32_t nx, int32_t ny) const;
  // The rows of cells the mask holds.
  virtual int32_t CellRows(int32_t ny) const { return ny; }
};

// Kind 9: columns of cells one after another; the mask is one row of cells.
class TWipeGridH : public TWipeGrid {
 public:
  using TWipeGrid::TWipeGrid;
  int32_t MaskHeight() const override;
 protected:
  int64_t CellOrder(int32_t i, int32_t j, int32_t nx, int32_t ny) const override;
  int64_t Span(int32_t nx, int32_t ny) const override;
  int32_t CellRows(int32_t) const override { return 1; }
};

// Kind 10: rows of cells one after another.
class TWipeGridV : public TWipeGrid {
 public:
  using TWipeGrid::TWipeGrid;
 protected:
  int64_t CellOrder(int32_t i, int32_t j, int32_t nx, int32_t ny) const override;
  int64_t Span(int32_t nx, int32_t ny) const override;
};

// Kind 11: the cells of a 64 × 64 tile switch in a fixed random order
// (TSkRandom seeded 12341 drawing 0..4095 from a pool); n = t·4096 div T.
class TWipeDither : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  static constexpr int32_t kTile = 64;
  int32_t MaskHeight() const override { return kTile; }
  const std::vector<int32_t>& Order() const { return Order_; }
 protected:
  void DoPrepare() override;
  bool UpdateMask() override;
 private:
  std::vector<int32_t> Order_;
};

// Kinds 12 and 13: a = t·511 div T; old with gray a added (White) or taken
// away (Black) while a < 256, then new with gray 511 − a.
class TWipeWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
 protected:
  void Draw() override;
};

class TWipeBlack : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
 protected:
  void Draw() override;
};

// Kind 14: new with gray 255 − t·255 div T added: the new picture comes out
// of white.
class TWipeFlash : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
 protected:
  void Draw() override;
};

// Kind 19: the rule orders the pixels; k = t·512 div T + v, mask = k − 256
// clamped to 0..255. Each pixel blends over half the duration.
class TWipeShadow : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  const std::vector<uint8_t>& Rule() const { return Rule_; }
 protected:
  void DoPrepare() override;
  bool UpdateMask() override;
 private:
  std::vector<uint8_t> Rule_;
};

// Kinds 20 and 21: k = t·768 div T + v; j = k − 256 clamped to 0..511.
// j ≤ 255: old plus (minus) gray j; otherwise new plus (minus) gray 511 − j.
class TWipeShadowWhite : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;
 protected:
  void DoPrepare() override;
  void Draw() override;
  virtual bool Subtracts() const { return false; }
 private:
  std::vector<uint8_t> Rule_;
};

class TWipeShadowBlack : public TWipeShadowWhite {
 public:
  using TWipeShadowWhite::TWipeShadowWhite;
 protected:
  bool Subtracts() const override { return true; }
};

// Kinds 31, 34 and 35: filled sectors of the circle through the screen's
// corners, centred on the screen; angles clockwise from 12 o'clock, start
// a0 = p0 degrees. Clockhand sweeps 2π·t/T from a0 (R: counter-clockwise),
// Fan opens to a0 ± π·t/T, WFan opens two sectors at a0 and a0 + π to
// ±(π/2)·t/T.
class TWipeClockhand : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
 protected:
  bool UpdateMask() override;
};

class TWipeFan : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
 protected:
  bool UpdateMask() override;
};

class TWipeWFan : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
 protected:
  bool UpdateMask() override;
};

// Kind 36: a disc of radius round(D·t/T), D the half diagonal, shows new
// (R: a disc of radius round(D·(T − t)/T) keeps old). A pixel is inside
// when its centre lies strictly within the radius.
class TWipeCircle : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
 protected:
  bool UpdateMask() override;
};

// Kind 37: blocks of s = min(max(10, p0), W, H) (stored back into p0) in a
// clockwise inward spiral; blocks 0..(count − 1)·t div T show new (R: from
// the spiral's end, blocks (count − 1)·(T − t) div T onwards).
class TWipeBlockCoil : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void SetParam(int32_t index, int32_t value) override;
  const std::vector<TWipeBlock>& Blocks() const { return Blocks_; }
 protected:
  void DoPrepare() override;
  bool UpdateMask() override;
 private:
  std::vector<TWipeBlock> Blocks_;
};

// Kind 38: the blocks of BlockCoil in a random order of the run-time
// generator; blocks 0..(count − 1)·t div T show new.
class TWipeBlockRandom : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  void SetParam(int32_t index, int32_t value) override;
  const std::vector<TWipeBlock>& Blocks() const { return Blocks_; }
 protected:
  void DoPrepare() override;
  bool UpdateMask() override;
 private:
  std::vector<TWipeBlock> Blocks_;
};

}  // namespace opal
