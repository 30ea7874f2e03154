// The files below a source folder, as the archive writer takes them: every
// regular file, named in CP932 with '\' between folders.
#pragma once

#include <string>
#include <vector>

namespace opal {

struct TFolderFile {
  std::string Name;  // CP932 game name, relative to the walked folder
  std::string Path;  // native path
};

// Every regular file below `root`, links followed, in native name order
// within each folder. Nothing is left out in silence: a folder that cannot
// be read, an entry that cannot be looked at (a link to nothing, a loop of
// links), an entry that is neither a file nor a folder, a folder reached
// again through a link, a name with no CP932 form and two names of one
// folder that differ only in case (the game's names ignore case) are each
// an EOpalError naming the path.
std::vector<TFolderFile> WalkFolder(const std::string& root);

}  // namespace opal
