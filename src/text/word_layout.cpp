// Break units, rows, pages and row arrangement.
#include <algorithm>
#include <array>

#include "text/sk_word.h"

namespace opal {

namespace {

// Characters that may not start a line: 。、｣」』)）､｡!?！？】
constexpr std::array<uint16_t, 15> kNoLineStart = {0x8142, 0x8141, 0xA3,   0x8176, 0x8178,
                                                   0x29,   0x816A, 0xA4,   0xA1,   0x21,
                                                   0x3F,   0x8149, 0x8148, 0x817A, 0};
// Characters that may not end a line: ｢「『（([<【
constexpr std::array<uint16_t, 8> kNoLineEnd = {0xA2, 0x8175, 0x8177, 0x8169, 0x28, 0x5B, 0x3C, 0x8179};

// The lists hold characters, so a glyph is looked up by its whole code:
// a byte search would find Latin letters among the trail bytes.
template <size_t N>
bool InList(const std::array<uint16_t, N>& list, const TWdGlyph& g) {
  if (g.Kind() != wkChar) return false;
  const uint16_t code = g.Code();
  return code != 0 && std::find(list.begin(), list.end(), code) != list.end();
}

bool IsChar(const TWdGlyph& g) { return g.Kind() == wkChar; }
uint16_t CodeOf(const TWdGlyph& g) { return IsChar(g) ? g.Code() : 0; }
bool NoBreakOf(const TWdGlyph& g) { return g.Decorate() != nullptr && g.Decorate()->NoBreak != 0; }
const std::string& RubyOf(const TWdGlyph& g) {
  static const std::string none;
  return g.Decorate() != nullptr ? g.Decorate()->Ruby : none;
}
bool IsReturn(const TWdGlyph& g) { return g.Kind() == wkReturn; }
bool IsFloat(const TWdGlyph& g) { return g.Kind() == wkImage && (g.Alignment() == 1 || g.Alignment() == 2); }
bool IsBlank(const TWdGlyph* g) { return dynamic_cast<const TWdSpace*>(g) != nullptr; }

bool CanEndLine(const TWdGlyph& g) { return !InList(kNoLineEnd, g); }

// May a line break fall between prev (null at the start) and cur?
bool BreakAllowed(const TWdGlyph* prev, const TWdGlyph& cur) {
  if (IsReturn(cur)) return true;
  if (prev != nullptr && NoBreakOf(*prev) && NoBreakOf(cur)) return false;
  if (prev != nullptr && !RubyOf(cur).empty() && RubyOf(*prev) == RubyOf(cur)) return false;
  const uint16_t p = prev != nullptr ? CodeOf(*prev) : 0, c = CodeOf(cur);
  if (prev != nullptr && p >= 33 && p <= 255 && c >= 33 && c <= 255) return false;
  if (prev == nullptr || p == 32 || c != 32) return !InList(kNoLineStart, cur);
  return false;
}

struct TFloat {
  int32_t Left, Top, Right, Bottom;
  bool LeftSide;
};

bool RowEmpty(const TWdRow& row) { return row.Count() == 0 || (row.Count() == 1 && IsBlank(row.First())); }

bool IsInlinePicture(const TWdGlyph& g) {
  return g.Kind() == wkImage && g.Alignment() >= 3 && g.Alignment() <= 5;
}

struct TBand {
  int32_t Text = 0, Above = 0, Below = 0;
  int64_t Height() const { return int64_t{Above} + Text + Below; }
};

// What a row's band depends on: the tallest text glyph, the tallest inline
// picture of each alignment (centre, top, bottom; −1 none), and whether a
// line break is all the row shows.
struct TRowBand {
  int32_t Text = 0;
  int32_t Pictures[3] = {-1, -1, -1};
  size_t Shown = 0;
  bool HasReturn = false;
  void Add(const TWdGlyph& g);
  TBand Band(int32_t defaultSize) const;
};

}  // namespace

// The layout of one call: the glyph range, the open page and row.
class TWordLayout {
 public:
  TWordLayout(TSkWord& w, TWdPageList& pages, int32_t first, int32_t last)
      : W_(w), Pages_(pages), First_(first), Last_(last) {}

