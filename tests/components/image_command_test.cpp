// ImgNew, TileNew and MapImgNew run by the interpreter on a page compiled
// from scenario text, with pictures from the data folder.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/cp932.h"
#include "components/custom_images.h"
#include "components/map_image.h"
#include "components/opal_tile.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "image_test_util.h"
#include "scenario/call_man.h"
#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "storage/vr_file_manager.h"
#include "stage_host.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::TStageHost;

using testing::BriFile;
using testing::TFrameSpec;

class ImageCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    Vars.SysFuncs = &Funcs;
    Vars.CreateSystemVars();
    Files.SetDataFolder(Dir.Path() + "/");
    Host.Cache.UseFiles(&Files);
    Host.Stage_.ImageCache = &Host.Cache;
    Host.Stage_.Vars = &Vars;
    Host.Stage_.SetSize(64, 48);
    RegisterImageComponents(Host.Stage_);
  }
  void File(const std::string& name, const std::vector<uint8_t>& bytes) {
    testing::WriteFile(Dir / name, std::string(bytes.begin(), bytes.end()));
  }
  void Run(const std::string& utf8) {
    TPage page;
    page.Name = "main.osb";
    ReadPageText(cp932::FromUtf8(utf8), page);
    TMemoryStream s;
    page.SaveToStream(s);
    File("main.osb", s.Bytes());
    Calls = std::make_unique<TCallMan>(Files, Vars, RunState, Host);
    Calls->StartPage("main.osb");
    RunState.FrameDeltaMs = 15;
    Calls->RunStep();
  }

  testing::TempDir Dir;
  TVrFileManager Files;
  TParamCollection Vars;
  TSysFuncMan Funcs;
  TRunState RunState;
  TStageHost Host;
  std::unique_ptr<TCallMan> Calls;
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
  Run("+VarNew extra ; type: int ; value: 250\n"
      "+ImgNew PR_NAME: \"img\" ; PR_SOURCE: \"pic.bri\" ; PR_DELAY: extra ; PR_ZOOMX: 512 ; PR_LEFT: 3\n"
      "+TileNew PR_NAME: \"tile\" ; PR_SOURCE: \"pic.bri\" ; PR_WIDTH: 40 ; PR_HEIGHT: 10 ; PR_SCROLLX: -2\n"
      "+MapImgNew PR_NAME: \"map\" ; PR_SOURCE: \"pic.bri\" ; PR_MAPSOURCE: \"pic.map\" ; PR_TOP: 20\n");
  auto* img = dynamic_cast<TOpalImages*>(Host.Stage_.FindObject("img"));
  auto* tile = dynamic_cast<TOpalTile*>(Host.Stage_.FindObject("tile"));
  auto* mapImg = dynamic_cast<TOpalMapImage*>(Host.Stage_.FindObject("map"));
  ASSERT_TRUE(img && tile && mapImg);
  EXPECT_EQ(img->Width(), 24) << "the zoom is applied before the left";
  EXPECT_EQ(img->Height(), 6) << "no height expression keeps the picture's";
  EXPECT_EQ(img->Left(), 3);
  EXPECT_EQ(img->GetParent(), Host.Stage_.ActiveBase());
  const int64_t before = img->TimeLeft();
  img->SelectFrame(2);
  EXPECT_EQ(img->TimeLeft() - before, 100 + 250) << "the PR_DELAY expression waits on the last frame";
  EXPECT_EQ(tile->Width(), 40);
  EXPECT_EQ(GetPropValue(*tile, PR_SCROLLX).Int, -2);
  EXPECT_EQ(mapImg->Width(), 12);
  EXPECT_EQ(mapImg->Areas().size(), 1u);
  EXPECT_EQ(Host.Stage_.RightClickList.size(), 1u);
}

}  // namespace
}  // namespace opal
