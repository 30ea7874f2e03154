// The layered, animated picture format (".bri"): TBrioFrameList is a file,
// TBrioFrame one frame of its animation, TBrioLayer one layer of a frame.
// Layers live only while their frame is read; afterwards each frame keeps
// its flattened canvas (with its alpha plane), name, display time,
// transparency and rectangle lists.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imagefiles/brio_blocks.h"
#include "imagefiles/dib_surface.h"
#include "raster/rect.h"

namespace opal {

class TStream;

struct TBrioLayer {
  bool Visible = true;
  int32_t TransparentValue = -1;
  int32_t Opacity = 255;
  bool UseAlpha = false;
  std::string Name;
  TDIBSurface Image;
};

class TBrioFrame {
 public:
  std::string Name;
  int32_t DisplayTime = 100;
  int32_t TransparentValue = -1;
  int32_t TransparentColor = -1;
  TDIBSurface Picture;
  std::vector<TRect> DrawRects;
  std::vector<TRect> AuxRects;
  // Only while the frame is being read, or when a writer builds a file.
  std::vector<std::unique_ptr<TBrioLayer>> Layers;

  bool HasAlpha() const { return Picture.HasAlpha(); }
  int32_t Width() const;
  int32_t Height() const;
  int32_t BitCount() const;

  void MakeMask();
  void Trim(TRect& rect);
  void ToPixelBuffer(TCustomDIBX& buffer) const;
  void MaskToPixelBuffer(TCustomDIBX& buffer) const;
};

class TBrioFrameList {
 public:
  explicit TBrioFrameList(int32_t seed = 0) : TileSeed(seed) {}

  int32_t Version = 0;
  int32_t BackgroundColor = 0;
  const int32_t TileSeed;
  bool OpaqueBottom = false;
  // The header as the last load read it (older versions: the implied values).
  TBrioHeader Header;
  // Tools and tests may keep the layers of every frame after a load.
  bool KeepLayers = false;
  // Pixel storage one load may make for canvases, layers and alpha planes
  // together; a file that needs more is rejected.
  static constexpr int64_t kMaxLoadBytes = int64_t{1} << 30;
  int64_t LoadBudget = kMaxLoadBytes;

  // Reads a file from the stream's position; EFormatError, EStreamError or
  // a decoder's error on bad data.
  void LoadFromStream(TStream& stream, bool firstOnly);
  // By extension (.bri, .png, .bmp, .dib); other extensions do nothing.
  void LoadFromFile(const std::string& name, bool firstOnly);
  // Mode 0 zlib, 1 raw, 2 JPEG colour with zlib alpha; quality for JPEG.
  void SaveToStream(TStream& stream, int32_t mode, int32_t quality) const;
  void SaveToFile(const std::string& name) const;

  TBrioFrame* AddFrame();
  void MakeMasks();
  int32_t Count() const { return static_cast<int32_t>(Frames_.size()); }
  TBrioFrame* Frames(int32_t i) { return Frames_.at(static_cast<size_t>(i)).get(); }
  const TBrioFrame* Frames(int32_t i) const { return Frames_.at(static_cast<size_t>(i)).get(); }
  void Clear() { Frames_.clear(); }

 private:
  friend class TBrioReader;
  std::vector<std::unique_ptr<TBrioFrame>> Frames_;
};

}  // namespace opal
