// The kinds' rules where they give exact values: parameter clamps, pixel
// probes worked out by hand, rule images, and times and parameters that
// overflow 32-bit products.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "common/error.h"
#include "components/image_test_util.h"
#include "raster/pixel_format.h"
#include "stage/stage_services.h"
#include "wipe_test_util.h"
#include "wipes/create_wipe.h"
#include "wipes/wipe_kinds.h"

namespace opal {
namespace {

using namespace wipetest;

struct TSetup {
  std::unique_ptr<TDIBX> Old = OldPicture(32), New = NewPicture(32);
  TDIBX Dest;
  std::unique_ptr<TCustomWipe> Wipe;

  explicit TSetup(int32_t kind, int32_t duration = 1000, bool reverse = false, const TWipeContext& context = {},
                  int32_t w = kW, int32_t h = kH) {
    if (w != kW || h != kH) {
      Old = Picture(32, OldColour, w, h);
      New = Picture(32, NewColour, w, h);
    }
    Dest.SetSize(w, h, 32);
    Wipe = CreateWipe(kind, &Dest, Old.get(), New.get(), context);
    Wipe->SetDuration(duration);
    Wipe->SetReverse(reverse);
  }
  void At(int32_t t) {
    Wipe->SetTime(t);
    Wipe->Step();
  }
};

// --- parameters ----------------------------------------------------------------

struct TClampCase {
  int32_t Kind, Index, Value, Stored;
};

TEST(WipeParams, DefaultsAndClamps) {
  const TClampCase cases[] = {
      {2, 0, 1, 2},     {2, 1, 0, 1},      {2, 0, -5, 2},   {3, 0, 1, 2},    {3, 1, -1, 1},
      {2, 0, 7, 7},     {4, 0, 0, 1},      {4, 0, 1, 1},    {4, 1, -3, 1},   {5, 0, -9, 1},
      {8, 0, 1, 2},     {8, 1, 0, 1},      {11, 0, 0, 2},   {19, 1, 0, 1},   {37, 0, 5, 10},
      {37, 0, 60, 48},  {37, 0, 30, 30},   {38, 0, 1, 10},  {38, 0, 1000, 48}, {1, 0, -7, -7},
      {6, 1, 0, 0},     {12, 0, 123, 123}, {31, 0, 0, 2},   {36, 1, 0, 1},
  };
  for (const TClampCase& c : cases) {
    TSetup s(c.Kind);
    s.Wipe->SetParam(c.Index, c.Value);
    EXPECT_EQ(s.Wipe->GetParam(c.Index), c.Stored) << "kind " << c.Kind << " p" << c.Index << " " << c.Value;
  }
}

TEST(WipeParams, TheKindTableDefaults) {
  struct TDefault {
    int32_t Kind, P0, P1;
  };
  // Mask kinds raise the zero defaults; the block kinds' size is capped by
  // the 48-row screen.
  const TDefault cases[] = {{1, 0, 0},   {2, 20, 1},  {3, 20, 1},  {4, 30, 1}, {5, 30, 1}, {6, 0, 0},
                            {8, 80, 30}, {9, 80, 30}, {11, 2, 1},  {14, 0, 0}, {19, 2, 1}, {20, 0, 0},
                            {31, 2, 1},  {36, 2, 1},  {37, 48, 1}, {38, 48, 1}};
  for (const TDefault& c : cases) {
    TSetup s(c.Kind);
    EXPECT_EQ(s.Wipe->GetParam(0), c.P0) << c.Kind;
    EXPECT_EQ(s.Wipe->GetParam(1), c.P1) << c.Kind;
  }
}

TEST(WipeParams, BlockCoilWithP0FiveUsesBlocksOfTen) {
  TSetup s(37, 34);
  s.Wipe->SetParam(0, 5);
  s.Wipe->Prepare();
  ASSERT_EQ(s.Wipe->GetParam(0), 10);
  const auto& blocks = static_cast<TWipeBlockCoil&>(*s.Wipe).Blocks();
  ASSERT_EQ(blocks.size(), 7u * 5u);  // ⌈64/10⌉ × ⌈48/10⌉
  // The spiral: the top row to the right, then down the right column.
  EXPECT_EQ(blocks[0], (TWipeBlock{0, 0}));
  EXPECT_EQ(blocks[6], (TWipeBlock{6, 0}));
  EXPECT_EQ(blocks[7], (TWipeBlock{6, 1}));
  EXPECT_EQ(blocks[10], (TWipeBlock{6, 4}));
  EXPECT_EQ(blocks[11], (TWipeBlock{5, 4}));
  EXPECT_EQ(blocks[16], (TWipeBlock{0, 4}));
  EXPECT_EQ(blocks[17], (TWipeBlock{0, 3}));
  EXPECT_EQ(blocks[19], (TWipeBlock{0, 1}));
  EXPECT_EQ(blocks[20], (TWipeBlock{1, 1}));
  EXPECT_EQ(blocks.back(), (TWipeBlock{4, 2}));
  // t = 0: block 0 alone, 10 × 10.
  s.At(0);
  EXPECT_EQ(s.Dest.GetPixel(9, 9), NewColour(9, 9));
  EXPECT_EQ(s.Dest.GetPixel(10, 9), OldColour(10, 9));
  EXPECT_EQ(s.Dest.GetPixel(9, 10), OldColour(9, 10));
  // (count − 1)·t div T = 34·7 div 34 = 7: blocks 0..7, the eighth is (6, 1).
  s.At(7);
  EXPECT_EQ(s.Dest.GetPixel(63, 10), NewColour(63, 10));
  EXPECT_EQ(s.Dest.GetPixel(59, 10), OldColour(59, 10));
  EXPECT_EQ(s.Dest.GetPixel(63, 20), OldColour(63, 20));
}

// --- probes --------------------------------------------------------------------

enum class TShows { Old, New, Colour };

struct TProbe {
  const char* What;
  int32_t Kind, Duration, Time;
  bool Reverse;
  int32_t P0, P1;  // INT32_MIN: the default
  int32_t X, Y;
  TShows Shows;
  uint32_t Colour = 0;
};

constexpr int32_t kDefault = INT32_MIN;

// The blend of the old and the new pixel at weight w, channel by channel.
uint32_t Blend(uint32_t s, uint32_t d, uint32_t w) { return BlendPixel(*FormatOf(32), s, d, w); }

TEST(WipeProbes, ExactKinds) {
  // Fade at t = 128 of 256: opacity 128; at (0, 0) old (0, 0, 200) and new
  // (255, 100, 20): ((128·255 + 127·0) >> 8, (128·100) >> 8, (128·20 + 127·200) >> 8).
  const uint32_t fadeMid = (127u << 16) | (50u << 8) | 109u;
  const TProbe probes[] = {
      {"fade blends at t·256 div T", 1, 256, 128, false, kDefault, kDefault, 0, 0, TShows::Colour, fadeMid},
      {"fade with p0 100 starts off to the right", 1, 256, 1, false, 100, 0, 63, 0, TShows::Old},
      // BlindH p0 20, p1 1, T 39: b = 39·t div 39 = t; at b = 10 columns
      // with level(10 − 2·(x mod 20), 1) = 255 are x mod 20 ≤ 4.
      {"blindh column 4 open", 2, 39, 10, false, 20, 1, 4, 5, TShows::New},
      {"blindh column 5 shut", 2, 39, 10, false, 20, 1, 5, 5, TShows::Old},
      {"blindh next slat open", 2, 39, 10, false, 20, 1, 24, 30, TShows::New},
      {"blindh next slat shut", 2, 39, 10, false, 20, 1, 25, 30, TShows::Old},
      {"blindh reversed opens from the slat's end", 2, 39, 10, true, 20, 1, 19, 5, TShows::New},
      {"blindh reversed, column 14 shut", 2, 39, 10, true, 20, 1, 14, 5, TShows::Old},
      {"blindv row 4 open", 3, 39, 10, false, 20, 1, 7, 4, TShows::New},
      {"blindv row 5 shut", 3, 39, 10, false, 20, 1, 7, 5, TShows::Old},
      {"blindv repeats: row 24 open", 3, 39, 10, false, 20, 1, 7, 24, TShows::New},
      // CurtainH p0 30, p1 1 on 64 columns: span (3 + 28)·16 + 1 = 497,
      // g = 16·(x div 30 + x mod 30); at b = 17, g ≤ 16 are open.
      {"curtainh column 1", 4, 497, 17, false, 30, 1, 1, 3, TShows::New},
      {"curtainh column 30", 4, 497, 17, false, 30, 1, 30, 3, TShows::New},
      {"curtainh column 2 shut", 4, 497, 17, false, 30, 1, 2, 3, TShows::Old},
      {"curtainh column 31 shut", 4, 497, 17, false, 30, 1, 31, 3, TShows::Old},
      {"curtainh reversed from the right", 4, 497, 17, true, 30, 1, 62, 3, TShows::New},
      // ScrollH T 64: at t = 16, a = 16.
      {"scrollh old moves left", 6, 64, 16, false, kDefault, kDefault, 0, 7, TShows::Colour, OldColour(16, 7)},
      {"scrollh new follows", 6, 64, 16, false, kDefault, kDefault, 48, 7, TShows::Colour, NewColour(0, 7)},
      {"scrollh reversed", 6, 64, 16, true, kDefault, kDefault, 16, 7, TShows::Colour, OldColour(0, 7)},
      {"scrollv new comes from below", 7, 48, 12, false, kDefault, kDefault, 5, 36, TShows::Colour, NewColour(5, 0)},
      // White at T 511, t 255: a = 255, old plus gray 255: white.
      {"white at its middle", 12, 511, 255, false, kDefault, kDefault, 3, 3, TShows::Colour, 0xFFFFFF},
      {"white then new plus gray 211", 12, 511, 300, false, kDefault, kDefault, 0, 0, TShows::Colour,
       AddPixel(*FormatOf(32), NewColour(0, 0), 0xD3D3D3)},
      {"black at its middle", 13, 511, 255, false, kDefault, kDefault, 3, 3, TShows::Colour, 0},
      {"flash at t 100 of 255: new plus gray 155", 14, 255, 100, false, kDefault, kDefault, 2, 2, TShows::Colour,
       AddPixel(*FormatOf(32), NewColour(2, 2), 0x9B9B9B)},
      // Shadow without rule (255 everywhere), T 512: k = t + 255, mask k − 256.
      {"shadow without rule blends", 19, 512, 128, false, kDefault, kDefault, 0, 0, TShows::Colour,
       Blend(NewColour(0, 0), OldColour(0, 0), 127)},
      {"shadow without rule is new at half time", 19, 512, 256, false, kDefault, kDefault, 0, 0, TShows::New},
      // ShadowWhite without rule, T 768: k = t + 255, j = t − 1.
      {"shadowwhite brightens the old", 20, 768, 100, false, kDefault, kDefault, 0, 0, TShows::Colour,
       AddPixel(*FormatOf(32), OldColour(0, 0), 0x636363)},
      {"shadowwhite fades into the new", 20, 768, 400, false, kDefault, kDefault, 0, 0, TShows::Colour,
       AddPixel(*FormatOf(32), NewColour(0, 0), 0x707070)},
      {"shadowblack darkens the old", 21, 768, 100, false, kDefault, kDefault, 0, 0, TShows::Colour,
       SubPixel(*FormatOf(32), OldColour(0, 0), 0x636363)},
      // Circle on 64 × 48: D = 40; T 40, t 10: r = 10 about (32, 24).
      {"circle centre", 36, 40, 10, false, kDefault, kDefault, 32, 24, TShows::New},
      {"circle 9.5 from the centre is in", 36, 40, 10, false, kDefault, kDefault, 41, 24, TShows::New},
      {"circle 10.5 from the centre is out", 36, 40, 10, false, kDefault, kDefault, 42, 24, TShows::Old},
      {"circle reversed keeps old inside", 36, 40, 30, true, kDefault, kDefault, 32, 24, TShows::Old},
      {"circle reversed shows new outside", 36, 40, 30, true, kDefault, kDefault, 42, 24, TShows::New},
      // Clockhand from 2°: a quarter turn covers the upper right.
      {"clockhand upper right", 31, 400, 100, false, kDefault, kDefault, 50, 8, TShows::New},
      {"clockhand upper left not yet", 31, 400, 100, false, kDefault, kDefault, 14, 8, TShows::Old},
      {"clockhand reversed upper left", 31, 400, 100, true, kDefault, kDefault, 14, 8, TShows::New},
      {"fan half open: the right half", 34, 400, 200, false, kDefault, kDefault, 60, 20, TShows::New},
      {"fan half open: not the left", 34, 400, 200, false, kDefault, kDefault, 3, 30, TShows::Old},
      {"wfan half open: the top", 35, 400, 200, false, kDefault, kDefault, 33, 2, TShows::New},
      {"wfan half open: the bottom", 35, 400, 200, false, kDefault, kDefault, 33, 46, TShows::New},
      {"wfan half open: not the right", 35, 400, 200, false, kDefault, kDefault, 62, 24, TShows::Old},
  };
  for (const TProbe& p : probes) {
    TSetup s(p.Kind, p.Duration, p.Reverse);
    if (p.P0 != kDefault) s.Wipe->SetParam(0, p.P0);
    if (p.P1 != kDefault) s.Wipe->SetParam(1, p.P1);
    s.Wipe->Prepare();
    s.At(p.Time);
    const uint32_t want = p.Shows == TShows::Old   ? OldColour(p.X, p.Y)
                          : p.Shows == TShows::New ? NewColour(p.X, p.Y)
                                                   : p.Colour;
    EXPECT_EQ(s.Dest.GetPixel(p.X, p.Y) & 0xFFFFFF, want) << p.What;
  }
}

TEST(WipeProbes, DitherIsOneFixedPermutation) {
  TSetup a(11, 4096), b(11, 4096);
  a.Wipe->Prepare();
  b.Wipe->Prepare();
  const auto& order = static_cast<TWipeDither&>(*a.Wipe).Order();
  EXPECT_EQ(order, static_cast<TWipeDither&>(*b.Wipe).Order());
  std::vector<int32_t> sorted = order;
  std::sort(sorted.begin(), sorted.end());
  for (int32_t i = 0; i < 4096; ++i) ASSERT_EQ(sorted[static_cast<size_t>(i)], i);
  // n = t: the first cell of the order alone at t = 1 (it lies in a row
  // of the 48 shown, or no pixel changes).
  a.At(1);
  int changed = 0;
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kW; ++x) changed += a.Dest.GetPixel(x, y) != OldColour(x, y);
  const int32_t cell = order[0];
  EXPECT_EQ(changed, cell / 64 < kEqualTop ? 1 : 0);
}

TEST(WipeProbes, BlockRandomFollowsTheGenerator) {
  TWipeRandom r1(7), r2(7);
  TWipeContext c1, c2;
  c1.Random = &r1;
  c2.Random = &r2;
  TSetup a(38, 1000, false, c1), b(38, 1000, false, c2);
  a.Wipe->SetParam(0, 10);
  b.Wipe->SetParam(0, 10);
  a.Wipe->Prepare();
  b.Wipe->Prepare();
  const auto& blocks = static_cast<TWipeBlockRandom&>(*a.Wipe).Blocks();
  EXPECT_EQ(blocks, static_cast<TWipeBlockRandom&>(*b.Wipe).Blocks());
  EXPECT_EQ(blocks.size(), 35u);
  // The generator goes on: the next wipe has another order.
  TSetup c(38, 1000, false, c1);
  c.Wipe->SetParam(0, 10);
  c.Wipe->Prepare();
  EXPECT_NE(static_cast<TWipeBlockRandom&>(*c.Wipe).Blocks(), blocks);
}

// --- products past 32 bits ---------------------------------------------------------

TEST(WipeOverflow, LongTimesAndLargeParametersStayInRange) {
  const int32_t big = 2000000000;
  for (int32_t kind : {2, 3, 4, 5, 8, 9, 10, 11, 12, 13, 14, 19, 20, 37}) {
    TSetup s(kind, big);
    s.Wipe->SetParam(0, big);
    s.Wipe->SetParam(1, big);
    s.Wipe->Prepare();
    s.At(big - 1);
    s.At(big / 2);
    EXPECT_TRUE([&] { s.Wipe->SetTime(big); return s.Wipe->Step(); }()) << kind;
  }
  // White late in a long wipe: t·511 overflows 32 bits; a = 510 shows new
  // plus gray 1.
  TSetup white(12, big);
  white.At(big - 1);
  EXPECT_EQ(white.Dest.GetPixel(0, 0), AddPixel(*FormatOf(32), NewColour(0, 0), 0x010101));
  // Dither at three quarters: n = 3072 cells of 4096 open, not a wrapped count.
  TSetup dither(11, big);
  dither.At(big / 4 * 3);
  int changed = 0;
  for (int32_t y = 0; y < kEqualTop; ++y)
    for (int32_t x = 0; x < kW; ++x) changed += dither.Dest.GetPixel(x, y) != OldColour(x, y);
  EXPECT_GT(changed, kW * kEqualTop / 2);
}

TEST(WipeOverflow, BlindVMaskIsNoHigherThanTheScreen) {
  TSetup s(3);
  s.Wipe->SetParam(0, 1000000000);
  s.Wipe->Prepare();
  EXPECT_EQ(static_cast<TWipeBlindV&>(*s.Wipe).MaskHeight(), kH);
  EXPECT_LE(static_cast<TWipeBlindV&>(*s.Wipe).Mask.Height(), kH);
  s.At(500);
}

TEST(WipeOverflow, ADurationBelowOneCountsAsOne) {
  for (int32_t d : {0, -5, INT32_MIN}) {
    TSetup s(1, d);
    EXPECT_EQ(s.Wipe->Duration(), 1);
    s.Wipe->SetTime(0);
    EXPECT_FALSE(s.Wipe->Step());
    s.Wipe->SetTime(1);
    EXPECT_TRUE(s.Wipe->Step());
  }
}

// --- rule images -------------------------------------------------------------------

struct TRuleFiles : TStageFiles {
  std::map<std::string, std::vector<uint8_t>> Files;
  void Load(std::string_view name, TStream& out) override {
    auto it = Files.find(std::string(name));
    if (it == Files.end()) throw EOpalError("no such file");
    out.WriteBuffer(it->second.data(), static_cast<int64_t>(it->second.size()));
  }
};

// A 2 × 1 rule: level 255 on the left, 0 on the right, repeated.
std::vector<uint8_t> TwoLevelRule() {
  testing::TFrameSpec f;
  f.Width = 2;
  f.Height = 1;
  f.Pixel = [](int32_t x, int32_t) { return x == 0 ? 0xFFFFFFu : 0u; };
  return testing::BriFile({f});
}

struct TRuleSetup {
  TRuleFiles Files;
  std::vector<std::string> Warnings;
  TWipeContext Context;
  TRuleSetup() {
    Files.Files["rule.bri"] = TwoLevelRule();
    Files.Files["junk.bri"] = {'B', 'r', 'i', 'o', 1, 2, 3};
    Files.Files["empty.bri"] = {};
    Context.Files = &Files;
    Context.Warn = [this](const std::string& m) { Warnings.push_back(m); };
  }
};

TEST(WipeRule, BrightPixelsChangeFirstAndEveryPixelFinishes) {
  for (bool reverse : {false, true}) {
    TRuleSetup r;
    TSetup s(19, 512, reverse, r.Context);
    s.Wipe->SetMaskFile("rule.bri");
    s.Wipe->Prepare();
    // t 256: k = 256 + v: the bright column (v 255) is new, the dark one
    // (v 0) is still old; reversed the other way round.
    s.At(256);
    const int32_t bright = reverse ? 1 : 0, dark = 1 - bright;
    EXPECT_EQ(s.Dest.GetPixel(bright, 3), NewColour(bright, 3));
    EXPECT_EQ(s.Dest.GetPixel(dark, 3), OldColour(dark, 3));
    EXPECT_EQ(s.Dest.GetPixel(dark + 2, 30), OldColour(dark + 2, 30));  // tiled
    // t 511: k = 511 + v, the dark pixels too have mask 255.
    s.At(511);
    EXPECT_EQ(s.Dest.GetPixel(dark, 3), NewColour(dark, 3));
    EXPECT_TRUE(r.Warnings.empty());
  }
}

TEST(WipeRule, ShadowWhiteFollowsTheRule) {
  TRuleSetup r;
  TSetup s(20, 768, false, r.Context);
  s.Wipe->SetMaskFile("rule.bri");
  s.Wipe->Prepare();
  // t 100: the bright column k = 355, j = 99: old plus gray 99; the dark
  // column k = 100: j = 0, old.
  s.At(100);
  EXPECT_EQ(s.Dest.GetPixel(0, 0), AddPixel(*FormatOf(32), OldColour(0, 0), 0x636363));
  EXPECT_EQ(s.Dest.GetPixel(1, 0), OldColour(1, 0));
}

TEST(WipeRule, AnUnreadableOrEmptyRuleCountsAsMissing) {
  struct TCase {
    const char* Name;
    bool Warns;
  };
  for (const TCase& c : {TCase{"", false}, TCase{"missing.bri", true}, TCase{"junk.bri", true},
                         TCase{"empty.bri", true}}) {
    TRuleSetup r;
    TSetup s(19, 512, false, r.Context);
    s.Wipe->SetMaskFile(c.Name);
    s.Wipe->Prepare();
    const auto& rule = static_cast<TWipeShadow&>(*s.Wipe).Rule();
    ASSERT_EQ(rule.size(), size_t{kW} * kH) << c.Name;
    for (uint8_t v : rule) ASSERT_EQ(v, 255) << c.Name;
    EXPECT_EQ(r.Warnings.size(), c.Warns ? 1u : 0u) << c.Name;
  }
}

}  // namespace
}  // namespace opal
