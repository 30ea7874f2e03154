// Pages with messages and cross-page targets, compiled, written, read and
// written back as text by the format library alone.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "common/cp932.h"
#include "common/error.h"
#include "scenario/commands_text.h"
#include "scenario/message_body.h"
#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "storage/stream.h"

namespace opal {
namespace {

std::string Bytes(const TPage& page) {
  TMemoryStream s;
  page.SaveToStream(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

std::unique_ptr<TPage> Read(const std::string& utf8, const std::string& name, const TLabelLookup& labels = {}) {
  auto page = std::make_unique<TPage>();
  page->Name = name;
  ReadPageText(cp932::FromUtf8(utf8), *page, labels);
  return page;
}

std::unique_ptr<TPage> Load(const std::string& bytes, const std::string& name) {
  auto page = std::make_unique<TPage>();
  page->Name = name;
  TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  page->LoadFromStream(s);
  return page;
}

TEST(FormatsAlone, APageWithAMessageCompilesWritesAndReadsBack) {
  const std::string text =
      "MesNew PR_NAME: \"msg\"\n"
      "TextIns \"<B>太字<BR>\\n</B><A HREF=\\\"l\\\">link</A><VAR NAME=\\\"$n\\\">\" ; window: \"msg\" ; wait: TRUE\n";
  const auto page = Read(text, "a.osb");
  ASSERT_EQ(page->Commands.size(), 2u);
  const auto& ins = static_cast<const TComTextIns&>(*page->Commands[1]);
  EXPECT_EQ(ins.MessageData.substr(0, 9), "SkWord110");
  const std::string bytes = Bytes(*page);
  const auto loaded = Load(bytes, "a.osb");
  EXPECT_EQ(cp932::ToUtf8(WritePageText(*loaded, "a.osb")), text);
  EXPECT_EQ(Bytes(*loaded), bytes);
}

// The other page's commands: its labels stand at 2 and 4.
const char kOther[] = "Calc x = 1\nCalc x = 2\nLabel near\nCalc x = 3\nLabel far\n";

struct TTargetCase {
  const char* Name;
  const char* Line;         // as written by hand
  const char* WithPages;    // dumped with the other page at hand
  const char* WithoutPage;  // dumped without it
};

TEST(FormatsAlone, LabelsOfOtherPagesCarryTheirIndex) {
  const TTargetCase cases[] = {
      {"jump", "Jump other.osb:far", "Jump other.osb:far#4", "Jump other.osb#4"},
      {"call", "Call other.osb:near ; result: r", "Call other.osb:near#2 ; result: r",
       "Call other.osb#2 ; result: r"},
      {"quoted label", "Jump other.osb:\"far\"#4", "Jump other.osb:far#4", "Jump other.osb#4"},
      {"index only", "Jump other.osb#3", "Jump other.osb#3", "Jump other.osb#3"},
      {"own label", "Label top\nJump :top", "Label top\nJump :top", "Label top\nJump :top"},
  };
  const auto other = Read(kOther, "other.osb");
  const TLabelLookup labels = [&](const std::string& page, const std::string& label) -> std::optional<int> {
    if (page != "other.osb") return std::nullopt;
    const int i = other->IndexOfLabel(label);
    return i >= 0 ? std::optional<int>(i) : std::nullopt;
  };
  const TPageLookup pages = [&](const std::string& page) -> const TPage* {
    return page == "other.osb" ? other.get() : nullptr;
  };
  for (const TTargetCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto built = Read(std::string(c.Line) + "\n", "main.osb", labels);
    const std::string bytes = Bytes(*built);
    const std::string with = cp932::ToUtf8(WritePageText(*built, "main.osb", pages));
    const std::string without = cp932::ToUtf8(WritePageText(*built, "main.osb"));
    EXPECT_EQ(with, std::string(c.WithPages) + "\n");
    EXPECT_EQ(without, std::string(c.WithoutPage) + "\n");
    // Both texts build alone, with no other page at hand, to the same bytes.
    EXPECT_EQ(Bytes(*Read(with, "main.osb")), bytes);
    EXPECT_EQ(Bytes(*Read(without, "main.osb")), bytes);
  }
}

TEST(FormatsAlone, AGivenIndexGivesWayToTheLabelWhenThePageIsAtHand) {
  // The other page changed since the text was dumped: a whole game built
  // at once follows the label.
  const auto other = Read(kOther, "other.osb");
  const TLabelLookup labels = [&](const std::string&, const std::string& label) -> std::optional<int> {
    const int i = other->IndexOfLabel(label);
    return i >= 0 ? std::optional<int>(i) : std::nullopt;
  };
  const auto page = Read("Jump other.osb:far#1\n", "main.osb", labels);
  EXPECT_EQ(cp932::ToUtf8(WritePageText(*page, "main.osb")), "Jump other.osb#4\n");
}

TEST(FormatsAlone, BadTargetsNameTheLine) {
  const char* bad[] = {
      "Jump other.osb:far\n",      // another page's label without its index, and no page at hand
      "Jump other.osb:far#x\n",    // not an index (read as the label "far#x": still unknown here)
      "Jump other.osb:\"far\"x\n",  // text after the quoted label
      "Calc x\nJump :nowhere#1\n",  // no such label in this page
  };
  for (const char* text : bad) {
    auto page = std::make_unique<TPage>();
    page->Name = "main.osb";
    EXPECT_THROW(ReadPageText(text, *page), EFormatError) << text;
  }
}

}  // namespace
}  // namespace opal
