#include "shell/data_sources.h"

#include <cstdio>

#include "common/cp932.h"
#include "common/error.h"
#include "storage/disk_path.h"

namespace opal {

bool HasAppendedTrailer(const std::string& path) {
  if (!TDiskPath::IsFile(path)) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char tail[2] = {};
  const bool ok = std::fseek(f, -2, SEEK_END) == 0 && std::fread(tail, 1, 2, f) == 2;
  std::fclose(f);
  return ok && tail[0] == 'o' && tail[1] == 'q';
}

namespace {

// An archive that cannot be opened fails with its file's name.
void AddNamedArchive(TVrFileManager& files, const std::string& path) {
  try {
    files.AddArchive(path);
  } catch (const EOpalError& e) {
    throw EOpalError(cp932::FromUtf8(path) + ": " + e.what());
  }
}

}  // namespace

void FindDataSources(TVrFileManager& files, const std::string& executable, const std::vector<std::string>& args,
                     const TResourceModule& resources) {
  if (args.empty()) {
    files.SetDataFolder(executable.substr(0, executable.find_last_of('/') + 1));
    const std::vector<uint8_t>* dummy = resources.Find("DUMMY", "BINTYPE");
    if (dummy != nullptr && dummy->size() >= 2 && (*dummy)[dummy->size() - 2] == 'v' && dummy->back() == 'f') {
      files.AddResourceArchive(resources, "DUMMY", "BINTYPE");
    }
    if (HasAppendedTrailer(executable)) AddNamedArchive(files, executable);
    return;
  }
  files.SetDataFolder(args[0]);
  for (const std::string& a : args) {
    const std::string dat = TDiskPath::WithSlash(a) + "game.dat";
    if (TDiskPath::IsFile(dat)) {
      AddNamedArchive(files, dat);
    } else if (HasAppendedTrailer(a)) {
      AddNamedArchive(files, a);
    }
  }
}

}  // namespace opal
