// What the game gives message windows: VAR values through the expression
// compiler and the game's variables, pictures read from the game data.
#include <gtest/gtest.h>

#include <map>

#include "components/word_host.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "image_test_util.h"
#include "storage/stream.h"

namespace opal {
namespace {

TEST(GameWordHost, VariablesAndPictures) {
  TParamCollection vars;
  TSysFuncMan funcs;
  vars.SysFuncs = &funcs;
  vars.CreateSystemVars();
  TGameWordHost host;
  EXPECT_FALSE(host.EvaluateText("1 + 2"));  // no variables yet
  host.Vars = &vars;
  EXPECT_EQ(host.EvaluateText("1 + 2"), "3");
  EXPECT_EQ(host.EvaluateText("\"a\" ++ \"b\""), "ab");
  EXPECT_FALSE(host.EvaluateText("1 +"));
  EXPECT_FALSE(host.EvaluateText("  "));

  testing::TFrameSpec f;
  f.Width = 5, f.Height = 3, f.Time = 40;
  f.Pixel = [](int32_t x, int32_t) { return static_cast<uint32_t>(x); };
  std::map<std::string, std::vector<uint8_t>> files = {{"p.bri", testing::BriFile({f, f})}, {"bad.bri", {1, 2, 3}}};
  host.Reader = [&files](const std::string& name, TStream& out) {
    auto it = files.find(name);
    if (it == files.end()) return false;
    out.WriteBuffer(it->second.data(), static_cast<int64_t>(it->second.size()));
    return true;
  };
  const auto picture = host.LoadPicture("p.bri");
  ASSERT_NE(picture, nullptr);
  ASSERT_EQ(picture->Frames.size(), 2u);
  EXPECT_EQ(picture->Frames[0].Pixels->Width(), 5);
  EXPECT_EQ(picture->Frames[1].Time, 40);
  EXPECT_EQ(host.LoadPicture("bad.bri"), nullptr);
  EXPECT_EQ(host.LoadPicture("missing.bri"), nullptr);
}

}  // namespace
}  // namespace opal
