// TCustomWipe: the transition from the old screen picture to the new one,
// composed into the destination buffer one in-between picture per step.
// TWipeMask is the base of the kinds that build an 8-bit mask (0 old, 255
// new, blends between) and draw both pictures through it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "raster/dibx.h"
#include "stage/stage_wipe.h"

namespace opal {

class TStageFiles;

// The run-time random generator the random kinds draw their orders from.
// One generator serves every wipe the player makes, so successive wipes
// differ; a fixed seed repeats a run.
class TWipeRandom {
 public:
  explicit TWipeRandom(uint32_t seed = 0) : State_(seed) {}
  // A number in 0..n−1 (0 when n < 1).
  int32_t Next(int32_t n);

 private:
  uint32_t State_;
};

// What a wipe reads besides its three buffers: the files of rule images
// (read as layered images with the project's tile seed), the generator and
// where a rule image that cannot be read is reported. Every place may be
// empty: without files no rule image is found, without a generator the
// random kinds use one of seed 0.
struct TWipeContext {
  TStageFiles* Files = nullptr;
  int32_t Seed = 0;
  TWipeRandom* Random = nullptr;
  std::function<void(const std::string& message)> Warn;
};

class TCustomWipe : public TStageWipe {
 public:
  // The buffers belong to the caller and outlive the wipe.
  TCustomWipe(TCustomDIBX* dest, TCustomDIBX* newImage, TCustomDIBX* oldImage);

  bool Reverse = false;
  std::string MaskFile;
  TCustomDIBX* Dest;
  TCustomDIBX* OldImage;
  TCustomDIBX* NewImage;
  int32_t Time = 0;
  int32_t Params[2] = {0, 0};
  TWipeContext Context;

  virtual void SetReverse(bool reverse) { Reverse = reverse; }
  virtual int32_t GetParam(int32_t index) const;
  // Stores parameter 0 or 1; other indices are ignored.
  void SetParam(int32_t index, int32_t value) override;
  void SetMaskFile(const std::string& name) override { MaskFile = name; }
  // Once, after the options and before the first step; a step before it
  // prepares first.
  void Prepare() override;
  // Time ≥ Duration: true, nothing drawn. Otherwise the picture for Time
  // (which the kind may skip when it would not change) and false.
  bool Step() override;

  int32_t Duration() const override { return Duration_; }
  // A duration below 1 counts as 1: a wipe of no length still ends.
  void SetDuration(int32_t ms) { Duration_ = ms < 1 ? 1 : ms; }
  // A negative time counts as 0.
  void SetTime(int32_t ms) override { Time = ms < 0 ? 0 : ms; }
  TRect UpdateRect() const override { return UpdateRect_; }

  int32_t Width() const { return Dest->Width(); }
  int32_t Height() const { return Dest->Height(); }

 protected:
  virtual void DoPrepare() {}
  // Draws the picture for Time, 0 ≤ Time < Duration.
  virtual void Draw() = 0;
  // Time·scale div Duration in 64 bits (0 ≤ result < scale).
  int64_t Progress(int64_t scale) const;

  // Copies a whole picture into the destination.
  void CopyFrom(TCustomDIBX* src) { Dest->Assign(src); }
  // The pixel of grey level g (0..255) in the destination's format.
  uint32_t Gray(int32_t g) const;

 private:
  int32_t Duration_ = 1;
  bool Prepared_ = false;
  TRect UpdateRect_;
};

// level(v, s): v·255 div s capped at 255, and 0 when v < 0 (s ≥ 1).
int32_t WipeLevel(int64_t v, int64_t s);

// A block of the block kinds: its column and row in the grid of blocks.
struct TWipeBlock {
  int32_t Column = 0, Row = 0;
  bool operator==(const TWipeBlock&) const = default;
};

// A span [Left, Right) of a mask row and how it is drawn: a copy of the old
// or the new picture where the mask is all 0 or all 255, a pick of either
// per pixel where every value is 0 or 255, the mask kernel elsewhere.
struct TWipeMaskSpan {
  enum class TKind : uint8_t { Old, New, Select, Blend };
  int32_t Left = 0, Right = 0;
  TKind Kind = TKind::Blend;
};

class TWipeMask : public TCustomWipe {
 public:
  using TCustomWipe::TCustomWipe;

  TDIBX Mask;
  int64_t LastLevel = -1;
  bool Hard = false;

  // Parameter 0 is raised to at least 2, parameter 1 to at least 1.
  void SetParam(int32_t index, int32_t value) override;
  // Rows of the mask; they repeat down the screen. At least 1.
  virtual int32_t MaskHeight() const { return Height(); }

 protected:
  // Sizes the mask to screen width × MaskHeight, cleared to 0.
  void DoPrepare() override;
  // Rebuilds the mask for Time; false when its progress value is the
  // last one (nothing is drawn then).
  virtual bool UpdateMask() = 0;
  void Draw() override;
  // Stores `level` as LastLevel; true when it changed.
  bool NewLevel(int64_t level);
  uint8_t* MaskRow(int32_t y);
  void ClearMask();
  void FillMask(const TRect& rect, uint8_t value);
  // Clears the mask and fills the sectors (from, to) of the circle of
  // `radius` about (cx, cy) with 255 as one polygon each; angles in
  // radians clockwise from 12 o'clock, from ≤ to. A sector of a whole turn
  // or more fills the mask.
  void DrawSectors(const std::vector<std::pair<double, double>>& sectors, double cx, double cy,
                   double radius);
  // The block size min(max(10, p0), W, H) of the block kinds, at least 1.
  int32_t BlockSize(int32_t p0) const;
  // Clears the mask and fills the blocks [first, last) of `blocks` (s × s
  // each) with 255.
  void DrawBlocks(const std::vector<TWipeBlock>& blocks, int32_t s, int64_t first, int64_t last);

 private:
  // Composes each row once from spans of the old picture, the new one and
  // blends; false (nothing drawn) unless both pictures have the
  // destination's format and size.
  bool DrawBySpans();
  // The old picture, then the new one through the mask, in any formats.
  void DrawWhole();

  std::vector<TWipeMaskSpan> Spans_;
  std::vector<size_t> SpanStart_;  // per mask row, its first span; one more at the end
  std::vector<const uint8_t*> MaskRows_;
};

// A mask whose columns each hold one level: the column's order value g
// against the progress b, mask = level(b − g, p1). One row high.
class TWipeOrderHMask : public TWipeMask {
 public:
  using TWipeMask::TWipeMask;
  int32_t MaskHeight() const override { return 1; }

 protected:
  // The order of each column (or row) and the progress scale.
  virtual void BuildOrder(std::vector<int64_t>& order, int64_t& span) = 0;
  // The number of positions ordered: the width here, the height for rows.
  virtual int32_t Positions() const { return Width(); }
  void DoPrepare() override;
  bool UpdateMask() override;
  virtual void Apply(int32_t position, uint8_t value);

  std::vector<int64_t> Order_;
  int64_t Span_ = 1;
};

// As TWipeOrderHMask over the rows: the mask is screen high and each row
// holds one level.
class TWipeOrderVMask : public TWipeOrderHMask {
 public:
  using TWipeOrderHMask::TWipeOrderHMask;
  int32_t MaskHeight() const override { return Height(); }

 protected:
  int32_t Positions() const override { return Height(); }
  void Apply(int32_t position, uint8_t value) override;
};

}  // namespace opal
