// The reveal as frame tables at 15 ms a frame: waits, speed, fades, events
// and the finished report; hover and hit tests on a revealed page.
#include <gtest/gtest.h>

#include <sstream>

#include "word_fixture.h"

namespace opal {
namespace {

using testing::TWordFixture;

constexpr int32_t kFrame = 15;

// One line per frame: "frame: revealed | opacities | flags | events".
struct TRevealRun : TWordFixture {
  std::vector<std::string> Events;

  explicit TRevealRun(const std::string& markup, int32_t speed, int32_t fadeTime) {
    Word.TextWidth = 200;
    Word.ViewHeight = 100;
    Word.Speed = speed;
    Word.FadeTime = fadeTime;
    Word.EventsEnabled = true;
    Word.OnEvent = [this](TSkWord&, const std::string& text) { Events.push_back(text); };
    Lay(markup);
  }

  std::string Opacities() const {
    std::string s;
    for (size_t r = 0; r < Pages[0]->Count(); ++r)
      for (size_t i = 0; i < Pages[0]->Row(r)->Count(); ++i) {
        const TWdGlyph& g = *Pages[0]->Row(r)->Item(i);
        if (g.Kind() == wkChar) s += (s.empty() ? "" : " ") + std::to_string(g.Opacity());
      }
    return s;
  }

