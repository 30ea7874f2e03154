// Saved records: the stage round-trips through its record; records of older
// versions, written here field by field, load with the fields they lack at
// their defaults; damaged records end in an error.
#include <gtest/gtest.h>

#include <functional>

#include "common/error.h"
#include "stage_test_util.h"
#include "storage/stream.h"

namespace opal {
namespace {

using testing::AddBox;

std::vector<uint8_t> SaveStage(const TOpalBaseList& stage) {
  TMemoryStream s;
  stage.SaveToStream(s);
  return s.Bytes();
}

void LoadStage(TOpalBaseList& stage, const std::vector<uint8_t>& bytes, int32_t version = kSaveVersion) {
  TMemoryStream s(bytes);
  stage.LoadFromStream(s, version);
}

// A stage with every control field away from its default.
void Populate(TOpalBaseList& stage) {
  stage.SetSize(320, 240);
  stage.SetColor(0x112233);
  stage.Active = 1;
  TOpalBox* outer = AddBox(stage, nullptr, 10, 20, 100, 80, 0x00FF00, "outer");
  outer->SetParent(stage.BaseAt(1));
  outer->SetOffsetX(3), outer->SetOffsetY(4), outer->SetPlus(0, 5), outer->SetPlus(1, 6);
  outer->SetPriority(7);
  outer->PriorityOffset = 2;
  outer->Tag = "tag";
  outer->SetPosZoomed(true);
  outer->MotionX = 11, outer->MotionY = 12;
  for (int i = 0; i < 4; ++i) outer->SetClip(i, 20 + i);
  outer->AniPaused = true;
  outer->ReservedRect = {1, 2, 3, 4};
  outer->IgnoreMouse = 3;
  outer->Cursor = "hand.cur";
  for (size_t i = 0; i < outer->MouseHandlers.size(); ++i) outer->MouseHandlers[i] = "m" + std::to_string(i) + ".osb";
  outer->HandleKey = true;
  for (size_t i = 0; i < outer->KeyHandlers.size(); ++i) outer->KeyHandlers[i] = "k" + std::to_string(i) + ".osb";
  outer->SetBorderWidth(2), outer->SetBorderColor(0x445566), outer->SetAlpha(384);
  outer->OnIdle = "idle.osb", outer->Source = "move.omt", outer->Repeat = true;
  outer->AutoScrap = true, outer->OnPlayEnd = "end.osb", outer->PausedFlag = true;
  TOpalBox* inner = AddBox(stage, outer, 1, 2, 3, 4, 0x0000FF, "inner");
  inner->SetVisible(false);
  AddBox(stage, outer, 5, 5, 5, 5, 0, "\001internal");  // system names are not saved
  TOpalBox* doomed = AddBox(stage, outer, 5, 5, 5, 5, 0, "doomed");
  stage.DeleteObject(doomed);  // marked objects are not saved
  TOpalCabinet* cabinet = stage.Create<TOpalCabinet>();
  cabinet->SetName("cab");
  cabinet->SetParent(stage.BaseAt(0));
  AddBox(stage, cabinet, 0, 0, 9, 9, 0, "parked");
  stage.Events.Post(inner, "click.osb:l", {"1", "two"}, PR_ONLBTNDOWN);
  stage.Events.Post(nullptr, "plain.osb", {}, 0);
  stage.Events.Items[1].State = 3;
  stage.Focus = inner;
}

TEST(Records, StageRoundTrips) {
  TOpalBaseList stage;
  Populate(stage);
  std::vector<uint8_t> bytes = SaveStage(stage);
  TOpalBaseList loaded;
  LoadStage(loaded, bytes);
  EXPECT_EQ(SaveStage(loaded), bytes);
  EXPECT_EQ(loaded.Active, 1);
  EXPECT_EQ(loaded.Width(), 320);
  auto* outer = static_cast<TOpalBox*>(loaded.FindControl("outer"));
  ASSERT_NE(outer, nullptr);
  EXPECT_EQ(outer->GetParent(), loaded.BaseAt(1));
  EXPECT_EQ(outer->ChildCount(), 1);
  EXPECT_EQ(outer->Alpha, 384);
  EXPECT_EQ(outer->PriorityOffset, 2);
  EXPECT_EQ(outer->KeyHandlers[4], "k4.osb");
  EXPECT_EQ(loaded.FindControl("doomed"), nullptr);
  EXPECT_EQ(loaded.FindControl("\001internal"), nullptr);
  EXPECT_TRUE(loaded.FindControl("parked")->InCabinet());
  EXPECT_EQ(loaded.BaseAt(0)->Color(), 0x112233);
  ASSERT_EQ(loaded.Events.Items.size(), 2u);
  EXPECT_EQ(loaded.Events.Items[0].Sender, loaded.FindObject("inner"));
  EXPECT_EQ(loaded.Events.Items[0].Args, (std::vector<std::string>{"1", "two"}));
  EXPECT_EQ(loaded.Events.Items[1].State, 3);
  EXPECT_EQ(loaded.Focus, loaded.FindControl("inner"));
  // Both bases are repainted entirely after loading.
  EXPECT_EQ(loaded.BaseAt(0)->DirtyList.Items(), (std::vector<TRect>{{0, 0, 320, 240}}));
}

// A box record as a save of `version` lays it out, written field by field;
// names and values as in Populate's "outer" box, without children.
std::vector<uint8_t> OldBoxRecord(int32_t version) {
  TMemoryStream s;
  WriteString(s, "old");
  WriteInt32(s, 7);                              // Priority
  if (version > 103) WriteInt32(s, 2);           // PriorityOffset
  if (version >= 120) WriteString(s, "tag");     // Tag
  for (int32_t v : {10, 20, 100, 80, 3, 4}) WriteInt32(s, v);
  WriteByte(s, 1);                               // PosZoomed
  if (version >= 130) for (int32_t v : {11, 12, 5, 6}) WriteInt32(s, v);
  if (version > 103) {
    for (int32_t v : {20, 21, 22, 23}) WriteInt32(s, v);
    WriteByte(s, 1);                             // AniPaused
  }
  WriteByte(s, 1);                               // Visible
  WriteInt32(s, 0x00FF00);                       // Color
  for (int32_t v : {1, 2, 3, 4}) WriteInt32(s, v);
  WriteByte(s, 3);                               // IgnoreMouse
  WriteString(s, "hand.cur");
  WriteString(s, "m0.osb");
  if (version > 101) WriteString(s, "m1.osb");
  for (int i = 2; i < 9; ++i) WriteString(s, "m" + std::to_string(i) + ".osb");
  if (version > 117) {
    WriteByte(s, 1);
    for (int i = 0; i < 5; ++i) WriteString(s, "k" + std::to_string(i) + ".osb");
  }
  WriteInt32(s, 0);                              // children
  for (int32_t v : {2, 0x445566, 384}) WriteInt32(s, v);
  if (version > 103) {
    WriteString(s, "idle.osb");
    WriteString(s, "move.omt");
    WriteByte(s, 1), WriteByte(s, 1);
    WriteString(s, "end.osb");
    WriteByte(s, 1), WriteByte(s, 0);            // paused, AniPaused again
  }
  return s.Bytes();
}

TEST(Records, OlderVersionsReadOnlyTheirFields) {
  for (int32_t version : {100, 101, 102, 103, 104, 117, 118, 119, 120, 129, 130, 138}) {
    TOpalBaseList stage;
    auto* box = static_cast<TOpalBox*>(stage.CreateByKind(LT_BOX));
    std::vector<uint8_t> bytes = OldBoxRecord(version);
    TMemoryStream s(bytes);
    box->LoadFromStream(s, version);
    EXPECT_EQ(s.Remaining(), 0) << version;
    EXPECT_EQ(box->Name(), "old");
    EXPECT_EQ(box->Priority(), 7);
    EXPECT_EQ(box->PriorityOffset, version > 103 ? 2 : 0) << version;
    EXPECT_EQ(box->Tag, version >= 120 ? "tag" : "") << version;
    EXPECT_EQ(box->Left(), 10);
    EXPECT_EQ(box->OffsetY(), 4);
    EXPECT_EQ(box->MotionY, version >= 130 ? 12 : 0) << version;
    EXPECT_EQ(GetPropValue(*box, PR_PLUSY).Int, version >= 130 ? 6 : 0) << version;
    EXPECT_EQ(GetPropValue(*box, PR_CLIPHEIGHT).Int, version > 103 ? 23 : 0) << version;
    EXPECT_EQ(box->MouseHandlers[1], version > 101 ? "m1.osb" : "") << version;
    EXPECT_EQ(box->MouseHandlers[8], "m8.osb") << version;
    EXPECT_EQ(box->HandleKey, version > 117) << version;
    EXPECT_EQ(box->KeyHandlers[0], version > 117 ? "k0.osb" : "") << version;
    EXPECT_EQ(box->Alpha, 384);
    EXPECT_EQ(box->OnPlayEnd, version > 103 ? "end.osb" : "") << version;
    EXPECT_EQ(box->PausedFlag, version > 103) << version;
    // AniPaused comes last in the box's own part.
    EXPECT_FALSE(box->AniPaused) << version;
  }
}

TEST(Records, EveryTruncationIsAnError) {
  TOpalBaseList stage;
  Populate(stage);
  std::vector<uint8_t> bytes = SaveStage(stage);
  for (size_t n = 0; n < bytes.size(); ++n) {
    TOpalBaseList loaded;
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    EXPECT_THROW(LoadStage(loaded, cut), EOpalError) << n;
  }
}

// An empty control record of `version` with the given child count.
void WriteEmptyControl(TMemoryStream& s, int32_t children, int32_t version = kSaveVersion) {
  WriteString(s, "");
  WriteInt32(s, 0);
  if (version > 103) WriteInt32(s, 0);
  if (version >= 120) WriteString(s, "");
  for (int i = 0; i < 6; ++i) WriteInt32(s, 0);
  WriteByte(s, 0);
  if (version >= 130) for (int i = 0; i < 4; ++i) WriteInt32(s, 0);
  if (version > 103) {
    for (int i = 0; i < 4; ++i) WriteInt32(s, 0);
    WriteByte(s, 0);
  }
  WriteByte(s, 1);
  WriteInt32(s, -1);
  for (int i = 0; i < 4; ++i) WriteInt32(s, 0);
  WriteByte(s, 0);
  for (int i = 0; i < (version > 101 ? 10 : 9); ++i) WriteString(s, "");
  if (version > 117) {
    WriteByte(s, 0);
    for (int i = 0; i < 5; ++i) WriteString(s, "");
  }
  WriteInt32(s, children);
}

TEST(Records, EventStatesAndFocusOfOldSaves) {
  // The focus name exists from version 119.
  for (int32_t version : {118, 119}) {
    TMemoryStream s;
    WriteInt32(s, 16), WriteInt32(s, 16), WriteInt32(s, 0);
    WriteEmptyControl(s, 1, version);
    WriteByte(s, LT_BOX);
    std::vector<uint8_t> box = OldBoxRecord(version);
    s.WriteBuffer(box.data(), static_cast<int64_t>(box.size()));
    WriteEmptyControl(s, 0, version);
    WriteInt32(s, 0), WriteInt32(s, 0);  // components, events
    if (version > 118) WriteString(s, "old");
    s.SetPosition(0);
    TOpalBaseList stage;
    stage.LoadFromStream(s, version);
    EXPECT_EQ(s.Remaining(), 0) << version;
    ASSERT_NE(stage.FindControl("old"), nullptr);
    EXPECT_EQ(stage.FindControl("old")->GetParent(), stage.BaseAt(0));
    EXPECT_EQ(stage.Focus, version > 118 ? stage.FindControl("old") : nullptr) << version;
  }
  // Version 113: the state is one byte, read as 1 when non-zero; no focus name.
  TMemoryStream s;
  WriteInt32(s, 16), WriteInt32(s, 16), WriteInt32(s, 0);
  WriteEmptyControl(s, 0, 113);
  WriteEmptyControl(s, 0, 113);
  WriteInt32(s, 0);  // components
  WriteInt32(s, 1);  // events
  WriteString(s, "e.osb"), WriteString(s, ""), WriteByte(s, 5), WriteByte(s, 7);
  WriteInt32(s, 1), WriteString(s, "arg");
  s.SetPosition(0);
  TOpalBaseList stage;
  stage.LoadFromStream(s, 113);
  EXPECT_EQ(s.Remaining(), 0);
  ASSERT_EQ(stage.Events.Items.size(), 1u);
  EXPECT_EQ(stage.Events.Items[0].State, 1);
  EXPECT_EQ(stage.Events.Items[0].Kind, 5);
  EXPECT_EQ(stage.Events.Items[0].Sender, nullptr);
  EXPECT_EQ(stage.Events.Items[0].Args, (std::vector<std::string>{"arg"}));
}

TEST(Records, DamagedCountsKindsAndNestingAreErrors) {
  struct TCase {
    const char* Label;
    std::function<void(TMemoryStream&)> Write;
  };
  const TCase cases[] = {
      {"negative child count", [](TMemoryStream& s) { WriteEmptyControl(s, -1); }},
      {"child count beyond the data", [](TMemoryStream& s) { WriteEmptyControl(s, 1 << 30); }},
      {"child kind without a class", [](TMemoryStream& s) { WriteEmptyControl(s, 1), WriteByte(s, LT_MAP); }},
      {"child of kind 0", [](TMemoryStream& s) { WriteEmptyControl(s, 1), WriteByte(s, 0); }},
      {"nesting beyond the limit",
       [](TMemoryStream& s) {
         WriteEmptyControl(s, 1);
         for (int i = 0; i < TOpalBaseList::kMaxLoadDepth + 2; ++i) {
           WriteByte(s, LT_CABINET);
           WriteEmptyControl(s, 1);
         }
       }},
  };
  for (const TCase& c : cases) {
    TMemoryStream s;
    WriteInt32(s, 16), WriteInt32(s, 16), WriteInt32(s, 0);
    c.Write(s);
    TOpalBaseList stage;
    s.SetPosition(0);
    EXPECT_THROW(stage.LoadFromStream(s, kSaveVersion), EOpalError) << c.Label;
  }
  for (int32_t side : {-1, TOpalBaseList::kMaxSide + 1}) {
    TMemoryStream s;
    WriteInt32(s, side), WriteInt32(s, 16), WriteInt32(s, 0);
    s.SetPosition(0);
    TOpalBaseList stage;
    EXPECT_THROW(stage.LoadFromStream(s, kSaveVersion), EFormatError);
  }
}

TEST(Records, CreateByKindMasksAndRefuses) {
  TOpalBaseList stage;
  for (int kind : {0, 1, 10, 28, 127, 128}) EXPECT_EQ(stage.CreateByKind(static_cast<uint8_t>(kind)), nullptr) << kind;
  EXPECT_EQ(stage.CreateByKind(LT_BOX | 0x80)->Kind(), LT_BOX);
  EXPECT_EQ(stage.CreateByKind(LT_CABINET)->Kind(), LT_CABINET);
}

}  // namespace
}  // namespace opal
