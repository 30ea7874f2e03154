// Saved records of the image kinds: a stage saved and loaded again holds
// the same objects, shows the same frames and saves the same bytes.
#include <gtest/gtest.h>

#include "common/error.h"
#include "components/custom_images.h"
#include "components/map_image.h"
#include "components/opal_tile.h"
#include "image_test_util.h"

namespace opal {
namespace {

using testing::BriFile;
using testing::TFrameSpec;
using testing::TImageStage;

const auto Int = &TPropValue::OfInt;
const auto Str = &TPropValue::OfStr;

void AddFiles(TImageStage& s) {
  std::vector<TFrameSpec> frames(3);
  for (int i = 0; i < 3; ++i) {
    const uint32_t colour = 0x101010u * static_cast<uint32_t>(i + 1);
    frames[static_cast<size_t>(i)].Width = 30;
    frames[static_cast<size_t>(i)].Height = 20;
    frames[static_cast<size_t>(i)].Pixel = [colour](int32_t, int32_t) { return colour; };
  }
  s.Files.Files["anim.bri"] = BriFile(frames);
  TMemoryStream map;
  TMapArea a;
  a.Name = "all", a.Right = 29, a.Bottom = 19;
  TMapFile::Write(map, {a});
  s.Files.Files["m.map"] = map.Bytes();
}

std::vector<uint8_t> Save(TImageStage& s) {
  TMemoryStream out;
  s.Stage.SaveToStream(out);
  return out.Bytes();
}

TEST(ImageRecord, EveryKindSurvivesASaveAndLoad) {
  TImageStage s;
  AddFiles(s);
  auto* img = s.Stage.Create<TOpalImages>();
  img->SetParent(s.Stage.ActiveBase());
  img->SetName("img");
  for (auto [id, v] : {std::pair{PR_SOURCE, Str("anim.bri")}, {PR_REPEAT, Int(1)}, {PR_BRIGHTNESS, Int(-20)},
                       {PR_ZOOMY, Int(512)}, {PR_ANGLE, Int(3)}, {PR_FLIPV, Int(1)}, {PR_CAPTUREMASK, Int(1)},
                       {PR_ONPLAYEND, Str("e.osb")}, {PR_ONIDLE, Str("i.osb")}, {PR_ALPHA, Int(300)}}) {
    SetPropValue(*img, id, v);
  }
  SetPropValue(*img, PR_INDEX, Int(1));
  auto* tile = s.Stage.Create<TOpalTile>();
  tile->SetParent(img);
  tile->SetName("tile");
  for (auto [id, v] : {std::pair{PR_SOURCE, Str("anim.bri")}, {PR_SCROLLX, Int(-7)}, {PR_SCROLLY, Int(9)},
                       {PR_DISTANCEX, Int(40)}, {PR_DISTANCEY, Int(25)}, {PR_OFFSETX, Int(4)}, {PR_WIDTH, Int(90)}}) {
    SetPropValue(*tile, id, v);
  }
  auto* map = s.Stage.Create<TOpalMapImage>();
  map->SetParent(s.Stage.OtherBase());
  map->SetName("map");
  for (auto [id, v] : {std::pair{PR_SOURCE, Str("anim.bri")}, {PR_HOVERSOURCE, Str("anim.bri")},
                       {PR_MAPSOURCE, Str("m.map")}, {PR_ALPHA, Int(200)}, {PR_BRIGHTNESS, Int(5)},
                       {PR_ONMAPIN, Str("in.osb")}, {PR_ONSELECT, Str("s.osb")}, {PR_RCLICKSCRAP, Int(1)}}) {
    SetPropValue(*map, id, v);
  }
  s.Run(20);
  map->StartClosing();
  s.Run(10);  // one update: Closing is set, the next would destroy it
  const std::vector<uint8_t> saved = Save(s);

  TImageStage t;
  AddFiles(t);
  TMemoryStream in(saved);
  t.Stage.LoadFromStream(in, kSaveVersion);
  EXPECT_EQ(Save(t), saved);
  auto* img2 = dynamic_cast<TOpalImages*>(t.Stage.FindObject("img"));
  auto* tile2 = dynamic_cast<TOpalTile*>(t.Stage.FindObject("tile"));
  auto* map2 = dynamic_cast<TOpalMapImage*>(t.Stage.FindObject("map"));
  ASSERT_TRUE(img2 && tile2 && map2);
  EXPECT_EQ(img2->Index(), img->Index());
  EXPECT_EQ(img2->TimeLeft(), img->TimeLeft());
  EXPECT_EQ(img2->Width(), 30);
  EXPECT_EQ(img2->Height(), 40);
  EXPECT_EQ(GetPropValue(*img2, PR_BRIGHTNESS).Int, -20);
  EXPECT_EQ(tile2->GetParent(), img2);
  EXPECT_EQ(GetPropValue(*tile2, PR_OFFSETX).Int, 4);
  EXPECT_EQ(tile2->ScreenLeft(), img2->ScreenLeft() + 0 - 0) << "the anchor stays out of the placement";
  EXPECT_EQ(map2->Areas().size(), 1u);
  EXPECT_TRUE(map2->ClosingFlag);
  EXPECT_EQ(t.Stage.RightClickList, std::vector<uint64_t>{map2->Id()});
  EXPECT_EQ(t.Cache.Count(), 2u) << "image and tile share one item, the map image has the masked one";
}

TEST(ImageRecord, DamagedRecordsThrowWithoutLeaks) {
  TImageStage s;
  AddFiles(s);
  auto* img = s.Stage.Create<TOpalImages>();
  img->SetParent(s.Stage.ActiveBase());
  SetPropValue(*img, PR_SOURCE, Str("anim.bri"));
  auto* map = s.Stage.Create<TOpalMapImage>();
  map->SetParent(s.Stage.ActiveBase());
  SetPropValue(*map, PR_MAPSOURCE, Str("m.map"));
  const std::vector<uint8_t> saved = Save(s);
  // Every cut of the record ends in an error, never in a crash.
  for (size_t cut = 0; cut < saved.size(); cut += 7) {
    TImageStage t;
    AddFiles(t);
    TMemoryStream in(std::vector<uint8_t>(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(cut)));
    EXPECT_THROW(t.Stage.LoadFromStream(in, kSaveVersion), EOpalError) << "cut at " << cut;
  }
}

}  // namespace
}  // namespace opal
