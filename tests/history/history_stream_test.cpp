// The history's stream forms: the single-history block of every version,
// the formats block, a window's message data; read from bytes made field by
// field in each version's layout, written and read back, and refused when
// cut anywhere or when a count claims more than the bytes left.
#include <gtest/gtest.h>

#include <climits>

#include "common/error.h"
#include "history_fixture.h"

namespace opal {
namespace {

using testing::THistoryFixture;

// Little-endian bytes, field by field.
struct TBytes {
  std::vector<uint8_t> B;
  TBytes& I(int32_t v) {
    for (int k = 0; k < 4; ++k) B.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * k)));
    return *this;
  }
  TBytes& S(const std::string& s) {
    I(static_cast<int32_t>(s.size()));
    B.insert(B.end(), s.begin(), s.end());
    return *this;
  }
};

struct TPiece {
  std::string Name;
  int32_t Command, First, Last, Height;
  std::string Values;
};

// The contents the hand-made blocks hold.
const THistoryOldData kEntries[] = {{"a.osb", 1, 0, 320, 240}, {"", 2, 1, 320, 240}};
const std::vector<std::vector<TPiece>> kPages = {
    {{"a.osb", 1, 0, 3, 150, "$a=1"}, {"", 2, 4, 6, 150, std::string("$a=\1")}},
    {{"b.osb", 3, 0, -1, 100, ""}}};
const std::array<int32_t, 6> kEngine = {20, 1, 2, 600, 400, 4};

void PageBytes(TBytes& b, const std::vector<TPiece>& page, int32_t version) {
  b.I(static_cast<int32_t>(page.size()));
  int32_t total = 0;
  for (const TPiece& p : page) {
    b.S(p.Name).I(p.Command).I(p.First).I(p.Last).I(p.Height);
    if (version >= 124) b.S(p.Values);
    total += p.Height;
  }
  b.I(total);
}

// The single-history block in the layout of `version`.
void HistoryBytes(TBytes& b, int32_t version) {
  if (version < 113) {
    b.S("ignored");
    b.I(2);
    for (const auto& e : kEntries) b.S(e.Name);
    for (const auto& e : kEntries) b.I(e.Command);
    for (const auto& e : kEntries) b.I(e.PageIndex);
    for (const auto& e : kEntries) b.I(e.Width).I(e.Height);
  } else {
    b.I(2);
    for (const auto& e : kEntries) b.S(e.Name).I(e.Command).I(e.PageIndex).I(e.Width).I(e.Height);
  }
  b.S("b.osb").I(3).I(2).I(300).I(200).S("mes");
  if (version < 113) return;
  b.I(5);
  for (int32_t v : kEngine) b.I(v);
  b.I(1).I(9);
  b.I(static_cast<int32_t>(kPages.size()));
  for (const auto& page : kPages) PageBytes(b, page, version);
  if (version >= 124) b.S("$b=x");
}

void ExpectHistory(const TOpalNewHistory& h, int32_t version) {
  ASSERT_EQ(h.Entries().size(), 2u);
  EXPECT_EQ(h.Entries()[0], kEntries[0]);
  EXPECT_EQ(h.Entries()[1], kEntries[1]);
  const TOpalNewHistory::TPending& p = h.Pending();
  EXPECT_EQ(p.Page, "b.osb");
  EXPECT_EQ(p.Command, 3);
  EXPECT_EQ(p.PageIndex, 2);
  EXPECT_EQ(p.Width, 300);
  EXPECT_EQ(p.Height, 200);
  EXPECT_EQ(p.Window, "mes");
  if (version < 113) {
    EXPECT_TRUE(h.HistPages().empty());
    EXPECT_EQ(h.MaxCount, 0);
    return;
  }
  EXPECT_EQ(h.MaxCount, 5);
  const TSkWord& w = h.Engine();
  EXPECT_EQ((std::array<int32_t, 6>{w.DefaultSize, w.DefaultOutline, w.DefaultShadow, w.TextWidth, w.ViewHeight,
                                    w.LineSpacing}),
            kEngine);
  EXPECT_EQ(p.First, 1);
  EXPECT_EQ(p.Last, 9);
  EXPECT_EQ(p.Values, version >= 124 ? "$b=x" : "");
  ASSERT_EQ(h.HistPages().size(), kPages.size());
  for (size_t k = 0; k < kPages.size(); ++k) {
    const TOpalHistData& page = h.HistPages()[k];
    ASSERT_EQ(page.Count(), kPages[k].size());
    for (size_t i = 0; i < page.Count(); ++i) {
      const TPiece& want = kPages[k][i];
      EXPECT_EQ(page.Names[i], want.Name);
      EXPECT_EQ(page.Commands[i], want.Command);
      EXPECT_EQ(page.Firsts[i], want.First);
      EXPECT_EQ(page.Lasts[i], want.Last);
      EXPECT_EQ(page.Heights[i], want.Height);
      EXPECT_EQ(page.Values[i], version >= 124 ? want.Values : "");
    }
  }
  EXPECT_EQ(h.HistorySize(), 400);  // TextWidth 600: page mode
}

