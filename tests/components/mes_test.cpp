// The message window over synthetic glyphs: pages and their start handler,
// handlers of the reveal, pausing, links and notifications, and a saved
// game restored at the same state of the page.
#include <gtest/gtest.h>

#include <map>

#include "components/opal_mes.h"
#include "image_test_util.h"
#include "platform/font_backend.h"
#include "stage/creation.h"
#include "storage/stream.h"
#include "text/font_pixel.h"

namespace opal {
namespace {

const auto Int = &TPropValue::OfInt;
const auto Str = &TPropValue::OfStr;
const auto Flag = &TPropValue::OfFlag;

// The window over synthetic glyphs, or over the IPA faces through FreeType.
bool gRealFonts = false;

struct TMesStage : testing::TImageStage {
  std::unique_ptr<FontBackend> Backend =
      gRealFonts ? CreateFreeTypeFontBackend() : std::unique_ptr<FontBackend>(new TFakeFontBackend);
  TFontPixelManager Fonts{*Backend};
  std::string Face = gRealFonts ? "IPAGothic" : "Fake";
  TMesStage() {
    Services.Fonts = &Fonts;
    RegisterMessageComponents(Stage);
  }
  TOpalMes* Window(const std::map<int, TPropValue>& extra = {}) {
    std::map<int, TPropValue> props = {{PR_NAME, Str("msg")},         {PR_WIDTH, Int(120)},
                                       {PR_HEIGHT, Int(40)},          {PR_FONTNAME, Str(Face)},
                                       {PR_FONTHEIGHT, Int(12)},      {PR_FONTCOLOR, Int(0xFFFFFF)},
                                       {PR_DELAY, Int(30)},           {PR_ONPLAYSTART, Str("start.osb")},
                                       {PR_ONPLAYING, Str("playing.osb")}, {PR_ONPLAYEND, Str("end.osb")}};
    for (const auto& [id, v] : extra) props[id] = v;
    auto* mes = Stage.Create<TOpalMes>();
    ApplyCreationProperties(*mes, [&props](int id) -> std::optional<TPropValue> {
      auto it = props.find(id);
      return it == props.end() ? std::nullopt : std::optional<TPropValue>(it->second);
    });
    return mes;
  }
  std::vector<std::string> ArgsOf(uint8_t kind) const {
    std::vector<std::string> out;
    for (const TTimerData& t : Stage.Events.Items)
      if (t.Kind == kind) out.push_back(t.Args.empty() ? "" : t.Args[0]);
    return out;
  }
  // The start handler ran to its end.
  void FinishStart() { Stage.Events.Clear(); }
};

class MessageWindow : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { gRealFonts = GetParam(); }
  void TearDown() override { gRealFonts = false; }
};

TEST_P(MessageWindow, StartHandlerGatesThePageAndEndsAreReportedOnce) {
  TMesStage s;
  TOpalMes* mes = s.Window();
  mes->SetProperty(PR_TEXT, Str("ab<CLEAR>cd"));
  EXPECT_EQ(GetPropValue(*mes, PR_COUNT).Int, 2);
  EXPECT_EQ(s.ArgsOf(PR_ONPLAYSTART), std::vector<std::string>{"0"});
  s.Run(300, 15);
  EXPECT_TRUE(s.ArgsOf(PR_ONPLAYING).empty());  // held while the start handler is queued
  s.FinishStart();
  s.Run(300, 15);
  // One character every 30 ms, each frame that shows one queues its text.
  EXPECT_EQ(s.ArgsOf(PR_ONPLAYING), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(s.CountEvents(PR_ONPLAYEND), 1);
  EXPECT_TRUE(GetPropValue(*mes, PR_PLAYING).Flag);  // a page follows
  EXPECT_EQ(mes->PlayState(), 2);
  s.Run(300, 15);
  EXPECT_EQ(s.CountEvents(PR_ONPLAYEND), 1);

  s.FinishStart();
  mes->SetProperty(PR_INDEX, Int(1));
  EXPECT_EQ(GetPropValue(*mes, PR_INDEX).Int, 1);
  EXPECT_EQ(GetPropValue(*mes, PR_SCROLLY).Int, 0);
  EXPECT_EQ(s.ArgsOf(PR_ONPLAYSTART), std::vector<std::string>{"0"});
  s.FinishStart();
  s.Run(300, 15);
  EXPECT_EQ(s.ArgsOf(PR_ONPLAYING), (std::vector<std::string>{"c", "d"}));
  EXPECT_FALSE(GetPropValue(*mes, PR_PLAYING).Flag);
  EXPECT_EQ(GetPropValue(*mes, PR_TEXT).Str, "cd");
  mes->SetProperty(PR_INDEX, Int(5));  // ignored
  EXPECT_EQ(GetPropValue(*mes, PR_INDEX).Int, 1);
}

TEST_P(MessageWindow, TextPausedStopsTheTextAndResumesWhereItStopped) {
  TMesStage s;
  TOpalMes* mes = s.Window({{PR_ONPLAYSTART, Str("")}});
  mes->SetProperty(PR_TEXT, Str("abcdef"));
  s.Run(75, 15);
  const size_t shown = s.ArgsOf(PR_ONPLAYING).size();
  EXPECT_GT(shown, 0u);
  mes->SetProperty(PR_TEXTPAUSED, Flag(true));
  s.Run(300, 15);
  EXPECT_EQ(s.ArgsOf(PR_ONPLAYING).size(), shown);
  mes->SetProperty(PR_TEXTPAUSED, Flag(false));
  s.Run(600, 15);
  std::string all;
  for (const std::string& t : s.ArgsOf(PR_ONPLAYING)) all += t;
  EXPECT_EQ(all, "abcdef");
}

TEST_P(MessageWindow, LinksQueueTheirTargetAndCaptureLinkPassesPlainText) {
  TMesStage s;
  TOpalMes* mes = s.Window({{PR_ONPLAYSTART, Str("")}, {PR_ONLINK, Str("link.osb")}, {PR_CAPTURELINK, Flag(true)},
                            {PR_DELAY, Int(0)}, {PR_LEFT, Int(10)}, {PR_TOP, Int(20)}});
  mes->SetProperty(PR_TEXT, Str("ab<A HREF=\"go\\nnow\">cd</A>"));
  s.Run(60, 15);
  EXPECT_FALSE(mes->PointOnSelf(10 + 5, 20 + 5));  // plain text: the click goes below
  EXPECT_TRUE(mes->PointOnSelf(10 + 30, 20 + 5));
  TMouseState m;
  m.PointerX = 10 + 30;
  m.PointerY = 20 + 5;
  m.LeftNow = true;
  mes->DoLeftDown(m);
  EXPECT_FALSE(m.LeftNow);
  ASSERT_EQ(s.CountEvents(PR_ONLINK), 1);
  for (const TTimerData& t : s.Stage.Events.Items)
    if (t.Kind == PR_ONLINK) {
      EXPECT_EQ(t.Args, (std::vector<std::string>{"go", "now"}));
    }
}

TEST_P(MessageWindow, EventMarkersQueueTheNotifyHandler) {
  TMesStage s;
  TOpalMes* mes = s.Window({{PR_ONPLAYSTART, Str("")}, {PR_ONNOTIFY, Str("notify.osb")}});
  mes->SetProperty(PR_TEXT, Str("a<EVENT VALUE=\"x\\ny\">b"));
  s.Run(300, 15);
  ASSERT_EQ(s.CountEvents(PR_ONNOTIFY), 1);
  for (const TTimerData& t : s.Stage.Events.Items)
    if (t.Kind == PR_ONNOTIFY) {
      EXPECT_EQ(t.Args, (std::vector<std::string>{"x", "y"}));
    }
}

TEST_P(MessageWindow, ASaveRestoresTheHalfShownPageWithoutAStartHandler) {
  TMesStage s;
  TOpalMes* mes = s.Window();
  mes->SetProperty(PR_TEXT, Str("abcdef<CLEAR>ghi"));
  s.FinishStart();
  s.Run(90, 15);
  const size_t shown = s.ArgsOf(PR_ONPLAYING).size();
  ASSERT_GT(shown, 0u);
  ASSERT_LT(shown, 6u);
  std::vector<int32_t> opacity;
  for (size_t i = 0; i < mes->CurrentPage()->Row(0)->Count(); ++i)
    opacity.push_back(mes->CurrentPage()->Row(0)->Item(i)->Opacity());
  s.Stage.Events.Clear();

  TMemoryStream saved;
  s.Stage.SaveToStream(saved);
  saved.SetPosition(0);
  TMesStage r;
  r.Stage.LoadFromStream(saved, kSaveVersion);
  auto* back = dynamic_cast<TOpalMes*>(r.Stage.FindControl("msg"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(r.CountEvents(PR_ONPLAYSTART), 0);
  EXPECT_EQ(GetPropValue(*back, PR_COUNT).Int, 2);
  ASSERT_NE(back->CurrentPage(), nullptr);
  std::vector<int32_t> restored;
  for (size_t i = 0; i < back->CurrentPage()->Row(0)->Count(); ++i)
    restored.push_back(back->CurrentPage()->Row(0)->Item(i)->Opacity());
  EXPECT_EQ(restored, opacity);
  r.Run(600, 15);
  std::string rest;
  for (const std::string& t : r.ArgsOf(PR_ONPLAYING)) rest += t;
  EXPECT_EQ(rest, std::string("abcdef").substr(shown));
  EXPECT_EQ(r.CountEvents(PR_ONPLAYEND), 1);
}

INSTANTIATE_TEST_SUITE_P(Fonts, MessageWindow, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Ipa" : "Synthetic"; });

}  // namespace
}  // namespace opal
