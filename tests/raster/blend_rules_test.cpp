// The per-pixel rules, with results worked out by hand: weights add to 255,
// results are shifted by 8, the equal-pixel skip compares whole pixels. Each
// case fills a row wider than any vector with the same pixels, so the vector
// body and the scalar tail of every dispatch level are both checked.
#include <functional>

#include "raster/dibx.h"
#include "raster_test_util.h"

namespace opal::testing {
namespace {

constexpr int32_t kW = 37, kH = 2;
const TRect kAll{0, 0, kW, kH};

using TOp = std::function<void(TDIBX& dst, TDIBX& src, TDIBX& mask)>;

struct TCase {
  const char* Name;
  int32_t Bits;     // destination depth
  int32_t SrcBits;  // 0: same as the destination
  uint32_t S, D;
  uint8_t M;
  int32_t Key;  // source TransparentColor
  TOp Op;
  uint32_t Expected;
};

TOp Alpha(int32_t a, bool key = false) {
  return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.DrawAlpha(0, 0, a, false, false, key, kAll, &s); };
}
TOp Plain(bool key) {
  return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.Draw(0, 0, false, false, key, kAll, &s); };
}
TOp Mask() {
  return [](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawMask(0, 0, &m, false, false, kAll, &s); };
}
TOp AlphaMask(int32_t a) {
  return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawAlphaMask(0, 0, a, &m, false, false, kAll, &s); };
}
TOp Add(int32_t a) {
  return [=](TDIBX& d, TDIBX& s, TDIBX&) { d.DrawAdd(0, 0, a, false, false, false, kAll, &s); };
}
TOp AddMask(int32_t a) {
  return [=](TDIBX& d, TDIBX& s, TDIBX& m) { d.DrawAddMask(0, 0, a, &m, false, false, kAll, &s); };
}
TOp FillAlpha(uint32_t c, int32_t a) {
  return [=](TDIBX& d, TDIBX&, TDIBX&) { d.FillRectAlpha(kAll, c, a); };
}
TOp FillAdd(uint32_t c) {
  return [=](TDIBX& d, TDIBX&, TDIBX&) { d.FillRectAdd(kAll, c); };
}
TOp FillSub(uint32_t c) {
  return [=](TDIBX& d, TDIBX&, TDIBX&) { d.FillRectSub(kAll, c); };
}
TOp FillMask(uint32_t c, int32_t a) {
  return [=](TDIBX& d, TDIBX&, TDIBX& m) { d.FillMask(0, 0, a, c, false, false, kAll, &m); };
}

