// The word's glyphs to and from glyph stream records, copies between words,
// and the word's settings stream.
#include <array>
#include <map>

#include "common/error.h"
#include "storage/stream.h"
#include "text/glyph_stream.h"
#include "text/markup_writer.h"
#include "text/sk_word.h"

namespace opal {

namespace {

using TGlyphFactory = TWdGlyphPtr (*)(TSkWord&);

template <typename T>
TWdGlyphPtr Make(TSkWord& w) {
  return std::make_unique<T>(w);
}

// Glyph classes by kind byte; null: a kind that makes no glyph.
const std::array<TGlyphFactory, 10>& Factories() {
  static const std::array<TGlyphFactory, 10> table = {
      nullptr,           Make<TWdChar>,      Make<TWdOpeAlign>, Make<TWdOpeReturn>, Make<TWdOpeIndent>,
      Make<TWdOpeUndent>, Make<TWdOpeEvent>, Make<TWdOpeVar>,   nullptr,            Make<TWdImg>};
  return table;
}

TGlyphFactory FactoryOf(uint8_t kind) {
  const auto& table = Factories();
  return kind < table.size() ? table[kind] : nullptr;
}

// Points a glyph's style at a record whose count already includes this
// user, and gives up the record the glyph held before. The two may be the
// same record (a new glyph starts on the plain style, which a stream or a
// copy may well use): it was counted twice and loses one.
void UseRecord(TSkWord& w, TDecorate*& slot, TDecorate* record) {
  TDecorate* old = slot;
  slot = record;
  w.Decorations().Release(old);
}

// Glyphs the word saves and copies: those that stand for source text.
bool Saved(const TWdGlyph& g) { return g.SourceCount() > 0 && g.Kind() != wkNone; }

}  // namespace

// --- glyph records ---

void TWdReal::ToRecord(TGlyphRecord& r) const {
  r.Link = Link;
  r.Wait = WaitValue;
}

void TWdReal::FromRecord(const TGlyphRecord& r) {
  Link = r.Link;
  WaitValue = r.Wait;
}

void TWdChar::ToRecord(TGlyphRecord& r) const {
  TWdReal::ToRecord(r);
  r.Code = CodeValue;
  r.Decoration = Owner.StreamIndexOf(Decor);
}

void TWdChar::FromRecord(const TGlyphRecord& r) {
  TWdReal::FromRecord(r);
  CodeValue = r.Code;
  UseRecord(Owner, Decor, Owner.StreamDecoration(r.Decoration));
}

void TWdImg::ToRecord(TGlyphRecord& r) const {
  TWdReal::ToRecord(r);
  r.Text = FileName;
  r.Align = static_cast<uint8_t>(ImgAlign);
}

void TWdImg::FromRecord(const TGlyphRecord& r) {
  TWdReal::FromRecord(r);
  FileName = r.Text;
  ImgAlign = r.Align;
}

void TWdOpeReturn::ToRecord(TGlyphRecord& r) const { r.Clear = Clear; }
void TWdOpeReturn::FromRecord(const TGlyphRecord& r) { Clear = r.Clear; }

void TWdOpeAlign::ToRecord(TGlyphRecord& r) const { r.Align = static_cast<uint8_t>(Code_); }
void TWdOpeAlign::FromRecord(const TGlyphRecord& r) { Code_ = r.Align; }

void TWdOpeEvent::ToRecord(TGlyphRecord& r) const {
  r.Text = EventText;
  r.Hold = HoldFlag;
}

void TWdOpeEvent::FromRecord(const TGlyphRecord& r) {
  EventText = r.Text;
  HoldFlag = r.Hold;
}

void TWdOpeVar::ToRecord(TGlyphRecord& r) const {
  r.Decoration = Owner.StreamIndexOf(Decor);
  r.Wait = WaitValue;
  r.Link = Link;
  r.Text = Expression;
  r.Compiled = Compiled;
}

void TWdOpeVar::FromRecord(const TGlyphRecord& r) {
  UseRecord(Owner, Decor, Owner.StreamDecoration(r.Decoration));
  WaitValue = r.Wait;
  Link = r.Link;
  Expression = r.Text;
  Compiled = r.Compiled;
}

// --- copies (the kind table makes a glyph of the same class) ---

void TWdReal::AssignGlyph(const TWdGlyph& from) {
  const auto& f = static_cast<const TWdReal&>(from);
  Link = f.Link;
  WaitValue = f.WaitValue;
}

void TWdChar::AssignGlyph(const TWdGlyph& from) {
  TWdReal::AssignGlyph(from);
  const auto& f = static_cast<const TWdChar&>(from);
  CodeValue = f.CodeValue;
  if (f.Decor != nullptr) SetDecorate(*f.Decor);
}

void TWdImg::AssignGlyph(const TWdGlyph& from) {
  TWdReal::AssignGlyph(from);
  const auto& f = static_cast<const TWdImg&>(from);
  FileName = f.FileName;
  ImgAlign = f.ImgAlign;
}

void TWdOpeReturn::AssignGlyph(const TWdGlyph& from) { Clear = from.ClearFlag(); }
void TWdOpeAlign::AssignGlyph(const TWdGlyph& from) { Code_ = from.Alignment(); }

void TWdOpeEvent::AssignGlyph(const TWdGlyph& from) {
  const auto& f = static_cast<const TWdOpeEvent&>(from);
  EventText = f.EventText;
  HoldFlag = f.HoldFlag;
}

void TWdOpeVar::AssignGlyph(const TWdGlyph& from) {
  const auto& f = static_cast<const TWdOpeVar&>(from);
  Expression = f.Expression;
  Compiled = f.Compiled;
  Link = f.Link;
  WaitValue = f.WaitValue;
  if (f.Decor != nullptr) SetDecorate(*f.Decor);
}

// --- the word ---

TDecorate* TSkWord::StreamDecoration(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= StreamRecords_.size()) {
    throw EFormatError(Format("glyph stream: decoration %d of %zu", index, StreamRecords_.size()));
  }
  TDecorate* d = StreamRecords_[static_cast<size_t>(index)];
  ++d->RefCount;
  return d;
}

