// opaltool build SRC_DIR -o OUT_DIR: a whole game from its source folder.
// `project.txt` is the settings file, every `*.ost` file a page in
// scenario text (compiled to the same name with `.osb`), every `NAME.png`
// picture a layered image `NAME.bri` and `NAME.N.png` files the frames (in
// order of N) of one `NAME.bri` (raw rows, in the project's ImageTileSeed
// order when it has one); every other file goes into the archive as it is. OUT_DIR receives game.dat and an
// install.dat that marks a full install.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

#include "arguments.h"
#include "commands.h"
#include "common/cp932.h"
#include "common/error.h"
#include "film/film_text.h"
#include "imagefiles/brio_frame_list.h"
#include "imagefiles/png_codec.h"
#include "scenario/install_set.h"
#include "scenario/page.h"
#include "scenario/project_file.h"
#include "scenario/project_text.h"
#include "scenario/scenario_text.h"
#include "storage/big_stream.h"
#include "storage/disk_path.h"
#include "storage/folder_walk.h"
#include "storage/vr_files.h"

namespace opaltool {

namespace {

using opal::EOpalError;
using opal::Format;

constexpr const char* kUsage = "usage: opaltool build SRC_DIR -o OUT_DIR\n";
constexpr const char* kSettingsName = "project.txt";
constexpr const char* kPageTextExt = ".ost";
constexpr const char* kPictureExt = ".png";
// Film texts become the film of the name without ".txt".
constexpr const char* kFilmTextExts[] = {".ocm.txt", ".omt.txt"};

using SourceFile = opal::TFolderFile;

std::string ReadCp932(const std::string& path) {
  opal::TMemoryStream data;
  data.LoadFromFile(path);
  bool lossless = true;
  std::string text = opal::cp932::FromUtf8(std::string(data.Bytes().begin(), data.Bytes().end()), &lossless);
  if (!lossless) throw EOpalError(Format("%s: characters without a form in code page 932", path.c_str()));
  return text;
}

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && opal::cp932::SameText(s.substr(s.size() - tail.size()), tail);
}

// PNG pictures as the player's own writer stores them: one frame per
// picture, raw rows, in the project's tile-seed order when it has one.
void ConvertPictures(const std::vector<std::string>& paths, int32_t seed, opal::TStream& out) {
  opal::TBrioFrameList list(seed);
  for (const std::string& path : paths) {
    opal::TMemoryStream png;
    png.LoadFromFile(path);
    opal::TBrioFrame* frame = list.AddFrame();
    int32_t transparent = -1;
    try {
      opal::LoadPng(png, frame->Picture, transparent);
    } catch (const EOpalError& e) {
      throw EOpalError(path + ": " + e.what());
    }
    if (transparent >= 0 && !frame->Picture.HasAlpha()) {
      frame->TransparentValue = static_cast<int32_t>(frame->Picture.ColorToValue(transparent));
      frame->TransparentColor = transparent;
    }
  }
  list.SaveToStream(out, 1, 70);
}

// "NAME.png" is the picture NAME.bri; "NAME.N.png" (N decimal) frame N of it.
std::string PictureTarget(const std::string& name, long& frame) {
  std::string stem = name.substr(0, name.size() - 4);
  frame = -1;
  const size_t dot = stem.rfind('.');
  if (dot != std::string::npos && dot + 1 < stem.size() &&
      stem.find_first_not_of("0123456789", dot + 1) == std::string::npos && stem.size() - dot <= 7) {
    frame = std::stol(stem.substr(dot + 1));
    stem.resize(dot);
  }
  return stem + ".bri";
}

// The film of a film text, replacing the text's bytes in `data`.
void BuildFilm(const std::string& path, opal::TMemoryStream& data) {
  std::vector<std::string> lost;
  try {
    const std::vector<uint8_t> text = data.Bytes();
    data.Bytes() = opal::FilmBytesOfText(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), 0,
                                         &lost);
  } catch (const EOpalError& e) {
    throw EOpalError(path + ": " + e.what());
  }
  for (const std::string& l : lost) std::fprintf(stderr, "opaltool: warning: %s: %s\n", path.c_str(), l.c_str());
}

void MakeDir(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
    throw EOpalError(Format("cannot make folder %s: %s", dir.c_str(), std::strerror(errno)));
  }
}

