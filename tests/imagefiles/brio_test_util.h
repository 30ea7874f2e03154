// Pictures and layered files built in memory for the layered-image tests.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imagefiles/brio_encoder.h"
#include "hand_bytes.h"
#include "imagefiles/brio_frame_list.h"
#include "storage/stream.h"

namespace opal::testing {

// A picture of deterministic noise; palette depths get a table of distinct
// colours. 15-bit pixels keep bit 15 clear.
inline TDIBSurface NoisePicture(int32_t w, int32_t h, int32_t bits, uint32_t seed = 7) {
  TDIBSurface s;
  s.SetSize(w, h, bits);
  for (int i = 0; i < 256; ++i)
    s.ColorTable[i] = {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7), 0};
  const uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : bits == 15 ? 0x7FFFu : (1u << bits) - 1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      seed = seed * 1664525u + 1013904223u;
      s.SetPixel(x, y, (seed >> 7) & mask);
    }
  return s;
}

inline std::unique_ptr<TDIBSurface> NoiseAlpha(int32_t w, int32_t h, uint32_t seed = 3) {
  return std::make_unique<TDIBSurface>(NoisePicture(w, h, 8, seed));
}

inline std::vector<uint8_t> Encode(const TBrioFrameList& list, const TBrioEncodeOptions& o) {
  TMemoryStream s;
  TBrioEncoder(o).Write(list, s);
  return s.Bytes();
}

inline void Decode(const std::vector<uint8_t>& bytes, TBrioFrameList& list, bool firstOnly = false) {
  TMemoryStream s(bytes);
  list.LoadFromStream(s, firstOnly);
}

// Pixel equality of two pictures (values, not padding), alpha planes too.
inline bool SamePixels(const TDIBSurface& a, const TDIBSurface& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCount() != b.BitCount()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  if (a.HasAlpha() != b.HasAlpha()) return false;
  return !a.HasAlpha() || SamePixels(*a.AlphaPlane, *b.AlphaPlane);
}

// Layered files written by hand, field by field.
struct TBrioBytes : THandBytesOf<TBrioBytes> {
  // Magic, header length 40 and the header block of versions from 103.
  TBrioBytes& Header(int32_t version, int32_t frames, uint8_t scrambled, uint8_t mode,
                     int32_t background = 0, int32_t tw = 0, int32_t th = 0, uint8_t opaque = 0) {
    Raw("Brio" + std::to_string(version)).I32(40);
    I32(version).I32(0).I32(0).I32(0).I32(frames).Raw({1, scrambled, mode, 0});
    return I32(background).I32(tw).I32(th).Raw({opaque, 0, 0, 0});
  }
  // A frame up to its colour table (not included).
  TBrioBytes& Frame(int32_t layers, int32_t w, int32_t h, int32_t bits, int32_t tv = -1,
                    int32_t time = 100) {
    return Str("").I32(tv).I32(time).U8(0).I32(0).I32(layers).I32(w).I32(h).I32(bits);
  }
  // A layer up to its colour data (use alpha byte included).
  TBrioBytes& Layer(int32_t tv = -1, int32_t opacity = 255, uint8_t useAlpha = 0, uint8_t visible = 1) {
    return I32(0).I32(0).U8(visible).I32(tv).I32(opacity).U8(useAlpha).Str("L");
  }
  TBrioBytes& Block(const std::vector<uint8_t>& bytes) {
    I32(static_cast<int32_t>(bytes.size()));
    Data.insert(Data.end(), bytes.begin(), bytes.end());
    return *this;
  }
};

}  // namespace opal::testing
