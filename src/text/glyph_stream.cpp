// Glyph streams of every version, and the word's settings stream.
//
// A glyph stream is a header ("SkWord" and three digits; none in version 0),
// a block of decoration records and a list of glyphs, each a kind byte and
// the kind's data. Decoration indices of a stream count from its own first
// record. Reference counts in the stream are not trusted: the reader counts
// the glyphs that use each record and frees the unused ones.
#include <array>
#include <cstdio>
#include <cstring>
#include <map>

#include "common/error.h"
#include "expr/opal_parser.h"
#include "storage/stream.h"
#include "text/sk_word.h"

namespace opal {

namespace {

constexpr char kMagic[] = "SkWord";
constexpr size_t kMagicLength = 6;
constexpr size_t kHeaderLength = 9;
// The version this program writes.
constexpr int32_t kWriteVersion = 110;
// Version gates of the records.
constexpr int32_t kWideOutlineSince = 100;  // OutlineWidth int32, shadow fields
constexpr int32_t kVarWaitSince = 101;      // a variable's wait and link
constexpr int32_t kVarSourceSince = 102;    // a variable's source text
// Written instead of kWriteVersion when every variable holds only a
// compiled expression (read from an old stream): the newer layout has no
// place for one, and the records differ in nothing else.
constexpr int32_t kCompiledWriteVersion = kVarSourceSince - 1;
// Smallest decoration records: four int32, two bytes, the outline width,
// two empty strings; from version 100 also two int32.
constexpr int64_t kMinOldRecord = 4 * 4 + 2 + 1 + 4 + 4;
constexpr int64_t kMinRecord = 4 * 4 + 2 + 4 + 4 + 4 + 4 + 4;
// A word never holds more glyphs than a parse may make.
constexpr int64_t kMaxStreamGlyphs = int64_t{1} << 20;
constexpr uint8_t kKindMask = 0x7F;
constexpr uint8_t kHoldMark = 1;  // leading character of a holding event's text

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

// The version of a stream's header, the stream left after it; a stream
// without the header is rewound and is version 0.
int32_t ReadHeader(TStream& s) {
  const int64_t start = s.Position();
  char head[kHeaderLength];
  const int64_t got = s.Read(head, kHeaderLength);
  if (got != static_cast<int64_t>(kHeaderLength) || std::memcmp(head, kMagic, kMagicLength) != 0) {
    s.SetPosition(start);
    return 0;
  }
  int32_t version = 0;
  for (size_t i = kMagicLength; i < kHeaderLength; ++i) {
    if (head[i] < '0' || head[i] > '9') throw EFormatError("glyph stream: the header's version is not three digits");
    version = version * 10 + (head[i] - '0');
  }
  return version;
}

TDecorate ReadDecorate(TStream& s, int32_t version) {
  TDecorate d;
  ReadInt32(s);  // the stored count; recomputed from the glyphs
  d.Color = ReadInt32(s);
  d.OutlineColor = ReadInt32(s);
  d.Size = ReadInt32(s);
  d.Style = ReadByte(s);
  d.NoBreak = ReadByte(s);
  d.OutlineWidth = version >= kWideOutlineSince ? ReadInt32(s) : (ReadByte(s) != 0 ? 1 : 0);
  d.FaceName = ReadString(s);
  d.Ruby = ReadString(s);
  if (version >= kWideOutlineSince) {
    d.ShadowWidth = ReadInt32(s);
    d.ShadowColor = ReadInt32(s);
  }
  return d;
}

void WriteDecorate(TStream& s, const TDecorate& d, int32_t users) {
  WriteInt32(s, users);
  WriteInt32(s, d.Color);
  WriteInt32(s, d.OutlineColor);
  WriteInt32(s, d.Size);
  WriteByte(s, d.Style);
  WriteByte(s, d.NoBreak);
  WriteInt32(s, d.OutlineWidth);
  WriteString(s, d.FaceName);
  WriteString(s, d.Ruby);
  WriteInt32(s, d.ShadowWidth);
  WriteInt32(s, d.ShadowColor);
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

// A variable's data in the layout of `version`. Below kVarSourceSince the
// expression is the compiled list as it was read (an empty list when there
// is none).
void WriteVar(TStream& s, const TWdOpeVar& v, int32_t version) {
  WriteInt32(s, v.Owner.StreamIndexOf(v.Decor));
  WriteInt32(s, v.WaitValue);
  WriteString(s, v.Link);
  if (version >= kVarSourceSince) {
    WriteString(s, v.Expression);
  } else if (v.Compiled.empty()) {
    WriteInt32(s, 0);
  } else {
    s.WriteBuffer(v.Compiled.data(), static_cast<int64_t>(v.Compiled.size()));
  }
}

// The version SaveGlyphs writes for these glyphs.
int32_t WriteVersionFor(const std::vector<TWdGlyphPtr>& glyphs) {
  bool compiled = false;
  for (const TWdGlyphPtr& g : glyphs) {
    const auto* v = dynamic_cast<const TWdOpeVar*>(g.get());
    if (v == nullptr) continue;
    if (!v->Expression.empty()) return kWriteVersion;
    compiled = compiled || !v->Compiled.empty();
  }
  return compiled ? kCompiledWriteVersion : kWriteVersion;
}

// Glyphs the word saves and copies: those that stand for source text.
bool Saved(const TWdGlyph& g) { return g.SourceCount() > 0 && g.Kind() != wkNone; }

}  // namespace

// --- glyph records ---

void TWdChar::WriteGlyph(TStream& s) const {
  WriteString(s, Link);
  WriteInt32(s, WaitValue);
  WriteUInt16(s, CodeValue);
  WriteInt32(s, Owner.StreamIndexOf(Decor));
}

void TWdChar::ReadGlyph(TStream& s, int32_t) {
  Link = ReadString(s);
  WaitValue = ReadInt32(s);
  CodeValue = ReadUInt16(s);
  UseRecord(Owner, Decor, Owner.StreamDecoration(ReadInt32(s)));
}

void TWdImg::WriteGlyph(TStream& s) const {
  WriteString(s, Link);
  WriteInt32(s, WaitValue);
  WriteString(s, FileName);
  WriteByte(s, static_cast<uint8_t>(ImgAlign));
}

void TWdImg::ReadGlyph(TStream& s, int32_t) {
  Link = ReadString(s);
  WaitValue = ReadInt32(s);
  FileName = ReadString(s);
  ImgAlign = ReadByte(s);
}

void TWdOpeReturn::WriteGlyph(TStream& s) const { WriteByte(s, Clear ? 1 : 0); }
void TWdOpeReturn::ReadGlyph(TStream& s, int32_t) { Clear = ReadByte(s) != 0; }

void TWdOpeAlign::WriteGlyph(TStream& s) const { WriteByte(s, static_cast<uint8_t>(Code_)); }
void TWdOpeAlign::ReadGlyph(TStream& s, int32_t) { Code_ = ReadByte(s); }

void TWdOpeEvent::WriteGlyph(TStream& s) const {
  WriteString(s, HoldFlag ? std::string(1, static_cast<char>(kHoldMark)) + EventText : EventText);
}

void TWdOpeEvent::ReadGlyph(TStream& s, int32_t) {
  EventText = ReadString(s);
  HoldFlag = !EventText.empty() && EventText[0] == static_cast<char>(kHoldMark);
  if (HoldFlag) EventText.erase(0, 1);
}

void TWdOpeVar::WriteGlyph(TStream& s) const { WriteVar(s, *this, kWriteVersion); }

void TWdOpeVar::ReadGlyph(TStream& s, int32_t version) {
  UseRecord(Owner, Decor, Owner.StreamDecoration(ReadInt32(s)));
  if (version >= kVarWaitSince) {
    WaitValue = ReadInt32(s);
    Link = ReadString(s);
  }
  if (version >= kVarSourceSince) {
    Expression = ReadString(s);
    return;
  }
  // The compiled list's extent is known only by reading it; its bytes are
  // kept as they were.
  const int64_t start = s.Position();
  TOpalParser records;
  records.LoadFromStream(s);
  const int64_t end = s.Position();
  Compiled.assign(static_cast<size_t>(end - start), '\0');
  s.SetPosition(start);
  s.ReadBuffer(Compiled.data(), end - start);
}

// --- copies (the kind table makes the same class as the original) ---

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
  const int32_t base = DecorationBase;
  try {
    const int32_t version = ReadHeader(s);
    const int32_t records = ReadInt32(s);
    const int64_t minRecord = version >= kWideOutlineSince ? kMinRecord : kMinOldRecord;
    if (records < 0 || records > s.Remaining() / minRecord) {
      throw EFormatError(Format("glyph stream: %d decorations do not fit the data", records));
    }
    // Records are read first, so a damaged block changes nothing.
    std::vector<TDecorate> block;
    for (int32_t i = 0; i < records; ++i) block.push_back(ReadDecorate(s, version));

    DecorationBase = static_cast<int32_t>(Decorations_.Count());
    StreamRecords_.clear();
    for (TDecorate& d : block) {
      d.RefCount = 1;  // the reader's own hold while glyphs come and go
      StreamRecords_.push_back(Decorations_.Append(d));
    }
    std::vector<TWdGlyphPtr> glyphs;
    const auto settle = [this] {
      for (TDecorate* d : StreamRecords_) --d->RefCount;
      StreamRecords_.clear();
      Decorations_.Prune();
    };
    try {
      const int32_t count = ReadInt32(s);
      // Every glyph takes at least its kind byte.
      if (count < 0 || count > s.Remaining() || count > kMaxStreamGlyphs) {
        throw EFormatError(Format("glyph stream: %d glyphs do not fit the data", count));
      }
      for (int32_t i = 0; i < count; ++i) {
        const uint8_t kind = ReadByte(s) & kKindMask;
        const auto& table = Factories();
        if (kind >= table.size() || table[kind] == nullptr) continue;
        TWdGlyphPtr g = table[kind](*this);
        g->ReadGlyph(s, version);
        glyphs.push_back(std::move(g));
      }
    } catch (...) {
      glyphs.clear();
      settle();
      DecorationBase = base;
      throw;
    }
    settle();
    for (TWdGlyphPtr& g : glyphs) Insert(Glyphs_.size(), std::move(g));
  } catch (const EStreamError& e) {
    throw EFormatError(Format("glyph stream: %s", e.what()));
  }
}

void TSkWord::SaveGlyphs(TStream& s) const {
  // The records the saved glyphs use, in list order, with their users.
  std::map<const TDecorate*, int32_t> users;
  for (const TWdGlyphPtr& g : Glyphs_)
    if (Saved(*g) && g->Decorate() != nullptr) ++users[g->Decorate()];
  StreamIndex_.clear();
  std::vector<const TDecorate*> order;
  for (size_t i = 0; i < Decorations_.Count(); ++i) {
    const TDecorate* d = Decorations_.Item(i);
    if (users.count(d) == 0) continue;
    StreamIndex_[d] = static_cast<int32_t>(order.size());
    order.push_back(d);
  }
  const int32_t version = WriteVersionFor(Glyphs_);
  char head[kHeaderLength + 1];
  std::snprintf(head, sizeof head, "%s%03d", kMagic, version);
  s.WriteBuffer(head, kHeaderLength);
  WriteInt32(s, static_cast<int32_t>(order.size()));
  for (const TDecorate* d : order) WriteDecorate(s, *d, users[d]);
  int32_t count = 0;
  for (const TWdGlyphPtr& g : Glyphs_) count += Saved(*g) ? 1 : 0;
  WriteInt32(s, count);
  for (const TWdGlyphPtr& g : Glyphs_) {
    if (!Saved(*g)) continue;
    WriteByte(s, g->Kind());
    if (const auto* v = dynamic_cast<const TWdOpeVar*>(g.get())) {
      WriteVar(s, *v, version);
    } else {
      g->WriteGlyph(s);
    }
  }
  StreamIndex_.clear();
}

void TSkWord::CopyGlyphs(const TSkWord& other, int32_t first, int32_t last) {
  const int32_t n = static_cast<int32_t>(other.GlyphCount());
  if (first < 0) first = 0;
  if (last < 0 || last >= n) last = n - 1;
  for (int32_t i = first; i <= last; ++i) {
    const TWdGlyph& from = *other.Glyph(static_cast<size_t>(i));
    const auto& table = Factories();
    if (!Saved(from) || from.Kind() >= table.size() || table[from.Kind()] == nullptr) continue;
    TWdGlyphPtr g = table[from.Kind()](*this);
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
