// opalplay: the player. Until the interpreter and the display exist it
// registers the data sources the way the player does at start-up and
// reports what it found.
#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <exception>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "storage/disk_path.h"
#include "storage/vr_file_manager.h"

namespace {

void Usage(FILE* out) {
  std::fprintf(out,
               "usage: opalplay [OPTIONS] [DATA_FOLDER] [ARCHIVE...]\n"
               "  --headless          no window and no sound device\n"
               "  --frames N          stop after N frames\n"
               "  --cdrom DIR         a folder that stands for a disc in a CD-ROM drive (repeatable;\n"
               "                      OPAL_CDROM may list more, separated by ':')\n"
               "  --help, --version\n");
}

// Whether a file ends in the two bytes "oq" of an appended archive.
bool HasAppendedTrailer(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char tail[2] = {};
  const bool ok = std::fseek(f, -2, SEEK_END) == 0 && std::fread(tail, 1, 2, f) == 2;
  std::fclose(f);
  return ok && tail[0] == 'o' && tail[1] == 'q';
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args;
  std::vector<std::string> cd_roots;
  if (const char* env = std::getenv("OPAL_CDROM")) {
    std::string list = env;
    for (size_t at = 0; at <= list.size();) {
      const size_t colon = std::min(list.find(':', at), list.size());
      if (colon > at) cd_roots.push_back(list.substr(at, colon - at));
      at = colon + 1;
    }
  }
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--help") {
      Usage(stdout);
      return 0;
    }
    if (a == "--version") {
      std::printf("opalplay %s\n", OPAL_VERSION);
      return 0;
    }
    if (a == "--frames") {
      ++i;
      continue;
    }
    if (a == "--cdrom" && i + 1 < argc) {
      cd_roots.push_back(argv[++i]);
      continue;
    }
    if (a.rfind("--", 0) == 0) continue;
    args.push_back(a);
  }
  try {
    opal::TVrFileManager files(cd_roots);
    files.AddArchive("");
    if (args.empty()) {
      char self[4096];
      const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
      const std::string exe = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string();
      files.SetDataFolder(exe.substr(0, exe.find_last_of('/') + 1));
      if (HasAppendedTrailer(exe)) files.AddArchive(exe);
    } else {
      files.SetDataFolder(args[0]);
      for (const std::string& a : args) {
        const std::string dat = opal::TDiskPath::WithSlash(a) + "game.dat";
        if (opal::TDiskPath::IsFile(dat)) {
          files.AddArchive(dat);
        } else if (opal::TDiskPath::IsFile(a) && HasAppendedTrailer(a)) {
          files.AddArchive(a);
        }
      }
    }
    for (const std::string& root : files.CdRoots()) std::fprintf(stderr, "disc root: %s\n", root.c_str());
    for (int i = 0; i < files.SourceCount(); ++i) {
      std::fprintf(stderr, "source %d: %s (%d entries)\n", i, files.Source(i).ArchiveFileName.c_str(),
                   files.Source(i).EntryCount());
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "opalplay: %s\n", opal::cp932::ToUtf8(e.what()).c_str());
    return 1;
  }
  return 0;
}