  std::string Run(int frames) {
    Word.RenderPage(*Pages[0], true);
    std::ostringstream out;
    for (int f = 1; f <= frames; ++f) {
      Events.clear();
      const TRevealResult r = Word.RevealStep(*Pages[0], kFrame);
      out << f << ": " << cp932::ToUtf8(r.Revealed) << " | " << Opacities() << " |" << (r.Finished ? " F" : "")
          << (r.More ? " M" : "") << " |";
      for (const std::string& e : Events) out << ' ' << e;
      out << '\n';
    }
    return out.str();
  }
};

TEST(Reveal, WaitsScaleWithSpeed) {
  TRevealRun run("あいう", 256, 1);
  // The first frame is skipped, the second starts at once; each character
  // then waits 50 ms, and fades in within a frame.
  EXPECT_EQ(run.Run(10),
            "1:  | 0 0 0 | M |\n"
            "2: あ | 0 0 0 | M |\n"
            "3:  | 255 0 0 | M |\n"
            "4:  | 255 0 0 | M |\n"
            "5:  | 255 0 0 | M |\n"
            "6: い | 255 255 0 | M |\n"
            "7:  | 255 255 0 | M |\n"
            "8:  | 255 255 0 | M |\n"
            "9: う | 255 255 255 | |\n"
            "10:  | 255 255 255 | F |\n");
}

TEST(Reveal, SpeedZeroShowsThePageAtOnce) {
  TRevealRun run("あいう", 0, 1);
  EXPECT_EQ(run.Run(4),
            "1:  | 0 0 0 | M |\n"
            "2: あいう | 0 0 0 | M |\n"
            "3:  | 255 255 255 | |\n"
            "4:  | 255 255 255 | F |\n");
}

TEST(Reveal, NegativeWaitIsMillisecondsAtAnySpeed) {
  for (int32_t speed : {0, 128, 256}) {
    TRevealRun run("<WAIT VALUE=-40>あ</WAIT>い", speed, 1);
    const std::string table = run.Run(6);
    // い follows 40 ms after あ: at frame 5 (−5 after three frames).
    EXPECT_NE(table.find("5: い"), std::string::npos) << speed << "\n" << table;
  }
}

TEST(Reveal, FadeAndEventsWaitForTheFade) {
  // FadeTime 30: 128 a frame. The event waits until あ has faded in, and
  // the frame after its dispatch counts no time.
  TRevealRun run("あ<EVENT VALUE=x>い", 0, 30);
  EXPECT_EQ(run.Run(8),
            "1:  | 0 0 | M |\n"
            "2: あ | 0 0 | M |\n"
            "3:  | 128 0 | M |\n"
            "4:  | 255 0 | M | x\n"
            "5: い | 255 0 | M |\n"
            "6:  | 255 128 | M |\n"
            "7:  | 255 255 | |\n"
            "8:  | 255 255 | F |\n");
}

TEST(Reveal, EventsInARowGoTogetherUnlessOneHolds) {
  {
    TRevealRun run("<EVENT VALUE=a><EVENT VALUE=b>あ", 0, 1);
    const std::string table = run.Run(3);
    EXPECT_NE(table.find("2:  |"), std::string::npos) << table;
    EXPECT_NE(table.find("| a b\n"), std::string::npos) << table;
  }
  {
    TRevealRun run("<EVENT VALUE=a END><EVENT VALUE=b>あ", 0, 1);
    // The frame after a dispatch counts no time, so あ starts fading later.
    EXPECT_EQ(run.Run(4),
              "1:  | 0 | M |\n"
              "2:  | 0 | M | a\n"
              "3:  | 0 | M | b\n"
              "4: あ | 0 | M |\n");
  }
}

TEST(Reveal, HoldStopsTheRevealButNotTheFade) {
  TRevealRun run("あい", 0, 30);
  run.Word.RenderPage(*run.Pages[0], true);
  run.Word.RevealStep(*run.Pages[0], kFrame);
  run.Word.Hold = true;
  const TRevealResult r = run.Word.RevealStep(*run.Pages[0], kFrame);
  EXPECT_EQ(r.Revealed, "");
  EXPECT_FALSE(r.More);
  run.Word.Hold = false;
  EXPECT_EQ(cp932::ToUtf8(run.Word.RevealStep(*run.Pages[0], kFrame).Revealed), "あい");
}

TEST(Reveal, CaretFollowsTheNextGlyph) {
  TRevealRun run("あい<BR>う", 256, 1);
  run.Word.RenderPage(*run.Pages[0], true);
  run.Word.RevealStep(*run.Pages[0], kFrame);
  run.Word.RevealStep(*run.Pages[0], kFrame);  // あ
  EXPECT_EQ(run.Word.CaretX, 12);
  EXPECT_EQ(run.Word.CaretY, 0);
  EXPECT_EQ(run.Word.CaretHeight, 12);
}

TEST(Reveal, DirtyRectanglesAreTheChangedGlyphs) {
  TRevealRun run("あい", 256, 1);
  run.Word.OriginX = 10;
  run.Word.OriginY = 20;
  std::vector<TRect> dirty;
  run.Word.OnInvalidate = [&](const TRect& r) { dirty.push_back(r); };
  run.Word.RenderPage(*run.Pages[0], true);
  run.Word.RevealStep(*run.Pages[0], kFrame);
  run.Word.RevealStep(*run.Pages[0], kFrame);
  EXPECT_TRUE(dirty.empty());
  run.Word.RevealStep(*run.Pages[0], kFrame);  // あ fades in
  ASSERT_EQ(dirty.size(), 1u);
  const TWdChar& a = static_cast<const TWdChar&>(*run.Pages[0]->Row(0)->Item(0));
  EXPECT_EQ(dirty[0], (TRect{10 + a.Rendered.Left, 20 + a.Rendered.Top, 10 + a.Rendered.Right, 20 + a.Rendered.Bottom}));
  EXPECT_FALSE(a.Rendered.IsEmpty());
}

TEST(Links, HoverActivatesTheWholeRunAndHitTestNeedsFullOpacity) {
  TWordFixture f;
  f.Word.TextWidth = 100;
  f.Word.ViewHeight = 50;
  f.Word.OriginX = 5;
  f.Lay("あ<A HREF=x>いう</A>え");
  TWdPage& page = *f.Pages[0];
  f.Word.RenderPage(page, true);
  EXPECT_EQ(f.Word.HitTest(page, 5 + 13, 5), nullptr);  // nothing shown yet
  for (size_t i = 0; i < page.Row(0)->Count(); ++i) page.Row(0)->Item(i)->SetOpacity(255);
  ASSERT_EQ(f.Word.HitTest(page, 5 + 13, 5), page.Row(0)->Item(1));
  EXPECT_EQ(f.Word.HitTest(page, 4, 5), nullptr);  // outside the text area
  ASSERT_EQ(f.Word.LinkRects.size(), 2u);

  f.Word.HoverAt(page, 5 + 30, 5);  // over う: the run from い
  EXPECT_EQ(std::vector<bool>({page.Row(0)->Item(0)->Active(), page.Row(0)->Item(1)->Active(),
                               page.Row(0)->Item(2)->Active(), page.Row(0)->Item(3)->Active()}),
            std::vector<bool>({false, true, true, false}));
  f.Word.HoverAt(page, 5 + 40, 5);  // over え: no link
  EXPECT_FALSE(page.Row(0)->Item(1)->Active());
  EXPECT_FALSE(page.Row(0)->Item(2)->Active());
}

}  // namespace
}  // namespace opal
