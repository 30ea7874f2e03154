#include "components/brio_collection.h"

#include <algorithm>

#include "common/diagnostics.h"
#include "imagefiles/brio_frame_list.h"
#include "storage/stream.h"
#include "storage/vr_file_manager.h"

namespace opal {

namespace {

constexpr std::string_view kMaskSuffix = "?m";
constexpr std::string_view kTrimSuffix = "?t";

// The name and flags a key was built from (KeyOf in reverse).
TBrioDecodeRequest RequestOf(std::string_view key) {
  TBrioDecodeRequest r;
  if (key.ends_with(kTrimSuffix)) {
    r.Trim = true;
    key.remove_suffix(kTrimSuffix.size());
  }
  if (key.ends_with(kMaskSuffix)) {
    r.Mask = true;
    key.remove_suffix(kMaskSuffix.size());
  }
  r.Name = key;
  return r;
}

// The depth a frame is kept at: its own (palette frames widened to 24
// bits) in mode 0, else the screen's.
int32_t TargetBitCount(int32_t frameBits, const TBrioDecodeRequest& request) {
  if (request.DepthMode != 0) return request.ScreenBitCount;
  return frameBits <= 8 ? 24 : frameBits;
}

// The 4 × 4 ordered-dither thresholds, 0…15.
constexpr uint8_t kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Reduces a 32-bit picture to a 15- or 16-bit one with ordered dithering;
// pixels of the key keep exactly the key's reduced value.
void DitherInto(TDIBX& wide, int32_t key, TDIBX& out, int32_t bitCount) {
  out.SetSize(wide.Width(), wide.Height(), bitCount);
  const int greenBits = bitCount == 15 ? 5 : 6;
  for (int32_t y = 0; y < wide.Height(); ++y) {
    for (int32_t x = 0; x < wide.Width(); ++x) {
      const uint32_t p = wide.GetPixel(x, y) & 0xFFFFFF;
      if (key >= 0 && p == static_cast<uint32_t>(key)) {
        out.SetPixel(x, y, static_cast<uint32_t>(out.ColorToPixel(ColourOfPixel32(p))));
        continue;
      }
      const uint32_t t = kBayer[y & 3][x & 3];
      auto reduce = [t](uint32_t c, int bits) {
        const uint32_t step = 1u << (8 - bits);
        return std::min<uint32_t>(255, c + t * step / 16) >> (8 - bits);
      };
      const uint32_t r = reduce(p >> 16 & 0xFF, 5), g = reduce(p >> 8 & 0xFF, greenBits), b = reduce(p & 0xFF, 5);
      out.SetPixel(x, y, bitCount == 15 ? (r << 10 | g << 5 | b) : (r << 11 | g << 5 | b));
    }
  }
  out.DrawRects = wide.DrawRects;
  out.AuxRects = wide.AuxRects;
}

}  // namespace

int32_t ColourOfPixel32(uint32_t p) {
  return static_cast<int32_t>((p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF));
}

int32_t ColourToBufferPixel(const TCustomDIBX& buffer, int32_t colour) {
  if (colour < 0) return -1;
  // 24-bit pixels are 0x00RRGGBB, which ColorToPixel leaves to the caller.
  if (buffer.BitCount() == 24) {
    const uint32_t c = static_cast<uint32_t>(colour);
    return static_cast<int32_t>(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
  }
  return buffer.ColorToPixel(colour);
}

void PlaceholderFrames(int32_t bitCount, std::vector<TBrioItemFrame>& frames) {
  frames.clear();
  TBrioItemFrame f;
  f.Pixels = std::make_unique<TDIBX>();
  f.Pixels->SetSize(8, 8, bitCount);
  f.Pixels->Clear(0);
  f.Pixels->TransparentColor = 0;
  f.TransparentColor = 0;
  f.DisplayTime = 1;
  frames.push_back(std::move(f));
}

void FramesFromList(TBrioFrameList& list, const TBrioDecodeRequest& request,
                    std::vector<TBrioItemFrame>& frames) {
  frames.clear();
  if (request.Mask) list.MakeMasks();
  for (int32_t i = 0; i < list.Count(); ++i) {
    TBrioFrame& src = *list.Frames(i);
    TBrioItemFrame f;
    if (request.Trim) {
      TRect used{0, 0, src.Width(), src.Height()};
      src.Trim(used);
      f.OffsetX = used.Left;
      f.OffsetY = used.Top;
    }
    f.Pixels = std::make_unique<TDIBX>();
    const int32_t bits = TargetBitCount(src.BitCount(), request);
    if ((bits == 15 || bits == 16) && src.BitCount() >= 24) {
      TDIBX wide;
      wide.SetBitCount(32);
      src.ToPixelBuffer(wide);
      DitherInto(wide, ColourToBufferPixel(wide, src.TransparentColor), *f.Pixels, bits);
    } else {
      f.Pixels->SetBitCount(bits);
      src.ToPixelBuffer(*f.Pixels);
    }
    f.TransparentColor = ColourToBufferPixel(*f.Pixels, src.TransparentColor);
    f.Pixels->TransparentColor = f.TransparentColor;
    if (src.HasAlpha()) {
      f.Mask = std::make_unique<TDIBX>();
      f.Mask->SetBitCount(8);
      src.MaskToPixelBuffer(*f.Mask);
    }
    // A stored 0 (or a damaged negative time) would stop the animation clock.
    f.DisplayTime = std::max<int32_t>(1, src.DisplayTime);
    frames.push_back(std::move(f));
  }
}

void DecodeBrioFrames(TStream& file, const TBrioDecodeRequest& request,
                      std::vector<TBrioItemFrame>& frames) {
  TBrioFrameList list(request.Seed);
  list.LoadFromStream(file, false);
  FramesFromList(list, request, frames);
}

TBrioCollection::TBrioCollection() : Decoder(DecodeBrioFrames) {}

TBrioCollection::~TBrioCollection() = default;

void TBrioCollection::UseFiles(TVrFileManager* files) {
  if (files == nullptr) {
    Knows = nullptr;
    Reader = nullptr;
    return;
  }
  Knows = [files](std::string_view name) { return files->Exists(name); };
  Reader = [files](std::string_view name, TStream& out) { files->LoadToStream(out, name); };
}

std::string TBrioCollection::KeyOf(std::string_view name, bool trim, bool mask) {
  std::string key(name);
  if (mask) key += kMaskSuffix;
  if (trim) key += kTrimSuffix;
  return key;
}

TBrioItem* TBrioCollection::Find(std::string_view key) const {
  auto it = Items_.find(std::string(key));
  return it == Items_.end() ? nullptr : it->second.get();
}

TBrioItem* TBrioCollection::Acquire(const void* owner, std::string_view name, bool trim, bool mask) {
  std::string key = KeyOf(name, trim, mask);
  TBrioItem* item = Find(key);
  if (item == nullptr) {
    auto fresh = std::make_unique<TBrioItem>();
    fresh->Key = key;
    // Throws before the item is listed. A picture the game does not have
    // shows as the placeholder; it is reported once, when first asked for.
    if (!Decode(*fresh) && Knows && !name.empty()) ReportError("picture " + std::string(name) + " not found");
    item = fresh.get();
    Items_.emplace(std::move(key), std::move(fresh));
  }
  item->Owners.push_back(owner);
  return item;
}

void TBrioCollection::Release(TBrioItem* item, const void* owner) {
  if (item == nullptr) return;
  auto it = Items_.find(item->Key);
  if (it == Items_.end() || it->second.get() != item) return;
  auto& owners = item->Owners;
  auto pos = std::find(owners.begin(), owners.end(), owner);
  if (pos == owners.end()) return;
  owners.erase(pos);
  if (owners.empty()) Items_.erase(it);
}

bool TBrioCollection::Decode(TBrioItem& item) {
  TBrioDecodeRequest request = RequestOf(item.Key);
  request.Seed = Seed;
  request.DepthMode = DepthMode_;
  request.ScreenBitCount = ScreenBitCount;
  std::vector<TBrioItemFrame> frames;
  const bool known = Knows && Knows(request.Name);
  if (known && Reader && Decoder) {
    TMemoryStream file;
    Reader(request.Name, file);
    file.SetPosition(0);
    Decoder(file, request, frames);
  }
  // A file without frames shows as unknown: every image needs a frame 0.
  if (frames.empty()) PlaceholderFrames(ScreenBitCount, frames);
  item.Frames = std::move(frames);
  item.Width = item.Frames[0].Pixels ? item.Frames[0].Pixels->Width() : 0;
  item.Height = item.Frames[0].Pixels ? item.Frames[0].Pixels->Height() : 0;
  item.TotalTime = 0;
  for (const TBrioItemFrame& f : item.Frames) item.TotalTime += f.DisplayTime;
  ++item.Generation;
  return known;
}

void TBrioCollection::SetDepthMode(uint8_t mode) {
  if (mode == DepthMode_) return;
  DepthMode_ = mode;
  RecreatePixels();
}

void TBrioCollection::SaveToStream(TStream& s) const { WriteByte(s, DepthMode_); }

void TBrioCollection::LoadFromStream(TStream& s, int32_t version) {
  if (version > 100) SetDepthMode(ReadByte(s));
}

void TBrioCollection::ReleasePixels() {
  for (auto& [key, item] : Items_) {
    for (TBrioItemFrame& f : item->Frames) {
      if (f.Pixels) f.Pixels->ReleaseImage();
      if (f.Mask) f.Mask->ReleaseImage();
    }
    ++item->Generation;
  }
}

void TBrioCollection::RecreatePixels() {
  for (auto& [key, item] : Items_) {
    try {
      Decode(*item);
    } catch (const std::exception& e) {
      // The file decoded before; if it no longer does, the objects keep a
      // placeholder rather than a screen-mode change failing halfway.
      ReportError("picture " + RequestOf(item->Key).Name + ": " + e.what());
      PlaceholderFrames(ScreenBitCount, item->Frames);
      item->Width = item->Height = 8;
      item->TotalTime = 1;
      ++item->Generation;
    }
  }
}

}  // namespace opal
