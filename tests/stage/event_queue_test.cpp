// The event queue: lookups by sender and kind, the removal operations, the
// bound on what one sender may pile up, and the saved record with its
// version gate.
#include <gtest/gtest.h>

#include <functional>

#include "common/error.h"
#include "stage_test_util.h"
#include "storage/stream.h"

namespace opal {
namespace {

using testing::AddBox;

TEST(EventQueue, FindIsPerSenderAndKindAndRemovalsKeepTheRest) {
  TOpalBaseList stage;
  TOpalBox* a = AddBox(stage, nullptr, 0, 0, 1, 1, 0, "a");
  TOpalBox* b = AddBox(stage, nullptr, 0, 0, 1, 1, 0, "b");
  TTimerList& q = stage.Events;
  q.Post(a, "a.osb", {}, PR_ONMOUSEMOVE);
  q.Post(b, "b.osb", {}, PR_ONMOUSEMOVE);
  q.Post(a, "a.osb", {"1"}, PR_ONLBTNDOWN);
  q.Post(nullptr, "none.osb", {}, PR_ONLBTNDOWN);
  EXPECT_EQ(q.Find(a, PR_ONMOUSEMOVE), 0);
  EXPECT_EQ(q.Find(b, PR_ONMOUSEMOVE), 1);
  EXPECT_EQ(q.Find(a, PR_ONLBTNDOWN), 2);
  EXPECT_EQ(q.Find(b, PR_ONLBTNDOWN), -1);
  EXPECT_EQ(q.Find(nullptr, PR_ONLBTNDOWN), 3);
  q.NextPending()->State = 1;   // a's move runs at level 1
  q.NextPending()->State = 2;   // b's move nested at level 2
  EXPECT_EQ(q.NextPending()->Args, std::vector<std::string>{"1"});
  q.RemovePendingOf(a);  // a's running entry stays
  EXPECT_EQ(q.Items.size(), 3u);
  EXPECT_EQ(q.Find(a, PR_ONMOUSEMOVE), 0);
  q.RemoveLevel(2);
  EXPECT_EQ(q.Find(b, PR_ONMOUSEMOVE), -1);
  q.RemoveRunning();
  ASSERT_EQ(q.Items.size(), 1u);
  EXPECT_EQ(q.Items[0].Handler, "none.osb");
}

TEST(EventQueue, RepeatsOfOneKindCannotPileUpWithoutBound) {
  TOpalBaseList stage;
  TOpalBox* busy = AddBox(stage, nullptr, 0, 0, 1, 1, 0, "busy");
  TOpalBox* other = AddBox(stage, nullptr, 0, 0, 1, 1, 0, "other");
  TTimerList& q = stage.Events;
  for (size_t i = 0; i < TTimerList::kMaxPendingPerKind; ++i) {
    ASSERT_TRUE(q.Post(busy, "in.osb", {}, PR_ONMOUSEIN));
  }
  EXPECT_FALSE(q.Post(busy, "in.osb", {}, PR_ONMOUSEIN));
  EXPECT_EQ(q.Refused, 1u);
  // Another kind of the same object, and the same kind of another, get in.
  EXPECT_TRUE(q.Post(busy, "down.osb", {"1", "2"}, PR_ONLBTNDOWN));
  EXPECT_TRUE(q.Post(other, "in.osb", {}, PR_ONMOUSEIN));
  q.NextPending()->State = 1;  // a running entry no longer counts
  EXPECT_TRUE(q.Post(busy, "in.osb", {}, PR_ONMOUSEIN));
}

// Writes one saved entry field by field, as a save of `version` has it.
void WriteEntry(TStream& s, int32_t version, const std::string& sender, int32_t state) {
  WriteString(s, "h.osb:l");
  WriteString(s, sender);
  WriteByte(s, 36);
  if (version <= 113) {
    WriteByte(s, static_cast<uint8_t>(state));
  } else {
    WriteInt32(s, state);
  }
  WriteInt32(s, 2);
  WriteString(s, "10");
  WriteString(s, "20");
}

TEST(EventQueue, RecordStatesByVersionAndSendersByName) {
  TOpalBaseList stage;
  AddBox(stage, nullptr, 0, 0, 1, 1, 0, "btn");
  struct TCase {
    int32_t version;
    int32_t state, want;
  };
  for (const TCase& c : {TCase{113, 0, 0}, TCase{113, 7, 1}, TCase{114, 7, 7}, TCase{kSaveVersion, -3, -3}}) {
    TMemoryStream s;
    WriteInt32(s, 2);
    WriteEntry(s, c.version, "btn", c.state);
    WriteEntry(s, c.version, "gone", 0);
    s.SetPosition(0);
    stage.Events.LoadFromStream(s, c.version, stage);
    ASSERT_EQ(stage.Events.Items.size(), 2u) << c.version;
    EXPECT_EQ(stage.Events.Items[0].State, c.want) << c.version;
    EXPECT_EQ(stage.Events.Items[0].Sender.Get(), stage.FindObject("btn"));
    EXPECT_EQ(stage.Events.Items[1].Sender.Get(), nullptr);
    EXPECT_EQ(stage.Events.Items[0].Args, (std::vector<std::string>{"10", "20"}));
    EXPECT_EQ(s.Remaining(), 0);
  }
  // Saved, the destroyed sender's running entry names nobody.
  TOpalBox* doomed = AddBox(stage, nullptr, 0, 0, 1, 1, 0, "doomed");
  stage.Events.Clear();
  stage.Events.Post(doomed, "d.osb", {}, PR_ONIDLE);
  stage.Events.Items[0].State = 1;
  stage.Destroy(doomed);
  TMemoryStream out;
  stage.Events.SaveToStream(out);
  out.SetPosition(0);
  TTimerList copy;
  copy.LoadFromStream(out, kSaveVersion, stage);
  ASSERT_EQ(copy.Items.size(), 1u);
  EXPECT_EQ(copy.Items[0].State, 1);
  EXPECT_EQ(copy.Items[0].Sender.Get(), nullptr);
}

TEST(EventQueue, DamagedRecordsAreErrors) {
  TOpalBaseList stage;
  const std::function<void(TStream&)> cases[] = {
      [](TStream& s) { WriteInt32(s, -1); },
      [](TStream& s) { WriteInt32(s, 0x7FFFFFFF); },
      [](TStream& s) {
        WriteInt32(s, 1);
        WriteString(s, "h"), WriteString(s, ""), WriteByte(s, 1), WriteInt32(s, 0);
        WriteInt32(s, 0x10000000);  // arguments the stream cannot hold
      },
      [](TStream& s) {
        WriteInt32(s, 1);
        WriteString(s, "h"), WriteString(s, ""), WriteByte(s, 1), WriteInt32(s, 0);
        WriteInt32(s, -2);
        WriteInt32(s, 0), WriteInt32(s, 0), WriteInt32(s, 0);
      },
      [](TStream& s) {
        WriteInt32(s, 2);  // the second entry is cut off
        WriteString(s, "h"), WriteString(s, ""), WriteByte(s, 1), WriteInt32(s, 0), WriteInt32(s, 0);
        WriteString(s, "h"), WriteInt32(s, 0), WriteInt32(s, 0), WriteInt32(s, 0);
      },
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    TMemoryStream s;
    cases[i](s);
    s.SetPosition(0);
    EXPECT_THROW(stage.Events.LoadFromStream(s, kSaveVersion, stage), EOpalError) << i;
  }
}

}  // namespace
}  // namespace opal
