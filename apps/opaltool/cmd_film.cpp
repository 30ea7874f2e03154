// opaltool film build|dump|info: films (".ocm") and motions (".omt") from
// and to the film text (see film/film_text.h).
#include <algorithm>
#include <cstdio>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "common/cp932.h"
#include "common/error.h"
#include "film/film_manager.h"
#include "film/film_text.h"
#include "storage/stream.h"

namespace opaltool {

namespace {

using opal::EOpalError;
using opal::Format;

constexpr const char* kUsage =
    "usage: opaltool film build TEXT -o FILM [--version N]   the film of a film text, written as\n"
    "                                                        version N (100 ... 108; default the\n"
    "                                                        text's); fields N lacks are left out\n"
    "       opaltool film dump FILM [-o TEXT]                the film text of a film (stdout\n"
    "                                                        without -o)\n"
    "       opaltool film info FILM                          the header and a line per track\n";

std::string ReadBytes(const std::string& path) {
  opal::TMemoryStream data;
  data.LoadFromFile(path);
  return std::string(data.Bytes().begin(), data.Bytes().end());
}

void LoadFilm(opal::TFilmManager& film, const std::string& path) {
  opal::TMemoryStream data;
  data.LoadFromFile(path);
  const std::string magic(data.Bytes().begin(), data.Bytes().begin() + std::min<int64_t>(data.Size(), 10));
  if (magic != opal::kFilmMagicCinema && magic != opal::kFilmMagicMotion)
    throw EOpalError(path + ": not a film (it starts with neither OpalCinema nor OpalMotion)");
  film.SkipMediaLoad = true;
  film.Load(data, path);
}

int Build(const Args& args) {
  std::string in, out, v;
  int32_t version = 0;
  TArgWalker w(args);
  while (w.Next()) {
    if (w.Option("-o", out)) continue;
    if (w.Option("--version", v)) {
      version = OptionNumber("--version", v);
      if (version < opal::kFilmFirstVersion || version > opal::kFilmLastVersion)
        throw EOpalError(Format("--version: %d is not a film version (100 to 108)", version));
      continue;
    }
    const std::string& operand = w.Operand();
    if (!in.empty()) throw EUsageError("unexpected argument " + operand);
    in = operand;
  }
  if (in.empty() || out.empty()) throw EUsageError("build needs a film text and -o FILM");
  std::vector<std::string> lost;
  std::vector<uint8_t> bytes;
  try {
    bytes = opal::FilmBytesOfText(ReadBytes(in), version, &lost);
  } catch (const EOpalError& e) {
    throw EOpalError(in + ": " + e.what());
  }
  for (const std::string& l : lost) std::fprintf(stderr, "opaltool: warning: %s: %s\n", in.c_str(), l.c_str());
  opal::TMemoryStream(std::move(bytes)).SaveToFile(out);
  return 0;
}

int Dump(const Args& args) {
  std::string in, out;
  TArgWalker w(args);
  while (w.Next()) {
    if (w.Option("-o", out)) continue;
    const std::string& operand = w.Operand();
    if (!in.empty()) throw EUsageError("unexpected argument " + operand);
    in = operand;
  }
  if (in.empty()) throw EUsageError("dump needs a film");
  opal::TFilmManager film;
  LoadFilm(film, in);
  const std::string text = opal::DumpFilmText(film, film.Version);
  if (out.empty()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else {
    opal::TMemoryStream(std::vector<uint8_t>(text.begin(), text.end())).SaveToFile(out);
  }
  return 0;
}

int Info(const Args& args) {
  std::string in;
  TArgWalker w(args);
  while (w.Next()) {
    const std::string& operand = w.Operand();
    if (!in.empty()) throw EUsageError("unexpected argument " + operand);
    in = operand;
  }
  if (in.empty()) throw EUsageError("info needs a film");
  opal::TFilmManager film;
  LoadFilm(film, in);
  std::printf("magic %s\nversion %d\nstage %dx%d\nbackground %d\nrelative %d\norigin %d,%d\nloop start %d\n"
              "length %d\ntracks %d\n",
              film.Magic.c_str(), film.Version, film.StageSize.X, film.StageSize.Y, film.BackColor,
              film.Relative ? 1 : 0, film.FileOrigin.X, film.FileOrigin.Y, film.LoopStart, film.FilmLength(),
              film.Count());
  for (int32_t i = 0; i < film.Count(); ++i) {
    const opal::TCustomFrameList& t = *film.Track(i);
    std::printf("track %d: %s start %d length %d link %d priority %d%s\n", i, opal::FrameListKindName(t.Type()),
                t.EffectiveStart(), t.TrackLength, t.LinkIndex, t.TrackPriority, t.OtherBase ? " other base" : "");
  }
  return 0;
}

}  // namespace

int CmdFilm(const Args& args) {
  return RunSubcommands("film", kUsage, args, {{"build", Build}, {"dump", Dump}, {"info", Info}});
}

}  // namespace opaltool
