// TOpalImageData: one cached frame as one object shows it (possibly through
// a brightness-adjusted private copy). TOpalImageList: the frames of one
// cache item as one object shows them, with the current frame and its
// remaining display time.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "components/brio_collection.h"

namespace opal {

class TOpalImageData {
 public:
  TOpalImageData(TBrioItem* item, int32_t index) : Item_(item), Index_(index) {}

  // The cache frame, or null when the item has no frame of this index.
  const TBrioItemFrame* Frame() const;
  // What is shown: the cache frame's pixels when the offset is 0, else the
  // adjusted copy. Null without pixels.
  TCustomDIBX* Pixels();
  TCustomDIBX* Mask() const;
  // A pixel of the shown buffer's format, −1 none.
  int32_t TransparentColor();
  int32_t DisplayTime() const;
  int32_t Brightness() const { return Brightness_; }
  // Adds (b > 0) or subtracts (b < 0) |b| on every channel with saturation,
  // the transparent colour adjusted the same way so keyed pixels stay keyed.
  void SetBrightness(int32_t b);
  // Drops the private copy (screen-mode change); it is made again on use.
  void ReleasePixels() { Copy_.reset(); }

 private:
  void Refresh();

  TBrioItem* Item_;
  int32_t Index_;
  int32_t Brightness_ = 0;
  std::unique_ptr<TDIBX> Copy_;
  int32_t CopyBrightness_ = 0;
  uint64_t CopyGeneration_ = 0;
};

class TOpalImageList {
 public:
  TOpalImageList() = default;
  ~TOpalImageList() { Clear(); }
  TOpalImageList(const TOpalImageList&) = delete;
  TOpalImageList& operator=(const TOpalImageList&) = delete;

  // Clears, acquires the item (no trim) and lists its frames; frame 0 with
  // its time + 1 left. May throw the decoder's error (the list is then empty).
  void Load(TBrioCollection& cache, std::string_view name, bool mask);
  // Releases the cache item.
  void Clear();
  // Clamped to the last frame; the time left becomes that frame's time + 1.
  void SetFrame(int32_t index);
  // Counts down by `elapsedMs`, stepping (and wrapping) while under 1 ms
  // remains; the remainder is dropped on a wrap. True when the frame changed.
  bool Advance(int32_t elapsedMs);

  int32_t Count() const { return static_cast<int32_t>(Frames_.size()); }
  bool Empty() const { return Frames_.empty(); }
  TOpalImageData* Data(int32_t index);
  TOpalImageData* Current() { return Data(Index); }
  TBrioItem* Item() const { return Item_; }
  void ReleasePixels();

  int32_t Index = 0;
  int64_t TimeLeft = 0;

 private:
  TBrioCollection* Cache_ = nullptr;
  TBrioItem* Item_ = nullptr;
  std::vector<TOpalImageData> Frames_;
};

}  // namespace opal
