// The flat glyph list that parsing message text yields: character glyphs
// with the style in force where they stand, and the operator glyphs (line
// breaks, alignment, indentation, events, variables, inline images). The
// layout engine turns each record into its glyph object. Kinds carry the
// numbers of the glyph stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace opal {

enum class TGlyphKind : uint8_t {
  Char = 1,    // TWdChar
  Align = 2,   // TWdOpeAlign
  Return = 3,  // TWdOpeReturn
  Indent = 4,  // TWdOpeIndent
  Undent = 5,  // TWdOpeUndent
  Event = 6,   // TWdOpeEvent
  Var = 7,     // TWdOpeVar
  Image = 9,   // TWdImg
};

// Alignment codes shared with the layout engine.
enum TAlignCode : uint8_t {
  alNone = 0, alLeft = 1, alRight = 2, alCenter = 3, alTop = 4, alBottom = 5,
};

// Style bits.
enum TStyleBit : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// One combination of character style, shared by every glyph that carries it
// (a parse makes a new record only when a tag changes the style). Strings
// are shared too, so a long face name or ruby text costs its bytes once.
struct TCharStyle {
  int32_t Color = -1;         // 0x00BBGGRR, −1 the window's colour
  int32_t OutlineColor = -1;  // −1 the window's
  int32_t ShadowColor = -1;   // −1 the window's
  int32_t Size = 0;           // 0 the window's default size
  uint8_t Style = 0;          // TStyleBit
  bool NoBreak = false;
  int32_t OutlineWidth = -1;  // −1 the window's default
  int32_t ShadowWidth = -1;   // −1 the window's default
  std::shared_ptr<const std::string> FaceName;  // null or "" the default face
  std::shared_ptr<const std::string> Ruby;      // null or "" none

  const std::string& Face() const;
  const std::string& RubyText() const;
  // Field by field, strings by content.
  bool operator==(const TCharStyle& other) const;
};

struct TTagGlyph {
  TGlyphKind Kind = TGlyphKind::Char;
  uint16_t Code = 0;      // Char: byte, or lead × 256 + trail
  uint8_t Align = alNone;  // Align: 1..3; Image: 3..5
  bool Clear = false;     // Return: ends the page
  // Event: its text (a leading character 1 marks one that holds the
  // display); Var: the expression text; Image: the file name.
  std::string Text;
  // Char, Var and Image (an image carries only NoBreak and Ruby).
  std::shared_ptr<const TCharStyle> Style;
  std::shared_ptr<const std::string> Link;  // Char, Var, Image; null or "" none
  int32_t Wait = 0;                         // Char, Var, Image

  const std::string& LinkTarget() const;
  bool Holds() const { return Kind == TGlyphKind::Event && !Text.empty() && Text[0] == '\1'; }
};

using TTagGlyphList = std::vector<TTagGlyph>;

// A readable dump, one token per glyph, runs of characters with the same
// style, link and wait merged and written in UTF-8: "ab"{b=1}, <br clear>,
// <align 3>, <event "x">, <var "n">{...}, <img "f" 5>{...}. Attributes that
// hold their base value (wait: `baseWait`) are left out.
std::string DumpGlyphs(const TTagGlyphList& glyphs, int32_t baseWait = 50);

}  // namespace opal
