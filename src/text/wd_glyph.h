// The glyphs of a word: visible characters and pictures, the operators
// that steer layout (line breaks, alignment, indentation), events and
// variables, and the composites the layout builds of them (rows and pages).
// The word owns its glyph list; rows hold the glyphs they show without
// owning them, except the blanks they adopt, and pages own their rows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/rect.h"
#include "text/decorate.h"
#include "text/glyph_stream.h"

namespace opal {

class TSkWord;
class TWdComposite;
class TWdPage;
struct TWordPicture;

class TWdGlyph {
 public:
  explicit TWdGlyph(TSkWord& owner) : Owner(owner) {}
  virtual ~TWdGlyph() = default;
  TWdGlyph(const TWdGlyph&) = delete;
  TWdGlyph& operator=(const TWdGlyph&) = delete;

  TSkWord& Owner;
  int32_t X = 0, Y = 0;  // inside the parent (row: offset in the row)
  int32_t Width = 0, Height = 0;
  TWdComposite* Parent = nullptr;
  int32_t IndexInParent = -1;  // where Parent holds it, so neighbours are found at once

  virtual TWdKind Kind() const { return wkNone; }
  TWdPage* OwnerPage() const;
  // Position relative to the word's origin.
  int32_t AbsX() const;
  int32_t AbsY() const;

  // Style; glyphs without one answer null and ignore changes.
  virtual TDecorate* Decorate() const { return nullptr; }
  virtual uint16_t Code() const { return 0; }
  // The character as one or two CP932 bytes; composites concatenate.
  virtual std::string CharText() const { return {}; }
  // The text a reveal reports (a character; "*" for a picture).
  virtual std::string PlainText() const { return {}; }
  // Picture file, event text or expression text.
  virtual std::string Text() const { return {}; }
  virtual const std::string& LinkTarget() const;
  virtual int32_t Wait() const { return 0; }  // an event answers its hold flag
  virtual bool ClearFlag() const { return false; }
  virtual int32_t Alignment() const { return 0; }
  virtual int32_t Opacity() const { return 255; }
  virtual void SetOpacity(int32_t) {}
  virtual bool Active() const { return false; }
  virtual void SetActive(bool) {}
  // 1 for glyphs that stand for source text, 0 for those a variable made.
  virtual int32_t SourceCount() const { return 1; }

  virtual void Measure() {}
  // Into the word's page buffers.
  virtual void Render() {}
  virtual void ClearArea() {}
  // Onto the word's target.
  virtual void Draw() {}
  virtual void Invalidate() {}
  virtual bool IsAnimated() const { return false; }
  virtual void Animate(int32_t /*elapsed*/) {}
  virtual void StartAnimation() {}
  virtual void StopAnimation() {}

  // Variables insert their value's glyphs after themselves and remove them.
  virtual void Expand() {}
  virtual void Collapse() {}

  // Copies the data of a glyph of the same class (possibly another word's).
  virtual void AssignGlyph(const TWdGlyph& /*from*/) {}
  // The kind's fields in a glyph stream record (the kind is set by the
  // caller). A record's decoration index is the one of the stream being
  // written or read (TSkWord::StreamIndexOf, StreamDecoration).
  virtual void ToRecord(TGlyphRecord& /*r*/) const {}
  virtual void FromRecord(const TGlyphRecord& /*r*/) {}
};

using TWdGlyphPtr = std::unique_ptr<TWdGlyph>;

class TWdComposite : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  ~TWdComposite() override;

  size_t Count() const { return Items_.size(); }
  TWdGlyph* Item(size_t i) const { return Items_[i]; }
  int32_t IndexOf(const TWdGlyph* g) const;
  TWdGlyph* First() const { return Items_.empty() ? nullptr : Items_.front(); }
  TWdGlyph* Last() const { return Items_.empty() ? nullptr : Items_.back(); }
  // A child shown here and owned elsewhere.
  void Add(TWdGlyph* g);
  // A child this composite frees.
  void Adopt(TWdGlyphPtr g);
  // Frees the children it adopted and forgets the others.
  void Reset();
  std::string CharText() const override;

