// The image cache: keys, owner counting, decoding of known and unknown
// files, trimming, masks, depth modes and screen-mode changes.
#include <gtest/gtest.h>

#include <set>

#include "common/error.h"
#include "components/image_list.h"
#include "image_test_util.h"

namespace opal {
namespace {

using testing::BriFile;
using testing::TFrameSpec;
using testing::TMemoryFiles;

struct ImageCache : ::testing::Test {
  ImageCache() { Files.Attach(Cache); }
  TMemoryFiles Files;
  TBrioCollection Cache;
};

TEST_F(ImageCache, KeysCarryTheMaskAndTrimSuffixes) {
  EXPECT_EQ(TBrioCollection::KeyOf("a.bri", false, false), "a.bri");
  EXPECT_EQ(TBrioCollection::KeyOf("a.bri", false, true), "a.bri?m");
  EXPECT_EQ(TBrioCollection::KeyOf("a.bri", true, false), "a.bri?t");
  EXPECT_EQ(TBrioCollection::KeyOf("a.bri", true, true), "a.bri?m?t");
  Files.Files["a.bri"] = BriFile({TFrameSpec{}});
  int owner = 0;
  TBrioItem* plain = Cache.Acquire(&owner, "a.bri", false, false);
  TBrioItem* masked = Cache.Acquire(&owner, "a.bri", false, true);
  EXPECT_NE(plain, masked);
  EXPECT_EQ(Cache.Acquire(&owner, "a.bri", false, false), plain);
  EXPECT_EQ(Files.Reads, 2);
  EXPECT_TRUE(masked->Frames[0].Mask != nullptr);
  EXPECT_TRUE(plain->Frames[0].Mask == nullptr);
}

TEST_F(ImageCache, EachAcquisitionIsReleasedOnItsOwn) {
  Files.Files["a.bri"] = BriFile({TFrameSpec{}});
  int first = 0, second = 0;
  TBrioItem* item = Cache.Acquire(&first, "a.bri", false, false);
  Cache.Acquire(&first, "a.bri", false, false);  // the same owner twice
  Cache.Acquire(&second, "a.bri", false, false);
  Cache.Release(item, &first);
  Cache.Release(item, &second);
  ASSERT_EQ(Cache.Find("a.bri"), item) << "one acquisition of the first owner is still held";
  Cache.Release(item, &second);  // not held any more: ignored
  ASSERT_EQ(Cache.Count(), 1u);
  Cache.Release(item, &first);
  EXPECT_EQ(Cache.Count(), 0u);
}

TEST_F(ImageCache, UnknownFilesShowAnInvisiblePlaceholder) {
  int owner = 0;
  TBrioItem* item = Cache.Acquire(&owner, "missing.bri", false, false);
  ASSERT_EQ(item->Frames.size(), 1u);
  const TBrioItemFrame& f = item->Frames[0];
  EXPECT_EQ(f.Pixels->Width(), 8);
  EXPECT_EQ(f.Pixels->Height(), 8);
  EXPECT_EQ(f.Pixels->GetPixel(3, 3), 0u);
  EXPECT_EQ(f.Pixels->TransparentColor, 0);
  EXPECT_EQ(Files.Reads, 0);
}

TEST_F(ImageCache, FramesKeepTimesKeysAndMasks) {
  TFrameSpec keyed;
  keyed.Width = 4, keyed.Height = 2, keyed.Key = 0x00FF00, keyed.Time = 0;
  keyed.Pixel = [](int32_t x, int32_t) { return x == 0 ? 0x00FF00u : 0x123456u; };
  TFrameSpec alpha;
  alpha.Width = 4, alpha.Height = 2, alpha.Time = 70;
  alpha.Alpha = [](int32_t x, int32_t) { return static_cast<uint8_t>(x * 60); };
  Files.Files["k.bri"] = BriFile({keyed, alpha});
  int owner = 0;
  TBrioItem* item = Cache.Acquire(&owner, "k.bri", false, true);
  ASSERT_EQ(item->Frames.size(), 2u);
  EXPECT_EQ(item->Frames[0].DisplayTime, 1) << "a stored 0 becomes 1";
  EXPECT_EQ(item->Frames[1].DisplayTime, 70);
  EXPECT_EQ(item->TotalTime, 71);
  EXPECT_EQ(item->Width, 4);
  EXPECT_EQ(item->Frames[0].Pixels->TransparentColor, 0x00FF00);
  // The asked mask is opaque except at the key; an alpha plane is the mask.
  ASSERT_TRUE(item->Frames[0].Mask && item->Frames[1].Mask);
  EXPECT_EQ(item->Frames[0].Mask->GetPixel(0, 1), 0u);
  EXPECT_EQ(item->Frames[0].Mask->GetPixel(1, 1), 255u);
  EXPECT_EQ(item->Frames[1].Mask->GetPixel(3, 0), 180u);
}

TEST_F(ImageCache, TrimmingGivesTheFramesOffset) {
  TFrameSpec f;
  f.Width = 10, f.Height = 6, f.Key = 0;
  f.Pixel = [](int32_t x, int32_t y) { return x >= 3 && x < 7 && y >= 2 && y < 5 ? 0xFFFFFFu : 0u; };
  Files.Files["t.bri"] = BriFile({f});
  int owner = 0;
  const TBrioItemFrame& trimmed = Cache.Acquire(&owner, "t.bri", true, false)->Frames[0];
  EXPECT_EQ(trimmed.OffsetX, 3);
  EXPECT_EQ(trimmed.OffsetY, 2);
  EXPECT_EQ(trimmed.Pixels->Width(), 4);
  EXPECT_EQ(trimmed.Pixels->Height(), 3);
  const TBrioItemFrame& whole = Cache.Acquire(&owner, "t.bri", false, false)->Frames[0];
  EXPECT_EQ(whole.OffsetX, 0);
  EXPECT_EQ(whole.Pixels->Width(), 10);
}

TEST_F(ImageCache, DamagedFilesRaiseAndLeaveNoItem) {
  std::vector<uint8_t> bytes = BriFile({TFrameSpec{}});
  bytes.resize(bytes.size() / 2);
  Files.Files["bad.bri"] = bytes;
  int owner = 0;
  EXPECT_THROW(Cache.Acquire(&owner, "bad.bri", false, false), EOpalError);
  EXPECT_EQ(Cache.Count(), 0u);
}

TEST_F(ImageCache, DepthModeAndScreenModeChangesDecodeAgain) {
  Files.Files["a.bri"] = BriFile({TFrameSpec{}});
  int owner = 0;
  TBrioItem* item = Cache.Acquire(&owner, "a.bri", false, false);
  EXPECT_EQ(item->Frames[0].Pixels->BitCount(), 32) << "mode 0 keeps the stored depth";
  const uint64_t generation = item->Generation;
  Cache.ScreenBitCount = 16;
  Cache.SetDepthMode(1);
  EXPECT_EQ(item->Frames[0].Pixels->BitCount(), 16);
  EXPECT_GT(item->Generation, generation);
  Cache.SetDepthMode(1);  // unchanged: nothing decoded
  EXPECT_EQ(Files.Reads, 2);
  Cache.ReleasePixels();
  EXPECT_TRUE(item->Frames[0].Pixels->Empty());
  Cache.RecreatePixels();
  EXPECT_EQ(item->Frames[0].Pixels->Width(), 8);
}

TEST_F(ImageCache, TheDepthModeIsSavedFromVersion101) {
  Cache.SetDepthMode(1);
  TMemoryStream s;
  Cache.SaveToStream(s);
  EXPECT_EQ(s.Bytes(), std::vector<uint8_t>{1});
  TBrioCollection other;
  s.SetPosition(0);
  other.LoadFromStream(s, 100);
  EXPECT_EQ(other.DepthMode(), 0) << "not read before 101";
  other.LoadFromStream(s, 101);
  EXPECT_EQ(other.DepthMode(), 1);
}

TEST(ImageCacheMode, AChangeRepaintsBothBases) {
  testing::TImageStage s;
  s.Stage.ClearDirty();
  SetImageCacheMode(s.Stage, 0);
  EXPECT_TRUE(s.Stage.BaseAt(1)->DirtyList.Items().empty()) << "unchanged";
  SetImageCacheMode(s.Stage, 1);
  EXPECT_EQ(s.Cache.DepthMode(), 1);
  EXPECT_EQ(s.Stage.BaseAt(0)->DirtyList.Items().size(), 1u);
  EXPECT_EQ(s.Stage.BaseAt(1)->DirtyList.Items().size(), 1u);
}

TEST_F(ImageCache, ReducedDepthsAreDitheredButKeysStayExact) {
  TFrameSpec f;
  f.Width = f.Height = 8, f.Key = 0x00FF00;
  f.Pixel = [](int32_t x, int32_t) { return x == 0 ? 0x00FF00u : 0x7C7C7Cu; };  // between two 5-bit levels
  Files.Files["d.bri"] = BriFile({f});
  Cache.ScreenBitCount = 15;
  Cache.SetDepthMode(1);
  int owner = 0;
  TDIBX& p = *Cache.Acquire(&owner, "d.bri", false, false)->Frames[0].Pixels;
  ASSERT_EQ(p.BitCount(), 15);
  std::set<uint32_t> levels;
  for (int32_t y = 0; y < 8; ++y) {
    EXPECT_EQ(p.GetPixel(0, y), static_cast<uint32_t>(p.TransparentColor));
    for (int32_t x = 1; x < 8; ++x) levels.insert(p.GetPixel(x, y) & 0x1F);
  }
  EXPECT_EQ(levels, (std::set<uint32_t>{0x7C >> 3, (0x7C >> 3) + 1})) << "a mix of the two nearest levels";
}

TEST_F(ImageCache, ImageListAdvanceWrapsAndDropsTheRemainder) {
  TFrameSpec a, b;
  a.Time = 30, b.Time = 50;
  Files.Files["ab.bri"] = BriFile({a, b});
  TOpalImageList list;
  list.Load(Cache, "ab.bri", false);
  EXPECT_EQ(list.TimeLeft, 31);
  EXPECT_TRUE(list.Advance(40));  // 31 − 40 = −9 → frame 1 with 41 left
  EXPECT_EQ(list.Index, 1);
  EXPECT_EQ(list.TimeLeft, 41);
  EXPECT_TRUE(list.Advance(100));  // wraps: the remainder is dropped
  EXPECT_EQ(list.Index, 0);
  EXPECT_EQ(list.TimeLeft, 30);
  list.SetFrame(7);
  EXPECT_EQ(list.Index, 1);
  EXPECT_EQ(list.TimeLeft, 51);
  list.Clear();
  EXPECT_EQ(Cache.Count(), 0u) << "clearing releases the item";
}

}  // namespace
}  // namespace opal