const TCase kCases[] = {
    // DrawAlpha
    {"alpha equal pixel kept", 32, 0, 0x00102030, 0x00102030, 0, -1, Alpha(128), 0x00102030},
    {"alpha 128", 32, 0, 0x00FF8000, 0x00000080, 0, -1, Alpha(128), 0x007F403F},
    {"alpha 1", 32, 0, 0x00FFFFFF, 0x00000000, 0, -1, Alpha(1), 0x00000000},
    {"alpha 254", 32, 0, 0x00FFFFFF, 0x00000000, 0, -1, Alpha(254), 0x00FDFDFD},
    {"alpha blends fourth byte", 32, 0, 0xFF000000, 0x00000000, 0, -1, Alpha(128), 0x7F000000},
    {"alpha 255 copies", 32, 0, 0x00FFFFFF, 0x00000000, 0, -1, Alpha(255), 0x00FFFFFF},
    {"alpha above 255 copies", 32, 0, 0x00FFFFFF, 0x00000000, 0, -1, Alpha(256), 0x00FFFFFF},
    {"alpha keyed", 32, 0, 0x00FF00FF, 0x00000000, 0, 0x00FF00FF, Alpha(128, true), 0},
    {"alpha key off", 32, 0, 0x00FF00FF, 0x00000000, 0, 0x00FF00FF, Alpha(128, false), 0x007F007F},
    {"alpha 565", 16, 0, 0xFFFF, 0x0000, 0, -1, Alpha(128), 0x7BEF},
    {"alpha 555", 15, 0, 0x7FFF, 0x0000, 0, -1, Alpha(128), 0x3DEF},
    {"alpha 555 drops bit 15", 15, 0, 0xFFFF, 0x8000, 0, -1, Alpha(128), 0x3DEF},
    {"alpha 565 keyed", 16, 0, 0xF81F, 0x0000, 0, 0xF81F, Alpha(128, true), 0x0000},
    {"alpha 8", 8, 0, 255, 0, 0, -1, Alpha(128), 127},
    {"alpha 24", 24, 0, 0xFF0000, 0x000000, 0, -1, Alpha(128), 0x7F0000},
    // Draw
    {"draw key", 32, 0, 0x00123456, 0x00ABCDEF, 0, 0x00123456, Plain(true), 0x00ABCDEF},
    {"draw key unused", 32, 0, 0x00123456, 0x00ABCDEF, 0, 0x00123456, Plain(false), 0x00123456},
    {"draw key -1 is none", 32, 0, 0xFFFFFFFF, 0x00000000, 0, -1, Plain(true), 0xFFFFFFFF},
    {"draw key 565", 16, 0, 0x1234, 0x4321, 0, 0x1234, Plain(true), 0x4321},
    {"draw 32 to 565 truncates", 16, 32, 0x00FF8040, 0, 0, -1, Plain(false), 0xFC08},
    {"draw 565 to 32 shifts", 32, 16, 0xFC08, 0, 0, -1, Plain(false), 0x00F88040},
    {"draw 32 to 8 is grey mean", 8, 32, 0x00FF8040, 0, 0, -1, Plain(false), 149},
    {"draw 8 to 32 is grey", 32, 8, 0x80, 0, 0, -1, Plain(false), 0x00808080},
    {"draw key before conversion", 32, 16, 0xFC08, 0x1, 0, 0xFC08, Plain(true), 0x1},
    // DrawMask
    {"mask 255 copies", 32, 0, 0x00FFFFFF, 0x00000000, 255, -1, Mask(), 0x00FFFFFF},
    {"mask 0 keeps", 32, 0, 0x00FFFFFF, 0x00000000, 0, -1, Mask(), 0x00000000},
    {"mask 64", 32, 0, 0x000000C8, 0x00000064, 64, -1, Mask(), 0x0000007C},
    {"mask equal pixel kept", 32, 0, 0x00808080, 0x00808080, 64, -1, Mask(), 0x00808080},
    {"mask 565", 16, 0, 0xFFFF, 0x0000, 128, -1, Mask(), 0x7BEF},
    {"mask 565 full copies", 16, 0, 0xFFFF, 0x0000, 255, -1, Mask(), 0xFFFF},
    {"mask 555 full keeps bit 15", 15, 0, 0xFFFF, 0x0000, 255, -1, Mask(), 0xFFFF},
    // DrawAlphaMask
    {"alphamask full mask weighs opacity", 32, 0, 0x000000FF, 0, 255, -1, AlphaMask(100), 0x63},
    {"alphamask 128 at 255 weighs 127", 32, 0, 0x000000FF, 0, 128, -1, AlphaMask(255), 0x7E},
    {"alphamask zero weight", 32, 0, 0x000000FF, 0x10, 1, -1, AlphaMask(200), 0x10},
    {"alphamask equal kept", 32, 0, 0x00404040, 0x00404040, 200, -1, AlphaMask(200), 0x00404040},
    {"alphamask 565", 16, 0, 0x001F, 0x0000, 255, -1, AlphaMask(100), 0x000C},
    // DrawAdd
    {"add white on black", 32, 0, 0x00FFFFFF, 0x00000000, 0, -1, Add(255), 0x00FEFEFE},
    {"add saturates", 32, 0, 0x00FFFFFF, 0x000A0A0A, 0, -1, Add(255), 0x00FFFFFF},
    {"add keyed always", 32, 0, 0x00FFFFFF, 0x00000001, 0, 0x00FFFFFF, Add(255), 0x00000001},
    {"add 565", 16, 0, 0xFFFF, 0x0000, 0, -1, Add(255), 0xF7DE},
    {"add 565 saturates", 16, 0, 0xFFFF, 0x0841, 0, -1, Add(255), 0xFFFF},
    {"add 8 ignores amount", 8, 0, 200, 100, 0, -1, Add(1), 255},
    {"add 8 unscaled", 8, 0, 50, 100, 0, -1, Add(1), 150},
    // DrawAddMask
    {"addmask 128 at 200", 32, 0, 0x000000FF, 0x00000010, 128, -1, AddMask(200), 0x00000073},
    {"addmask full mask", 32, 0, 0x00FFFFFF, 0, 255, -1, AddMask(255), 0x00FEFEFE},
    {"addmask zero mask", 32, 0, 0x00FFFFFF, 0x5, 0, -1, AddMask(255), 0x5},
    {"addmask 555 zero weight keeps bit 15", 15, 0, 0x7FFF, 0x8000, 1, -1, AddMask(100), 0x8000},
    // Fills
    {"fillalpha equal kept", 32, 0, 0, 0x00FF0000, 0, -1, FillAlpha(0x00FF0000, 128), 0x00FF0000},
    {"fillalpha 128", 32, 0, 0, 0x0000FF00, 0, -1, FillAlpha(0x00FF0000, 128), 0x007F7E00},
    {"fillalpha 565", 16, 0, 0, 0x0000, 0, -1, FillAlpha(0xFFFF, 128), 0x7BEF},
    {"filladd", 32, 0, 0, 0x00A01010, 0, -1, FillAdd(0x00808080), 0x00FF9090},
    {"filladd 565 saturates", 16, 0, 0, 0xFFFF, 0, -1, FillAdd(0x0841), 0xFFFF},
    {"fillsub", 32, 0, 0, 0x00A01010, 0, -1, FillSub(0x00808080), 0x00200000},
    {"fillsub 565 floors", 16, 0, 0, 0x0FFF, 0, -1, FillSub(0x1042), 0x07BD},
    {"fillsub 555", 15, 0, 0, 0x7FFF, 0, -1, FillSub(0x7FFF), 0x0000},
    // FillMask
    {"fillmask opaque takes coverage", 32, 0, 0, 0, 128, -1, FillMask(0x00FFFFFF, 255), 0x007F7F7F},
    {"fillmask full coverage takes opacity", 32, 0, 0, 0, 255, -1, FillMask(0x00FFFFFF, 128), 0x007F7F7F},
    {"fillmask 565 always multiplies", 16, 0, 0, 0, 255, -1, FillMask(0xFFFF, 128), 0x7BEF},
    {"fillmask equal kept", 32, 0, 0, 0x00FFFFFF, 128, -1, FillMask(0x00FFFFFF, 128), 0x00FFFFFF},
    {"fillmask zero coverage", 32, 0, 0, 0x11, 0, -1, FillMask(0x00FFFFFF, 255), 0x11},
};

