// TSkWord: the text engine of message windows and the history. It owns a
// glyph list (parsed from tagged text or read from a glyph stream), lays it
// out into pages of rows with Japanese line breaking, renders a page into
// off-screen colour and coverage buffers, and draws each glyph onto a
// target with its own opacity, so that text appears character by character.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "raster/dibx.h"
#include "raster/rect.h"
#include "text/decorate.h"
#include "text/tag_glyph.h"
#include "text/wd_glyph.h"

namespace opal {

class TFontPixelManager;
class TStream;

// A picture shown inline: its frames, each with an optional mask.
struct TWordPicture {
  struct Frame {
    std::shared_ptr<TCustomDIBX> Pixels;
    std::shared_ptr<TCustomDIBX> Mask;  // null: drawn with its key
    bool UseKey = false;
    int32_t Time = 0;  // display time, in the frame's elapsed-time units
  };
  std::vector<Frame> Frames;
};

// What a word asks of the game around it. The defaults find no pictures
// and evaluate nothing.
class TWordHost {
 public:
  virtual ~TWordHost() = default;
  // The string value of an expression's source text; nothing when it does
  // not compile or evaluate.
  virtual std::optional<std::string> EvaluateText(const std::string& /*source*/) { return std::nullopt; }
  // The same for a compiled expression read from an old glyph stream.
  virtual std::optional<std::string> EvaluateCompiled(const std::string& /*compiled*/) {
    return std::nullopt;
  }
  // A picture among the game data; null when there is no such file.
  virtual std::shared_ptr<const TWordPicture> LoadPicture(const std::string& /*file*/) {
    return nullptr;
  }
};

// Result of one reveal frame.
struct TRevealResult {
  bool Finished = false;  // reported once, in the frame the page completed
  bool More = false;      // whether anything remains to show
  std::string Revealed;   // plain text of the glyphs revealed this frame
};

class TSkWord {
 public:
  static const char kDefaultFace[];  // "ＭＳ ゴシック"

  // The glyph cache must outlive the word.
  explicit TSkWord(TFontPixelManager& fonts, TWordHost* host = nullptr);
  ~TSkWord();
  TSkWord(const TSkWord&) = delete;
  TSkWord& operator=(const TSkWord&) = delete;

  // Settings.
  int32_t OriginX = 0, OriginY = 0;
  int32_t DefaultSize = 12;
  std::string DefaultFace = kDefaultFace;
  int32_t DefaultColor = 0;
  int32_t ViewHeight = 0;
  int32_t TextWidth = 0;
  int32_t Quality = 3;
  int32_t LineSpacing = 0;
  bool Paging = true;
  int32_t LinkColor = 0xFF0000;
  int32_t ActiveLinkColor = 0x008000;
  int32_t FadeTime = 1;
  int32_t OutlineColor = 0x808080;
  int32_t BlendValue = 255;
  bool Hold = false;
  int32_t CaretX = 0, CaretY = 0, CaretHeight = 0;
  int32_t Speed = 0;
  bool EventsEnabled = false;
  int32_t ShadowColor = 0;
  int32_t DefaultOutline = 0, DefaultShadow = 0;
  // Depth of the page colour buffer (the screen's; 32 without a screen).
  int32_t Depth = 32;

  // Called for each event text a reveal dispatches.
  std::function<void(TSkWord&, const std::string&)> OnEvent;
  // Called with each area of the target that drawing changed.
  std::function<void(const TRect&)> OnInvalidate;

  // The glyph list.
  size_t GlyphCount() const { return Glyphs_.size(); }
  TWdGlyph* Glyph(size_t i) const { return Glyphs_[i].get(); }
  int32_t IndexOf(const TWdGlyph* g) const;
  void Insert(size_t at, TWdGlyphPtr g);
  void Delete(size_t at);
  TDecorateList& Decorations() { return Decorations_; }
  TFontPixelManager& Fonts() { return Fonts_; }
  TWordHost* Host() const { return Host_; }
  // name=value strings that replace evaluating VAR (a replayed history
  // entry); CR is stored as character 1.
  std::vector<std::string> FixedValues;
  int32_t DecorationBase = 0;
  // The character wait a parse starts from (the game's text delay).
  int32_t DefaultWait = 50;

