// Glyph streams of every version, read into and written from plain records.
//
// A glyph stream is a header ("SkWord" and three digits; none in version 0),
// a block of decoration records and a list of glyphs, each a kind byte and
// the kind's data. Decoration indices of a stream count from its own first
// record. Reference counts in the stream are not trusted: the reader counts
// the glyphs that use each record.
#include "text/glyph_stream.h"

#include <cstdio>
#include <cstring>

#include "common/error.h"
#include "expr/opal_parser.h"
#include "storage/stream.h"

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

void WriteDecorate(TStream& s, const TDecorate& d) {
  WriteInt32(s, d.RefCount);
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

// The kinds that make a glyph; the others are a kind byte alone.
bool MakesGlyph(uint8_t kind) {
  switch (kind) {
    case wkChar: case wkAlign: case wkReturn: case wkIndent: case wkUndent: case wkEvent: case wkVar:
    case wkImage: return true;
    default: return false;
  }
}

// A decoration index of the stream, its record's count raised.
int32_t UseDecoration(TStream& s, std::vector<TDecorate>& records) {
  const int32_t index = ReadInt32(s);
  if (index < 0 || static_cast<size_t>(index) >= records.size()) {
    throw EFormatError(Format("glyph stream: decoration %d of %zu", index, records.size()));
  }
  ++records[static_cast<size_t>(index)].RefCount;
  return index;
}

// The data after the kind byte in the layout of `version`.
void ReadRecord(TStream& s, int32_t version, TGlyphRecord& r, std::vector<TDecorate>& records) {
  switch (r.Kind) {
    case wkChar:
      r.Link = ReadString(s);
      r.Wait = ReadInt32(s);
      r.Code = ReadUInt16(s);
      r.Decoration = UseDecoration(s, records);
      return;
    case wkImage:
      r.Link = ReadString(s);
      r.Wait = ReadInt32(s);
      r.Text = ReadString(s);
      r.Align = ReadByte(s);
      return;
    case wkReturn: r.Clear = ReadByte(s) != 0; return;
    case wkAlign: r.Align = ReadByte(s); return;
    case wkEvent:
      r.Text = ReadString(s);
      r.Hold = !r.Text.empty() && r.Text[0] == static_cast<char>(kHoldMark);
      if (r.Hold) r.Text.erase(0, 1);
      return;
    case wkVar: {
      r.Decoration = UseDecoration(s, records);
      if (version >= kVarWaitSince) {
        r.Wait = ReadInt32(s);
        r.Link = ReadString(s);
      }
      if (version >= kVarSourceSince) {
        r.Text = ReadString(s);
        return;
      }
      // The compiled list's extent is known only by reading it; its bytes
      // are kept as they were.
      const int64_t start = s.Position();
      TOpalParser compiled;
      compiled.LoadFromStream(s);
      const int64_t end = s.Position();
      r.Compiled.assign(static_cast<size_t>(end - start), '\0');
      s.SetPosition(start);
      s.ReadBuffer(r.Compiled.data(), end - start);
      return;
    }
    default: return;  // Indent, Undent: no data
  }
}

void WriteRecord(TStream& s, int32_t version, const TGlyphRecord& r) {
  switch (r.Kind) {
    case wkChar:
      WriteString(s, r.Link);
      WriteInt32(s, r.Wait);
      WriteUInt16(s, r.Code);
      WriteInt32(s, r.Decoration);
      return;
    case wkImage:
      WriteString(s, r.Link);
      WriteInt32(s, r.Wait);
      WriteString(s, r.Text);
      WriteByte(s, r.Align);
      return;
    case wkReturn: WriteByte(s, r.Clear ? 1 : 0); return;
    case wkAlign: WriteByte(s, r.Align); return;
    case wkEvent:
      WriteString(s, r.Hold ? std::string(1, static_cast<char>(kHoldMark)) + r.Text : r.Text);
      return;
    case wkVar:
      // Below kVarSourceSince the expression is the compiled list as it was
      // read (an empty list when there is none).
      WriteInt32(s, r.Decoration);
      WriteInt32(s, r.Wait);
      WriteString(s, r.Link);
      if (version >= kVarSourceSince) {
        WriteString(s, r.Text);
      } else if (r.Compiled.empty()) {
        WriteInt32(s, 0);
      } else {
        s.WriteBuffer(r.Compiled.data(), static_cast<int64_t>(r.Compiled.size()));
      }
      return;
    default: return;
  }
}

// The version WriteGlyphStream writes for these glyphs.
int32_t WriteVersionFor(const std::vector<TGlyphRecord>& glyphs) {
  bool compiled = false;
  for (const TGlyphRecord& g : glyphs) {
    if (g.Kind != wkVar) continue;
    if (!g.Text.empty()) return kWriteVersion;
    compiled = compiled || !g.Compiled.empty();
  }
  return compiled ? kCompiledWriteVersion : kWriteVersion;
}

}  // namespace

