// Images on the stage: animation, brightness, size and zoom, rotation,
// hit tests with the capture mask, and the box's additive alpha.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <map>

#include "components/custom_images.h"
#include "components/custom_image.h"
#include "image_test_util.h"
#include "stage/creation.h"
#include "stage/opal_box.h"

namespace opal {
namespace {

using testing::BriFile;
using testing::TFrameSpec;
using testing::TImageStage;

const auto Int = &TPropValue::OfInt;
const auto Str = &TPropValue::OfStr;
const auto Flag = &TPropValue::OfFlag;

// Creates an object the way its creating command does.
template <class T>
T* Create(TImageStage& s, const std::map<int, TPropValue>& props) {
  T* obj = s.Stage.Create<T>();
  TCreationValue given = [&props](int id) -> std::optional<TPropValue> {
    auto it = props.find(id);
    return it == props.end() ? std::nullopt : std::optional<TPropValue>(it->second);
  };
  ApplyCreationProperties(*obj, ImageCreationValues(*obj, given));
  return obj;
}

TFrameSpec Solid(uint32_t colour, int32_t w = 8, int32_t h = 8, int32_t time = 100) {
  TFrameSpec f;
  f.Width = w, f.Height = h, f.Time = time;
  f.Pixel = [colour](int32_t, int32_t) { return colour; };
  return f;
}

struct TAnimationCase {
  const char* Name;
  bool Repeat, AutoScrap;
  int32_t RunMs;
  int32_t Index;  // expected frame, −1: destroyed
  int PlayEnds;
};

TEST(ImageObject, AnimationFollowsTheFrameTimes) {
  const TAnimationCase cases[] = {
      {"plain, mid", false, false, 150, 1, 0},
      {"plain, end", false, false, 1000, 2, 1},
      {"repeat", true, false, 320, 0, 0},
      {"repeat, second lap", true, false, 450, 1, 0},
      {"autoscrap", false, true, 400, -1, 0},
  };
  for (const TAnimationCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TImageStage s;
    s.Files.Files["anim.bri"] = BriFile({Solid(0x110000), Solid(0x220000), Solid(0x330000)});
    auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("anim.bri")}, {PR_REPEAT, Flag(c.Repeat)},
                                        {PR_AUTOSCRAP, Flag(c.AutoScrap)}, {PR_ONPLAYEND, Str("end.osb")}});
    const uint64_t id = img->Id();
    s.Run(c.RunMs);
    if (c.Index < 0) {
      EXPECT_EQ(s.Stage.ById(id), nullptr);
      continue;
    }
    ASSERT_NE(s.Stage.ById(id), nullptr);
    EXPECT_EQ(GetPropValue(*img, PR_INDEX).Int, c.Index);
    EXPECT_EQ(s.CountEvents(TOpalCustomImages::kPlayEndEvent), c.PlayEnds);
    s.Draw();
    EXPECT_EQ(s.At(2, 2), 0x110000u * static_cast<uint32_t>(c.Index + 1));
  }
}

TEST(ImageObject, PlayEndLeavesTheImageStandingOnItsLastFrame) {
  TImageStage s;
  s.Files.Files["anim.bri"] = BriFile({Solid(1), Solid(2), Solid(3)});
  auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("anim.bri")}});
  EXPECT_TRUE(GetPropValue(*img, PR_PLAYING).Flag);
  s.Run(400);
  EXPECT_FALSE(GetPropValue(*img, PR_PLAYING).Flag);
  EXPECT_EQ(GetPropValue(*img, PR_COUNT).Int, 3);
  // Without a handler nothing is queued; with one it is queued only once.
  EXPECT_EQ(s.CountEvents(TOpalCustomImages::kPlayEndEvent), 0);
}

