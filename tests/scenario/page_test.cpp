// Page records: every command round-trips through the writer and the
// loader, hand-made old pages load, and damaged pages end in errors.
#include <gtest/gtest.h>

#include "expr/convert.h"
#include "scenario/commands_flow.h"
#include "scenario/commands_object.h"
#include "scenario/commands_text.h"
#include "scenario/expr_text.h"
#include "scenario/message_body.h"
#include "scenario/messages.h"
#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "storage/stream.h"
#include "hand_bytes.h"

namespace opal {
namespace {

// Gives every field a value that differs from its default and from every
// other field, so a field read into the wrong slot shows.
class TFiller final : public TFieldVisitor {
 public:
  explicit TFiller(int seed) : N_(seed * 100) {}
  void Expr(const char*, TOpalParser& e, int32_t) override { ExprFromText("x" + Next() + " + " + Next(), e); }
  void ExprList(const char*, TExprList& list) override {
    for (int i = 0; i < 2; ++i) {
      list.push_back(std::make_unique<TOpalParser>());
      ExprFromText("f" + Next() + " ++ \"s\"", *list.back());
    }
  }
  void Text(const char*, std::string& s) override { s = "text " + Next(); }
  void Byte(const char*, uint8_t& b, const TEnumNames* names) override {
    b = names != nullptr ? static_cast<uint8_t>(names->Count - 1) : static_cast<uint8_t>(N_++ % 200 + 1);
  }
  void Target(const char*, std::string& page, int32_t& index, int32_t) override {
    page = "other" + Next() + ".osb";
    index = N_++;
  }
  void LoopTarget(const char*, int32_t& index, TLoopRole) override { index = N_++; }
  void Message(const char*, std::string& bytes) override { bytes = CompileMessage("line " + Next() + "\nnext"); }
  void Properties(TPropertyExprs& props) override {
    for (TPropertyExpr& p : props) ExprFromText("p" + Next(), *p.Expr);
  }

 private:
  std::string Next() { return conv::IntToStr(N_++); }
  int N_;
};

// Describes every field as text (expressions by their stored bytes).
class TDescriber final : public TFieldVisitor {
 public:
  std::vector<std::string> Fields;
  void Expr(const char* key, TOpalParser& e, int32_t) override { Add(key, ExprBytes(e)); }
  void ExprList(const char* key, TExprList& list) override {
    for (auto& e : list) Add(key, ExprBytes(*e));
  }
  void Text(const char* key, std::string& s) override { Add(key, s); }
  void Byte(const char* key, uint8_t& b, const TEnumNames*) override { Add(key, std::to_string(b)); }
  void Target(const char* key, std::string& page, int32_t& index, int32_t) override {
    Add(key, page + "#" + std::to_string(index));
  }
  void LoopTarget(const char* key, int32_t& index, TLoopRole) override { Add(key, std::to_string(index)); }
  void Message(const char* key, std::string& bytes) override { Add(key, bytes); }
  void Properties(TPropertyExprs& props) override {
    for (auto& p : props) Add(("prop" + std::to_string(p.Id)).c_str(), ExprBytes(*p.Expr));
  }

