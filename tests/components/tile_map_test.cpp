// Tiles (phases, distances, opaque sub-rectangles) and map images (areas,
// hovering, choosing, closing, keys) and the map file reader.
#include <gtest/gtest.h>

#include "common/error.h"
#include "components/map_image.h"
#include "components/opal_tile.h"
#include "hand_bytes.h"
#include "image_test_util.h"

namespace opal {
namespace {

using testing::BriFile;
using testing::TFrameSpec;
using testing::TImageStage;

const auto Int = &TPropValue::OfInt;
const auto Str = &TPropValue::OfStr;
const auto Flag = &TPropValue::OfFlag;

// A 64 × 4 frame whose column x has the colour 0x000100 + x.
std::vector<uint8_t> ColumnFrame(std::vector<TRect> drawRects = {}) {
  TBrioFrameList list(0);
  TBrioFrame* f = list.AddFrame();
  f->Picture.SetSize(64, 4, 32);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 64; ++x) f->Picture.SetPixel(x, y, 0x000100u + static_cast<uint32_t>(x));
  f->DrawRects = std::move(drawRects);
  TBrioEncodeOptions o;
  o.Mode = 1;
  TMemoryStream out;
  TBrioEncoder(o).Write(list, out);
  return out.Bytes();
}

TOpalTile* MakeTile(TImageStage& s, const std::string& source) {
  auto* t = s.Stage.Create<TOpalTile>();
  t->SetParent(s.Stage.ActiveBase());
  SetPropValue(*t, PR_SOURCE, Str(source));
  t->SetBounds(0, 0, 200, 4);
  return t;
}

struct TTileCase {
  const char* Name;
  int32_t ScrollX, DistanceX;
  std::vector<std::pair<int32_t, uint32_t>> Probes;  // screen column, colour
};

TEST(ImageTile, PhasesAndDistances) {
  const TTileCase cases[] = {
      {"scroll -10 starts at column 54", -10, 0, {{0, 0x100 + 54}, {9, 0x100 + 63}, {10, 0x100}}},
      {"scroll 70 wraps to 6", 70, 0, {{0, 0x100 + 6}, {58, 0x100}}},
      {"distance 20 is below half the frame: copies touch", 0, 20, {{63, 0x100 + 63}, {64, 0x100}, {70, 0x106}}},
      {"distance 100 leaves 36 empty pixels", 0, 100, {{63, 0x100 + 63}, {64, 0}, {99, 0}, {100, 0x100}}},
      {"distance 100 and scroll 10", 10, 100, {{0, 0x100 + 10}, {53, 0x100 + 63}, {54, 0}, {90, 0x100}}},
  };
  for (const TTileCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TImageStage s;
    s.Files.Files["col.bri"] = ColumnFrame();
    TOpalTile* t = MakeTile(s, "col.bri");
    SetPropValue(*t, PR_SCROLLX, Int(c.ScrollX));
    SetPropValue(*t, PR_DISTANCEX, Int(c.DistanceX));
    s.Redraw();
    for (auto [x, colour] : c.Probes) EXPECT_EQ(s.At(x, 1), colour) << "column " << x;
  }
}

TEST(ImageTile, OpaqueSubRectanglesAreRepeatedAtEveryStep) {
  TImageStage s;
  s.Files.Files["half.bri"] = ColumnFrame({{0, 0, 32, 4}});
  TOpalTile* t = MakeTile(s, "half.bri");
  SetPropValue(*t, PR_DISTANCEX, Int(100));
  SetPropValue(*t, PR_SCROLLX, Int(-10));  // phase 100 − 10 = 90
  s.Redraw();
  EXPECT_EQ(s.At(10, 1), 0x100u);
  EXPECT_EQ(s.At(41, 1), 0x100u + 31);
  EXPECT_EQ(s.At(42, 1), 0u) << "only the listed part is drawn";
  EXPECT_EQ(s.At(110, 1), 0x100u);
}

TEST(ImageTile, ZoomedCopiesAndPlacementWithoutAnchor) {
  TImageStage s;
  s.Files.Files["col.bri"] = ColumnFrame();
  TOpalTile* t = MakeTile(s, "col.bri");
  SetPropValue(*t, PR_OFFSETX, Int(30));
  EXPECT_EQ(t->ScreenLeft(), 0) << "a tile is placed without its anchor";
  EXPECT_EQ(GetPropValue(*t, PR_OFFSETX).Int, 30);
  SetPropValue(*t, PR_ZOOMX, Int(512));
  s.Stage.Update(0);
  EXPECT_EQ(t->Width(), 200) << "never auto-sized";
  s.Redraw();
  EXPECT_EQ(s.At(1, 1), 0x100u);
  EXPECT_EQ(s.At(127, 1), 0x100u + 63);
  EXPECT_EQ(s.At(128, 1), 0x100u);
  EXPECT_TRUE(GetPropValue(*t, PR_REPEAT).Flag);
}

// --- map images ---

std::vector<uint8_t> MapBytes(const std::vector<TMapArea>& areas) {
  TMemoryStream s;
  TMapFile::Write(s, areas);
  return s.Bytes();
}

TMapArea Rect(const char* name, int32_t l, int32_t t, int32_t r, int32_t b, uint8_t shape = msRectangle) {
  TMapArea a;
  a.Name = name, a.Shape = shape, a.Left = l, a.Top = t, a.Right = r, a.Bottom = b;
  return a;
}

struct TMapStage : TImageStage {
  TMapStage() {
    TFrameSpec base, hover;
    base.Width = hover.Width = 100, base.Height = hover.Height = 50;
    base.Pixel = [](int32_t, int32_t) { return 0x0000AAu; };
    hover.Pixel = [](int32_t, int32_t) { return 0xAA0000u; };
    Files.Files["base.bri"] = BriFile({base});
    Files.Files["hover.bri"] = BriFile({hover});
    // A and B overlap at x 40…59.
    Files.Files["areas.map"] = MapBytes({Rect("A", 10, 10, 59, 39), Rect("B", 40, 0, 99, 49, msEllipse)});
    Map = Stage.Create<TOpalMapImage>();
    Map->SetParent(Stage.ActiveBase());
    for (auto [id, v] : {std::pair{PR_SOURCE, "base.bri"}, {PR_HOVERSOURCE, "hover.bri"}, {PR_MAPSOURCE, "areas.map"},
                         {PR_ONMAPIN, "in.osb"}, {PR_ONMAPOUT, "out.osb"}, {PR_ONSELECT, "sel.osb"}}) {
      SetPropValue(*Map, id, Str(v));
    }
    Map->SetLeft(20);
    Map->SetTop(30);
  }
  std::vector<std::string> LastArgs(uint8_t kind) const {
    for (size_t i = Stage.Events.Items.size(); i-- > 0;) {
      if (Stage.Events.Items[i].Kind == kind) return Stage.Events.Items[i].Args;
    }
    return {};
  }
  TOpalMapImage* Map;
};

TEST(ImageMap, OverlappingAreasHoverTheFirstListed) {
  TMapStage s;
  EXPECT_EQ(s.Map->Width(), 100);
  s.Map->MouseMove(20 + 50, 30 + 20);
  EXPECT_EQ(s.Map->Hovered(), 0);
  EXPECT_EQ(s.LastArgs(TOpalMapImage::kMapInEvent), (std::vector<std::string>{"A", "0"}));
  s.Map->MouseMove(20 + 80, 30 + 25);
  EXPECT_EQ(s.Map->Hovered(), 1);
  EXPECT_EQ(s.LastArgs(TOpalMapImage::kMapOutEvent), (std::vector<std::string>{"A", "0"}));
  EXPECT_EQ(s.LastArgs(TOpalMapImage::kMapInEvent), (std::vector<std::string>{"B", "1"}));
  s.Redraw();
  EXPECT_EQ(s.At(20 + 80, 30 + 25), 0xAA0000u) << "the hover picture inside the hovered area";
  EXPECT_EQ(s.At(20 + 15, 30 + 15), 0x0000AAu) << "the base picture elsewhere";
  EXPECT_EQ(s.At(20 + 41, 30 + 1), 0x0000AAu) << "outside the ellipse, inside its box";
  s.Map->MouseLeave();
  EXPECT_EQ(s.Map->Hovered(), -1);
  s.Draw();
  EXPECT_EQ(s.At(20 + 80, 30 + 25), 0x0000AAu) << "the area's box was invalidated";
}

TEST(ImageMap, ChoosingReportsOnceAndAutoScrapCloses) {
  TMapStage s;
  EXPECT_FALSE(s.Map->LeftDown()) << "nothing hovered";
  s.Map->MouseMove(20 + 80, 30 + 25);
  EXPECT_TRUE(s.Map->LeftDown());
  EXPECT_TRUE(s.Map->LeftDown());
  EXPECT_EQ(s.CountEvents(TOpalMapImage::kSelectEvent), 1) << "one select while one is queued";
  EXPECT_EQ(s.LastArgs(TOpalMapImage::kSelectEvent), (std::vector<std::string>{"B", "1"}));
  EXPECT_EQ(s.Vars.SelStr, "B");
  EXPECT_EQ(s.Vars.SelIndex, 1);
  SetPropValue(*s.Map, PR_AUTOSCRAP, Flag(true));
  const uint64_t id = s.Map->Id();
  s.Map->LeftDown();
  EXPECT_EQ(s.Map->CloseState, TOpalMapImage::kCloseAsked);
  s.Stage.Update(0);
  ASSERT_NE(s.Stage.ById(id), nullptr);
  EXPECT_TRUE(s.Map->ClosingFlag);
  EXPECT_EQ(s.Map->CloseState, TOpalMapImage::kCloseShown);
  const size_t queued = s.Stage.Events.Items.size();
  s.Map->MouseMove(20 + 15, 30 + 15);
  EXPECT_EQ(s.Stage.Events.Items.size(), queued) << "a closing map image queues nothing";
  s.Stage.Update(0);
  EXPECT_EQ(s.Stage.ById(id), nullptr);
  EXPECT_TRUE(s.Stage.RightClickList.empty()) << "it left the right-click list";
}

TEST(ImageMap, RightClickAndEscapeClearTheSelection) {
  TMapStage s;
  EXPECT_EQ(s.Stage.RightClickList, std::vector<uint64_t>{s.Map->Id()});
  s.Vars.SelStr = "old", s.Vars.SelIndex = 3;
  s.Map->IgnoreMouse = 4;
  EXPECT_FALSE(s.Map->RightClickClose()) << "mode 4 ignores the right button";
  s.Map->IgnoreMouse = 3;
  EXPECT_TRUE(s.Map->RightClickClose());
  EXPECT_EQ(s.Vars.SelStr, "");
  EXPECT_EQ(s.Vars.SelIndex, -1);
  EXPECT_FALSE(s.Map->RightClickClose()) << "already closing";

  TMapStage k;
  k.Map->KeyRepeat(0x28, true);  // Down from none
  EXPECT_EQ(k.Map->Hovered(), 0);
  k.Map->KeyRepeat(0x26, false);  // Up from 0
  EXPECT_EQ(k.Map->Hovered(), 1);
  k.Map->KeyRepeat(0x27, false);  // Right from the last
  EXPECT_EQ(k.Map->Hovered(), 0);
  k.Map->KeyRepeat(0x0D, false);  // Enter repeating, not pressed
  EXPECT_EQ(k.CountEvents(TOpalMapImage::kSelectEvent), 0);
  k.Map->KeyRepeat(0x20, true);
  EXPECT_EQ(k.LastArgs(TOpalMapImage::kSelectEvent), (std::vector<std::string>{"A", "0"}));
  k.Map->KeyRepeat(0x1B, true);
  EXPECT_EQ(k.Map->CloseState, 0) << "Escape closes only with PR_RCLICKSCRAP";
  SetPropValue(*k.Map, PR_RCLICKSCRAP, Flag(true));
  k.Map->KeyRepeat(0x1B, true);
  EXPECT_EQ(k.Map->CloseState, TOpalMapImage::kCloseAsked);
  EXPECT_EQ(k.Vars.SelIndex, -1);
}

TEST(ImageMap, TheStagesInputStepHoversChoosesAndCloses) {
  TMapStage s;
  SetPropValue(*s.Map, PR_RCLICKSCRAP, Flag(true));
  SetPropValue(*s.Map, PR_HANDLEKEY, Int(1));
  s.Stage.MouseMove(20 + 15, 30 + 15);
  s.Stage.InputStep(15);
  EXPECT_EQ(s.Map->Hovered(), 0);
  s.Stage.MouseDown(TMouseButton::Left);
  s.Stage.InputStep(15);
  s.Stage.MouseUp();
  EXPECT_EQ(s.LastArgs(TOpalMapImage::kSelectEvent), (std::vector<std::string>{"A", "0"}));
  s.Stage.KeyDown(0x28);  // Down: the next area
  s.Stage.InputStep(15);
  s.Stage.KeyUp(0x28);
  EXPECT_EQ(s.Map->Hovered(), 1);
  s.Stage.MouseDown(TMouseButton::Right);
  s.Stage.InputStep(15);
  EXPECT_EQ(s.Map->CloseState, TOpalMapImage::kCloseAsked) << "the right-click list closed it";
  EXPECT_EQ(s.Vars.SelIndex, -1);
}

TEST(ImageMap, RegionsAreInclusiveAndPolygonsWindNonZero) {
  const TMapArea r = Rect("r", 5, 5, 10, 8);
  EXPECT_TRUE(r.Contains(10, 8));
  EXPECT_FALSE(r.Contains(11, 8));
  EXPECT_FALSE(r.Contains(4, 5));
  EXPECT_EQ(r.Box(), (TRect{5, 5, 11, 9}));
  const TMapArea e = Rect("e", 0, 0, 9, 9, msEllipse);
  EXPECT_TRUE(e.Contains(5, 5));
  EXPECT_TRUE(e.Contains(0, 5));
  EXPECT_FALSE(e.Contains(0, 0));
  // A five-pointed star drawn in one stroke: its centre is wound twice.
  TMapArea star;
  star.Shape = 7;
  star.Points = {{50, 0}, {79, 90}, {2, 35}, {97, 35}, {20, 90}};
  EXPECT_TRUE(star.Contains(50, 50)) << "inside under the non-zero rule";
  EXPECT_TRUE(star.Contains(50, 10));
  EXPECT_FALSE(star.Contains(5, 80));
  TMapArea line;
  line.Shape = msPolygon;
  line.Points = {{0, 0}, {10, 10}};
  EXPECT_FALSE(line.Contains(5, 5));
  EXPECT_TRUE(line.Box().IsEmpty());
}

TEST(ImageMap, MissingMapFilesGiveNoAreas) {
  TMapStage s;
  SetPropValue(*s.Map, PR_MAPSOURCE, Str("none.map"));
  EXPECT_TRUE(s.Map->Areas().empty());
  s.Map->MouseMove(20 + 50, 30 + 20);
  EXPECT_EQ(s.Map->Hovered(), -1);
  EXPECT_FALSE(s.Map->LeftDown());
}

TEST(ImageMap, HostileMapFilesThrow) {
  using B = testing::THandBytes;
  struct TCase {
    const char* Name;
    B Bytes;
  };
  const TCase cases[] = {
      {"empty", B()},
      {"negative count", B().I32(-1)},
      {"count beyond the data", B().I32(1000)},
      {"name past the end", B().I32(1).I32(50).Raw("ab")},
      {"rectangle cut short", B().I32(1).Str("").U8(0).I32(1).I32(2)},
      {"negative point count", B().I32(1).Str("").U8(2).I32(-3)},
      {"points beyond the data", B().I32(1).Str("").U8(2).I32(100000).I32(0).I32(0)},
      {"points above the cap", B().I32(1).Str("").U8(2).I32(TMapFile::kMaxPoints + 1)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemoryStream s(c.Bytes.Data);
    EXPECT_THROW(TMapFile::Read(s), EOpalError);
  }
  TMemoryStream ok(B().I32(1).Str("x").U8(2).I32(3).I32(0).I32(0).I32(4).I32(0).I32(0).I32(4).Data);
  auto areas = TMapFile::Read(ok);
  ASSERT_EQ(areas.size(), 1u);
  EXPECT_EQ(areas[0].Name, "x");
  EXPECT_EQ(areas[0].Points.size(), 3u);
}

}  // namespace
}  // namespace opal