TEST(ImageObject, BrightnessShiftsChannelsButKeepsTheTransparentColour) {
  TImageStage s;
  TFrameSpec f = Solid(0x808080, 8, 8);
  f.Key = 0x00FF00;
  f.Pixel = [](int32_t x, int32_t) { return x < 4 ? 0x00FF00u : 0x808080u; };
  s.Files.Files["b.bri"] = BriFile({f});
  auto* back = s.Stage.Create<TOpalBox>();
  back->SetParent(s.Stage.ActiveBase());
  back->SetBounds(0, 0, 50, 50);
  back->SetColor(0x0000FF);  // red below
  auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("b.bri")}, {PR_PRIORITY, Int(1)}});
  TBrioItem* item = s.Cache.Find("b.bri");
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(img->ShownPixels(), item->Frames[0].Pixels.get()) << "offset 0 shows the cached frame itself";
  SetPropValue(*img, PR_BRIGHTNESS, Int(-50));
  s.Draw();
  EXPECT_EQ(s.At(6, 3), 0x4E4E4Eu);
  EXPECT_EQ(s.At(1, 3), 0xFF0000u) << "keyed pixels stay transparent";
  EXPECT_EQ(item->Frames[0].Pixels->GetPixel(6, 3) & 0xFFFFFF, 0x808080u) << "the cache is untouched";
  SetPropValue(*img, PR_BRIGHTNESS, Int(100));
  s.Draw();
  EXPECT_EQ(s.At(6, 3), 0xE4E4E4u);
  SetPropValue(*img, PR_BRIGHTNESS, Int(0));
  EXPECT_EQ(img->ShownPixels(), item->Frames[0].Pixels.get());
}

TEST(ImageObject, ZoomResizesAtTheNextUpdateAndAWidthStretches) {
  TImageStage s;
  TFrameSpec f = Solid(0, 40, 20);
  f.Pixel = [](int32_t x, int32_t) { return x < 20 ? 0x00AA00u : 0x0000AAu; };
  s.Files.Files["z.bri"] = BriFile({f});
  auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("z.bri")}});
  EXPECT_EQ(img->Width(), 40);
  SetPropValue(*img, PR_ZOOMX, Int(128));
  EXPECT_EQ(img->Width(), 40) << "recomputed only at the update";
  s.Stage.Update(0);
  EXPECT_EQ(img->Width(), 20);
  EXPECT_EQ(img->Height(), 20);
  SetPropValue(*img, PR_WIDTH, Int(160));
  EXPECT_EQ(GetPropValue(*img, PR_ZOOMX).Int, 0);
  s.Stage.Update(0);
  EXPECT_EQ(img->Width(), 160) << "an explicit width stays";
  s.Redraw();
  EXPECT_EQ(s.At(70, 5), 0x00AA00u);
  EXPECT_EQ(s.At(90, 5), 0x0000AAu);
  EXPECT_EQ(s.At(159, 5), 0x0000AAu);
  EXPECT_EQ(s.At(160, 5), 0u);
  SetPropValue(*img, PR_ZOOMX, Int(-5));
  EXPECT_EQ(GetPropValue(*img, PR_ZOOMX).Int, 1) << "a zoom of 0 or less stores 1";
  EXPECT_EQ(GetPropValue(*img, PR_ORIGWIDTH).Int, 40);
}

TEST(ImageObject, CreationZoomIsAppliedBeforeTheLeft) {
  TImageStage s;
  s.Files.Files["z.bri"] = BriFile({Solid(0x0000AA, 40, 20)});
  auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("z.bri")}, {PR_ZOOMX, Int(512)}, {PR_LEFT, Int(10)}});
  EXPECT_EQ(img->Width(), 80);
  EXPECT_EQ(img->Height(), 20);
}

