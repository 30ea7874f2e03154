// ImgNew, TileNew and MapImgNew run by the interpreter on a page compiled
// from scenario text, with pictures from the data folder.
#include <gtest/gtest.h>

#include <string>

#include "components/custom_images.h"
#include "components/map_image.h"
#include "components/opal_tile.h"
#include "image_test_util.h"
#include "scenario_host.h"

namespace opal {
namespace {

using testing::BriFile;
using testing::TFrameSpec;

class ImageCommand : public ::testing::Test, public testing::TScenarioHost {
 protected:
  // The page's first frame.
  void RunPage(const std::string& utf8) {
    Page("main.osb", utf8);
    Start("main.osb");
    Frames(1);
  }
};

TEST_F(ImageCommand, CreatingCommandsMakeTheirKinds) {
  TFrameSpec f;
  f.Width = 12, f.Height = 6;
  File("pic.bri", BriFile({f, f, f}));
  TMemoryStream map;
  TMapArea a;
  a.Name = "all", a.Right = 11, a.Bottom = 5;
  TMapFile::Write(map, {a});
  File("pic.map", map.Bytes());
  RunPage("+VarNew extra ; type: int ; value: 250\n"
          "+ImgNew PR_NAME: \"img\" ; PR_SOURCE: \"pic.bri\" ; PR_DELAY: extra ; PR_ZOOMX: 512 ; PR_LEFT: 3\n"
          "+TileNew PR_NAME: \"tile\" ; PR_SOURCE: \"pic.bri\" ; PR_WIDTH: 40 ; PR_HEIGHT: 10 ; PR_SCROLLX: -2\n"
          "+MapImgNew PR_NAME: \"map\" ; PR_SOURCE: \"pic.bri\" ; PR_MAPSOURCE: \"pic.map\" ; PR_TOP: 20\n");
  auto* img = dynamic_cast<TOpalImages*>(Stage.FindObject("img"));
  auto* tile = dynamic_cast<TOpalTile*>(Stage.FindObject("tile"));
  auto* mapImg = dynamic_cast<TOpalMapImage*>(Stage.FindObject("map"));
  ASSERT_TRUE(img && tile && mapImg);
  EXPECT_EQ(img->Width(), 24) << "the zoom is applied before the left";
  EXPECT_EQ(img->Height(), 6) << "no height expression keeps the picture's";
  EXPECT_EQ(img->Left(), 3);
  EXPECT_EQ(img->GetParent(), Stage.ActiveBase());
  const int64_t before = img->TimeLeft();
  img->SelectFrame(2);
  EXPECT_EQ(img->TimeLeft() - before, 100 + 250) << "the PR_DELAY expression waits on the last frame";
  EXPECT_EQ(tile->Width(), 40);
  EXPECT_EQ(GetPropValue(*tile, PR_SCROLLX).Int, -2);
  EXPECT_EQ(mapImg->Width(), 12);
  EXPECT_EQ(mapImg->Areas().size(), 1u);
  EXPECT_EQ(Stage.RightClickList.size(), 1u);
}

}  // namespace
}  // namespace opal