 protected:
  std::vector<TWdGlyph*> Items_;
  std::vector<TWdGlyphPtr> Owned_;
};

class TWdRow : public TWdComposite {
 public:
  using TWdComposite::TWdComposite;
  int32_t Align = 1;  // 1 left, 2 right, 3 centre
  int32_t LeftBound = 0, RightBound = 0;
  int32_t RowWidth = 0;  // laid-out width so far (the blank included)
  int32_t TextHeight = 0, SpaceAbove = 0, SpaceBelow = 0;
  int32_t Alignment() const override { return Align; }
};

class TWdReal;

class TWdPage : public TWdComposite {
 public:
  using TWdComposite::TWdComposite;
  ~TWdPage() override;
  TWdRow* Row(size_t i) const { return static_cast<TWdRow*>(Items_[i]); }
  void AdoptRow(std::unique_ptr<TWdRow> row);
  // Frees the last row (the layout's roll-back).
  void RemoveLastRow();
  // Hands out every row the page owns, in order, and leaves it empty; the
  // rows keep their glyphs, so another page can adopt them.
  std::vector<std::unique_ptr<TWdRow>> TakeRows();

  // Reveal state.
  int32_t NextRow = 0, NextGlyph = 0;
  int32_t WaitAcc = 0, FadeAcc = 0;
  std::vector<TWdReal*> Fading, Animated;
  std::string PendingEvents;
  bool EventDispatched = false;
  bool Finished = false;
  bool FinishedReported = false;
  int32_t ScrollOffset = 0;
  int32_t SkipCount = 1;
  // Caret to (0, 0), lists cleared, not finished.
  void ResetReveal();
};

using TWdPageList = std::vector<std::unique_ptr<TWdPage>>;

class TWdReal : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  std::string Link;
  int32_t WaitValue = 0;
  const std::string& LinkTarget() const override { return Link; }
  int32_t Wait() const override { return WaitValue; }
  int32_t Opacity() const override { return Opacity_; }
  void SetOpacity(int32_t o) override { Opacity_ = o < 0 ? 0 : o > 255 ? 255 : o; }
  bool Active() const override { return Active_; }
  void SetActive(bool a) override { Active_ = a; }
  TRect Rendered{};  // area the glyph touched in the page buffers
  void AssignGlyph(const TWdGlyph& from) override;
  void ToRecord(TGlyphRecord& r) const override;
  void FromRecord(const TGlyphRecord& r) override;

 protected:
  int32_t Opacity_ = 255;
  bool Active_ = false;
};

class TWdChar : public TWdReal {
 public:
  // The style starts as the list's record of a new character.
  explicit TWdChar(TSkWord& owner);
  ~TWdChar() override;
  uint16_t CodeValue = 0;
  TDecorate* Decor = nullptr;

  TWdKind Kind() const override { return wkChar; }
  TDecorate* Decorate() const override { return Decor; }
  // Moves this character to the record of `style`.
  void SetDecorate(const TDecorate& style);
  uint16_t Code() const override { return CodeValue; }
  std::string CharText() const override;
  std::string PlainText() const override { return CharText(); }
  void Measure() override;
  void Render() override;
  void ClearArea() override;
  void Draw() override;
  void Invalidate() override;
  void AssignGlyph(const TWdGlyph& from) override;
  void ToRecord(TGlyphRecord& r) const override;
  void FromRecord(const TGlyphRecord& r) override;
};

class TWdVarChar : public TWdChar {
 public:
  using TWdChar::TWdChar;
  int32_t SourceCount() const override { return 0; }
};