 private:
  void Add(const char* key, const std::string& v) { Fields.push_back(std::string(key) + "=" + v); }
};

std::vector<std::string> Describe(TCommand& c) {
  TDescriber d;
  c.Fields(d);
  d.Fields.push_back("header=" + std::to_string(c.Indent) + "," + std::to_string(c.StoredDisabled) + "," +
                     std::to_string(c.StoredRunOn) + "," + std::to_string(c.Line));
  return d.Fields;
}

std::string Bytes(const TPage& page) {
  TMemoryStream s;
  page.SaveToStream(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

void LoadBytes(TPage& page, const std::string& bytes) {
  TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  page.LoadFromStream(s);
}

// A page with each of the 61 commands once, every field filled.
void FillAllCommands(TPage& page) {
  page.Name = "all.osb";
  page.Version = kPageVersionCurrent;
  page.ResultType = 4;
  for (int code = 0; code < kCommandCodeCount; ++code) {
    TPage::AddToSet(page.PropertySets[code], code % 163);
    TPage::AddToSet(page.PropertySets[code], 0);
    TPage::AddToSet(page.PropertySets[code], 162);
  }
  for (int code = 0; code < kCommandCodeCount; ++code) {
    auto c = page.CreateCommand(static_cast<uint8_t>(code));
    c->Indent = code % 5;
    c->StoredDisabled = code % 3 == 0;
    c->StoredRunOn = code % 2;
    c->Line = 1000 + code;
    TFiller filler(code);
    c->Fields(filler);
    page.Commands.push_back(std::move(c));
  }
}

TEST(PageRecords, EveryCommandRoundTripsFieldByField) {
  TPage page;
  FillAllCommands(page);
  const std::string bytes = Bytes(page);
  TPage back;
  back.Name = page.Name;
  LoadBytes(back, bytes);
  ASSERT_EQ(back.Commands.size(), 61u);
  EXPECT_EQ(back.ResultType, 4);
  EXPECT_EQ(back.PropertySets, page.PropertySets);
  for (size_t i = 0; i < page.Commands.size(); ++i) {
    SCOPED_TRACE(CommandInfo(static_cast<int>(i))->Name);
    EXPECT_EQ(back.Commands[i]->Code(), i);
    EXPECT_EQ(Describe(*back.Commands[i]), Describe(*page.Commands[i]));
  }
  EXPECT_EQ(Bytes(back), bytes);
}

TEST(PageRecords, EveryCommandSurvivesTheTextForm) {
  TPage page;
  FillAllCommands(page);
  const std::string bytes = Bytes(page);
  const std::string text = WritePageText(page, page.Name);
  TPage back;
  back.Name = page.Name;
  ReadPageText(text, back);
  EXPECT_EQ(Bytes(back), bytes) << text;
  EXPECT_EQ(WritePageText(back, back.Name), text);
}

TEST(PageRecords, OlderVersionsOmitTheirLaterFields) {
  // Written at each version and read back: the fields a version lacks come
  // back absent, the rest unchanged.
  for (int32_t version : {103, 105, 106, 107, 110, 111, 113}) {
    SCOPED_TRACE(version);
    TPage page;
    FillAllCommands(page);
    page.Version = version;
    TPage back;
    back.Name = page.Name;
    LoadBytes(back, Bytes(page));
    const auto& wait = static_cast<const TComWait&>(*back.Commands[7]);
    EXPECT_EQ(wait.BlockEvents.Ops.empty(), version < 107);
    const auto& save = static_cast<const TComGameSave&>(*back.Commands[38]);
    EXPECT_EQ(save.ResumeTarget == 0, version < 105);
    const auto& hist = static_cast<const TComCallHist&>(*back.Commands[29]);
    EXPECT_EQ(hist.HistoryFormat.Ops.empty(), version < 111);
    EXPECT_EQ(Bytes(back), Bytes(page));
  }
}

// Little-endian builders for hand-made pages.
struct TBytes : opal::testing::THandBytesOf<TBytes> {
  // One record: ____arg = the integer v.
  TBytes& IntExpr(int32_t v) { return I32(1).U8(1).Str("____arg").I32(1).U8(1).I32(v); }
  TBytes& NoExpr() { return I32(0); }
  TBytes& Header(int32_t indent, uint8_t disabled, uint8_t run_on, int32_t line) {
    return I32(indent).U8(disabled).U8(run_on).I32(line);
  }
};

TEST(PageLoader, ReadsAHandMadeVersion106Page) {
  TBytes p;
  p.I32(106).U8(2);
  p.I32(62).I32(22);  // more sets and longer sets than the player keeps
  for (int k = 0; k < 62; ++k) {
    std::string set(22, '\0');
    if (k == 9) set[0] = 0x0D;  // ids 0, 2, 3
    if (k == 61) set = std::string(22, '\xFF');
    p.Raw(set);
  }
  p.I32(3);
  p.U8(0x89).Header(1, 0, 1, 7).IntExpr(10).IntExpr(20).IntExpr(30);
  p.U8(7).Header(0, 0, 0, 8).IntExpr(1).IntExpr(500);  // Wait without block events
  p.U8(3).Header(0, 1, 0, 9).Str("start");

  TPage page;
  LoadBytes(page, p.Text());
  EXPECT_EQ(page.Version, 106);
  EXPECT_EQ(page.ResultType, 2);
  ASSERT_EQ(page.Commands.size(), 3u);
  auto& img = static_cast<TComImgNew&>(*page.Commands[0]);
  EXPECT_EQ(img.Indent, 1);
  EXPECT_EQ(img.Line, 7);
  EXPECT_TRUE(img.RunOn());
  ASSERT_EQ(img.Props.size(), 3u);
  const int ids[] = {0, 2, 3};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(img.Props[i].Id, ids[i]);
    EXPECT_EQ(img.Props[i].Expr->Ops[0].Operands[0]->AsInteger(), 10 * (i + 1));
  }
  auto& wait = static_cast<TComWait&>(*page.Commands[1]);
  EXPECT_EQ(wait.Time.Ops[0].Operands[0]->AsInteger(), 500);
  EXPECT_TRUE(wait.BlockEvents.Ops.empty());
  EXPECT_FALSE(wait.BlocksEvents());
  EXPECT_TRUE(page.Commands[2]->Disabled());
  EXPECT_EQ(page.IndexOfLabel("start"), 2);
  EXPECT_EQ(page.IndexOfLabel("Start"), -1);
  EXPECT_EQ(page.PropertySets[9][0], 0x0D);
  EXPECT_EQ(page.PropertySets[9][20], 0);
}

TEST(PageLoader, ReadsAHandMadeVersion103PageWithShortSets) {
  // Version 103, the oldest the loader reads: one byte a set, ten sets.
  // Flip stores its wipe text (from 101) but no block flag (from 107).
  TBytes p;
  p.I32(103).U8(1);
  p.I32(10).I32(1);
  for (int k = 0; k < 10; ++k) p.U8(k == 9 ? 0x05 : 0xFF);  // code 9: ids 0 and 2
  p.I32(3);
  p.U8(9).Header(0, 0, 1, 1).IntExpr(1).IntExpr(2);
  p.U8(13).Header(2, 0, 0, 2).IntExpr(4).IntExpr(500).NoExpr().NoExpr().I32(1).IntExpr(7);
  p.NoExpr().NoExpr().NoExpr().IntExpr(9);  // clear, two parameters, wipe text
  p.U8(20).Header(0, 0, 0, 3).I32(3).U8('a').U8('b').U8('c').IntExpr(1).NoExpr().IntExpr(1);
  TPage page;
  LoadBytes(page, p.Text());
  ASSERT_EQ(page.Commands.size(), 3u);
  EXPECT_EQ(page.PropertySets[9][0], 0x05);
  EXPECT_EQ(page.PropertySets[9][1], 0);  // padded
  EXPECT_EQ(page.PropertySets[20][0], 0);  // beyond the file's sets: empty
  auto& img = static_cast<TComImgNew&>(*page.Commands[0]);
  ASSERT_EQ(img.Props.size(), 2u);
  EXPECT_EQ(img.Props[1].Id, 2);
  EXPECT_EQ(img.Props[1].Expr->Ops[0].Operands[0]->AsInteger(), 2);
  auto& flip = static_cast<TComFlip&>(*page.Commands[1]);
  EXPECT_EQ(flip.Indent, 2);
  ASSERT_EQ(flip.Names.size(), 1u);
  EXPECT_EQ(flip.Names[0]->Ops[0].Operands[0]->AsInteger(), 7);
  EXPECT_EQ(flip.WipeText.Ops[0].Operands[0]->AsInteger(), 9);
  EXPECT_TRUE(flip.BlockEvents.Ops.empty());
  auto& text = static_cast<TComTextIns&>(*page.Commands[2]);
  EXPECT_EQ(text.MessageData, "abc");
  EXPECT_EQ(text.Wait.Ops[0].Operands[0]->AsInteger(), 1);
  EXPECT_TRUE(text.BlockEvents.Ops.empty());
  // Written back at its own version, the page keeps its layout (sets then
  // grow to the full 61 of 21 bytes).
  TPage back;
  LoadBytes(back, Bytes(page));
  EXPECT_EQ(Bytes(back), Bytes(page));
}

TEST(PageLoader, RefusesBadCodesAndVersions) {
  auto page_with = [](int32_t version, uint8_t code) {
    TBytes p;
    p.I32(version).U8(1).I32(0).I32(0).I32(1).U8(code).Header(0, 0, 0, 1);
    return p.Text();
  };
  TPage page;
  page.Name = "a.osb";
  try {
    LoadBytes(page, page_with(113, 61));
    FAIL() << "code 61 loaded";
  } catch (const EFormatError& e) {
    EXPECT_EQ(std::string(e.what()).find(msg::kBadCommand), std::string("a.osb: ").size()) << e.what();
  }
  EXPECT_TRUE(page.Commands.empty());
  try {
    LoadBytes(page, page_with(102, 22));
    FAIL() << "version 102 loaded";
  } catch (const EPageTooOld& e) {
    EXPECT_EQ(std::string(e.what()), std::string("a.osb\r\n") + msg::kRebuild);
  }
  EXPECT_THROW(LoadBytes(page, page_with(114, 22)), EPageTooNew);
  LoadBytes(page, page_with(103, 22 | 0x80));
  EXPECT_EQ(page.Commands[0]->Code(), 22);
}

TEST(PageLoader, DamagedPagesEndInErrors) {
  TPage page;
  FillAllCommands(page);
  const std::string bytes = Bytes(page);
  for (size_t n = 0; n < bytes.size(); n += 7) {
    TPage back;
    EXPECT_THROW(LoadBytes(back, bytes.substr(0, n)), EOpalError) << n;
    EXPECT_TRUE(back.Commands.empty());
  }
  // Counts far beyond the data are refused before anything is allocated.
  const std::vector<std::string> huge = {
      TBytes().I32(113).U8(1).I32(0x7FFFFFFF).I32(0x7FFFFFFF).Text(),
      TBytes().I32(113).U8(1).I32(-1).I32(21).Text(),
      TBytes().I32(113).U8(1).I32(0).I32(0).I32(0x10000000).Text(),
      TBytes().I32(113).U8(1).I32(0).I32(0).I32(1).U8(5).Header(0, 0, 0, 0).Str("p").I32(0).Str("").NoExpr().I32(0x40000000).Text(),
      TBytes().I32(113).U8(1).I32(0).I32(0).I32(1).U8(20).Header(0, 0, 0, 0).I32(-5).Text(),
  };
  for (const std::string& h : huge) {
    TPage back;
    EXPECT_THROW(LoadBytes(back, h), EFormatError);
  }
  // No sets of a huge size: nothing to read and nothing to hold, even if a
  // buffer of that size would not fit in memory.
  TPage none;
  LoadBytes(none, TBytes().I32(113).U8(1).I32(0).I32(0x7FFFFFFF).I32(0).Text());
  EXPECT_TRUE(none.Commands.empty());
  // A huge count of empty sets is as quick: nothing is walked past the 61.
  LoadBytes(none, TBytes().I32(113).U8(1).I32(0x7FFFFFFF).I32(0).I32(0).Text());
  EXPECT_TRUE(none.Commands.empty());
}

TEST(StateRecords, WaitStateRoundTripsAndOldStatesAreSkipped) {
  TPage page;
  TComWait wait(&page);
  wait.Remaining = 340;
  wait.FirstFrame = 0;
  wait.Block = 1;
  TMemoryStream s;
  wait.SaveState(s);
  EXPECT_EQ(std::string(s.Bytes().begin(), s.Bytes().begin() + 7), "opal100");
  TComWait back(&page);
  s.SetPosition(0);
  back.LoadState(s);
  EXPECT_EQ(back.Remaining, 340);
  EXPECT_EQ(back.FirstFrame, 0);
  EXPECT_TRUE(back.BlocksEvents());

  // No header: version 0, the stream is rewound and nothing is read.
  TMemoryStream old(std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8});
  TComTextIns text(&page);
  text.LoadState(old);
  EXPECT_EQ(old.Position(), 0);
  EXPECT_EQ(ReadStateVersion(old), 0);
}

TEST(CommandAnswers, FixedOverridesOfThePart) {
  TPage page;
  auto answer = [&](uint8_t code, uint8_t disabled, uint8_t run_on) {
    auto c = page.CreateCommand(code);
    c->StoredDisabled = disabled;
    c->StoredRunOn = run_on;
    return std::make_tuple(c->RunOn(), c->Disabled(), c->Yields());
  };
  EXPECT_EQ(answer(2, 0, 0), std::make_tuple(true, false, false));   // Else
  EXPECT_EQ(answer(32, 0, 0), std::make_tuple(true, false, false));  // WhileInit
  EXPECT_EQ(answer(27, 0, 1), std::make_tuple(false, true, false));  // Comment
  EXPECT_EQ(answer(46, 0, 1), std::make_tuple(false, false, true));  // DoEvent
  EXPECT_EQ(answer(38, 0, 1), std::make_tuple(false, false, false)); // GameSave
  EXPECT_EQ(answer(39, 0, 1), std::make_tuple(false, false, false)); // GameLoad
  EXPECT_EQ(answer(7, 0, 1), std::make_tuple(true, false, true));    // Wait
  EXPECT_EQ(answer(14, 1, 1), std::make_tuple(true, true, false));   // Calc: stored
  EXPECT_EQ(page.CreateCommand(8)->Code(), 8);
}

}  // namespace
}  // namespace opal