class BlendRules : public ::testing::TestWithParam<TSimdLevel> {};

TEST_P(BlendRules, HandWorkedPixels) {
  const TLevelScope level(GetParam());
  for (const TCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    auto d = MakeBuffer(kW, kH, c.Bits, c.D);
    auto s = MakeBuffer(kW, kH, c.SrcBits ? c.SrcBits : c.Bits, c.S);
    auto m = MakeBuffer(kW, kH, 8, c.M);
    s->TransparentColor = c.Key;
    c.Op(*d, *s, *m);
    for (uint32_t p : Pixels(*d)) ASSERT_EQ(p, c.Expected) << std::hex << p;
  }
}

TEST_P(BlendRules, ZeroOpacityDrawsNothing) {
  const TLevelScope level(GetParam());
  const TOp ops[] = {Alpha(0), AlphaMask(0), Add(0), AddMask(0), FillAlpha(0xFFFFFF, 0),
                     FillMask(0xFFFFFF, 0), Alpha(-5), Add(-1)};
  for (const TOp& op : ops) {
    auto d = MakeBuffer(kW, kH, 32, 0x00123456);
    auto s = MakeBuffer(kW, kH, 32, 0x00FFFFFF);
    auto m = MakeBuffer(kW, kH, 8, 255);
    op(*d, *s, *m);
    for (uint32_t p : Pixels(*d)) ASSERT_EQ(p, 0x00123456u);
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, BlendRules, ::testing::ValuesIn(Levels()),
                         [](const auto& info) { return std::string(SimdLevelName(info.param)); });

}  // namespace
}  // namespace opal::testing
