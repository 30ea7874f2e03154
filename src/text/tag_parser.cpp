#include "text/tag_parser.h"

#include <algorithm>
#include <array>

#include "common/cp932.h"
#include "common/error.h"
#include "text/tag.h"
#include "text/tag_tokenizer.h"
#include "text/tag_val_list.h"

namespace opal {

namespace {

// "<A>タグにHREF値がありません" in CP932.
const char kNoHrefMessage[] =
    "<A>\x83\x5E\x83\x4F\x82\xC9HREF\x92\x6C\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1";

struct TAlignName {
  std::string_view Name;
  uint8_t Code;
};
constexpr TAlignName kAlignNames[] = {
    {"LEFT", alLeft}, {"RIGHT", alRight}, {"CENTER", alCenter}, {"TOP", alTop}, {"BOTTOM", alBottom},
};

// The code of an ALIGN value when it lies in [lo, hi], else `fallback`.
uint8_t AlignOf(const std::string& value, uint8_t lo, uint8_t hi, uint8_t fallback) {
  for (const TAlignName& a : kAlignNames) {
    if (cp932::SameText(value, a.Name)) return a.Code >= lo && a.Code <= hi ? a.Code : fallback;
  }
  return fallback;
}

int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return std::min(std::max(v, lo), hi); }

class TTagActions {
 public:
  TTagActions(int32_t defaultWait, TTagGlyphList& out) : State_(defaultWait), Out_(out) {}

  void Act(const TTag& tag) {
    using Handler = void (TTagActions::*)(const TTag&);
    static constexpr std::array<Handler, 29> kHandlers = {
        &TTagActions::Text,    &TTagActions::Ignore,  &TTagActions::Anchor,  &TTagActions::EndAnchor,
        &TTagActions::Bold,    &TTagActions::EndBold, &TTagActions::Font,    &TTagActions::EndFont,
        &TTagActions::Italic,  &TTagActions::EndItalic, &TTagActions::Strike, &TTagActions::EndStrike,
        &TTagActions::Under,   &TTagActions::EndUnder, &TTagActions::NoBr,   &TTagActions::EndNoBr,
        &TTagActions::Ruby,    &TTagActions::EndRuby, &TTagActions::Div,     &TTagActions::EndDiv,
        &TTagActions::Indent,  &TTagActions::Undent,  &TTagActions::Br,      &TTagActions::Clear,
        &TTagActions::Event,   &TTagActions::Wait,    &TTagActions::EndWait, &TTagActions::Var,
        &TTagActions::Img,
    };
    (this->*kHandlers[static_cast<size_t>(tag.Id())])(tag);
  }

 private:
  TTagGlyph& Add(TGlyphKind kind) {
    if (Out_.size() >= kMaxTagGlyphs) throw EFormatError("message text: too many glyphs");
    Out_.emplace_back();
    Out_.back().Kind = kind;
    return Out_.back();
  }

  // Character and variable glyphs carry the whole style.
  TTagGlyph& AddStyled(TGlyphKind kind) {
    TTagGlyph& g = Add(kind);
    g.Style = State_.CurrentStyle();
    g.Link = State_.Link;
    g.Wait = State_.Wait.Top();
    return g;
  }

  void SetBit(uint8_t bit, bool on) {
    State_.Style = on ? State_.Style | bit : State_.Style & ~bit;
    State_.Changed();
  }

  void Text(const TTag& tag) {
    const std::string& s = tag.Head();
    for (size_t i = 0; i < s.size(); i = cp932::NextChar(s, i)) {
      TTagGlyph& g = AddStyled(TGlyphKind::Char);
      g.Code = static_cast<uint8_t>(s[i]);
      if (cp932::CharLen(s, i) == 2) g.Code = static_cast<uint16_t>(g.Code << 8 | static_cast<uint8_t>(s[i + 1]));
    }
  }
  void Ignore(const TTag&) {}
  void Anchor(const TTag& tag) {
    if (!tag.Has("HREF")) throw EFormatError(kNoHrefMessage);
    State_.Link = std::make_shared<const std::string>(UnescapeTagText(tag.Value("HREF")));
  }
  void EndAnchor(const TTag&) { State_.Link.reset(); }
  void Bold(const TTag&) { SetBit(fsBold, true); }
  void EndBold(const TTag&) { SetBit(fsBold, false); }
  void Italic(const TTag&) { SetBit(fsItalic, true); }
  void EndItalic(const TTag&) { SetBit(fsItalic, false); }
  void Strike(const TTag&) { SetBit(fsStrikeOut, true); }
  void EndStrike(const TTag&) { SetBit(fsStrikeOut, false); }
  void Under(const TTag&) { SetBit(fsUnderline, true); }
  void EndUnder(const TTag&) { SetBit(fsUnderline, false); }

  static int32_t NumberOr(const TTag& tag, std::string_view name, int32_t current) {
    int32_t v;
    return tag.Has(name) && ParseTagInt(tag.Value(name), v) ? v : current;
  }
  static int32_t ColorOr(const TTag& tag, std::string_view name, int32_t current) {
    int32_t v;
    return tag.Has(name) && ParseTagColor(tag.Value(name), v) ? v : current;
  }
  // Outline and shadow widths: 1 when written without a number, 0 when negative.
  static int32_t WidthOr(const TTag& tag, std::string_view name, int32_t current, int32_t max) {
    if (!tag.Has(name)) return current;
    int32_t v;
    if (!ParseTagInt(tag.Value(name), v)) return 1;
    return Clamp(v, 0, max);
  }

