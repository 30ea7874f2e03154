// TBrioCollection: the image cache. Every picture file is decoded once per
// variant (mask asked, trim asked) into a TBrioItem and shared by every
// object that shows it; an item lives while any acquisition of it is held.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "raster/dibx.h"

namespace opal {

class TBrioFrameList;
class TStream;
class TVrFileManager;

// One decoded frame: pixels whose TransparentColor (a pixel of their own
// format, −1 none) is set, an optional 8-bit mask, the display time (at
// least 1 ms) and the offset of the used rectangle when trimmed.
struct TBrioItemFrame {
  std::unique_ptr<TDIBX> Pixels;
  std::unique_ptr<TDIBX> Mask;
  int32_t TransparentColor = -1;
  int32_t DisplayTime = 1;
  int32_t OffsetX = 0, OffsetY = 0;
};

struct TBrioItem {
  std::string Key;
  // One entry per acquisition: an owner that acquired twice is listed twice.
  std::vector<const void*> Owners;
  std::vector<TBrioItemFrame> Frames;
  int32_t Width = 0, Height = 0;  // of the first frame
  int64_t TotalTime = 0;
  // Counts the decodings, so that private copies of frames notice that the
  // frames were replaced (depth or screen-mode change).
  uint64_t Generation = 0;
};

// What decoding an item needs to know besides the file.
struct TBrioDecodeRequest {
  std::string Name;  // the file name, without the key's suffixes
  bool Mask = false;
  bool Trim = false;
  int32_t Seed = 0;
  uint8_t DepthMode = 0;
  int32_t ScreenBitCount = 32;
};

class TBrioCollection {
 public:
  // Reads a file the project knows into a stream; may throw.
  using TReader = std::function<void(std::string_view name, TStream& out)>;
  // Whether the project knows the file.
  using TKnows = std::function<bool(std::string_view name)>;
  // Decodes file bytes into frames; the default is DecodeBrioFrames.
  using TDecoder = std::function<void(TStream& file, const TBrioDecodeRequest& request,
                                      std::vector<TBrioItemFrame>& frames)>;

  TBrioCollection();
  ~TBrioCollection();
  TBrioCollection(const TBrioCollection&) = delete;
  TBrioCollection& operator=(const TBrioCollection&) = delete;

  // Files come from the file manager; a name it does not have is unknown.
  void UseFiles(TVrFileManager* files);

  // The item of (name, trim, mask), decoded on first use; `owner` is listed
  // once more. A file that cannot be decoded raises its decoder's error and
  // leaves no item behind.
  TBrioItem* Acquire(const void* owner, std::string_view name, bool trim, bool mask);
  // Removes one acquisition of `owner`; the item is freed with its last.
  void Release(TBrioItem* item, const void* owner);

  static std::string KeyOf(std::string_view name, bool trim, bool mask);
  TBrioItem* Find(std::string_view key) const;
  size_t Count() const { return Items_.size(); }

  // 0 keeps each frame's stored depth (palette frames widened to 24 bits);
  // otherwise frames are converted to the screen depth. A change decodes
  // every item again.
  uint8_t DepthMode() const { return DepthMode_; }
  void SetDepthMode(uint8_t mode);
  // The mode's byte in a saved game; read only from save version 101 on.
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s, int32_t version);
  // Frees the frames' pixels / decodes every item again (screen-mode change).
  void ReleasePixels();
  void RecreatePixels();

  int32_t ScreenBitCount = 32;
  int32_t Seed = 0;  // the project's ImageTileSeed
  TKnows Knows;
  TReader Reader;
  TDecoder Decoder;

 private:
  // False when the game has no such file (the item gets the placeholder).
  bool Decode(TBrioItem& item);

  std::unordered_map<std::string, std::unique_ptr<TBrioItem>> Items_;
  uint8_t DepthMode_ = 0;
};

// The one 8×8 frame of an unknown file: colour 0, transparent colour 0.
void PlaceholderFrames(int32_t bitCount, std::vector<TBrioItemFrame>& frames);
// Turns decoded layered-image frames into cache frames.
void FramesFromList(TBrioFrameList& list, const TBrioDecodeRequest& request,
                    std::vector<TBrioItemFrame>& frames);
// The default decoder: reads the layered image and calls FramesFromList.
void DecodeBrioFrames(TStream& file, const TBrioDecodeRequest& request,
                      std::vector<TBrioItemFrame>& frames);

// A 32-bit pixel 0x00RRGGBB as the colour 0x00BBGGRR.
int32_t ColourOfPixel32(uint32_t pixel);
// A 0x00BBGGRR colour as a pixel of the buffer's format (−1 stays −1).
int32_t ColourToBufferPixel(const TCustomDIBX& buffer, int32_t colour);

}  // namespace opal
