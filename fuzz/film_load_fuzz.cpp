// Films and motions (".ocm", ".omt"): a load either fails with the film
// left empty, or gives tracks whose chains end, whose frames are found,
// and which write back at their version to a film that loads the same and
// reads the same from its own text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "film/film_manager.h"
#include "film/film_text.h"
#include "storage/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  opal::TFilmManager film;
  opal::TMemoryStream in(std::vector<uint8_t>(data, data + size));
  try {
    film.Load(in, "movie\\fuzz.ocm");
  } catch (const opal::EOpalError&) {
    if (film.Count() != 0 || film.FilmLength() != 0) std::abort();
    return 0;
  }
  if (film.FilmLength() < 0) std::abort();
  for (int32_t i = 0; i < film.Count(); ++i) {
    const opal::TCustomFrameList* t = film.Track(i);
    int32_t steps = 0;
    for (const opal::TCustomFrameList* l = t; l != nullptr; l = l->Link)
      if (++steps > film.Count()) std::abort();  // a cycle of links
    const int32_t frame = t->FrameAt(int64_t{t->TrackLength} * 3);
    if (frame < -1 || frame >= static_cast<int32_t>(t->Frames.size())) std::abort();
    (void)film.ResolveName("..\\..\\a.bri");
  }
  const std::string text = opal::DumpFilmText(film, film.Version);
  opal::TMemoryStream out;
  try {
    film.SaveToStream(out, film.Version);
  } catch (const opal::EOpalError&) {
    std::abort();  // every loaded film can be written at its version
  }
  out.SetPosition(0);
  opal::TFilmManager back;
  back.SkipMediaLoad = true;
  back.Load(out, "movie\\fuzz.ocm");
  if (opal::DumpFilmText(back, back.Version) != text) std::abort();
  opal::TFilmManager fromText;
  opal::ReadFilmText(text, fromText);
  if (opal::DumpFilmText(fromText, fromText.Version) != text) std::abort();
  return 0;
}
