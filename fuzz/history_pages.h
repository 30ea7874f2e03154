// The scenario pages the history fuzz targets and their seed generator
// share: messages with styles, variables, pictures, links, events and
// several pages, compiled by a word over synthetic glyphs into a memory
// store under the names "a.osb" and "b.osb".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "history/message_store.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace opal::fuzzing {

inline std::string CompileForHistory(TFontPixelManager& fonts, const std::string& utf8) {
  TSkWord w(fonts);
  w.Parse(cp932::FromUtf8(utf8));
  TMemoryStream s;
  w.SaveGlyphs(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

inline void FillHistoryStore(TOpalMemoryMessageStore& store, TFontPixelManager& fonts) {
  store.AddPage("a.osb",
                {CompileForHistory(fonts, "あい<B>う</B><VAR NAME=$a>え<CLEAR>お<RUBY VALUE=\"か\">き</RUBY>"),
                 std::nullopt, CompileForHistory(fonts, "<FONT SIZE=30>大</FONT><BR>小<A HREF=\"x\">link</A>"),
                 CompileForHistory(fonts, "<EVENT VALUE=\"e\">w<IMG SRC=p.png><INDENT>in<UNDENT><BR><CLEAR>z")},
                true);
  store.AddPage("b.osb", {CompileForHistory(fonts, "one<BR>two<BR>three<CLEAR>four"), std::string("damaged")});
}

}  // namespace opal::fuzzing