// The formats block (versions 135 on): the default format and "log".
std::vector<uint8_t> FormatsBytes(int32_t version) {
  TBytes b;
  b.I(2);
  b.S("");
  for (int k = 0; k < 6; ++k) b.I(0);
  HistoryBytes(b, version);
  b.S("log").I(150).I(0).I(0).I(600).I(400).I(0);
  HistoryBytes(b, version);
  return b.B;
}

std::vector<uint8_t> BlockBytes(int32_t version) {
  if (version >= 135) return FormatsBytes(version);
  TBytes b;
  HistoryBytes(b, version);
  return b.B;
}

class HistoryVersions : public ::testing::TestWithParam<int32_t> {};

TEST_P(HistoryVersions, HandMadeBytesAreRead) {
  const int32_t version = GetParam();
  THistoryFixture f;
  f.Manager.ObtainFormat("stale");
  const std::vector<uint8_t> bytes = BlockBytes(version);
  TMemoryStream s(bytes);
  f.Manager.LoadFormats(s, version);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(f.Manager.FindFormat("stale"), nullptr);
  ExpectHistory(f.Default(), version);
  if (version >= 135) {
    ASSERT_EQ(f.Manager.Count(), 2u);
    const TOpalHistoryFormat* log = f.Manager.FindFormat("log");
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->Settings, (TOpalHistorySettings{150, 0, 0, 600, 400, 0}));
    ExpectHistory(log->History(), version);
  } else {
    EXPECT_EQ(f.Manager.Count(), 1u);
  }
}

TEST_P(HistoryVersions, WhatIsReadIsWrittenInTheCurrentLayout) {
  const int32_t version = GetParam();
  THistoryFixture f;
  TMemoryStream s(BlockBytes(version));
  f.Manager.LoadFormats(s, version);
  TMemoryStream out;
  f.Manager.SaveFormats(out);
  THistoryFixture g;
  out.SetPosition(0);
  g.Manager.LoadFormats(out, history_version::kCurrent);
  EXPECT_EQ(out.Remaining(), 0);
  TMemoryStream again;
  g.Manager.SaveFormats(again);
  EXPECT_EQ(again.Bytes(), out.Bytes());
  ExpectHistory(g.Default(), version);
}