  // A style's effective values: cell size (the default for 0), outline and
  // shadow widths (the defaults for negative ones), all clamped to what the
  // glyph cache draws.
  int32_t CellSize(const TDecorate& d) const;
  int32_t OutlineOf(const TDecorate& d) const;
  int32_t ShadowOf(const TDecorate& d) const;
  // The text colour of a glyph as it renders now (0x00BBGGRR).
  int32_t TextColourOf(const TWdGlyph& g) const;
  // The value text of a variable glyph: a fixed value named by its
  // expression, else its evaluation; nothing when that fails.
  std::optional<std::string> VariableValue(const TWdOpeVar& v) const;

  // Clears the glyph list and parses tagged CP932 text into it.
  void Parse(const std::string& text);
  // Appends glyphs made from a parsed glyph list.
  void AddGlyphs(const TTagGlyphList& glyphs);
  void ExpandVars(int32_t first, int32_t last);
  void CollapseVars(int32_t first, int32_t last);
  // Lays glyphs first..last (last < 0: to the end) out into new pages
  // appended to `pages`.
  void Layout(TWdPageList& pages, int32_t first, int32_t last);

  void RenderPage(TWdPage& page, bool resetOpacity);
  void DrawPage(TWdPage& page);
  TRevealResult RevealStep(TWdPage& page, int32_t elapsed);
  void HoverAt(TWdPage& page, int32_t x, int32_t y);
  // The fully shown glyph at a target point, or null.
  TWdGlyph* HitTest(TWdPage& page, int32_t x, int32_t y);

  // Glyph streams: reads one into the glyph list (appending).
  void LoadGlyphs(TStream& s);
  void SaveGlyphs(TStream& s) const;
  // The records SaveGlyphs writes: the glyphs that stand for source text and
  // the styles they use, in list order.
  TGlyphStream ToGlyphStream() const;
  void CopyGlyphs(const TSkWord& other, int32_t first, int32_t last);
  void SaveSettings(TStream& s) const;
  void LoadSettings(TStream& s, int32_t version);
  void WritePageState(const TWdPage& page, TStream& s) const;
  void ReadPageState(TWdPage& page, TStream& s);
  // While a stream is read: the record of a decoration index of that
  // stream, its count raised; EFormatError outside the stream's records.
  TDecorate* StreamDecoration(int32_t index);
  // While a stream is written: the index its decoration block gives a
  // record (else its index in the list).
  int32_t StreamIndexOf(const TDecorate* d) const;

  int32_t SourceToGlyph(int32_t n) const;
  int32_t GlyphToSource(const TWdGlyph* g) const;
  void StartAnimations();
  void StopAnimations();
  // Frees all glyphs, the decorations, the fixed values and the base.
  void Clear();

  // Render targets.
  TCustomDIBX* Target = nullptr;  // not owned
  TRect VisibleRect{0, 0, 0, 0};  // rows outside it are not drawn
  TDIBX& PageColour() { return PageColour_; }
  TDIBX& PageCoverage() { return PageCoverage_; }
  TDIBX& Spare() { return Spare_; }
  // A rectangle of the text area (relative to the origin) in target
  // coordinates, computed in 64 bits and cut to 32 (origins and sizes
  // come from scripts and saved games).
  TRect ToTarget(int64_t left, int64_t top, int64_t width, int64_t height) const;
  // Link rectangles of the current page (target coordinates).
  std::vector<TRect> LinkRects;

 private:
  TFontPixelManager& Fonts_;
  TWordHost* Host_;
  std::vector<TWdGlyphPtr> Glyphs_;
  TDecorateList Decorations_;
  std::vector<TDecorate*> StreamRecords_;            // of the stream being read
  mutable std::map<const TDecorate*, int32_t> StreamIndex_;  // of the stream being written
  TDIBX PageColour_, PageCoverage_, Spare_;
};

}  // namespace opal
