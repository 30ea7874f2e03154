#include "common/cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace opal::cp932 {
namespace {

using namespace std::string_literals;

std::string Bytes(unsigned code) {
  std::string s;
  if (code >= 0x100) s.push_back(static_cast<char>(code >> 8));
  s.push_back(static_cast<char>(code & 0xFF));
  return s;
}

unsigned Code(const std::string& s) {
  unsigned code = 0;
  for (char c : s) code = code << 8 | static_cast<uint8_t>(c);
  return code;
}

// Written here rather than borrowed from the code under test.
std::string Utf8(char32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | cp >> 6);
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | cp >> 12);
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | cp >> 18);
    s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

// Where several codes decode to one code point, the one written back comes
// from the earliest block in this order.
int Preference(unsigned code) {
  const unsigned lead = code >> 8;
  if (lead == 0x87) return 1;                  // NEC special characters
  if (lead >= 0xFA && lead <= 0xFC) return 2;  // IBM extensions
  if (lead == 0xED || lead == 0xEE) return 3;  // NEC-selected IBM extensions
  return 0;
}

TEST(Cp932Table, EverySingleByteRoundTrips) {
  for (unsigned b = 0; b < 0x100; ++b) {
    if (IsLeadByte(static_cast<uint8_t>(b))) continue;
    const std::string s = Bytes(b);
    size_t len = 9;
    const char32_t cp = DecodeChar(s, 0, &len);
    EXPECT_EQ(len, 1u);
    ASSERT_NE(cp, kReplacement) << std::hex << b;
    if (b < 0x80) {
      EXPECT_EQ(cp, b);
    }
    if (b >= 0xA1 && b <= 0xDF) {
      EXPECT_EQ(cp, 0xFF61 + (b - 0xA1));
    }
    bool lossless = true;
    EXPECT_EQ(FromUtf8(ToUtf8(s), &lossless), s) << std::hex << b;
    EXPECT_TRUE(lossless);
  }
}

TEST(Cp932Table, EveryDoubleByteCodeRoundTripsToItsCanonicalCode) {
  int mapped = 0, non_canonical = 0;
  for (unsigned lead = 0; lead < 0x100; ++lead) {
    if (!IsLeadByte(static_cast<uint8_t>(lead))) continue;
    for (unsigned trail = 0; trail < 0x100; ++trail) {
      const unsigned code = lead << 8 | trail;
      const std::string s = Bytes(code);
      size_t len = 0;
      const char32_t cp = DecodeChar(s, 0, &len);
      ASSERT_EQ(len, 2u) << std::hex << code;
      const bool in_grid = (trail >= 0x40 && trail <= 0x7E) || (trail >= 0x80 && trail <= 0xFC);
      if (!in_grid) {
        EXPECT_EQ(cp, kReplacement) << std::hex << code;
      }
      if (cp == kReplacement) continue;
      ++mapped;
      bool lossless = true;
      const std::string back = FromUtf8(ToUtf8(s), &lossless);
      ASSERT_TRUE(lossless) << std::hex << code;
      ASSERT_EQ(back.size(), 2u) << std::hex << code;
      EXPECT_EQ(DecodeChar(back, 0, nullptr), cp) << std::hex << code;
      if (back != s) {
        ++non_canonical;
        EXPECT_LT(Preference(Code(back)), Preference(code))
            << std::hex << code << " -> " << Code(back);
      }
    }
  }
  EXPECT_EQ(mapped, 9604);
  EXPECT_EQ(non_canonical, 398);
}

TEST(Cp932Table, DuplicatesEncodeToTheCanonicalCode) {
  struct Case {
    unsigned code, canonical;
  };
  const Case cases[] = {
      {0x8790, 0x81E0},  // ≒: JIS row over NEC row 13
      {0x879A, 0x81E6},  // ∵, three codes
      {0xFA5B, 0x81E6},
      {0xEEF9, 0x81CA},  // ￢, three codes
      {0xFA54, 0x81CA},
      {0xFA4A, 0x8754},  // Ⅰ: NEC row 13 over IBM
      {0xFA58, 0x878A},  // ㈱
      {0xEEEF, 0xFA40},  // ⅰ: IBM over NEC-selected
      {0xED40, 0xFA5C},  // 纊
      {0xEEE0, 0xFBFC},  // 髙
  };
  for (const auto& c : cases) {
    const std::string back = FromUtf32(ToUtf32(Bytes(c.code)));
    EXPECT_EQ(Code(back), c.canonical) << std::hex << c.code;
    EXPECT_EQ(FromUtf32(ToUtf32(Bytes(c.canonical))), Bytes(c.canonical))
        << std::hex << c.canonical;
  }
}