TEST(ImageObject, RotatedImagesHitWhereThePictureTurned) {
  TImageStage s;
  s.Files.Files["r.bri"] = BriFile({Solid(0x0000AA, 40, 10)});
  auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("r.bri")}, {PR_LEFT, Int(100)}, {PR_TOP, Int(60)},
                                      {PR_OFFSETX, Int(20)}, {PR_OFFSETY, Int(5)}, {PR_ANGLE, Int(64)}});
  // A quarter turn about the anchor (100, 60): 10 wide and 40 high.
  const TRect r = img->ScreenRect();
  EXPECT_LE(r.Left, 95);
  EXPECT_GE(r.Right, 105);
  EXPECT_LE(r.Top, 40);
  EXPECT_GE(r.Bottom, 80);
  TOpalBase* base = s.Stage.ActiveBase();
  EXPECT_EQ(base->HitTest(101, 45, 1), img) << "on the turned picture";
  EXPECT_EQ(base->HitTest(115, 61, 1), base) << "where the unturned picture was";
  s.Redraw();
  EXPECT_EQ(s.At(101, 45), 0x0000AAu);
  EXPECT_EQ(s.At(115, 61), 0u);
}

TEST(ImageObject, CaptureMaskLetsClicksThroughTransparentPixels) {
  TImageStage s;
  TFrameSpec f = Solid(0x00AA00, 20, 20);
  f.Alpha = [](int32_t x, int32_t) { return static_cast<uint8_t>(x < 10 ? 0 : 255); };
  s.Files.Files["m.bri"] = BriFile({f});
  auto* below = s.Stage.Create<TOpalBox>();
  below->SetParent(s.Stage.ActiveBase());
  below->SetBounds(0, 0, 100, 100);
  auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("m.bri")}, {PR_LEFT, Int(10)}, {PR_TOP, Int(10)},
                                      {PR_PRIORITY, Int(1)}});
  TOpalBase* base = s.Stage.ActiveBase();
  const uint32_t left = 1u << 0 | 1u << 4;  // modes 0 and 4
  EXPECT_EQ(base->HitTest(12, 15, left), img) << "without the capture mask the rectangle counts";
  SetPropValue(*img, PR_CAPTUREMASK, Flag(true));
  EXPECT_EQ(base->HitTest(12, 15, left), below);
  EXPECT_EQ(base->HitTest(25, 15, left), img);
  // Mirrored, the anchor 19 keeps the picture in place (Width - 19 - 1 = 0).
  SetPropValue(*img, PR_FLIPH, Flag(true));
  SetPropValue(*img, PR_OFFSETX, Int(19));
  EXPECT_EQ(base->HitTest(12, 15, left), img) << "the mask is mirrored with the picture";
  SetPropValue(*img, PR_IGNOREMOUSE, Int(4));
  EXPECT_EQ(base->HitTest(12, 15, 1u << 0 | 1u << 3), below) << "mode 4 is not in the right-button set";
}

TEST(ImageObject, BoxAlpha384AddsHalfItsColour) {
  TImageStage s;
  auto* under = s.Stage.Create<TOpalBox>();
  under->SetParent(s.Stage.ActiveBase());
  under->SetBounds(0, 0, 20, 20);
  under->SetColor(0x202020);
  auto* box = s.Stage.Create<TOpalBox>();
  box->SetParent(s.Stage.ActiveBase());
  box->SetBounds(0, 0, 20, 20);
  box->SetColor(0x804020);  // red 0x20, green 0x40, blue 0x80
  box->SetPriority(1);
  box->SetAlpha(384);
  s.Redraw();
  EXPECT_EQ(s.At(5, 5), 0x304060u);  // + (0x10, 0x20, 0x40) on grey 0x20
}

TEST(ImageObject, SourceChangesReleaseTheCacheItem) {
  TImageStage s;
  s.Files.Files["a.bri"] = BriFile({Solid(1)});
  s.Files.Files["b.bri"] = BriFile({Solid(2)});
  auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("a.bri")}});
  auto* twin = Create<TOpalImages>(s, {{PR_SOURCE, Str("a.bri")}});
  EXPECT_EQ(s.Cache.Count(), 1u);
  SetPropValue(*img, PR_SOURCE, Str("b.bri"));
  EXPECT_EQ(s.Cache.Count(), 2u);
  s.Stage.Destroy(twin);
  EXPECT_EQ(s.Cache.Find("a.bri"), nullptr);
  SetPropValue(*img, PR_SOURCE, Str("nothing"));
  EXPECT_EQ(s.Cache.Count(), 0u);
  EXPECT_EQ(img->Width(), 0);
  EXPECT_EQ(GetPropValue(*img, PR_ORIGWIDTH).Int, 0);
}

