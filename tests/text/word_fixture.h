// A word over synthetic glyphs, fed UTF-8 markup, and a layout dump of its
// pages that the tests compare with tables worked out by hand.
#pragma once

#include <memory>
#include <sstream>
#include <string>

#include "common/cp932.h"
#include "platform/font_backend.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace opal::testing {

struct TWordFixture {
  TFakeFontBackend Backend;
  TFontPixelManager Fonts{Backend};
  TSkWord Word{Fonts};
  TWdPageList Pages;

  TWordFixture() { Word.DefaultFace = "Fake"; }

  // Parses UTF-8 markup and lays it all out.
  void Lay(const std::string& utf8Markup) {
    Pages.clear();
    Word.Parse(cp932::FromUtf8(utf8Markup));
    Word.Layout(Pages, 0, -1);
  }

  // "p r: glyph@x,y ..." per row; a glyph is its character in UTF-8, '_'
  // for a blank, '/' for a line break, 'E' for an event, 'I' for a picture.
  // Positions are the glyphs' places in the text area.
  std::string Dump() const {
    std::ostringstream out;
    for (size_t p = 0; p < Pages.size(); ++p)
      for (size_t r = 0; r < Pages[p]->Count(); ++r) {
        const TWdRow& row = *Pages[p]->Row(r);
        out << p << ' ' << r << " y" << row.Y << " h" << row.Height << ':';
        for (size_t i = 0; i < row.Count(); ++i) {
          const TWdGlyph& g = *row.Item(i);
          std::string name;
          switch (g.Kind()) {
            case wkChar: name = cp932::ToUtf8(g.CharText()); break;
            case wkReturn: name = "/"; break;
            case wkEvent: name = "E"; break;
            case wkImage: name = "I"; break;
            default: name = dynamic_cast<const TWdSpace*>(&g) != nullptr ? "_" : "?"; break;
          }
          out << ' ' << name << '@' << g.AbsX() << ',' << g.AbsY();
        }
        out << '\n';
      }
    return out.str();
  }
};

}  // namespace opal::testing
