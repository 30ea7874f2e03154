// docs/input-script.md against the parser: its example block parses and
// uses every instruction, every instruction's synopsis is written in it,
// and every key name is listed, so the document cannot drift from the code.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "platform/input_script.h"
#include "platform/virtual_keys.h"

namespace opal {
namespace {

std::string Doc() {
  std::ifstream in(std::string(OPAL_SOURCE_DIR) + "/docs/input-script.md", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The first fenced block after the "## Example" heading.
std::string ExampleBlock(const std::string& doc) {
  const size_t heading = doc.find("\n## Example\n");
  if (heading == std::string::npos) return "";
  const size_t open = doc.find("\n```", heading);
  if (open == std::string::npos) return "";
  const size_t body = doc.find('\n', open + 1);
  const size_t close = doc.find("\n```", body);
  if (body == std::string::npos || close == std::string::npos) return "";
  return doc.substr(body + 1, close - body);
}

TEST(InputScriptDoc, TheExampleParsesAndUsesEveryInstruction) {
  const std::string doc = Doc();
  ASSERT_FALSE(doc.empty()) << "docs/input-script.md is missing";
  const std::string example = ExampleBlock(doc);
  ASSERT_FALSE(example.empty()) << "no fenced block under ## Example";
  TInputScript script;
  ASSERT_NO_THROW(script = TInputScript::Parse(example)) << example;
  EXPECT_FALSE(script.Answers.empty());

  // The instruction names the example's lines use (their first word that
  // is not a frame number).
  std::set<std::string> used;
  std::istringstream lines(example);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string first, second;
    words >> first >> second;
    if (first.empty() || first[0] == '#') continue;
    used.insert(first == "answer" ? first : second);
  }
  for (const std::string& synopsis : TInputScript::Synopses()) {
    const std::string name = synopsis.rfind("FRAME ", 0) == 0 ? synopsis.substr(6, synopsis.find(' ', 6) - 6)
                                                              : synopsis.substr(0, synopsis.find(' '));
    EXPECT_TRUE(used.count(name)) << "the example does not use " << name;
  }
}

TEST(InputScriptDoc, EveryInstructionIsWrittenDownAsTheParserTakesIt) {
  std::string doc = Doc();
  // A '|' in a table cell is written "\|".
  for (size_t at; (at = doc.find("\\|")) != std::string::npos;) doc.erase(at, 1);
  for (const std::string& synopsis : TInputScript::Synopses()) {
    EXPECT_NE(doc.find("`" + synopsis + "`"), std::string::npos) << synopsis;
  }
}

TEST(InputScriptDoc, EveryKeyNameIsListed) {
  const std::string doc = Doc();
  for (int32_t code = 0; code < 256; ++code) {
    const std::string name = VirtualKeyName(code);
    // Letters, digits, F1-F24, Num0-Num9 and numbers are written as ranges.
    const bool byRule = name.size() == 1 || name.rfind("0x", 0) == 0 ||
                        (name[0] == 'F' && std::isdigit(static_cast<unsigned char>(name[1]))) ||
                        (name.rfind("Num", 0) == 0 && name.size() == 4);
    if (!byRule) {
      EXPECT_NE(doc.find("`" + name + "`"), std::string::npos) << name;
    }
  }
  for (const char* alias : {"Return", "Esc"}) EXPECT_NE(doc.find(std::string("`") + alias + "`"), std::string::npos);
}

}  // namespace
}  // namespace opal
