// Every built kind at 64 × 48 on 32-, 16- and 15-bit buffers: the end of a
// wipe, its first picture, a mask drawn once per progress value, pixels
// equal in both pictures, and CRC goldens over the course of the wipe.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <tuple>

#include "common/error.h"
#include "components/image_test_util.h"
#include "stage/stage_services.h"
#include "wipe_test_util.h"
#include "wipes/create_wipe.h"
#include "wipes/wipe_kinds.h"

namespace opal {
namespace {

using namespace wipetest;

constexpr int32_t kDuration = 1000;

// The shadow kinds' rule: a 16 × 12 picture whose grey rises to the right
// and down, repeated over the screen.
struct TRuleFile : TStageFiles {
  std::vector<uint8_t> Bytes = [] {
    testing::TFrameSpec f;
    f.Width = 16;
    f.Height = 12;
    f.Pixel = [](int32_t x, int32_t y) { return uint32_t(x * 10 + y * 8) * 0x010101u; };
    return testing::BriFile({f});
  }();
  void Load(std::string_view name, TStream& out) override {
    if (name != "rule.bri") throw EOpalError("no such file");
    out.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  }
};

struct TRun {
  std::unique_ptr<TDIBX> Old, New, Dest;
  std::unique_ptr<TCustomWipe> Wipe;

  TRuleFile Rules;

  // Block kinds get blocks of 10 and shadow kinds the rule picture, so
  // that their course shows at this size.
  TRun(int32_t kind, int32_t bits, bool reverse = false, int32_t duration = kDuration) {
    Old = OldPicture(bits);
    New = NewPicture(bits);
    Dest = std::make_unique<TDIBX>();
    Dest->SetSize(kW, kH, bits);
    Dest->Clear(Sentinel());
    TWipeContext context;
    context.Files = &Rules;
    Wipe = CreateWipe(kind, Dest.get(), Old.get(), New.get(), context);
    if (Wipe == nullptr) return;
    Wipe->SetDuration(duration);
    Wipe->SetReverse(reverse);
    if (kind == 37 || kind == 38) Wipe->SetParam(0, 10);
    if (kind >= 19 && kind <= 21) Wipe->SetMaskFile("rule.bri");
    Wipe->Prepare();
  }
  uint32_t Sentinel() const { return 0x1234; }
  bool StepAt(int32_t t) {
    Wipe->SetTime(t);
    return Wipe->Step();
  }
};

std::vector<int32_t> BuiltKinds() {
  int32_t count = 0;
  const TWipeKindInfo* kinds = WipeKinds(count);
  std::vector<int32_t> out;
  for (int32_t i = 0; i < count; ++i) out.push_back(kinds[i].Kind);
  return out;
}

TEST(WipeKinds, TheBuiltKinds) {
  EXPECT_EQ(BuiltKinds(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 19, 20,
                                                21, 31, 34, 35, 36, 37, 38}));
}

TEST(WipeKinds, KindsWithoutAWipeMakeNone) {
  TDIBX a, b, c;
  a.SetSize(8, 8, 32);
  b.SetSize(8, 8, 32);
  c.SetSize(8, 8, 32);
  for (int32_t kind : {0, 39, -1, 15, 16, 17, 18, 22, 23, 24, 25, 26, 27, 28, 29, 30, 32, 33, 1000}) {
    EXPECT_EQ(CreateWipe(kind, &a, &b, &c), nullptr) << kind;
  }
}

class WipeTable : public ::testing::TestWithParam<std::tuple<int32_t, int32_t>> {
 protected:
  int32_t Kind() const { return std::get<0>(GetParam()); }
  int32_t Bits() const { return std::get<1>(GetParam()); }
};

TEST_P(WipeTable, AtTheEndItAnswersTrueAndDrawsNothing) {
  for (int32_t t : {kDuration, kDuration + 1, 1 << 30}) {
    TRun run(Kind(), Bits());
    ASSERT_NE(run.Wipe, nullptr);
    EXPECT_TRUE(run.StepAt(t));
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) ASSERT_EQ(run.Dest->GetPixel(x, y), run.Sentinel()) << t;
  }
}

// What time 0 shows: the old picture, except for Flash (white) and the
// block kinds (their first block is already new).
std::unique_ptr<TDIBX> FirstPicture(int32_t kind, int32_t bits, bool reverse) {
  auto expected = OldPicture(bits);
  auto fresh = NewPicture(bits);
  if (kind == 14) {
    expected->Assign(fresh.get());
    expected->FillRectAdd(expected->BoundsRect(), static_cast<uint32_t>(expected->ColorToPixel(0xFFFFFF)));
  } else if (kind == 37 || kind == 38) {
    TRun run(kind, bits, reverse);
    const auto& blocks = kind == 37 ? static_cast<TWipeBlockCoil&>(*run.Wipe).Blocks()
                                    : static_cast<TWipeBlockRandom&>(*run.Wipe).Blocks();
    const TWipeBlock first = reverse && kind == 37 ? blocks.back() : blocks.front();
    const int32_t s = run.Wipe->GetParam(0);
    expected->Draw(first.Column * s, first.Row * s, false, false, false,
                   {first.Column * s, first.Row * s, first.Column * s + s, first.Row * s + s}, fresh.get());
  }
  return expected;
}