TEST(Cp932Table, EveryEncodableCodePointDecodesBack) {
  for (char32_t cp = 0; cp < 0x110000; ++cp) {
    std::string out = "x";
    const bool ok = EncodeChar(cp, &out);
    if (!ok) {
      EXPECT_EQ(out, "x") << std::hex << uint32_t{cp};  // nothing appended
      continue;
    }
    const std::string code = out.substr(1);
    ASSERT_TRUE(code.size() == 1 || code.size() == 2) << std::hex << uint32_t{cp};
    size_t len = 0;
    EXPECT_EQ(DecodeChar(code, 0, &len), cp) << std::hex << uint32_t{cp};
    EXPECT_EQ(len, code.size()) << std::hex << uint32_t{cp};
  }
}

// Decoding UTF-8 must agree with the UTF-32 path for every scalar value.
TEST(Cp932Table, Utf8AndUtf32AgreeForEveryScalarValue) {
  for (char32_t cp = 0; cp < 0x110000; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    bool lossless8 = true, lossless32 = true;
    const std::string from8 = FromUtf8(Utf8(cp), &lossless8);
    const std::string from32 = FromUtf32(std::u32string(1, cp), &lossless32);
    ASSERT_EQ(from8, from32) << std::hex << uint32_t{cp};
    ASSERT_EQ(lossless8, lossless32) << std::hex << uint32_t{cp};
  }
}

TEST(Cp932Text, ConvertsBothWays) {
  struct Case {
    std::string cp932, utf8;
  };
  const Case cases[] = {
      {"", ""},
      {"abc\\~", "abc\\~"},  // 0x5C and 0x7E stay ASCII
      {"\x93\xFA\x96\x7B\x8C\xEA", "日本語"},
      {"\x83\x51\x81\x5B\x83\x80\x89\xE6\x96\xCA", "ゲーム画面"},
      {"\xB1\xDD\xC3\xDE", "ｱﾝﾃﾞ"},
      {"\xA1\xDF", "｡ﾟ"},
      {"\x95\x5C\x83\x5C", "表ソ"},  // 0x5C trail bytes
      {"\x95\x5C\\x.png", "表\\x.png"},
      {"\x81\x5F\x81\x8F\x81\x60", "＼￥～"},
      {"\x87\x40\x87\x5F", "①㍉"},
      {"\xF0\x40\xF9\xFC", "\uE000\uE757"},  // user-defined area
      {"\x80\xA0\xFD\xFF", "\u0080\uF8F0\uF8F1\uF8F3"},
      {"a\0b"s, "a\0b"s},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf8(c.cp932), c.utf8) << c.utf8;
    bool lossless = true;
    EXPECT_EQ(FromUtf8(c.utf8, &lossless), c.cp932) << c.utf8;
    EXPECT_TRUE(lossless) << c.utf8;
  }
}

