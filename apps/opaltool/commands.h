// opaltool's command table: each command family lives in its own file and
// receives the arguments after its name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace opaltool {

using Args = std::vector<std::string>;

// Returns the process exit code. Errors are reported on stderr by the
// command itself or thrown as opal::EOpalError (CP932 message).
int CmdArchive(const Args& args);
int CmdExpr(const Args& args);
int CmdProject(const Args& args);
int CmdPage(const Args& args);
int CmdBuild(const Args& args);
int CmdImage(const Args& args);
int CmdText(const Args& args);
int CmdDb(const Args& args);
int CmdWipe(const Args& args);
int CmdFilm(const Args& args);

struct Command {
  const char* name;
  int (*run)(const Args& args);
  const char* usage;
};

const std::vector<Command>& AllCommands();

// Prints a CP932 message as UTF-8 on stderr, prefixed with "opaltool: ".
void PrintError(const std::string& cp932_message);

// An option's number: decimal, 0x hexadecimal or 0 octal, within 32 bits
// (unsigned values above INT32_MAX wrap); throws EOpalError naming the
// option otherwise.
int32_t OptionNumber(const std::string& option, const std::string& text);
// 0xRRGGBB as the system's 0x00BBGGRR.
int32_t RgbToColour(int32_t rgb);

}  // namespace opaltool
