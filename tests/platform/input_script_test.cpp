#include <gtest/gtest.h>

#include <string>

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
