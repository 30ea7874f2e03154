#include <gtest/gtest.h>

#include <string>

#include "common/cp932.h"
#include "common/error.h"
#include "platform/input_script.h"
#include "platform/virtual_keys.h"

namespace opal {
namespace {

TEST(InputScript, InstructionsBecomeEventsAtTheirFrames) {
  const TInputScript s = TInputScript::Parse(
      "# comment\n"
      "3 move 10 -20\n"
      "3 click right 5 6   # pressed now, released at frame 4\n"
      "7 key Enter\n"
      "7 keydown 0x41\n"
      "9 wheel up\n"
      "9 focus out\n"
      "answer yes\n"
      "answer cancel\n"
      "12 close\n");
  const auto f3 = s.EventsAt(3);
  ASSERT_EQ(f3.size(), 3u);
  EXPECT_EQ(f3[0].Kind, TInputKind::MouseMove);
  EXPECT_EQ(f3[0].Y, -20);
  EXPECT_EQ(f3[2].Kind, TInputKind::MouseDown);
  EXPECT_EQ(f3[2].Button, TPointerButton::Right);
  ASSERT_EQ(s.EventsAt(4).size(), 1u);
  EXPECT_EQ(s.EventsAt(4)[0].Kind, TInputKind::MouseUp);
  const auto f7 = s.EventsAt(7);
  ASSERT_EQ(f7.size(), 2u);
  EXPECT_EQ(f7[0].Key, 13);
  EXPECT_EQ(f7[1].Key, 0x41);
  EXPECT_EQ(s.EventsAt(8)[0].Kind, TInputKind::KeyUp);
  EXPECT_EQ(s.EventsAt(9)[1].Kind, TInputKind::FocusOut);
  EXPECT_EQ(s.EventsAt(12)[0].Kind, TInputKind::Close);
  EXPECT_EQ(s.LastFrame(), 12);
  EXPECT_EQ(s.Answers, (std::deque<TMsgAnswer>{TMsgAnswer::Yes, TMsgAnswer::Cancel}));
}

TEST(InputScript, BadLinesAreNamed) {
  for (const char* text : {"0 move 1 2", "x move 1 2", "5 move 1", "5 down up", "5 key 256", "5 key Nope",
                           "5 wheel sideways", "5 focus", "5 jump", "answer maybe", "5 move 1 999999"}) {
    try {
      TInputScript::Parse(std::string("# first\n") + text + "\n");
      ADD_FAILURE() << text;
    } catch (const EFormatError& e) {
      EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
  }
}

TEST(VirtualKeys, NamesAndNumbers) {
  struct TCase {
    const char* name;
    int32_t code;
  };
  for (const TCase& c : {TCase{"enter", 0x0D}, TCase{"Space", 0x20}, TCase{"ESC", 0x1B}, TCase{"a", 0x41},
                         TCase{"7", 0x37}, TCase{"F12", 0x7B}, TCase{"Num5", 0x65}, TCase{"13", 13},
                         TCase{"0xE2", 0xE2}, TCase{"F25", -1}, TCase{"300", -1}}) {
    EXPECT_EQ(VirtualKeyByName(c.name), c.code) << c.name;
  }
  for (int code = 0; code < 256; ++code) {
    EXPECT_EQ(VirtualKeyByName(VirtualKeyName(code)), code) << VirtualKeyName(code);
  }
}

}  // namespace
}  // namespace opal

namespace opal {
namespace {

// Quoted texts: the file is UTF-8, the events carry CP932.
TEST(InputScript, TextAndCompositionInQuotes) {
  struct TCase {
    const char* line;
    TInputKind kind;
    const char* utf8;  // the event's text, as UTF-8
    int32_t cursor, length;
  };
  for (const TCase& c : {
           TCase{"4 text \"abc\"", TInputKind::Text, "abc", 0, 0},
           TCase{"4 text \"日本語\"", TInputKind::Text, "日本語", 0, 0},
           TCase{"4 text \"a b\t# c\"  # the comment starts here", TInputKind::Text, "a b\t# c", 0, 0},
           TCase{"4 text \"say \\\"hi\\\" \\\\\"", TInputKind::Text, "say \"hi\" \\", 0, 0},
           TCase{"4 text \"x\"# at once", TInputKind::Text, "x", 0, 0},
           TCase{"4 compose \"にほん\" 3 0", TInputKind::Compose, "にほん", 3, 0},
           TCase{"4 compose \"日本\" 0 2", TInputKind::Compose, "日本", 0, 2},
           TCase{"4 compose \"aに\" 1 1", TInputKind::Compose, "aに", 1, 1},
           TCase{"4 compose \"\" 0 0", TInputKind::Compose, "", 0, 0},
       }) {
    const TInputScript s = TInputScript::Parse(std::string(c.line) + "\r\n");
    const auto events = s.EventsAt(4);
    ASSERT_EQ(events.size(), 1u) << c.line;
    EXPECT_EQ(events[0].Kind, c.kind) << c.line;
    EXPECT_EQ(events[0].Text, cp932::FromUtf8(c.utf8)) << c.line;
    EXPECT_EQ(events[0].Cursor, c.cursor) << c.line;
    EXPECT_EQ(events[0].SelLength, c.length) << c.line;
    EXPECT_TRUE(s.EventsAt(5).empty()) << c.line;
  }
}

TEST(InputScript, BadTextsAreNamed) {
  for (const char* text : {
           "5 text abc",                // not quoted
           "5 text \"abc",              // no closing quote
           "5 text \"a\\nb\"",          // a backslash before n
           "5 text \"a\"b",             // no blank after the closing quote
           "5 text a\"b\"",             // a quote inside a word
           "5 text \"\"",               // nothing to commit
           "5 text \"😀\"",             // no CP932 form
           "5 text \"\xE6\x97\"",       // not UTF-8
           "5 text \"a\" \"b\"",        // one text only
           "5 compose \"ab\" 3 0",      // the cursor past the end
           "5 compose \"ab\" 1 2",      // the selection past the end
           "5 compose \"ab\" -1 0",
           "5 compose \"ab\" 0",
           "5 \"move\" 1 2",            // names and numbers are not quoted
           "5 move \"1\" 2",
           "\"5\" close",
           "answer \"yes\"",
       }) {
    try {
      TInputScript::Parse(std::string("# first\n") + text + "\n");
      ADD_FAILURE() << text;
    } catch (const EFormatError& e) {
      EXPECT_NE(std::string(e.what()).find("line 2"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace opal