TEST_P(HistoryVersions, EveryCutIsRefusedAndChangesNothing) {
  const int32_t version = GetParam();
  const std::vector<uint8_t> bytes = BlockBytes(version);
  for (size_t n = 0; n < bytes.size(); ++n) {
    THistoryFixture f;
    f.Manager.ObtainFormat("kept");
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
    try {
      f.Manager.LoadFormats(s, version);
      ADD_FAILURE() << "a block cut at " << n << " of " << bytes.size() << " bytes was taken";
    } catch (const EFormatError& e) {
      EXPECT_NE(std::string(e.what()).find("history"), std::string::npos) << e.what();
    }
    EXPECT_NE(f.Manager.FindFormat("kept"), nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Versions, HistoryVersions, ::testing::Values(107, 112, 113, 123, 124, 134, 135, 138));

TEST(HistoryStream, CountsBeyondTheBytesAreRefused) {
  const std::vector<std::vector<uint8_t>> blocks = {
      TBytes().I(0x7FFFFFFF).B,                   // formats
      TBytes().I(-1).B,                           // formats
      TBytes().I(1).S("").I(0).I(0).I(0).I(0).I(0).I(0).I(0x10000000).B,  // entries
  };
  for (const auto& bytes : blocks) {
    THistoryFixture f;
    TMemoryStream s(bytes);
    EXPECT_THROW(f.Manager.LoadFormats(s, 138), EFormatError);
  }
}

TEST(HistoryStream, ABlockWithoutTheDefaultFormatGetsOne) {
  TBytes b;
  b.I(1).S("log");
  for (int k = 0; k < 6; ++k) b.I(0);
  HistoryBytes(b, 138);
  THistoryFixture f;
  TMemoryStream s(b.B);
  f.Manager.LoadFormats(s, 138);
  ASSERT_EQ(f.Manager.Count(), 2u);
  EXPECT_EQ(f.Manager.Format(0).Name, "");
  EXPECT_TRUE(f.Default().Entries().empty());
}

// Heights from a save are clamped and summed in 64 bits, so Show finds the
// last piece and never walks past it.
TEST(HistoryStream, HugeAndNegativeHeightsKeepShowInsideTheHistory) {
  TBytes b;
  b.I(0).S("").I(0).I(0).I(0).I(0).S("");  // no entries, nothing pending
  b.I(0).I(0).I(0).I(0).I(600).I(400).I(0).I(0).I(-1);
  b.I(3);
  b.I(2).S("a").I(0).I(0).I(0).I(INT32_MAX).S("").S("").I(1).I(0).I(0).I(INT32_MAX).S("").I(-2);
  b.I(1).S("b").I(2).I(0).I(0).I(-50).S("").I(-50);
  b.I(1).S("c").I(3).I(0).I(0).I(10).S("").I(INT32_MAX);
  b.S("");
  THistoryFixture f;
  TMemoryStream s(b.B);
  f.Default().Load(s, 138);
  const TOpalNewHistory& h = f.Default();
  EXPECT_EQ(h.HistPages()[0].TotalHeight, INT32_MAX);
  EXPECT_EQ(h.HistPages()[1].Heights[0], 0);
  EXPECT_EQ(h.HistPages()[2].TotalHeight, 10);
  const int64_t size = h.HistorySize();
  EXPECT_EQ(size, int64_t{INT32_MAX} + 10);
  TOpalNewMesData data;
  ASSERT_TRUE(h.Show(size - 1, 1, data).Shown);
  EXPECT_EQ(data.Pieces.Commands, std::vector<int32_t>{3});
  ASSERT_TRUE(h.Show(0, size, data).Shown);
  EXPECT_EQ(data.Pieces.Commands, (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_FALSE(h.Show(size, 1, data).Shown);
}

// An empty first name is no page: shown, it resolves to nothing rather than
// to a name before the list.
TEST(HistoryStream, AnEmptyFirstNameIsNoPage) {
  TBytes b;
  b.I(1).S("").I(4).I(0).I(1).I(1).S("").I(0).I(0).I(0).I(0).S("");
  b.I(0).I(0).I(0).I(0).I(0).I(0).I(0).I(0).I(0);
  b.I(1).I(2).S("").I(1).I(0).I(0).I(5).S("").S("").I(2).I(0).I(0).I(5).S("").I(10);
  b.S("");
  THistoryFixture f;
  TMemoryStream s(b.B);
  f.Default().Load(s, 138);
  TOpalNewMesData data;
  ASSERT_TRUE(f.Default().Show(0, 1, data).Shown);
  EXPECT_EQ(data.EntryNames, std::vector<std::string>{""});
}

TEST(MesDataStream, EveryVersionReadsItsLayout) {
  for (int32_t version : {107, 112, 113, 124, 138}) {
    TBytes b;
    b.I(2).S("a.osb").S("").I(1).I(2).I(0).I(-1).I(100).I(40).I(100).I(40);
    if (version >= 113) PageBytes(b, kPages[0], version);
    TOpalNewMesData data;
    TMemoryStream s(b.B);
    data.Load(s, version);
    EXPECT_EQ(s.Remaining(), 0) << version;
    EXPECT_EQ(data.EntryNames, (std::vector<std::string>{"a.osb", ""}));
    EXPECT_EQ(data.EntryPageIndices, (std::vector<int32_t>{0, -1}));
    EXPECT_EQ(data.EntrySizes[1], std::make_pair(100, 40));
    EXPECT_EQ(data.Pieces.Count(), version >= 113 ? 2u : 0u);
    if (version >= 113) EXPECT_EQ(data.Pieces.Values[1], version >= 124 ? std::string("$a=\1") : "");
    for (size_t n = 0; n < b.B.size(); ++n) {
      TOpalNewMesData cut;
      cut.SetMessage("kept", 1);
      TMemoryStream c(std::vector<uint8_t>(b.B.begin(), b.B.begin() + static_cast<std::ptrdiff_t>(n)));
      EXPECT_THROW(cut.Load(c, version), EFormatError) << version << " cut at " << n;
      EXPECT_EQ(cut.Pieces.Names, std::vector<std::string>{"kept"});
    }
    TMemoryStream out;
    data.Save(out);
    TOpalNewMesData back;
    out.SetPosition(0);
    back.Load(out, history_version::kCurrent);
    EXPECT_EQ(back, data);
  }
}

}  // namespace
}  // namespace opal
