// The readable settings file of `opaltool project` and `opaltool build`:
// one `key = value` a line ('#' starts a remark), values bare or quoted as
// in scenario text. A project file:
//   title = Hello            width = 640        start = start.osb
//   var int score = 0        var string name = "x"
//   disc voice = 2
// An install file starts with the line `install`. Text is CP932.
#pragma once

#include <string>
#include <string_view>

#include "scenario/install_set.h"
#include "scenario/project_file.h"

namespace opal {

// True when the text describes install.dat.
bool IsInstallText(std::string_view text);
// Throw EFormatError naming the line.
void ReadProjectText(std::string_view text, TProjectFile& out);
std::string WriteProjectText(const TProjectFile& f);
void ReadInstallText(std::string_view text, TOpalInstallSet& out);
std::string WriteInstallText(const TOpalInstallSet& f);

}  // namespace opal
