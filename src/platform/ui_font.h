// TUiFont: text for the player's own controls (the toolbar, the settings
// dialog): one face at one pixel height, anti-aliased, drawn into a
// 32-bit pixel buffer. Face names of the Japanese system fonts
// resolve to the IPA faces by table, other names by an exact fontconfig
// family match, never by fontconfig's nearest match (which may pick a face
// without Japanese glyphs).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/font_backend.h"

namespace opal {

class TCustomDIBX;

// FontFileOfFace (the face table and lookup) lives in font_backend.h.

class TUiFont {
 public:
  // Null when the face cannot be found or loaded.
  static std::unique_ptr<TUiFont> Open(const std::string& cp932FaceName, int32_t pixelHeight);
  ~TUiFont();
  TUiFont(const TUiFont&) = delete;
  TUiFont& operator=(const TUiFont&) = delete;

  // Width in pixels of a CP932 text as DrawText would draw it.
  int32_t TextWidth(const std::string& cp932) const;
  // Draws a CP932 text with its top-left at (x, y) in 0x00RRGGBB colour,
  // clipped to the buffer. A '&' marks the next character as an access key
  // (underlined); "&&" draws one '&'.
  void DrawText(TCustomDIBX& buffer, int32_t x, int32_t y, const std::string& cp932, uint32_t rgb) const;
  int32_t Height() const { return Height_; }

 private:
  TUiFont() = default;
  struct TFace;
  std::unique_ptr<TFace> Face_;
  int32_t Height_ = 0, Ascent_ = 0;
};

}  // namespace opal