  void Font(const TTag& tag) {
    TTagValList& s = State_;
    s.Size.Push(Clamp(NumberOr(tag, "SIZE", s.Size.Top()), 0, kMaxTagFontSize));
    s.Color.Push(ColorOr(tag, "COLOR", s.Color.Top()));
    s.OutlineColor.Push(ColorOr(tag, "BCOLOR", s.OutlineColor.Top()));
    s.ShadowColor.Push(ColorOr(tag, "SCOLOR", s.ShadowColor.Top()));
    s.FaceName.Push(tag.Has("NAME") ? std::make_shared<const std::string>(tag.Value("NAME")) : s.FaceName.Top());
    s.OutlineWidth.Push(WidthOr(tag, "BORDER", s.OutlineWidth.Top(), kMaxTagOutlineWidth));
    s.ShadowWidth.Push(WidthOr(tag, "SHADOW", s.ShadowWidth.Top(), kMaxTagShadowWidth));
    s.Changed();
  }
  void EndFont(const TTag&) {
    TTagValList& s = State_;
    s.Size.Pop(), s.Color.Pop(), s.OutlineColor.Pop(), s.ShadowColor.Pop();
    s.FaceName.Pop(), s.OutlineWidth.Pop(), s.ShadowWidth.Pop();
    s.Changed();
  }
  void NoBr(const TTag&) { State_.NoBreak = true, State_.Changed(); }
  void EndNoBr(const TTag&) { State_.NoBreak = false, State_.Changed(); }
  void Ruby(const TTag& tag) {
    State_.Ruby = std::make_shared<const std::string>(tag.Value("VALUE"));
    State_.Changed();
  }
  void EndRuby(const TTag&) { State_.Ruby.reset(), State_.Changed(); }
  void AddAlign() { Add(TGlyphKind::Align).Align = State_.Align.Top(); }
  void Div(const TTag& tag) {
    State_.Align.Push(AlignOf(tag.Value("ALIGN", "LEFT"), alLeft, alCenter, alLeft));
    AddAlign();
  }
  void EndDiv(const TTag&) {
    State_.Align.Pop();
    AddAlign();
  }
  void Indent(const TTag&) { Add(TGlyphKind::Indent); }
  void Undent(const TTag&) { Add(TGlyphKind::Undent); }
  void Br(const TTag& tag) { Add(TGlyphKind::Return).Clear = tag.Has("CLEAR"); }
  void Clear(const TTag&) { Add(TGlyphKind::Return).Clear = true; }
  void Event(const TTag& tag) {
    std::string text = UnescapeTagText(tag.Value("VALUE"));
    if (tag.Has("END")) text.insert(text.begin(), '\1');
    Add(TGlyphKind::Event).Text = std::move(text);
  }
  void Wait(const TTag& tag) {
    State_.Wait.Push(Clamp(NumberOr(tag, "VALUE", State_.Wait.Top()), -kMaxTagWait, kMaxTagWait));
  }
  void EndWait(const TTag&) { State_.Wait.Pop(); }
  void Var(const TTag& tag) {
    std::string name = tag.Value("NAME");
    if (!name.empty()) AddStyled(TGlyphKind::Var).Text = std::move(name);
  }
  void Img(const TTag& tag) {
    std::string src = tag.Value("SRC");
    if (src.empty()) return;
    TTagGlyph& g = Add(TGlyphKind::Image);
    g.Text = std::move(src);
    g.Align = AlignOf(tag.Value("ALIGN", "BOTTOM"), alCenter, alBottom, alBottom);
    auto style = std::make_shared<TCharStyle>();
    style->NoBreak = State_.NoBreak;
    style->Ruby = State_.Ruby;
    g.Style = std::move(style);
    g.Link = State_.Link;
    g.Wait = State_.Wait.Top();
  }

  TTagValList State_;
  TTagGlyphList& Out_;
};

}  // namespace

bool ParseTagInt(std::string_view s, int32_t& out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size()) return false;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
    v = v * 10 + (s[i] - '0');
    if (v > int64_t{INT32_MAX} + 1) return false;
  }
  v = negative ? -v : v;
  if (v > INT32_MAX || v < INT32_MIN) return false;
  out = static_cast<int32_t>(v);
  return true;
}

bool ParseTagColor(std::string_view s, int32_t& out) {
  if (s.size() < 2 || s.size() > 9 || s[0] != '#') return false;
  uint32_t v = 0;
  for (size_t i = 1; i < s.size(); ++i) {
    const char c = s[i];
    uint32_t d;
    if (c >= '0' && c <= '9') {
      d = static_cast<uint32_t>(c - '0');
    } else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') {
      d = static_cast<uint32_t>((c | 0x20) - 'a' + 10);
    } else {
      return false;
    }
    v = v << 4 | d;
  }
  out = static_cast<int32_t>((v & 0xFF) << 16 | (v & 0xFF00) | ((v >> 16) & 0xFF));
  return true;
}

void ParseTagText(std::string_view text, int32_t defaultWait, TTagGlyphList& out) {
  out.clear();
  TTagActions actions(defaultWait, out);
  for (const TTagToken& token : TokenizeTags(text)) actions.Act(TTag(token.Text, token.IsTag));
}

void ParseTags(const std::vector<std::string>& lines, int32_t defaultWait, TTagGlyphList& out) {
  std::string joined;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) joined += '\r';
    joined += lines[i];
  }
  ParseTagText(joined, defaultWait, out);
}

std::string JoinLinesWithCr(std::string_view text) {
  std::string joined;
  joined.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    joined += text[i] == '\n' ? '\r' : text[i];
  }
  return joined;
}

}  // namespace opal