int32_t TSkWord::StreamIndexOf(const TDecorate* d) const {
  const auto it = StreamIndex_.find(d);
  return it != StreamIndex_.end() ? it->second : Decorations_.IndexOf(d);
}

void TSkWord::LoadGlyphs(TStream& s) {
  // The whole stream is read and checked first, so a damaged one changes
  // nothing.
  const TGlyphStream stream = ReadGlyphStream(s);
  DecorationBase = static_cast<int32_t>(Decorations_.Count());
  StreamRecords_.clear();
  for (TDecorate d : stream.Decorations) {
    d.RefCount = 1;  // the reader's own hold while glyphs come and go
    StreamRecords_.push_back(Decorations_.Append(d));
  }
  std::vector<TWdGlyphPtr> glyphs;
  for (const TGlyphRecord& r : stream.Glyphs) {
    TWdGlyphPtr g = FactoryOf(r.Kind)(*this);
    g->FromRecord(r);
    glyphs.push_back(std::move(g));
  }
  for (TDecorate* d : StreamRecords_) --d->RefCount;
  StreamRecords_.clear();
  Decorations_.Prune();
  for (TWdGlyphPtr& g : glyphs) Insert(Glyphs_.size(), std::move(g));
}

TGlyphStream TSkWord::ToGlyphStream() const {
  // The records the saved glyphs use, in list order, with their users.
  std::map<const TDecorate*, int32_t> users;
  for (const TWdGlyphPtr& g : Glyphs_)
    if (Saved(*g) && g->Decorate() != nullptr) ++users[g->Decorate()];
  TGlyphStream stream;
  StreamIndex_.clear();
  for (size_t i = 0; i < Decorations_.Count(); ++i) {
    const TDecorate* d = Decorations_.Item(i);
    if (users.count(d) == 0) continue;
    StreamIndex_[d] = static_cast<int32_t>(stream.Decorations.size());
    stream.Decorations.push_back(*d);
    stream.Decorations.back().RefCount = users[d];
  }
  for (const TWdGlyphPtr& g : Glyphs_) {
    if (!Saved(*g)) continue;
    TGlyphRecord r;
    r.Kind = g->Kind();
    g->ToRecord(r);
    stream.Glyphs.push_back(std::move(r));
  }
  StreamIndex_.clear();
  return stream;
}

void TSkWord::SaveGlyphs(TStream& s) const { WriteGlyphStream(s, ToGlyphStream()); }

std::optional<std::string> WriteMarkup(const TSkWord& word, int32_t defaultWait) {
  return WriteMarkup(word.ToGlyphStream(), defaultWait);
}

