// Finding the game's data sources at start-up and registering them with the
// file manager (after the empty source 0 the caller has registered).
#pragma once

#include <string>
#include <vector>

#include "storage/resources.h"
#include "storage/vr_file_manager.h"

namespace opal {

// Whether a file ends in the two bytes "oq" of an appended archive.
bool HasAppendedTrailer(const std::string& path);

// No arguments: the data folder is the executable's folder; the embedded
// resource DUMMY/BINTYPE (when its last two bytes are "vf") and the
// executable itself (when it ends in "oq") become archive sources.
// With arguments: the data folder is the first one; every argument naming a
// folder with a game.dat, or a file ending in "oq", adds that archive.
void FindDataSources(TVrFileManager& files, const std::string& executable, const std::vector<std::string>& args,
                     const TResourceModule& resources = TResourceModule::Executable());

}  // namespace opal
