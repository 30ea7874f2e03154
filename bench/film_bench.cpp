// Film loading speed: a film of 40,000 tracks (images, labels, boxes and
// sounds in turn, every fourth chained to the one before) read by
// TFilmManager::Load without media, as bytes per second beside memcpy of the
// same bytes (memcpy time / load time is the share of a copy's speed the
// loader reaches).
//
// The film is written in memory by the project's own writer when the
// benchmark starts.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "film/film_manager.h"
#include "storage/stream.h"

namespace {

constexpr int32_t kTracks = 40000;

const std::vector<uint8_t>& LargeFilm() {
  static const std::vector<uint8_t> bytes = [] {
    opal::TFilmManager film;
    film.StageSize = {1280, 720};
    const opal::TFilmTrackType kinds[] = {opal::TFilmTrackType::Image, opal::TFilmTrackType::Label,
                                          opal::TFilmTrackType::Box, opal::TFilmTrackType::Sound};
    for (int32_t i = 0; i < kTracks; ++i) {
      opal::TCustomFrameList& t = film.AddTrack(opal::MakeFrameList(static_cast<int32_t>(kinds[i % 4]), film));
      t.TrackLength = 30 + i % 50;
      t.StartFrame = i % 600;
      t.LinkIndex = i % 4 == 3 ? i - 1 : -1;
      if (auto* image = dynamic_cast<opal::TImageFrameList*>(&t)) image->FileName = "bg\\picture" + std::to_string(i) + ".bri";
      if (auto* label = dynamic_cast<opal::TLabelFrameList*>(&t)) label->Text = "a line of the film's text";
      if (auto* sound = dynamic_cast<opal::TSoundFrameList*>(&t)) sound->FileName = "se\\s.wav";
    }
    film.ResolveChains();
    opal::TMemoryStream out;
    film.SaveToStream(out, opal::kFilmLastVersion);
    return out.Bytes();
  }();
  return bytes;
}

void BM_LoadLargeFilm(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = LargeFilm();
  for (auto _ : state) {
    opal::TMemoryStream s(bytes);
    opal::TFilmManager film;
    film.SkipMediaLoad = true;
    film.Load(s, "movie\\large.ocm");
    benchmark::DoNotOptimize(film.FilmLength());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
  state.counters["film_bytes"] = static_cast<double>(bytes.size());
}
BENCHMARK(BM_LoadLargeFilm)->Unit(benchmark::kMillisecond);

void BM_MemcpyLargeFilm(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = LargeFilm();
  std::vector<uint8_t> copy(bytes.size());
  for (auto _ : state) {
    std::memcpy(copy.data(), bytes.data(), bytes.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_MemcpyLargeFilm)->Unit(benchmark::kMillisecond);

}  // namespace