  void Run();

 private:
  TWdGlyph& G(int32_t i) const { return *W_.Glyph(static_cast<size_t>(i)); }
  void Unit(int32_t i, int64_t& width, int32_t& count) const;
  void OpenRow();
  void CloseRow() {
    if (Row_ != nullptr) Arrange(*Row_);
    Row_ = nullptr;
  }
  void ClosePage() {
    CloseRow();
    Page_ = nullptr;
    Floats_.clear();
  }
  void Bounds(int32_t y, int32_t& left, int32_t& right) const;
  int64_t RowHeight(TWdRow& row) const;
  void Arrange(TWdRow& row) const;
  void ArrangePage(TWdPage& page) const;

  TSkWord& W_;
  TWdPageList& Pages_;
  int32_t First_, Last_;
  size_t NewPages_ = 0;
  int64_t Y_ = 0;  // line spacings and row heights come from scripts and saves
  int32_t Align_ = 1, Indent_ = 0;
  std::vector<TFloat> Floats_;
  TWdPage* Page_ = nullptr;
  TWdRow* Row_ = nullptr;
  int32_t RowFirst_ = -1;  // index of the open row's first glyph after its blank
  TRowBand OpenBand_;      // of the open row
};

void TWordLayout::Unit(int32_t i, int64_t& width, int32_t& count) const {
  width = G(i).Width;
  count = 1;
  if (IsReturn(G(i))) return;
  const auto grow = [&] {
    while (i + count <= Last_ && !BreakAllowed(&G(i + count - 1), G(i + count))) width += G(i + count++).Width;
  };
  grow();
  if (count == 1 && !CanEndLine(G(i)) && i + 1 <= Last_ && !IsReturn(G(i + 1))) {
    width += G(i + count++).Width;
    grow();
  }
}

void TWordLayout::Bounds(int32_t y, int32_t& left, int32_t& right) const {
  left = 0;
  right = W_.TextWidth;
  for (const TFloat& f : Floats_) {
    if (y < f.Top || y >= f.Bottom) continue;
    if (f.LeftSide) left = std::max(left, f.Right);
    else right = std::min(right, f.Left);
  }
}

void TWordLayout::OpenRow() {
  if (Page_ == nullptr) {
    Pages_.push_back(std::make_unique<TWdPage>(W_));
    Page_ = Pages_.back().get();
    ++NewPages_;
    Y_ = 0;
  }
  auto row = std::make_unique<TWdRow>(W_);
  row->Y = static_cast<int32_t>(std::clamp<int64_t>(Y_, INT32_MIN, INT32_MAX));
  row->Align = Align_;
  row->RowWidth = Indent_;
  Bounds(row->Y, row->LeftBound, row->RightBound);
  if (Indent_ > 0) row->Adopt(std::make_unique<TWdSpace>(W_, Indent_));
  Row_ = row.get();
  Page_->AdoptRow(std::move(row));
  RowFirst_ = -1;
  OpenBand_ = TRowBand{};
}

// The band of a row: c the tallest glyph that is not an inline picture
// (floats stand beside the rows); pictures widen the space above (d) and
// below (e) it. A line break alone in its row is DefaultSize high. The
// band is gathered glyph by glyph, so the open row's height costs nothing
// per added glyph.
void TRowBand::Add(const TWdGlyph& g) {
  if (IsBlank(&g)) return;
  ++Shown;
  if (IsReturn(g)) {
    HasReturn = true;
  } else if (IsInlinePicture(g)) {
    int32_t& tallest = Pictures[g.Alignment() - 3];
    tallest = std::max(tallest, g.Height);
  } else if (!IsFloat(g)) {
    Text = std::max(Text, g.Height);
  }
}

TBand TRowBand::Band(int32_t defaultSize) const {
  TBand b;
  b.Text = HasReturn && Shown == 1 ? std::max(Text, defaultSize) : Text;
  const auto over = [&b](int32_t g) { return g < 0 ? 0 : std::max(0, g - b.Text); };
  const int32_t centre = Pictures[0] < 0 ? 0 : (std::max(0, Pictures[0] - b.Text) + 1) / 2;
  b.Above = std::max(centre, over(Pictures[2]));
  b.Below = std::max(centre, over(Pictures[1]));
  return b;
}

namespace {

TBand BandOf(const TSkWord& w, const TWdRow& row) {
  TRowBand band;
  for (size_t i = 0; i < row.Count(); ++i) band.Add(*row.Item(i));
  const TBand b = band.Band(w.DefaultSize);
  for (size_t i = 0; i < row.Count(); ++i) {
    TWdGlyph& g = *row.Item(i);
    if (IsReturn(g)) g.Height = band.Shown == 1 ? w.DefaultSize : 0;
  }
  return b;
}

}  // namespace

int64_t TWordLayout::RowHeight(TWdRow&) const { return OpenBand_.Band(W_.DefaultSize).Height(); }

void TWordLayout::Arrange(TWdRow& row) const {
  int64_t x = row.LeftBound;
  if (row.Align == 2) x = int64_t{row.RightBound} - row.RowWidth;
  else if (row.Align == 3) x = row.LeftBound + (int64_t{row.RightBound} - row.LeftBound - row.RowWidth) / 2;
  const TBand b = BandOf(W_, row);
  row.TextHeight = b.Text;
  row.SpaceAbove = b.Above;
  row.SpaceBelow = b.Below;
  row.Height = static_cast<int32_t>(std::min<int64_t>(b.Height(), INT32_MAX));
  row.Width = row.RowWidth;
  row.X = 0;
  for (size_t i = 0; i < row.Count(); ++i) {
    TWdGlyph& g = *row.Item(i);
    if (IsFloat(g)) continue;  // placed where it floats
    g.X = static_cast<int32_t>(std::clamp<int64_t>(x, INT32_MIN, INT32_MAX));
    x += g.Width;
    if (g.Height == 0) g.Y = b.Above;
    else if (IsInlinePicture(g) && g.Alignment() == 3) g.Y = b.Above + (b.Text - g.Height) / 2;
    else if (IsInlinePicture(g) && g.Alignment() == 4) g.Y = b.Above;
    else g.Y = static_cast<int32_t>(int64_t{row.Height} - b.Below - g.Height);
  }
}

void TWordLayout::ArrangePage(TWdPage& page) const {
  int32_t bottom = 0;
  for (size_t i = 0; i < page.Count(); ++i) {
    TWdRow& row = *page.Row(i);
    Arrange(row);
    bottom = static_cast<int32_t>(std::clamp<int64_t>(std::max<int64_t>(bottom, int64_t{row.Y} + row.Height), INT32_MIN, INT32_MAX));
  }
  page.Height = bottom;
  page.Width = W_.TextWidth;
}

void TWordLayout::Run() {
  int32_t a = First_;
  while (a <= Last_) {
    TWdGlyph& g = G(a);
    if (g.Kind() == wkAlign) {
      Align_ = g.Alignment();
      if (Row_ != nullptr && RowEmpty(*Row_)) Row_->Align = Align_;
      ++a;
      continue;
    }
    if (g.Kind() == wkIndent) {
      if (Row_ != nullptr) Indent_ = Row_->RowWidth;
      ++a;
      continue;
    }
    if (g.Kind() == wkUndent) {
      Indent_ = 0;
      ++a;
      continue;
    }
    if (Row_ == nullptr) OpenRow();

    if (IsFloat(g)) {
      if (!RowEmpty(*Row_)) {
        Y_ += RowHeight(*Row_);
        CloseRow();
        continue;
      }
      if (W_.Paging && Page_->Count() > 1 && Y_ + g.Height > W_.ViewHeight) {
        // The empty row goes with the full page; the picture opens the next.
        Page_->RemoveLastRow();
        Row_ = nullptr;
        ClosePage();
        continue;
      }
      const bool leftSide = g.Alignment() == 1;
      g.X = leftSide ? Row_->LeftBound : Row_->RightBound - g.Width;
      g.Y = 0;
      const int32_t top = Row_->Y;
      Floats_.push_back({g.X, top, g.X + g.Width, static_cast<int32_t>(std::min<int64_t>(int64_t{top} + g.Height, INT32_MAX)), leftSide});
      Row_->Add(&g);
      OpenBand_.Add(g);
      Bounds(top, Row_->LeftBound, Row_->RightBound);
      ++a;
      continue;
    }

    int64_t width = 0;
    int32_t count = 0;
    Unit(a, width, count);
    const int64_t room = int64_t{Row_->RightBound} - Row_->LeftBound;
    if (!RowEmpty(*Row_) && W_.TextWidth != 0 && room < int64_t{Row_->RowWidth} + width) {
      Y_ += RowHeight(*Row_) + W_.LineSpacing;
      CloseRow();
      continue;
    }
    bool rolledBack = false;
    for (int32_t k = 0; k < count; ++k) {
      if (RowFirst_ < 0) RowFirst_ = a + k;
      Row_->Add(&G(a + k));
      OpenBand_.Add(G(a + k));
      if (W_.Paging && Page_->Count() > 1 && Y_ + RowHeight(*Row_) > W_.ViewHeight) {
        a = RowFirst_;
        Page_->RemoveLastRow();
        Row_ = nullptr;
        ClosePage();
        rolledBack = true;
        break;
      }
    }
    if (rolledBack) continue;
    Row_->RowWidth = static_cast<int32_t>(std::min<int64_t>(int64_t{Row_->RowWidth} + width, INT32_MAX));
    if (IsReturn(g)) {
      Y_ += RowHeight(*Row_) + W_.LineSpacing;
      const bool clear = g.ClearFlag();
      CloseRow();
      if (clear) ClosePage();
    }
    a += count;
  }
  CloseRow();

  const size_t from = Pages_.size() - NewPages_;
  if (W_.TextWidth == 0) {
    // Nothing wrapped: the area is as wide as the widest row, which the
    // rows then take as their right bound.
    int32_t widest = 0;
    for (size_t p = from; p < Pages_.size(); ++p)
      for (size_t i = 0; i < Pages_[p]->Count(); ++i) {
        const TWdRow& row = *Pages_[p]->Row(i);
        widest = static_cast<int32_t>(std::clamp<int64_t>(std::max<int64_t>(widest, int64_t{row.LeftBound} + row.RowWidth), 0, INT32_MAX));
      }
    W_.TextWidth = widest;
    for (size_t p = from; p < Pages_.size(); ++p)
      for (size_t i = 0; i < Pages_[p]->Count(); ++i)
        if (Pages_[p]->Row(i)->RightBound == 0) Pages_[p]->Row(i)->RightBound = widest;
  }
  for (size_t p = from; p < Pages_.size(); ++p) ArrangePage(*Pages_[p]);
}

void TSkWord::Layout(TWdPageList& pages, int32_t first, int32_t last) {
  const int32_t n = static_cast<int32_t>(Glyphs_.size());
  if (first < 0) first = 0;
  if (last < 0 || last >= n) last = n - 1;
  if (first > last) return;
  for (int32_t i = first; i <= last; ++i) Glyphs_[static_cast<size_t>(i)]->Measure();
  TWordLayout(*this, pages, first, last).Run();
}

}  // namespace opal