TEST_P(WipeTable, TimeZeroShowsTheOldPicture) {
  for (bool reverse : {false, true}) {
    TRun run(Kind(), Bits(), reverse);
    EXPECT_FALSE(run.StepAt(0));
    auto expected = FirstPicture(Kind(), Bits(), reverse);
    EXPECT_TRUE(SamePixels(*run.Dest, *expected)) << "reverse " << reverse;
    EXPECT_EQ(run.Wipe->UpdateRect(), run.Dest->BoundsRect());
  }
}

using MaskTable = WipeTable;

TEST_P(MaskTable, AMaskIsDrawnOncePerProgressValue) {
  TRun run(Kind(), Bits());
  ASSERT_NE(dynamic_cast<TWipeMask*>(run.Wipe.get()), nullptr);
  EXPECT_FALSE(run.StepAt(kDuration / 2));
  run.Dest->Clear(run.Sentinel());
  EXPECT_FALSE(run.StepAt(kDuration / 2));
  EXPECT_EQ(run.Dest->GetPixel(0, 0), run.Sentinel());
  EXPECT_EQ(run.Dest->GetPixel(kW - 1, kH - 1), run.Sentinel());
  // A later time draws again.
  EXPECT_FALSE(run.StepAt(kDuration - 1));
  EXPECT_NE(run.Dest->GetPixel(kW / 2, kH / 2), run.Sentinel());
}

// The kinds that neither add gray nor move the pictures up or down.
using KeepingTable = WipeTable;

TEST_P(KeepingTable, PixelsEqualInBothPicturesStayAsTheyAre) {
  TRun run(Kind(), Bits());
  auto old = OldPicture(Bits());
  for (int32_t t = 0; t < kDuration; t += 97) {
    run.StepAt(t);
    for (int32_t y = kEqualTop; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) ASSERT_EQ(run.Dest->GetPixel(x, y), old->GetPixel(x, y)) << t;
  }
}

// CRC goldens at t = 0, T/4, T/2, 3T/4 and T − 1: kind, depth, reverse → CRCs.
struct TGolden {
  int32_t Kind, Bits;
  bool Reverse;
  uint32_t Crc[5];
};

const TGolden kGoldens[] = {
#include "wipe_goldens.inc"
};

TEST_P(WipeTable, Goldens) {
  const bool print = std::getenv("OPAL_PRINT_WIPE_GOLDENS") != nullptr;
  for (bool reverse : {false, true}) {
    TRun run(Kind(), Bits(), reverse);
    uint32_t crc[5];
    const int32_t times[5] = {0, kDuration / 4, kDuration / 2, 3 * kDuration / 4, kDuration - 1};
    for (int i = 0; i < 5; ++i) {
      run.StepAt(times[i]);
      crc[i] = PixelCrc(*run.Dest);
    }
    if (print) {
      std::printf("    {%d, %d, %s, {0x%08x, 0x%08x, 0x%08x, 0x%08x, 0x%08x}},\n", Kind(), Bits(),
                  reverse ? "true" : "false", crc[0], crc[1], crc[2], crc[3], crc[4]);
      continue;
    }
    const TGolden* golden = nullptr;
    for (const TGolden& g : kGoldens) {
      if (g.Kind == Kind() && g.Bits == Bits() && g.Reverse == reverse) golden = &g;
    }
    ASSERT_NE(golden, nullptr) << "no golden; OPAL_PRINT_WIPE_GOLDENS=1 prints them";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(crc[i], golden->Crc[i]) << "t = " << times[i] << " reverse " << reverse;
  }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int32_t, int32_t>>& info) {
  return "Kind" + std::to_string(std::get<0>(info.param)) + "_" + std::to_string(std::get<1>(info.param)) + "bit";
}

INSTANTIATE_TEST_SUITE_P(Kinds, WipeTable,
                         ::testing::Combine(::testing::ValuesIn(BuiltKinds()), ::testing::Values(32, 16, 15)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Kinds, MaskTable,
                         ::testing::Combine(::testing::Values(2, 3, 4, 5, 8, 9, 10, 11, 19, 31, 34, 35, 36, 37, 38),
                                            ::testing::Values(32, 16, 15)),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Kinds, KeepingTable,
                         ::testing::Combine(::testing::Values(1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 19, 31, 34, 35, 36,
                                                              37, 38),
                                            ::testing::Values(32, 16, 15)),
                         CaseName);

}  // namespace
}  // namespace opal