TEST(Cp932Text, DecodesBrokenInputToReplacements) {
  struct Case {
    std::string cp932;
    std::u32string utf32;
  };
  const Case cases[] = {
      {"a\x82", U"a\uFFFD"},  // lead byte at the end
      {"\x82", U"\uFFFD"},
      {"\x85\x40z", U"\uFFFDz"},  // unmapped code in the grid
      {"\x81\x20z", U"\uFFFDz"},  // a trail outside the grid still pairs
      {"\xFC\xFC\x81\x7F", U"\uFFFD\uFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUtf32(c.cp932), c.utf32);
    std::string utf8;
    for (char32_t cp : c.utf32) utf8 += Utf8(cp);
    EXPECT_EQ(ToUtf8(c.cp932), utf8);
    EXPECT_EQ(CharCount(c.cp932), c.utf32.size());
  }
}

TEST(Cp932Text, EncodesInvalidOrUnmappedInputAsQuestionMarks) {
  struct Case {
    std::string utf8, cp932;
  };
  const Case cases[] = {
      {"\xC0\xAF", "??"},            // overlong '/'
      {"\xE0\x80\xAF", "???"},       // overlong, three bytes
      {"\xF0\x8F\xBF\xBF", "????"},  // overlong, four bytes
      {"\xED\xA0\x80", "???"},       // surrogate
      {"\xF4\x90\x80\x80", "????"},  // past U+10FFFF
      {"\xF5\x80\x80\x80", "????"},
      {"a\xFF" "b", "a?b"},
      {"\x80\xBF", "??"},            // stray continuation bytes
      {"\xE6\x97", "?"},             // truncated sequence counts once
      {"\xE6\x97" "a", "?a"},
      {"\xF0\x9F\x98", "?"},
      {"\xE6\x97\xE6\x97\xA5", "?\x93\xFA"},
      {"¥‾", "??"},                  // never the ASCII 0x5C / 0x7E
      {"€", "?"},
      {"\xF0\x9F\x98\x80", "?"},     // valid, but no CP932 form
  };
  for (const auto& c : cases) {
    bool lossless = true;
    EXPECT_EQ(FromUtf8(c.utf8, &lossless), c.cp932) << testing::PrintToString(c.utf8);
    EXPECT_FALSE(lossless) << testing::PrintToString(c.utf8);
  }

  bool lossless = true;
  EXPECT_EQ(FromUtf32(U"a\xD800\x110000\xFFFFFFFF\uFFFDb", &lossless), "a????b");
  EXPECT_FALSE(lossless);
  FromUtf8("ok", &lossless);
  EXPECT_FALSE(lossless);  // cleared, never set back
  EXPECT_EQ(FromUtf8("\xFF"), "?");  // no flag given
}

TEST(Cp932Text, CharacterStepping) {
  const std::string s = "a\x82\xA0\x95\x5C\x82";  // a, あ, 表, lone lead
  EXPECT_EQ(CharCount(s), 4u);
  EXPECT_EQ(CharLen(s, 0), 1u);
  EXPECT_EQ(CharLen(s, 1), 2u);
  EXPECT_EQ(CharLen(s, 3), 2u);
  EXPECT_EQ(CharLen(s, 5), 1u);
  EXPECT_EQ(CharLen(s, 6), 0u);
  EXPECT_EQ(CharLen(s, 100), 0u);
  EXPECT_EQ(NextChar(s, 1), 3u);
  EXPECT_EQ(NextChar(s, 5), 6u);
  EXPECT_EQ(NextChar(s, 100), 6u);
  size_t len = 9;
  EXPECT_EQ(DecodeChar(s, 6, &len), kReplacement);
  EXPECT_EQ(len, 0u);
  EXPECT_EQ(DecodeChar(s, 3, &len), U'表');
  EXPECT_EQ(CharCount(""), 0u);
}

TEST(Cp932Case, FoldsAsciiLettersOnly) {
  // 0x8341 ア and 0x8361 ヂ have letter-like trail bytes; 0x8260 is Ａ.
  const std::string mixed = "abcXYZ\x83\x41\x83\x61\x82\x60[`{@]";
  EXPECT_EQ(UpperAscii(mixed), "ABCXYZ\x83\x41\x83\x61\x82\x60[`{@]");
  EXPECT_EQ(LowerAscii(mixed), "abcxyz\x83\x41\x83\x61\x82\x60[`{@]");
  EXPECT_EQ(UpperAscii("\x83" "a" "a"), "\x83" "aA");  // pair, then a letter
  EXPECT_EQ(LowerAscii("A\x83"), "a\x83");           // lone lead at the end
  EXPECT_EQ(UpperAscii(""), "");
}

TEST(Cp932Case, CompareFoldsToUpperAndSkipsTrailBytes) {
  struct Case {
    std::string a, b;
    int sign;
  };
  const Case cases[] = {
      {"", "", 0},
      {"Data\\BG.png", "data\\bg.PNG", 0},
      {"a", "B", -1},         // folded, not raw bytes
      {"[", "a", 1},          // folding is to upper case: '[' > 'A'
      {"_", "a", 1},
      {"ab", "abc", -1},
      {"\x83\x41", "\x83\x61", -1},  // ア vs ヂ: trail bytes are not letters
      {"\x83\x61", "\x83\x41", 1},
      {"\x82", "\x82\xA0", -1},      // lone lead sorts before the pair
      {"\x95\x5C" "a", "\x95\x5C" "A", 0},
      {"\x82\xA0", "a", 1},          // bytes compare unsigned
  };
  for (const auto& c : cases) {
    const int r = CompareText(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " / " << c.b;
    const int back = CompareText(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign) << c.b << " / " << c.a;
    EXPECT_EQ(SameText(c.a, c.b), c.sign == 0) << c.a << " / " << c.b;
  }
}

TEST(Cp932Case, StartsWithText) {
  struct Case {
    std::string s, prefix;
    bool expected;
  };
  const Case cases[] = {
      {"DATA\\bg.png", "data\\", true},
      {"abc", "", true},
      {"abc", "ABC", true},
      {"a", "ab", false},
      {"\x83\x41", "\x83\x61", false},
      {"\x82\x61x", "\x82\x61", true},
      {"\x82\x61", "\x82", false},  // would stop inside a character
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StartsWithText(c.s, c.prefix), c.expected) << c.s << " / " << c.prefix;
  }
}

TEST(Cp932Path, LastDelimiterSkipsTrailBytes) {
  constexpr size_t npos = std::string_view::npos;
  EXPECT_EQ(LastDelimiter("\x95\x5C"), npos);
  EXPECT_EQ(LastDelimiter("\x95\x5C\\x.png"), 2u);
  EXPECT_EQ(LastDelimiter("a\\b\\\x83\x5C"), 3u);
  EXPECT_EQ(LastDelimiter(""), npos);
  EXPECT_EQ(LastDelimiter("a.b\\c", '.'), 1u);
}

TEST(Cp932Path, SplitPath) {
  struct Case {
    std::string name;
    std::vector<std::string> parts;
  };
  const Case cases[] = {
      {"", {""}},
      {"a", {"a"}},
      {"a\\b", {"a", "b"}},
      {"a\\\\b", {"a", "", "b"}},
      {"\\a\\", {"", "a", ""}},
      {"\x95\x5C", {"\x95\x5C"}},
      {"\x95\x5C\\\x83\x5C.png", {"\x95\x5C", "\x83\x5C.png"}},
      {"\x81\\b", {"\x81\\b"}},  // 0x5C right after a lead byte is its trail
      {"a\\\x95", {"a", "\x95"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitPath(c.name), c.parts) << c.name;
}

TEST(Cp932Path, ExtractDirAndExt) {
  struct Case {
    std::string name, dir, ext;
  };
  const Case cases[] = {
      {"a\\b\\c.png", "a\\b\\", ".png"},
      {"c.png", "", ".png"},
      {"", "", ""},
      {"a\\", "a\\", ""},
      {"a.b\\c", "a.b\\", ""},
      {"a.tar.gz", "", ".gz"},
      {"a.", "", "."},
      {"\x95\x5C.png", "", ".png"},
      {"\x95\x5C\\x.png", "\x95\x5C\\", ".png"},
      {"\x95\x5C\\\x83\x5C", "\x95\x5C\\", ""},
      {"x\x81.", "", ""},  // the dot pairs with the lead byte
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractDir(c.name), c.dir) << c.name;
    EXPECT_EQ(ExtractExt(c.name), c.ext) << c.name;
  }
}

TEST(Cp932Text, LinesAndCharacterCodes) {
  const std::pair<std::string, std::vector<std::string>> lines[] = {
      {"", {}},           {"a", {"a"}},         {"a\r\nb", {"a", "b"}}, {"a\n", {"a"}},
      {"\r\r", {"", ""}}, {"a\rb\n\nc", {"a", "b", "", "c"}},
  };
  for (const auto& [text, expected] : lines) EXPECT_EQ(SplitLines(text), expected) << text;
  // 0x5C after a lead byte is its trail; a lead byte at the end stands alone.
  EXPECT_EQ(CharCodes("a\x82\xa0\x83\x5c" "b\x81"), (std::vector<uint16_t>{'a', 0x82A0, 0x835C, 'b', 0x81}));
}

}  // namespace
}  // namespace opal::cp932
