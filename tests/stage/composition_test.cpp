// Composition: after every frame of random changes the incrementally drawn
// screen equals a full redraw, and no pixel outside the presented
// rectangles changed. Also the per-frame update loop.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "common/run_state.h"
#include "stage_test_util.h"

namespace opal {
namespace {

using testing::AddBox;

constexpr int32_t kW = 200, kH = 150;

std::vector<uint32_t> Pixels(TCustomDIBX& b) {
  std::vector<uint32_t> out(static_cast<size_t>(b.Width()) * static_cast<size_t>(b.Height()));
  for (int32_t y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.PixelAddress(0, y);
    std::memcpy(&out[static_cast<size_t>(y) * static_cast<size_t>(b.Width())], row, static_cast<size_t>(b.Width()) * 4);
    b.Unlock();
  }
  return out;
}

bool InsideAny(const std::vector<TRect>& rects, int32_t x, int32_t y) {
  for (const TRect& r : rects) {
    if (x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom) return true;
  }
  return false;
}

class TOracle {
 public:
  explicit TOracle(uint32_t seed, bool global) : Rng(seed) {
    if (global) {
      Screen.SetSize(kW, kH, 32);
      Services.Screen = &Screen;
    }
    Stage.SetSize(kW, kH);
    Stage.SetColor(0x203040);
    Cabinet = Stage.Create<TOpalCabinet>();
    Cabinet->SetParent(Stage.ActiveBase());
    Cabinet->SetBounds(0, 0, kW, kH);
    for (int i = 0; i < 6; ++i) CreateBox();
  }

  int32_t Rand(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(Rng); }

  // A live box chosen at random, or null when there is none.
  TOpalBox* AnyBox() {
    std::vector<TOpalBox*> live;
    for (uint64_t id : Ids) {
      if (auto* o = Stage.ById(id); o != nullptr && !o->MarkedForDeletion()) live.push_back(static_cast<TOpalBox*>(o));
    }
    return live.empty() ? nullptr : live[static_cast<size_t>(Rand(0, static_cast<int32_t>(live.size()) - 1))];
  }

  TOpalControl* AnyParent(TOpalBox* self) {
    int32_t pick = Rand(0, 9);
    if (pick == 0) return Cabinet;
    if (pick == 1) return Stage.OtherBase();
    if (pick < 4) return Stage.ActiveBase();
    TOpalBox* b = AnyBox();
    return b != nullptr && b != self ? static_cast<TOpalControl*>(b) : Stage.ActiveBase();
  }

  int32_t AnyAlpha() {
    const int32_t alphas[] = {255, 255, 128, 40, 384, 300, 0};
    return alphas[Rand(0, 6)];
  }

  void CreateBox() {
    TOpalBox* b = AddBox(Stage, nullptr, Rand(-20, kW), Rand(-20, kH), Rand(0, 90), Rand(0, 70),
                         Rand(0, 0xFFFFFF));
    b->SetParent(AnyParent(b));
    b->SetAlpha(AnyAlpha());
    Ids.push_back(b->Id());
  }

  void Change() {
    TOpalBox* b = AnyBox();
    int32_t op = Rand(0, 11);
    Log += " op" + std::to_string(op) + (b ? "(" + b->Name() + ")" : std::string());
    if (b == nullptr || op == 0) return CreateBox();
    switch (op) {
      case 1: b->SetLeft(b->Left() + Rand(-30, 30)); break;
      case 2: b->SetTop(b->Top() + Rand(-30, 30)); break;
      case 3: b->SetWidth(Rand(0, 100)), b->SetHeight(Rand(0, 80)); break;
      case 4: b->SetParent(AnyParent(b)); break;
      case 5: b->SetPriority(Rand(-3, 3)); break;
      case 6: b->SetVisible(!b->Visible()); break;
      case 7:
        if (Rand(0, 2) == 0) {
          b->SetClip(2, 0);
        } else {
          b->SetClip(0, Rand(-10, 40)), b->SetClip(1, Rand(-10, 40));
          b->SetClip(2, Rand(1, 60)), b->SetClip(3, Rand(1, 60));
        }
        break;
      case 8: Rand(0, 1) ? b->SetAlpha(AnyAlpha()) : b->SetColor(Rand(-1, 0xFFFFFF)); break;
      case 9: Rand(0, 1) ? Stage.DeleteObject(b) : Stage.Destroy(b); break;
      case 10:
        b->SetOffsetX(Rand(-10, 10)), b->SetOffsetY(Rand(-10, 10));
        b->SetPlus(Rand(0, 1), Rand(-15, 15));
        break;
      case 11: b->SetBorderWidth(Rand(0, 6)), b->SetBorderColor(Rand(-1, 0xFFFFFF)); break;
    }
  }