void TSkWord::CopyGlyphs(const TSkWord& other, int32_t first, int32_t last) {
  const int32_t n = static_cast<int32_t>(other.GlyphCount());
  if (first < 0) first = 0;
  if (last < 0 || last >= n) last = n - 1;
  for (int32_t i = first; i <= last; ++i) {
    const TWdGlyph& from = *other.Glyph(static_cast<size_t>(i));
    const TGlyphFactory make = FactoryOf(from.Kind());
    if (!Saved(from) || make == nullptr) continue;
    TWdGlyphPtr g = make(*this);
    g->AssignGlyph(from);
    Insert(Glyphs_.size(), std::move(g));
  }
}

// --- settings ---

namespace {
// A text area larger than this is not a saved window's.
constexpr int32_t kMaxArea = 1 << 15;
constexpr int32_t kSettingsShadowSince = 110;  // ShadowColor; the widths after it
}  // namespace

void TSkWord::SaveSettings(TStream& s) const {
  for (int32_t v : {OriginX, OriginY, DefaultSize}) WriteInt32(s, v);
  WriteString(s, DefaultFace);
  for (int32_t v : {DefaultColor, ViewHeight, TextWidth, Quality, LineSpacing}) WriteInt32(s, v);
  WriteByte(s, Paging ? 1 : 0);
  for (int32_t v : {LinkColor, ActiveLinkColor, FadeTime, OutlineColor, BlendValue}) WriteInt32(s, v);
  WriteByte(s, Hold ? 1 : 0);
  for (int32_t v : {CaretX, CaretY, Speed}) WriteInt32(s, v);
  WriteByte(s, EventsEnabled ? 1 : 0);
  for (int32_t v : {ShadowColor, DefaultOutline, DefaultShadow}) WriteInt32(s, v);
}

void TSkWord::LoadSettings(TStream& s, int32_t version) {
  // Read whole before anything changes, so a damaged stream leaves the word
  // as it was.
  int32_t originX, originY, defaultSize, defaultColor, viewHeight, textWidth, quality, lineSpacing;
  int32_t linkColor, activeLinkColor, fadeTime, outlineColor, blendValue, caretX, caretY, speed;
  int32_t shadowColor = ShadowColor, defaultOutline = DefaultOutline, defaultShadow = DefaultShadow;
  std::string defaultFace;
  bool paging, hold, eventsEnabled;
  try {
    for (int32_t* v : {&originX, &originY, &defaultSize}) *v = ReadInt32(s);
    defaultFace = ReadString(s);
    for (int32_t* v : {&defaultColor, &viewHeight, &textWidth, &quality, &lineSpacing}) *v = ReadInt32(s);
    paging = ReadByte(s) != 0;
    for (int32_t* v : {&linkColor, &activeLinkColor, &fadeTime, &outlineColor, &blendValue}) *v = ReadInt32(s);
    hold = ReadByte(s) != 0;
    for (int32_t* v : {&caretX, &caretY, &speed}) *v = ReadInt32(s);
    eventsEnabled = ReadByte(s) != 0;
    if (version >= kSettingsShadowSince) shadowColor = ReadInt32(s);
    if (version > kSettingsShadowSince) {
      defaultOutline = ReadInt32(s);
      defaultShadow = ReadInt32(s);
    }
  } catch (const EStreamError& e) {
    throw EFormatError(Format("text settings: %s", e.what()));
  }
  // The page buffers are sized from these.
  if (textWidth < 0 || textWidth > kMaxArea || viewHeight < 0 || viewHeight > kMaxArea) {
    throw EFormatError(Format("text settings: a %d x %d text area", textWidth, viewHeight));
  }
  OriginX = originX;
  OriginY = originY;
  DefaultSize = defaultSize;
  DefaultFace = std::move(defaultFace);
  DefaultColor = defaultColor;
  ViewHeight = viewHeight;
  TextWidth = textWidth;
  Quality = quality;
  LineSpacing = lineSpacing;
  Paging = paging;
  LinkColor = linkColor;
  ActiveLinkColor = activeLinkColor;
  FadeTime = fadeTime;
  OutlineColor = outlineColor;
  BlendValue = blendValue;
  Hold = hold;
  CaretX = caretX;
  CaretY = caretY;
  Speed = speed;
  EventsEnabled = eventsEnabled;
  ShadowColor = shadowColor;
  DefaultOutline = defaultOutline;
  DefaultShadow = defaultShadow;
}

}  // namespace opal