TEST(ImageObject, ExtremeGeometryNeitherOverflowsNorDraws) {
  TImageStage s;
  s.Files.Files["r.bri"] = BriFile({Solid(0x0000AA, 40, 10)});
  auto* img = Create<TOpalImages>(s, {{PR_SOURCE, Str("r.bri")}});
  const int32_t extremes[] = {INT32_MIN, INT32_MAX, -1};
  for (int32_t v : extremes) {
    for (int id : {PR_OFFSETX, PR_OFFSETY, PR_LEFT, PR_TOP}) SetPropValue(*img, id, Int(v));
    for (int32_t angle : {0, 64, 3}) {
      SetPropValue(*img, PR_ANGLE, Int(angle));
      SetPropValue(*img, PR_FLIPH, Flag(angle != 0));
      SetPropValue(*img, PR_WIDTH, Int(v));
      (void)img->ScreenRect();
      (void)s.Stage.ActiveBase()->HitTest(5, 5, 0x1F);
      s.Stage.Update(0);
      s.Redraw();
    }
  }
  EXPECT_EQ(s.At(5, 5), 0u);
}

TEST(ImageObject, PlainImageCopiesItsPictureAndDimsByLevel) {
  TImageStage s;
  s.Files.Files["p.bri"] = BriFile({Solid(0x808080, 10, 6)});
  auto* img = s.Stage.Create<TOpalImage>();
  img->SetParent(s.Stage.ActiveBase());
  SetPropValue(*img, PR_ZOOMX, Int(512));
  SetPropValue(*img, PR_SOURCE, Str("p.bri"));
  EXPECT_EQ(img->Width(), 20);
  EXPECT_EQ(img->Height(), 6);
  EXPECT_EQ(s.Cache.Count(), 0u) << "the picture is copied and the item released";
  EXPECT_EQ(img->Kind(), LT_NONE) << "never saved";
  SetPropValue(*img, PR_BRIGHTNESS, Int(300));
  EXPECT_EQ(GetPropValue(*img, PR_BRIGHTNESS).Int, 255) << "clamped";
  SetPropValue(*img, PR_BRIGHTNESS, Int(200));
  s.Redraw();
  EXPECT_EQ(s.At(15, 2), 0x494949u) << "0x80 less the grey 55";
}

TEST(ImageObject, ChildrenPlacedByZoomTakeTheParentsRatio) {
  TImageStage s;
  s.Files.Files["big.bri"] = BriFile({Solid(0x0000AA, 40, 20)});
  s.Files.Files["small.bri"] = BriFile({Solid(0x00AA00, 10, 10)});
  auto* parent = Create<TOpalImages>(s, {{PR_SOURCE, Str("big.bri")}, {PR_ZOOMX, Int(512)}, {PR_ZOOMY, Int(512)}});
  auto* child = Create<TOpalImages>(s, {{PR_SOURCE, Str("small.bri")}, {PR_PARENT, Str(parent->Name())},
                                        {PR_ZOOMX, Int(512)}, {PR_ZOOMY, Int(512)},
                                        {PR_POSZOOMED, Flag(true)}, {PR_LEFT, Int(10)}});
  EXPECT_EQ(parent->Width(), 80);
  s.Stage.Update(0);
  EXPECT_EQ(child->Width(), 20) << "twice the picture, as the parent shows its own";
  EXPECT_EQ(child->Height(), 20);
  EXPECT_EQ(child->ScreenLeft(), 20);
}

}  // namespace
}  // namespace opal
