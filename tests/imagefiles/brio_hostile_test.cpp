// Damaged and hostile layered files: every one is refused with
// EFormatError or EStreamError, and no prefix of a sound file crashes.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "brio_test_util.h"
#include "common/error.h"
#include "imagefiles/jpeg_codec.h"
#include "storage/zlib_codec.h"

namespace opal {
namespace {

using testing::Decode;
using testing::Encode;
using testing::NoisePicture;
using testing::TBrioBytes;

bool Refused(const std::vector<uint8_t>& bytes, int64_t budget = TBrioFrameList::kMaxLoadBytes) {
  TBrioFrameList list(99);
  list.LoadBudget = budget;
  try {
    Decode(bytes, list);
  } catch (const EFormatError&) {
    return list.Count() == 0;
  } catch (const EStreamError&) {
    return list.Count() == 0;
  }
  return false;
}

// A 4 × 1 8-bit file of version 106, mode 1, tiles of 1 × 1 whose table the
// case gives (four entries).
std::vector<uint8_t> TiledFile(const std::vector<std::pair<int32_t, int32_t>>& table, int32_t frames = 1) {
  TBrioBytes b;
  b.Header(106, frames, 0, 1, 0, 1, 1);
  for (int32_t f = 0; f < frames; ++f) {
    b.Frame(1, 4, 1, 8);
    for (int i = 0; i < 256; ++i) b.I32(0);
    b.Layer();
    TBrioBytes block;
    for (auto [kind, arg] : table) block.I32(kind).I32(arg);
    for (auto [kind, arg] : table)
      if (kind == -1) block.U8(7);
    b.Block(block.Data).I32(0).I32(0).I32(0);
  }
  return b.Data;
}

TEST(BrioHostile, TiledFileBuilderIsSound) {
  TBrioFrameList list;
  Decode(TiledFile({{-1, 0}, {-2, 0}, {-1, 0}, {-2, 2}}), list);
  EXPECT_EQ(list.Frames(0)->Picture.GetPixel(3, 0), 7u);
  Decode(TiledFile({{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, 2), list);
  EXPECT_EQ(list.Count(), 2);
}

std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, size_t offset, int32_t v) {
  StoreLE32(bytes.data() + offset, static_cast<uint32_t>(v));
  return bytes;
}

TEST(BrioHostile, Table) {
  TBrioFrameList good;
  good.AddFrame()->Picture = NoisePicture(4, 3, 24);
  TBrioEncodeOptions raw;
  raw.Mode = 1;
  const std::vector<uint8_t> sound = Encode(good, raw);
  // Offsets in `sound`: header length 7, block 11..50, frame from 51.
  const size_t frameStart = 51, layerStart = frameStart + 4 + 4 + 4 + 5 + 4 + 12;
  const size_t colourSize = layerStart + 8 + 1 + 4 + 4 + 1 + 4 + 5;
  TBrioEncodeOptions zlib;
  const std::vector<uint8_t> packed = Encode(good, zlib);

  TBrioBytes bigZlib;  // a zlib block that expands past the picture
  {
    bigZlib.Header(106, 1, 0, 0).Frame(1, 2, 2, 8);
    for (int i = 0; i < 256; ++i) bigZlib.I32(0);
    const std::vector<uint8_t> zeros(100000, 0);
    bigZlib.Layer().Block(Deflate(zeros.data(), zeros.size())).I32(0).I32(0).I32(0);
  }
  TBrioBytes shortZlib;  // a sound zlib block of fewer bytes than the picture's rows
  {
    shortZlib.Header(106, 1, 0, 0).Frame(1, 2, 2, 8);
    for (int i = 0; i < 256; ++i) shortZlib.I32(0);
    const std::vector<uint8_t> zeros(3, 0);
    shortZlib.Layer().Block(Deflate(zeros.data(), zeros.size())).I32(0).I32(0).I32(0);
  }
  TBrioBytes wrongJpeg;  // a JPEG of 8 × 8 in a 4 × 3 frame
  {
    wrongJpeg.Header(106, 1, 0, 2).Frame(1, 4, 3, 24).Layer();
    wrongJpeg.Block(EncodeJpeg(NoisePicture(8, 8, 24), 80)).I32(0).I32(0).I32(0);
  }
  TBrioBytes badJpeg;
  badJpeg.Header(106, 1, 0, 2).Frame(1, 4, 3, 24).Layer().Block({0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3}).I32(0).I32(0).I32(0);

  TBrioBytes pastRow;  // 1-bit, 40 wide, 1 × 1 tiles: tile 39 starts at byte 39 of an 8-byte row
  {
    pastRow.Header(106, 1, 0, 1, 0, 1, 1).Frame(1, 40, 1, 1).I32(0).I32(0).Layer();
    TBrioBytes block;
    for (int i = 0; i < 40; ++i) block.I32(-1).I32(0);
    for (int i = 0; i < 40; ++i) block.U8(1);
    pastRow.Block(block.Data).I32(0).I32(0).I32(0);
  }

  struct TCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
  };
  const std::vector<TCase> cases = {
      {"magic digits", [&] { auto b = sound; b[5] = 'x'; return b; }()},
      {"magic cut", {'B', 'r', 'i', 'o', '1'}},
      {"header length 41", Patched(sound, 7, 41)},
      {"header length -1", Patched(sound, 7, -1)},
      {"frame count -1", Patched(sound, 11 + 16, -1)},
      {"frame count too big", Patched(sound, 11 + 16, 1000000)},
      {"storage mode 3", [&] { auto b = sound; b[11 + 22] = 3; return b; }()},
      {"layer count -1", Patched(sound, frameStart + 17, -1)},
      {"layer count too big", Patched(sound, frameStart + 17, 1 << 30)},
      {"width -1", Patched(sound, frameStart + 21, -1)},
      {"width huge", Patched(sound, frameStart + 21, 40000)},
      {"bits 7", Patched(sound, frameStart + 29, 7)},
      {"colour size -1", Patched(sound, colourSize, -1)},
      {"colour size past end", Patched(sound, colourSize, 1 << 30)},
      {"colour block short", [&] {
         auto b = Patched(sound, colourSize, 35);  // 36 bytes are needed
         b.erase(b.begin() + static_cast<long>(colourSize + 4));
         return b;
       }()},
      {"rect count past end", [&] { auto b = sound; b.resize(b.size() - 8); b.push_back(50); b.insert(b.end(), 7, 0); return b; }()},
      {"zlib damaged", [&] { auto b = packed; b[colourSize + 6] ^= 0xFF; b[colourSize + 7] ^= 0x55; return b; }()},
      {"zlib too long", bigZlib.Data},
      {"zlib too short", shortZlib.Data},
      {"jpeg other size", wrongJpeg.Data},
      {"jpeg damaged", badJpeg.Data},
      {"tile past its row", pastRow.Data},
      {"tile -2 to itself", TiledFile({{-1, 0}, {-2, 1}, {-1, 0}, {-1, 0}})},
      {"tile -2 to a later tile", TiledFile({{-1, 0}, {-2, 3}, {-1, 0}, {-1, 0}})},
      {"tile -2 negative", TiledFile({{-1, 0}, {-2, -1}, {-1, 0}, {-1, 0}})},
      {"tile kind -3", TiledFile({{-3, 0}, {-1, 0}, {-1, 0}, {-1, 0}})},
      {"tile of the current frame", TiledFile({{0, 0}, {-1, 0}, {-1, 0}, {-1, 0}})},
      {"tile of a later frame", TiledFile({{1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, 2)},
      {"tile of a missing layer", [] {
         auto a = TiledFile({{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, 2);
         // Second frame's first tile refers to layer 1 of frame 0.
         const auto one = TiledFile({{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}, 1);
         const size_t table = one.size() + 33 + 1024 + 23 + 4;  // frames are the same length
         StoreLE32(a.data() + table, 0);
         StoreLE32(a.data() + table + 4, 1);
         return a;
       }()},
      {"tile data short", [] { auto b = TiledFile({{-1, 0}, {-1, 0}, {-1, 0}, {-1, 0}}); b.erase(b.end() - 13); return b; }()},
  };
  for (const TCase& c : cases) {
    EXPECT_TRUE(Refused(c.Bytes)) << c.Name;
    if (std::getenv("BRIO_SHOW_REASONS")) {
      TBrioFrameList l;
      try { Decode(c.Bytes, l); } catch (const EOpalError& e) { std::printf("%s: %s\n", c.Name, e.what()); }
    }
  }
  // Rows inflate straight into the picture, with the messages of inflating
  // them apart and then placing them.
  for (const auto& [bytes, message] : {std::pair{bigZlib.Data, "compressed data expands past 8 bytes"},
                                       std::pair{shortZlib.Data, "pixel block of 3 bytes, 8 expected"}}) {
    TBrioFrameList l;
    try {
      Decode(bytes, l);
      ADD_FAILURE() << message;
    } catch (const EOpalError& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
  }
  EXPECT_TRUE(Refused(sound, 40)) << "budget";
  EXPECT_FALSE(Refused(sound)) << "the sound file";
}

TEST(BrioHostile, EveryPrefixIsRefused) {
  TBrioFrameList list(31);
  for (int f = 0; f < 2; ++f) {
    TBrioFrame* frame = list.AddFrame();
    frame->Picture = NoisePicture(9, 7, 16, f == 0 ? 1 : 1);
    frame->Picture.AlphaPlane = std::make_unique<TDIBSurface>(NoisePicture(9, 7, 8, 4));
    frame->DrawRects = {{0, 0, 2, 2}};
  }
  for (int32_t mode : {0, 1}) {
    TBrioEncodeOptions o;
    o.Mode = mode;
    o.TileWidth = o.TileHeight = 4;
    o.Scrambled = true;
    o.TileSeed = 31;
    const std::vector<uint8_t> bytes = Encode(list, o);
    for (size_t n = 0; n < bytes.size(); ++n)
      ASSERT_TRUE(Refused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(n)))) << "prefix " << n;
  }
}

}  // namespace
}  // namespace opal