TGlyphStream ReadGlyphStream(TStream& s) {
  TGlyphStream g;
  try {
    const int32_t version = ReadHeader(s);
    const int32_t records = ReadInt32(s);
    const int64_t minRecord = version >= kWideOutlineSince ? kMinRecord : kMinOldRecord;
    if (records < 0 || records > s.Remaining() / minRecord) {
      throw EFormatError(Format("glyph stream: %d decorations do not fit the data", records));
    }
    for (int32_t i = 0; i < records; ++i) g.Decorations.push_back(ReadDecorate(s, version));
    const int32_t count = ReadInt32(s);
    // Every glyph takes at least its kind byte.
    if (count < 0 || count > s.Remaining() || count > kMaxStreamGlyphs) {
      throw EFormatError(Format("glyph stream: %d glyphs do not fit the data", count));
    }
    for (int32_t i = 0; i < count; ++i) {
      const uint8_t kind = ReadByte(s) & kKindMask;
      if (!MakesGlyph(kind)) continue;
      TGlyphRecord r;
      r.Kind = static_cast<TWdKind>(kind);
      ReadRecord(s, version, r, g.Decorations);
      g.Glyphs.push_back(std::move(r));
    }
  } catch (const EStreamError& e) {
    throw EFormatError(Format("glyph stream: %s", e.what()));
  }
  return g;
}

void WriteGlyphStream(TStream& s, const TGlyphStream& g) {
  const int32_t version = WriteVersionFor(g.Glyphs);
  char head[kHeaderLength + 1];
  std::snprintf(head, sizeof head, "%s%03d", kMagic, version);
  s.WriteBuffer(head, kHeaderLength);
  WriteInt32(s, static_cast<int32_t>(g.Decorations.size()));
  for (const TDecorate& d : g.Decorations) WriteDecorate(s, d);
  WriteInt32(s, static_cast<int32_t>(g.Glyphs.size()));
  for (const TGlyphRecord& r : g.Glyphs) {
    WriteByte(s, r.Kind);
    WriteRecord(s, version, r);
  }
}

TDecorate ToDecorate(const TCharStyle& s) {
  TDecorate d;
  d.Color = s.Color;
  d.OutlineColor = s.OutlineColor;
  d.ShadowColor = s.ShadowColor;
  d.Size = s.Size;
  d.Style = s.Style;
  d.FaceName = s.Face();
  d.NoBreak = s.NoBreak ? 1 : 0;
  d.Ruby = s.RubyText();
  d.OutlineWidth = s.OutlineWidth;
  d.ShadowWidth = s.ShadowWidth;
  return d;
}

TGlyphStream GlyphStreamOf(const TTagGlyphList& glyphs) {
  // A styled glyph starts on the plain record and moves to its style's, as
  // a text engine's character does; the list then holds the records in the
  // order a word's list would.
  TDecorateList list;
  std::vector<TDecorate*> styles;
  TGlyphStream g;
  for (const TTagGlyph& t : glyphs) {
    TGlyphRecord r;
    r.Kind = static_cast<TWdKind>(t.Kind);
    TDecorate* style = nullptr;
    switch (t.Kind) {
      case TGlyphKind::Char:
      case TGlyphKind::Var:
        style = list.Acquire(TDecorate{});
        if (t.Style != nullptr) style = list.Change(style, ToDecorate(*t.Style));
        r.Code = t.Code;
        r.Text = t.Kind == TGlyphKind::Var ? t.Text : std::string();
        r.Link = t.LinkTarget();
        r.Wait = t.Wait;
        break;
      case TGlyphKind::Align: r.Align = t.Align; break;
      case TGlyphKind::Return: r.Clear = t.Clear; break;
      case TGlyphKind::Indent:
      case TGlyphKind::Undent: break;
      case TGlyphKind::Event:
        r.Hold = t.Holds();
        r.Text = r.Hold ? t.Text.substr(1) : t.Text;
        break;
      case TGlyphKind::Image:
        r.Text = t.Text;
        r.Align = t.Align;
        r.Link = t.LinkTarget();
        r.Wait = t.Wait;
        break;
      default: continue;
    }
    styles.push_back(style);
    g.Glyphs.push_back(std::move(r));
  }
  for (size_t i = 0; i < g.Glyphs.size(); ++i) {
    if (styles[i] == nullptr) continue;
    g.Glyphs[i].Decoration = list.IndexOf(styles[i]);
  }
  for (size_t i = 0; i < list.Count(); ++i) g.Decorations.push_back(*list.Item(i));
  return g;
}

}  // namespace opal
