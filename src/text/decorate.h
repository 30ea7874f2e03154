// TDecorate: one combination of character style shared by every character
// of a word that carries it, with a count of its users; TDecorateList holds
// each distinct combination once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace opal {

struct TDecorate {
  int32_t RefCount = 0;
  int32_t Color = -1;         // 0x00BBGGRR; −1 the word's colour
  int32_t OutlineColor = -1;  // −1 the word's
  int32_t ShadowColor = -1;   // −1 the word's
  int32_t Size = 0;           // 0 the word's default size
  uint8_t Style = 0;          // 1 bold, 2 italic, 4 underline, 8 strikeout
  std::string FaceName;       // "" the word's default face
  uint8_t NoBreak = 0;
  std::string Ruby;
  int32_t OutlineWidth = 0;  // negative: the word's default
  int32_t ShadowWidth = 0;   // negative: the word's default

  // Every field but the count; strings case-sensitively.
  bool SameStyle(const TDecorate& other) const;
};

class TDecorateList {
 public:
  size_t Count() const { return Items_.size(); }
  TDecorate* Item(size_t i) const { return Items_[i].get(); }
  int32_t IndexOf(const TDecorate* d) const;  // −1 when not held

  // The record of a style, its count raised: an existing one with the same
  // style, or a new one with count 1.
  TDecorate* Acquire(const TDecorate& style);
  // Lowers the count; a record no longer used is freed.
  void Release(TDecorate* d);
  // Moves one user from `old` to the record of `style`: an existing record
  // with that style; else `old` itself changed in place when it is used by
  // this user only; else a new record. Returns the record now used.
  TDecorate* Change(TDecorate* old, const TDecorate& style);
  // Appends a record as read from a stream (its count as given; counts
  // are recomputed by the reader once the glyphs are read).
  TDecorate* Append(const TDecorate& record);
  // Frees records whose count is 0 (after a reader recomputed the counts).
  void Prune();
  void Clear() { Items_.clear(); }

 private:
  std::vector<std::unique_ptr<TDecorate>> Items_;
};

}  // namespace opal
