// TSdlScreen as an event source, on SDL's dummy video driver (no display
// needed): what is pushed comes back from Poll through the window's own
// translation, text and compositions in CP932 whatever their length, and
// text only while text input is on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "platform/sdl_screen.h"

namespace opal {
namespace {

class SdlScreenEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SDL_VIDEODRIVER", "dummy", 1);
    std::string why;
    Screen = TSdlScreen::Create(why);
    if (Screen == nullptr) GTEST_SKIP() << "no SDL video: " << why;
    Screen->PlacePanel(0, TSdlScreen::kDockHeight, 640, 480);
  }
  std::vector<TInputEvent> Drain() {
    std::vector<TInputEvent> out;
    for (TInputEvent e; Screen->Poll(e);) out.push_back(e);
    return out;
  }
  static TInputEvent Of(TInputKind kind, const std::string& utf8 = "", int32_t cursor = 0, int32_t length = 0) {
    TInputEvent e;
    e.Kind = kind;
    e.Text = cp932::FromUtf8(utf8);
    e.Cursor = cursor;
    e.SelLength = length;
    return e;
  }

  std::unique_ptr<TSdlScreen> Screen;
};

TEST_F(SdlScreenEvents, TextOnlyWhileTextInputIsOn) {
  EXPECT_FALSE(Screen->TextInputActive());
  Screen->Push(Of(TInputKind::Text, "abc"));
  Screen->Push(Of(TInputKind::Compose, "に", 1, 0));
  Screen->Push(Of(TInputKind::KeyDown));  // key 0 has no scancode: dropped at Push
  TInputEvent enter = Of(TInputKind::KeyDown);
  enter.Key = 0x0D;
  Screen->Push(enter);
  std::vector<TInputEvent> got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, TInputKind::KeyDown);
  EXPECT_EQ(got[0].Key, 0x0D);

  Screen->SetTextInput(true);
  EXPECT_TRUE(Screen->TextInputActive());
  Screen->Push(Of(TInputKind::Text, "abc"));
  got = Drain();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].Kind, TInputKind::Text);
  EXPECT_EQ(got[0].Text, "abc");
  Screen->SetTextInput(false);
  Screen->Push(Of(TInputKind::Text, "abc"));
  EXPECT_TRUE(Drain().empty());
}

TEST_F(SdlScreenEvents, TextsAndCompositionsOfAnyLengthComeBackWhole) {
  Screen->SetTextInput(true);
  std::string longText;
  for (int i = 0; i < 20; ++i) longText += i % 3 == 0 ? "a" : "日本";  // 7 + 13 × 6 bytes of UTF-8
  struct TCase {
    TInputEvent in;
    int32_t cursor, length;  // what comes back
  };
  for (const TCase& c : {TCase{Of(TInputKind::Text, longText), 0, 0},
                         TCase{Of(TInputKind::Compose, "にほん", 3, 0), 3, 0},
                         TCase{Of(TInputKind::Compose, longText, 5, 3), 5, 3},  // longer than an event holds
                         TCase{Of(TInputKind::Compose, "日本", 9, 4), 2, 0},     // brought into range
                         TCase{Of(TInputKind::Compose, "", 0, 0), 0, 0}}) {
    Screen->Push(c.in);
    const std::vector<TInputEvent> got = Drain();
    ASSERT_FALSE(got.empty());
    std::string text;
    for (const TInputEvent& e : got) {
      EXPECT_EQ(e.Kind, c.in.Kind);
      if (e.Kind == TInputKind::Text) {
        EXPECT_LE(cp932::ToUtf8(e.Text).size(), 31u);  // what one event holds
      }
      text += e.Text;
    }
    EXPECT_EQ(text, c.in.Text);
    if (c.in.Kind == TInputKind::Compose) {
      ASSERT_EQ(got.size(), 1u);  // a composition is one event, however long
      EXPECT_EQ(got[0].Cursor, c.cursor);
      EXPECT_EQ(got[0].SelLength, c.length);
    }
  }
}

TEST_F(SdlScreenEvents, APushedClickTakesTheWayOfAPersonsClick) {
  TInputEvent down = Of(TInputKind::MouseDown);
  down.X = 10, down.Y = 10;  // on the toolbar's exit button
  Screen->Push(down);
  down.X = 100, down.Y = 100;  // on the panel
  Screen->Push(down);
  const std::vector<TInputEvent> got = Drain();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].Kind, TInputKind::ToolbarExit);
  EXPECT_EQ(got[1].Kind, TInputKind::MouseDown);
  EXPECT_EQ(got[1].Y, 100);
}

}  // namespace
}  // namespace opal
