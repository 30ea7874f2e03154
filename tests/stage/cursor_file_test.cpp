// Cursor files: pictures written by our writer read back with their hot
// spots, older bitmap depths, the first frame of an animation, and damaged
// files that end in an error.
#include <gtest/gtest.h>

#include <functional>

#include "common/error.h"
#include "stage/cursor_file.h"

namespace opal {
namespace {

TCursorImage Sample(int32_t w, int32_t h, uint32_t seed) {
  TCursorImage image{w, h, w / 2, h - 1, {}};
  for (int32_t i = 0; i < w * h; ++i) {
    const uint32_t rgb = (seed * 2654435761u + static_cast<uint32_t>(i) * 40503u) & 0xFFFFFF;
    image.Pixels.push_back(i % 3 == 0 ? 0 : (0xFF000000u | rgb));
  }
  return image;
}

void ExpectSame(const TCursorImage& a, const TCursorImage& b) {
  EXPECT_EQ(a.Width, b.Width);
  EXPECT_EQ(a.Height, b.Height);
  EXPECT_EQ(a.HotX, b.HotX);
  EXPECT_EQ(a.HotY, b.HotY);
  EXPECT_EQ(a.Pixels, b.Pixels);
}

TEST(CursorFile, CursorsAndTheFirstFrameOfAnAnimationReadBack) {
  for (auto [w, h] : {std::pair{1, 1}, std::pair{32, 32}, std::pair{33, 7}, std::pair{256, 256}}) {
    TCursorImage image = Sample(w, h, 1);
    ExpectSame(ReadCursorFile(WriteCursorFile(image)), image);
    TCursorImage second = Sample(w, h, 2);
    ExpectSame(ReadCursorFile(WriteAniFile({image, second}, 6)), image);
  }
}

// A 1-bit cursor: a two-entry palette and the AND mask for transparency;
// a masked pixel with colour inverts the screen and shows black.
TEST(CursorFile, MonochromeCursorUsesItsMask) {
  std::vector<uint8_t> f = {0, 0, 2, 0, 1, 0,                       // directory: cursor, 1 entry
                            2, 2, 2, 0, 1, 0, 1, 0, 56, 0, 0, 0, 22, 0, 0, 0};  // 2x2, hot (1,1)
  std::vector<uint8_t> header(40, 0);  // 2x(2+2), 1 plane, 1 bit
  header[0] = 40, header[4] = 2, header[8] = 4, header[12] = 1, header[14] = 1;
  for (uint8_t b : header) f.push_back(b);
  for (uint8_t b : {0, 0, 0, 0, 255, 255, 255, 0}) f.push_back(b);  // black, white
  // Colour rows bottom-up: bottom row "white black", top row "black white".
  for (uint8_t b : {0x80, 0, 0, 0, 0x40, 0, 0, 0}) f.push_back(b);
  // Mask rows bottom-up: bottom row "masked, clear", top row "clear, masked".
  for (uint8_t b : {0x80, 0, 0, 0, 0x40, 0, 0, 0}) f.push_back(b);
  f[14] = static_cast<uint8_t>(f.size() - 22);
  TCursorImage image = ReadCursorFile(f);
  EXPECT_EQ(image.HotX, 1);
  EXPECT_EQ(image.Pixels, (std::vector<uint32_t>{0xFF000000, 0xFF000000, 0xFF000000, 0xFF000000}));
  f[f.size() - 8] = 0;  // the bottom-left pixel is no longer masked: white shows
  EXPECT_EQ(ReadCursorFile(f).Pixels[2], 0xFFFFFFFFu);
}

TEST(CursorFile, DamagedFilesAreErrors) {
  const std::vector<uint8_t> good = WriteCursorFile(Sample(4, 4, 3));
  const std::vector<uint8_t> ani = WriteAniFile({Sample(4, 4, 3)}, 6);
  using TEdit = std::function<void(std::vector<uint8_t>&)>;
  auto put32 = [](std::vector<uint8_t>& f, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
  };
  const std::pair<const char*, TEdit> cases[] = {
      {"empty", [](auto& f) { f.clear(); }},
      {"cut directory", [](auto& f) { f.resize(10); }},
      {"cut picture", [](auto& f) { f.resize(f.size() - 1); }},
      {"type 3", [](auto& f) { f[2] = 3; }},
      {"no entries", [](auto& f) { f[4] = 0; }},
      {"many entries", [](auto& f) { f[4] = 0xFF, f[5] = 0xFF; }},
      {"offset past the end", [&](auto& f) { put32(f, 18, 0xFFFFFFF0u); }},
      {"size past the end", [&](auto& f) { put32(f, 14, 0x7FFFFFFFu); }},
      {"header size", [&](auto& f) { put32(f, 22, 0xFFFFFFFFu); }},
      {"width 0", [&](auto& f) { put32(f, 26, 0); }},
      {"width huge", [&](auto& f) { put32(f, 26, 0x40000000u); }},
      {"height negative", [&](auto& f) { put32(f, 30, 0xFFFFFFF8u); }},
      {"7 bits", [](auto& f) { f[36] = 7; }},
      {"compressed", [](auto& f) { f[38] = 1; }},
      {"palette too big", [&](auto& f) { f[36] = 8, put32(f, 54, 1000); }},
      {"PNG", [](auto& f) { f[22] = 0x89, f[23] = 'P', f[24] = 'N', f[25] = 'G'; }},
  };
  for (const auto& [what, edit] : cases) {
    std::vector<uint8_t> f = good;
    edit(f);
    EXPECT_THROW(ReadCursorFile(f), EFormatError) << what;
  }
  const std::pair<const char*, TEdit> aniCases[] = {
      {"not ACON", [](auto& f) { f[8] = 'X'; }},
      {"chunk past the end", [&](auto& f) { put32(f, 16, 0x7FFFFFF0u); }},
      {"cut", [](auto& f) { f.resize(f.size() / 2); }},
      {"no frame list", [](auto& f) { f[56] = 'X'; }},
  };
  for (const auto& [what, edit] : aniCases) {
    std::vector<uint8_t> f = ani;
    edit(f);
    EXPECT_THROW(ReadCursorFile(f), EFormatError) << what;
  }
}

}  // namespace
}  // namespace opal
