// TBrioEncoder writes layered image files of any version and layout: the
// player's own writer (TBrioFrameList::SaveToStream) and the authoring tool
// both go through it.
#pragma once

#include <cstdint>
#include <vector>

#include "imagefiles/brio_blocks.h"
#include "imagefiles/brio_frame_list.h"

namespace opal {

class TStream;

struct TBrioEncodeOptions {
  // 0 (no magic), 100 … 106; from 103 the header block carries this as the
  // header version.
  int32_t Version = 106;
  int32_t Mode = 0;  // 0 zlib, 1 raw, 2 JPEG colour + zlib alpha (from 103)
  bool Scrambled = false;  // rows or tile tables in TileSeed order (from 103)
  int32_t TileWidth = 0;   // tiles when both are > 0 (from 103, not mode 2)
  int32_t TileHeight = 0;
  bool ReuseTiles = true;  // kinds −2 and ≥ 0 for tiles seen before
  int32_t Quality = 70;
  int32_t TileSeed = 0;
  bool OpaqueBottom = false;
  int32_t BackgroundColor = 0;
  bool WriteRects = true;  // the frames' rectangle lists, else empty lists
};

class TBrioEncoder {
 public:
  explicit TBrioEncoder(const TBrioEncodeOptions& options);

  // Writes every frame of the list: its layers when it holds any, else one
  // visible layer named "Layer" made from its canvas. Throws EFormatError
  // for options the version cannot store or layers that differ in size or
  // depth from the frame's first layer.
  void Write(const TBrioFrameList& list, TStream& stream) const;

  // The tile table the encoder chooses for an image: reuse of an earlier
  // tile of the same image (−2) or of the same place in an earlier frame's
  // layer (≥ 0), else the tile's own pixels (−1). earlier[f][l] is the
  // matching picture of layer l of frame f (null when there is none).
  std::vector<TTileEntry> ChooseTiles(const TDIBSurface& image,
                                      const std::vector<std::vector<const TDIBSurface*>>& earlier) const;

 private:
  struct TLayerView {
    bool Visible;
    int32_t TransparentValue;
    int32_t Opacity;
    bool UseAlpha;
    const std::string* Name;
    const TDIBSurface* Image;
  };
  void CheckOptions() const;
  TBrioHeader Header(const TBrioFrameList& list) const;
  std::vector<TLayerView> Views(const TBrioFrame& frame) const;
  void WriteFrame(TStream& s, const TBrioHeader& h, const TBrioFrame& frame,
                  const std::vector<std::vector<TLayerView>>& earlier) const;
  void WriteImage(TStream& s, const TBrioHeader& h, const TDIBSurface* image, bool alpha,
                  const std::vector<std::vector<TLayerView>>& earlier) const;

  TBrioEncodeOptions O_;
};

}  // namespace opal
