// The read marks: pending marks per window, pairs added once, names that
// differ in case, and the status block.
#include <gtest/gtest.h>

#include "common/error.h"
#include "history/read_list.h"
#include "storage/stream.h"

namespace opal {
namespace {

// What the message window asks when it queues its page-start handler.
std::string StartArgument(const TOpalReadList& marks, const std::string& page, int32_t command, int32_t index) {
  return marks.IsRead(page, command, index) ? "1" : "0";
}

TEST(ReadMarks, OnlyAFinishedPageStartsAgainAsRead) {
  TOpalReadList marks;
  marks.NotePage("mes", "a.osb", 0, 3);
  EXPECT_EQ(StartArgument(marks, "a.osb", 3, 0), "0");
  // Left before its end: the next page replaces the pending mark.
  marks.NotePage("mes", "a.osb", 1, 3);
  marks.MarkRead("mes");
  EXPECT_EQ(StartArgument(marks, "a.osb", 3, 0), "0");
  EXPECT_EQ(StartArgument(marks, "a.osb", 3, 1), "1");
  EXPECT_TRUE(marks.PendingPage.empty());
}

TEST(ReadMarks, AnotherWindowsEndMarksNothing) {
  TOpalReadList marks;
  marks.NotePage("mes", "a.osb", 0, 3);
  marks.MarkRead("other");
  marks.MarkRead("MES");
  EXPECT_FALSE(marks.IsRead("a.osb", 3, 0));
  EXPECT_EQ(marks.PendingPage, "a.osb");
}

TEST(ReadMarks, FinishedTwiceAddsOnePairAndCaseSharesAnItem) {
  TOpalReadList marks;
  for (const char* name : {"a.osb", "A.OSB"}) {
    marks.NotePage("mes", name, 0, 3);
    marks.MarkRead("mes");
  }
  ASSERT_EQ(marks.Count(), 1);
  EXPECT_EQ(marks.Item(0).Commands, std::vector<int32_t>{3});
  EXPECT_EQ(marks.Item(0).PageIndices, std::vector<int32_t>{0});
  EXPECT_TRUE(marks.IsRead("A.osb", 3, 0));
  EXPECT_FALSE(marks.IsRead("a.osb", 0, 3));
  marks.ClearMarks();
  EXPECT_EQ(marks.Count(), 0);
  EXPECT_FALSE(marks.IsRead("a.osb", 3, 0));
}

void Fill(TOpalReadList& marks) {
  const std::pair<const char*, int32_t> shown[] = {{"a.osb", 1}, {"b.osb", 0}, {"a.osb", 2}, {"a.osb", 1}};
  int32_t index = 0;
  for (const auto& [page, command] : shown) {
    marks.NotePage("mes", page, index++ % 2, command);
    marks.MarkRead("mes");
  }
  marks.NotePage("side", "c.osb", 4, 5);
}

std::vector<uint8_t> Saved(const TOpalReadList& marks) {
  TMemoryStream s;
  marks.SaveMarks(s);
  return s.Bytes();
}

TEST(ReadMarks, TheBlockReadsBackAsWritten) {
  TOpalReadList marks;
  Fill(marks);
  TOpalReadList back;
  TMemoryStream s(Saved(marks));
  back.LoadMarks(s, 138);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(Saved(back), Saved(marks));
  EXPECT_TRUE(back.IsRead("B.OSB", 0, 1));
  EXPECT_EQ(back.PendingWindow, "side");
  EXPECT_EQ(back.PendingPageIndex, 4);
}

TEST(ReadMarks, HandMadeBytesAreRead) {
  // One item "p" with pairs (7, 0), (7, 1); pending "q", 2, 3, "w".
  const std::vector<uint8_t> bytes = {1, 0, 0, 0, 1, 0, 0, 0, 'p', 2, 0, 0, 0, 7, 0, 0, 0, 7, 0, 0, 0,
                                      0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 'q', 2, 0, 0, 0, 3, 0, 0, 0,
                                      1, 0, 0, 0, 'w'};
  TOpalReadList marks;
  TMemoryStream s(bytes);
  marks.LoadMarks(s, 100);
  EXPECT_TRUE(marks.IsRead("P", 7, 1));
  EXPECT_EQ(marks.PendingPage, "q");
  EXPECT_EQ(marks.PendingCommand, 2);
  EXPECT_EQ(marks.PendingPageIndex, 3);
  EXPECT_EQ(marks.PendingWindow, "w");
}

TEST(ReadMarks, ABlockBelowVersion100LeavesTheMarksEmpty) {
  TOpalReadList marks;
  Fill(marks);
  TMemoryStream s(Saved(marks));
  marks.LoadMarks(s, 99);
  EXPECT_EQ(marks.Count(), 0);
  EXPECT_TRUE(marks.PendingPage.empty());
  EXPECT_EQ(s.Position(), 0);
}

TEST(ReadMarks, EveryCutOfTheBlockIsRefused) {
  TOpalReadList sample;
  Fill(sample);
  const std::vector<uint8_t> bytes = Saved(sample);
  for (size_t n = 0; n < bytes.size(); ++n) {
    TOpalReadList marks;
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_THROW(marks.LoadMarks(s, 138), EFormatError) << n << " bytes";
    EXPECT_EQ(marks.Count(), 0);
  }
}

TEST(ReadMarks, CountsBeyondTheBytesAreRefused) {
  for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F},
                                            std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF},
                                            std::vector<uint8_t>{1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F}}) {
    TOpalReadList marks;
    TMemoryStream s(bytes);
    EXPECT_THROW(marks.LoadMarks(s, 138), EFormatError);
  }
}

}  // namespace
}  // namespace opal