int BuildGame(const Args& args) {
  std::string src, out;
  TArgWalker w(args);
  while (w.Next()) {
    if (w.Option("-o", out)) continue;
    const std::string& operand = w.Operand();
    if (!src.empty()) throw EUsageError("unexpected argument " + operand);
    src = operand;
  }
  if (src.empty() || out.empty()) throw EUsageError("needs SRC_DIR and -o OUT_DIR");
  if (!opal::TDiskPath::IsDir(src)) throw EOpalError(Format("%s: no such folder", src.c_str()));

  const std::vector<SourceFile> files = opal::WalkFolder(src);
  opal::TProjectFile project;
  bool have_settings = false;
  struct PageSource {
    std::string name, path, text;
    std::unique_ptr<opal::TPage> page;
  };
  std::vector<PageSource> pages;
  std::vector<SourceFile> others;
  for (const SourceFile& f : files) {
    if (opal::cp932::SameText(f.Name, kSettingsName)) {
      try {
        opal::ReadProjectText(ReadCp932(f.Path), project);
      } catch (const EOpalError& e) {
        throw EOpalError(f.Path + ": " + e.what());
      }
      have_settings = true;
    } else if (EndsWith(f.Name, kPageTextExt)) {
      pages.push_back({f.Name.substr(0, f.Name.size() - 4) + ".osb", f.Path, ReadCp932(f.Path), nullptr});
    } else {
      others.push_back(f);
    }
  }
  if (!have_settings) throw EOpalError(Format("%s: no %s", src.c_str(), kSettingsName));

  // Labels of other pages resolve against a first reading of every page;
  // label positions never depend on what the targets resolve to.
  auto read_all = [&](const opal::TLabelLookup& lookup) {
    for (PageSource& p : pages) {
      auto page = std::make_unique<opal::TPage>();
      page->Name = p.name;
      try {
        opal::ReadPageText(p.text, *page, lookup);
      } catch (const EOpalError& e) {
        throw EOpalError(p.path + ": " + e.what());
      }
      p.page = std::move(page);
    }
  };
  read_all([](const std::string&, const std::string&) { return std::optional<int>(0); });
  std::map<std::string, std::unique_ptr<opal::TPage>> first;
  for (PageSource& p : pages) first[opal::cp932::UpperAscii(p.name)] = std::move(p.page);
  read_all([&](const std::string& page, const std::string& label) -> std::optional<int> {
    const auto it = first.find(opal::cp932::UpperAscii(page));
    if (it == first.end()) return std::nullopt;
    const int index = it->second->IndexOfLabel(label);
    return index >= 0 ? std::optional<int>(index) : std::nullopt;
  });

  // Files copied as they are go in as files on disk, so the writer's rule
  // for what to compress applies: sounds and films stay stored for streaming.
  opal::TVrFileCollection archive;
  archive.BaseFolder = opal::TDiskPath::WithSlash(src);
  {
    opal::TVrFile* e = archive.AddMemoryFile("opal.opb");
    project.SaveToStream(*e->Memory);
  }
  for (const PageSource& p : pages) {
    if (archive.FindEntry(p.name) != nullptr) throw EOpalError(Format("%s: two files make this page", p.path.c_str()));
    opal::TVrFile* e = archive.AddMemoryFile(p.name);
    p.page->SaveToStream(*e->Memory);
  }
  // Pictures by target name, in the order their first file comes.
  std::vector<std::pair<std::string, std::map<long, std::string>>> pictures;
  for (const SourceFile& f : others) {
    if (EndsWith(f.Name, kPictureExt)) {
      long frame = -1;
      const std::string target = PictureTarget(f.Name, frame);
      auto it = std::find_if(pictures.begin(), pictures.end(), [&](const auto& p) {
        return opal::cp932::SameText(p.first, target);
      });
      if (it == pictures.end()) it = pictures.insert(pictures.end(), {target, {}});
      // NAME.png alone, or NAME.N.png files each with their own N.
      const bool fresh = it->second.emplace(frame, f.Path).second;
      if (!fresh || (it->second.count(-1) != 0 && it->second.size() > 1))
        throw EOpalError(Format("%s: another picture makes the same frame of %s", f.Path.c_str(),
                                opal::cp932::ToUtf8(target).c_str()));
      continue;
    }
    const bool film = std::any_of(std::begin(kFilmTextExts), std::end(kFilmTextExts),
                                  [&](const char* ext) { return EndsWith(f.Name, ext); });
    const std::string name = film ? f.Name.substr(0, f.Name.size() - 4) : f.Name;
    if (archive.FindEntry(name) != nullptr) throw EOpalError(Format("%s: a page has this name", f.Path.c_str()));
    if (!film) {
      // Copied as a file on disk, so the rule for compressible files applies.
      archive.Add(f.Name);
      continue;
    }
    opal::TVrFile* e = archive.AddMemoryFile(name);
    e->Memory->LoadFromFile(f.Path);
    BuildFilm(f.Path, *e->Memory);
  }
  for (const auto& [target, frames] : pictures) {
    if (archive.FindEntry(target) != nullptr)
      throw EOpalError(Format("%s: another file has this name", opal::cp932::ToUtf8(target).c_str()));
    std::vector<std::string> paths;
    for (const auto& [n, path] : frames) paths.push_back(path);
    ConvertPictures(paths, project.ImageTileSeed, *archive.AddMemoryFile(target)->Memory);
  }
  if (project.StartPage.empty() || archive.FindEntry(project.StartPage) == nullptr) {
    throw EOpalError(Format("%s: the start page '%s' is not in the game", src.c_str(),
                            opal::cp932::ToUtf8(project.StartPage).c_str()));
  }

  MakeDir(out);
  const std::string game = opal::TDiskPath::WithSlash(out) + "game.dat";
  opal::TSkBigFileStream target(game, opal::TSkBigFileStream::Replace);
  archive.Write(target);
  target.Commit();
  opal::TOpalInstallSet install;
  install.Version = opal::TOpalInstallSet::kWriteVersion;
  install.Title = project.Title;
  install.FullInstall = 1;
  install.SaveToFile(opal::TDiskPath::WithSlash(out) + "install.dat");
  std::fprintf(stderr, "built %zu pages and %zu files into %s\n", pages.size(), others.size(), game.c_str());
  return 0;
}

}  // namespace

int CmdBuild(const Args& args) { return RunCommand("build", kUsage, args, BuildGame); }

}  // namespace opaltool