class TWdImg : public TWdReal {
 public:
  using TWdReal::TWdReal;
  std::string FileName;
  int32_t ImgAlign = 3;  // 3 centre, 4 top, 5 bottom; 1, 2 float left/right
  std::shared_ptr<const TWordPicture> Picture;  // null when not found
  int32_t Frame = 0, FrameTime = 0;
  bool Animating = false;

  TWdKind Kind() const override { return wkImage; }
  std::string Text() const override { return FileName; }
  std::string PlainText() const override { return "*"; }
  int32_t Alignment() const override { return ImgAlign; }
  void Measure() override;
  void Draw() override;
  void Invalidate() override;
  bool IsAnimated() const override;
  void Animate(int32_t elapsed) override;
  void StartAnimation() override { Animating = true; }
  void StopAnimation() override { Animating = false; }
  void AssignGlyph(const TWdGlyph& from) override;
  void ToRecord(TGlyphRecord& r) const override;
  void FromRecord(const TGlyphRecord& r) override;
};

class TWdSpace : public TWdGlyph {
 public:
  TWdSpace(TSkWord& owner, int32_t width) : TWdGlyph(owner) { Width = width; }
  int32_t SourceCount() const override { return 0; }
};

class TWdOpeReturn : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  bool Clear = false;
  TWdKind Kind() const override { return wkReturn; }
  bool ClearFlag() const override { return Clear; }
  // The word's default size when alone in its row, else 0.
  void Measure() override;
  void AssignGlyph(const TWdGlyph& from) override;
  void ToRecord(TGlyphRecord& r) const override;
  void FromRecord(const TGlyphRecord& r) override;
};

class TWdVarReturn : public TWdOpeReturn {
 public:
  using TWdOpeReturn::TWdOpeReturn;
  bool ClearFlag() const override { return false; }
  int32_t SourceCount() const override { return 0; }
};

class TWdOpeAlign : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  int32_t Code_ = 1;
  TWdKind Kind() const override { return wkAlign; }
  int32_t Alignment() const override { return Code_; }
  void AssignGlyph(const TWdGlyph& from) override;
  void ToRecord(TGlyphRecord& r) const override;
  void FromRecord(const TGlyphRecord& r) override;
};

class TWdOpeIndent : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  TWdKind Kind() const override { return wkIndent; }
};

class TWdOpeUndent : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  TWdKind Kind() const override { return wkUndent; }
};

class TWdOpeEvent : public TWdGlyph {
 public:
  using TWdGlyph::TWdGlyph;
  std::string EventText;
  bool HoldFlag = false;  // END
  TWdKind Kind() const override { return wkEvent; }
  std::string Text() const override { return EventText; }
  int32_t Wait() const override { return HoldFlag ? 1 : 0; }
  void AssignGlyph(const TWdGlyph& from) override;
  void ToRecord(TGlyphRecord& r) const override;
  void FromRecord(const TGlyphRecord& r) override;
};

class TWdOpeVar : public TWdGlyph {
 public:
  explicit TWdOpeVar(TSkWord& owner);
  ~TWdOpeVar() override;
  std::string Expression;  // source text
  std::string Compiled;    // compiled form read from an old stream
  TDecorate* Decor = nullptr;
  std::string Link;
  int32_t WaitValue = 0;
  std::vector<TWdGlyph*> Inserted;  // owned by the word's list

  TWdKind Kind() const override { return wkVar; }
  TDecorate* Decorate() const override { return Decor; }
  void SetDecorate(const TDecorate& style);
  std::string Text() const override { return Expression; }
  const std::string& LinkTarget() const override { return Link; }
  int32_t Wait() const override { return WaitValue; }
  void Expand() override;
  void Collapse() override;
  // The glyphs of the value, not yet in the list (they are counted as
  // inserted); none when the value cannot be had.
  std::vector<TWdGlyphPtr> ValueGlyphs();
  void AssignGlyph(const TWdGlyph& from) override;
  void ToRecord(TGlyphRecord& r) const override;
  void FromRecord(const TGlyphRecord& r) override;
};

}  // namespace opal