  std::string Describe() {
    std::string out;
    for (uint64_t id : Ids) {
      auto* b = static_cast<TOpalBox*>(Stage.ById(id));
      if (b == nullptr) continue;
      TRect r = b->ScreenRect();
      out += "\n  " + b->Name() + " in " + (b->GetParent() ? b->GetParent()->Name() : "-") + " at " +
             std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
             std::to_string(r.Bottom) + " alpha " + std::to_string(b->Alpha) + " border " +
             std::to_string(b->BorderWidth) + "/" + std::to_string(b->BorderColor) + " colour " +
             std::to_string(b->Color()) + " visible " + std::to_string(b->Visible()) + " clip " +
             std::to_string(b->ClipRect().Left) + "," + std::to_string(b->ClipRect().Top) + "," +
             std::to_string(b->ClipRect().Right) + "," + std::to_string(b->ClipRect().Bottom);
    }
    return out;
  }

  // One frame; false (with a message) when the screen is wrong.
  ::testing::AssertionResult Frame(int changes) {
    TCustomDIBX& screen = *Stage.ActiveBase()->GetCanvas();
    std::vector<uint32_t> before = Pixels(screen);
    Log.clear();
    for (int i = 0; i < changes; ++i) Change();
    Stage.Update(0);
    Stage.Draw();
    std::vector<TRect> presented = Stage.PresentRects();
    TDIBX full;
    full.SetSize(kW, kH, 32);
    Stage.ActiveBase()->DrawRect(full, {0, 0, kW, kH});
    std::vector<uint32_t> now = Pixels(screen), expected = Pixels(full);
    // The other base keeps its own picture up to date the same way.
    TOpalBase* other = Stage.OtherBase();
    other->DrawRect(full, {0, 0, kW, kH});
    const bool otherRight = Pixels(other->Canvas) == Pixels(full);
    Stage.ClearDirty();
    if (!otherRight) return ::testing::AssertionFailure() << "the other base differs from a full redraw after" << Log;
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        size_t i = static_cast<size_t>(y) * kW + static_cast<size_t>(x);
        if (now[i] != expected[i]) {
          return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") differs from a full redraw after" << Log << Describe();
        }
        if (now[i] != before[i] && !InsideAny(presented, x, y)) {
          return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") changed outside the presented rectangles after" << Log;
        }
      }
    }
    return ::testing::AssertionSuccess();
  }

  std::mt19937 Rng;
  TDIBX Screen;
  TStageServices Services;
  TOpalBaseList Stage{Services};
  TOpalCabinet* Cabinet = nullptr;
  std::vector<uint64_t> Ids;
  std::string Log;  // the changes of the current frame
};

TEST(Composition, IncrementalFramesEqualAFullRedraw) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    TOracle oracle(seed, seed % 2 == 0);
    for (int frame = 0; frame < 80; ++frame) {
      ASSERT_TRUE(oracle.Frame(frame == 0 ? 0 : oracle.Rand(1, 4))) << "seed " << seed << " frame " << frame;
    }
  }
}

TEST(Composition, ChildIsCutAtItsParentAndByItsClip) {
  TOpalBaseList stage;
  stage.SetSize(kW, kH);
  stage.SetColor(0);
  TOpalBox* parent = AddBox(stage, nullptr, 100, 100, 20, 20, 0x0000FF);
  TOpalBox* child = AddBox(stage, parent, 10, 10, 50, 50, 0x00FF00);
  stage.Draw();
  TCustomDIBX& screen = *stage.ActiveBase()->GetCanvas();
  const uint32_t green = static_cast<uint32_t>(screen.ColorToPixel(0x00FF00));
  const uint32_t red = static_cast<uint32_t>(screen.ColorToPixel(0x0000FF));
  EXPECT_EQ(screen.GetPixel(110, 110), green);
  EXPECT_EQ(screen.GetPixel(119, 119), green);
  EXPECT_EQ(screen.GetPixel(120, 120), 0u);  // outside the parent
  EXPECT_EQ(screen.GetPixel(109, 110), red);
  // A clip of 5 columns shows only the child's leftmost 5.
  child->SetClip(2, 5);
  child->SetClip(3, 100);
  stage.Draw();
  EXPECT_EQ(screen.GetPixel(114, 110), green);
  EXPECT_EQ(screen.GetPixel(115, 110), red);
}

