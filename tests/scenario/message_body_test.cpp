// Messages compile to the text engine's glyph streams and read back as the
// markup that made them.
#include <gtest/gtest.h>

#include "common/cp932.h"
#include "common/error.h"
#include "platform/font_backend.h"
#include "scenario/message_body.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace opal {
namespace {

TEST(MessageBody, CompilesToAGlyphStreamOfTheMarkup) {
  const std::string text = cp932::FromUtf8("<B>あ</B><BR>\n<A HREF=\"x\">b</A>");
  const std::string bytes = CompileMessage(text);
  ASSERT_EQ(bytes.substr(0, 9), "SkWord110");
  TFakeFontBackend backend;
  TFontPixelManager fonts(backend);
  TSkWord word(fonts);
  TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  word.LoadGlyphs(s);
  ASSERT_EQ(word.GlyphCount(), 3u);
  EXPECT_EQ(word.Glyph(0)->Code(), 0x82A0);
  EXPECT_EQ(word.Glyph(0)->Decorate()->Style, 1);
  EXPECT_EQ(word.Glyph(0)->Wait(), 50);
  EXPECT_EQ(word.Glyph(1)->Kind(), wkReturn);
  EXPECT_EQ(word.Glyph(2)->LinkTarget(), "x");
  // Styles stay open over line breaks.
  EXPECT_EQ(DecompileMessage(bytes), cp932::FromUtf8("<B>あ<BR>\n</B><A HREF=\"x\">b</A>"));
}

TEST(MessageBody, LineEndsAreSpacesAndOtherStreamsHaveNoText) {
  // As in the markup, a line end inside running text is a space.
  EXPECT_EQ(DecompileMessage(CompileMessage("a\r\nb")), "a b");
  EXPECT_EQ(CompileMessage(""), "");
  EXPECT_EQ(DecompileMessage(""), "");
  std::string bytes = CompileMessage("ab");
  EXPECT_FALSE(DecompileMessage(bytes.substr(0, bytes.size() - 1)));  // cut short
  EXPECT_FALSE(DecompileMessage(bytes + "x"));                         // trailing bytes
  EXPECT_THROW(CompileMessage("<A>x</A>"), EFormatError);
}

}  // namespace
}  // namespace opal