TEST(Composition, BoxAlphaModes) {
  TOpalBaseList stage;
  stage.SetSize(kW, kH);
  stage.SetColor(0x404040);
  TOpalBox* box = AddBox(stage, nullptr, 0, 0, 10, 10, 0x808080);
  TCustomDIBX& screen = *stage.ActiveBase()->GetCanvas();
  auto drawn = [&](int32_t alpha) {
    box->SetAlpha(alpha);
    stage.Draw();
    stage.ClearDirty();
    return screen.GetPixel(5, 5) & 0xFFFFFF;
  };
  EXPECT_EQ(drawn(255), 0x808080u);
  EXPECT_EQ(drawn(0), 0x404040u);
  EXPECT_EQ(drawn(512), 0x404040u);  // outside 1..511: nothing
  EXPECT_EQ(drawn(384), 0x808080u);  // adds half of 0x80 to 0x40
  uint32_t half = drawn(128);
  EXPECT_GT(half & 0xFF, 0x40u);
  EXPECT_LT(half & 0xFF, 0x80u);
  // A frame drawn inside the box, the fill inset by its width.
  box->SetAlpha(255);
  box->SetBorderWidth(2);
  box->SetBorderColor(0xFFFFFF);
  stage.Draw();
  EXPECT_EQ(screen.GetPixel(1, 5) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(screen.GetPixel(2, 5) & 0xFFFFFF, 0x808080u);
}

TEST(Composition, ABaseWithoutPixelsDrawsNothing) {
  TOpalBaseList stage;
  stage.SetSize(kW, kH);
  AddBox(stage, nullptr, 0, 0, 10, 10);
  stage.ReleasePixels();
  stage.Draw();  // must not touch released storage
  stage.RecreatePixels();
  EXPECT_EQ(stage.ActiveBase()->DirtyList.Items(), (std::vector<TRect>{{0, 0, kW, kH}}));
  stage.Draw();
  EXPECT_EQ(stage.ActiveBase()->GetCanvas()->GetPixel(5, 5),
            static_cast<uint32_t>(stage.ActiveBase()->GetCanvas()->ColorToPixel(0x0000FF)));
}

// --- transitions ---

// Shows the old picture before half the time, the new one after.
class THalfWipe : public TStageWipe {
 public:
  explicit THalfWipe(const TWipeRequest& r) : R(r) {}
  int32_t Duration() const override { return R.Duration; }
  void SetTime(int32_t ms) override { Time = ms; }
  bool Step() override {
    if (Time >= R.Duration) return true;
    R.Dest->Assign(Time * 2 < R.Duration ? R.OldImage : R.NewImage);
    return false;
  }
  TRect UpdateRect() const override { return R.Dest->BoundsRect(); }
  TWipeRequest R;
  int32_t Time = 0;
};

TEST(Transition, CanvasesSwitchWhileAWipeRuns) {
  TDIBX screen;
  screen.SetSize(kW, kH, 32);
  // Kind 1 is a half-way wipe; every kind is seen.
  struct THalfWipes : TWipeFactory {
    std::unique_ptr<TStageWipe> MakeWipe(const TWipeRequest& r) override {
      Seen = r;
      return r.Kind == 1 ? std::make_unique<THalfWipe>(r) : nullptr;
    }
    TWipeRequest Seen;
  } wipes;
  TStageServices services;
  services.Screen = &screen;
  services.Wipes = &wipes;
  TOpalBaseList stage(services);
  stage.SetSize(kW, kH);
  stage.BaseAt(0)->SetColor(0x0000FF);
  stage.BaseAt(1)->SetColor(0x00FF00);
  const TWipeRequest& seen = wipes.Seen;
  EXPECT_EQ(stage.BaseAt(0)->GetCanvas(), &screen);
  stage.Draw();
  stage.ClearDirty();
  const uint32_t red = static_cast<uint32_t>(screen.ColorToPixel(0x0000FF));
  const uint32_t green = static_cast<uint32_t>(screen.ColorToPixel(0x00FF00));
  ASSERT_EQ(screen.GetPixel(1, 1), red);

  // The flip starts a wipe without changing Active.
  ASSERT_NE(stage.BeginTransition(0, 1, 0, false, 0, 100), nullptr);
  EXPECT_TRUE(stage.TransitionRunning);
  EXPECT_EQ(stage.TransitionLength(), 100);
  EXPECT_EQ(seen.Dest, &screen);
  EXPECT_EQ(seen.OldImage, &stage.BaseAt(0)->Canvas);
  EXPECT_EQ(seen.NewImage, &stage.BaseAt(1)->Canvas);
  EXPECT_EQ(stage.BaseAt(0)->Canvas.GetPixel(1, 1), red);  // the shown picture was kept
  EXPECT_EQ(stage.BaseAt(0)->GetCanvas(), &stage.BaseAt(0)->Canvas);
  stage.SetTransitionTime(10);
  stage.Draw();
  EXPECT_EQ(screen.GetPixel(1, 1), red);
  EXPECT_EQ(stage.PresentRects(), (std::vector<TRect>{{0, 0, kW, kH}}));
  stage.ClearDirty();
  stage.SetTransitionTime(60);
  stage.Draw();
  EXPECT_EQ(screen.GetPixel(1, 1), green);
  // A second start while one runs changes nothing.
  EXPECT_EQ(stage.BeginTransition(0, 1, 0, false, 60, 100), stage.Transition());

  // Time is up: the other base becomes active and both are repainted.
  EXPECT_EQ(stage.BeginTransition(stage.Active ^ 1, 0, 0, true, 0, 0), nullptr);
  EXPECT_FALSE(stage.TransitionRunning);
  EXPECT_EQ(stage.Active, 1);
  EXPECT_EQ(stage.BaseAt(1)->GetCanvas(), &screen);
  EXPECT_EQ(stage.BaseAt(0)->DirtyList.Items(), (std::vector<TRect>{{0, 0, kW, kH}}));
  stage.Draw();
  EXPECT_EQ(screen.GetPixel(1, 1), green);
  // A kind without a wipe starts no transition.
  stage.BeginTransition(1, 99, 0, false, 0, 100);
  EXPECT_FALSE(stage.TransitionRunning);
}

// --- the per-frame update ---

class TScriptedBox : public TOpalBox {
 public:
  using TOpalBox::TOpalBox;
  bool Update(int32_t elapsedMs) override {
    ++Visits;
    Told.push_back(elapsedMs);
    return Step ? Step() : false;
  }
  std::function<bool()> Step;
  int Visits = 0;
  std::vector<int32_t> Told;  // the elapsed time of each update
};

// The stage's caller is the only clock: every object, nested or not, is
// told the time of the frame, whatever the program's run state says.
TEST(Update, EveryObjectIsToldTheFramesTime) {
  TOpalBaseList stage;
  auto* outer = stage.Create<TScriptedBox>();
  outer->SetParent(stage.ActiveBase());
  auto* inner = stage.Create<TScriptedBox>();
  inner->SetParent(outer);
  auto* parked = stage.Create<TScriptedBox>();
  parked->SetParent(stage.OtherBase());
  RunState().FrameDeltaMs = 999;
  for (int32_t ms : {15, 0, 40}) stage.Update(ms);
  RunState().FrameDeltaMs = 0;
  for (const TScriptedBox* b : {outer, inner, parked}) EXPECT_EQ(b->Told, (std::vector<int32_t>{15, 0, 40}));
}

TEST(Update, CreationAndDestructionDuringTheLoopNeitherSkipNorRepeat) {
  TOpalBaseList stage;
  std::vector<TScriptedBox*> boxes;
  for (int i = 0; i < 6; ++i) boxes.push_back(stage.Create<TScriptedBox>());
  std::vector<uint64_t> ids;
  for (auto* b : boxes) ids.push_back(b->Id());
  TScriptedBox* created = nullptr;
  // 2 destroys 0 (before it) and creates one; 3 asks to be destroyed; 4
  // destroys 5 (after it).
  boxes[2]->Step = [&] {
    stage.Destroy(boxes[0]);
    created = stage.Create<TScriptedBox>();
    return false;
  };
  boxes[3]->Step = [] { return true; };
  boxes[4]->Step = [&] {
    stage.Destroy(boxes[5]);
    return false;
  };
  stage.Update(0);
  EXPECT_EQ(stage.ById(ids[0]), nullptr);
  EXPECT_EQ(stage.ById(ids[3]), nullptr);
  EXPECT_EQ(stage.ById(ids[5]), nullptr);
  EXPECT_EQ(boxes[1]->Visits, 1);
  EXPECT_EQ(boxes[2]->Visits, 1);
  EXPECT_EQ(boxes[4]->Visits, 1);
  ASSERT_NE(created, nullptr);
  EXPECT_EQ(created->Visits, 1);
}

TEST(Update, DestroyingAParentDuringTheLoopTakesItsChildren) {
  TOpalBaseList stage;
  stage.SetSize(kW, kH);
  auto* a = stage.Create<TScriptedBox>();
  a->SetParent(stage.ActiveBase());
  auto* child = stage.Create<TScriptedBox>();
  child->SetParent(a);
  auto* tail = stage.Create<TScriptedBox>();
  const uint64_t childId = child->Id();
  child->Step = [] { return false; };
  a->Step = [] { return true; };  // goes before its child is visited
  stage.Update(0);
  EXPECT_EQ(stage.ById(childId), nullptr);
  EXPECT_EQ(tail->Visits, 1);
  EXPECT_EQ(stage.ActiveBase()->ChildCount(), 0);
}

TEST(Update, PausedDoomedAndParkedObjects) {
  TOpalBaseList stage;
  auto* paused = stage.Create<TScriptedBox>();
  paused->PausedFlag = true;
  paused->OnIdle = "idle.osb";
  auto* parked = stage.Create<TScriptedBox>();
  TOpalCabinet* cabinet = stage.Create<TOpalCabinet>();
  parked->SetParent(cabinet);
  parked->OnIdle = "parked.osb";
  auto* doomed = stage.Create<TScriptedBox>();
  stage.DeleteObject(doomed);
  stage.DeleteObject(doomed);  // no duplicate
  const uint64_t doomedId = doomed->Id();
  stage.Update(0);
  EXPECT_EQ(paused->Visits, 0);
  EXPECT_EQ(parked->Visits, 0);
  EXPECT_EQ(stage.ById(doomedId), nullptr);
  // The paused box's idle handler is queued once, the parked box's never.
  stage.Update(0);
  ASSERT_EQ(stage.Events.Items.size(), 1u);
  EXPECT_EQ(stage.Events.Items[0].Handler, "idle.osb");
  EXPECT_EQ(stage.Events.Items[0].Kind, PR_ONIDLE);
}

TEST(Update, DestructionDropsPendingEventsAndForgetsRunningOnes) {
  TOpalBaseList stage;
  auto* box = stage.Create<TScriptedBox>();
  stage.Events.Post(box, "a.osb", {}, PR_ONLBTNDOWN);
  stage.Events.Post(box, "b.osb", {}, PR_ONLBTNUP);
  stage.Events.Items[0].State = 1;  // running
  // Deleted during its own handler: stays registered, nameless, until the update ends.
  stage.DeleteObject(box);
  EXPECT_EQ(stage.Events.Items.size(), 2u);
  stage.Update(0);
  ASSERT_EQ(stage.Events.Items.size(), 1u);
  EXPECT_EQ(stage.Events.Items[0].Handler, "a.osb");
  EXPECT_EQ(stage.Events.Items[0].Sender, nullptr);
}

TEST(Update, ResetEmptiesTheStageAndKeepsActive) {
  TOpalBaseList stage;
  stage.SetSize(kW, kH);
  stage.Active = 1;
  AddBox(stage, nullptr, 0, 0, 10, 10);
  stage.Create<testing::TTestSound>();
  stage.Events.Post(nullptr, "x.osb", {}, 0);
  stage.Reset();
  EXPECT_TRUE(stage.Objects().empty());
  EXPECT_TRUE(stage.Events.Items.empty());
  EXPECT_EQ(stage.Active, 1);
  EXPECT_EQ(stage.BaseAt(0)->Name(), "\001BASE0");
  EXPECT_EQ(stage.BaseAt(1)->Width(), kW);
  EXPECT_EQ(stage.ActiveBase()->ChildCount(), 0);
}

}  // namespace
}  // namespace opal
