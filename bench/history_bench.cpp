// The message history's costs, over synthetic glyphs:
// - BM_ReplayBacklog: a 200-entry backlog from 5 scenario pages (8 messages
//   each) shown in a window (Show, then its pages built through the message
//   cache, as a rebuild does), the cache kept from one replay to the next as
//   the window keeps it; BM_ReplayBacklogCold starts every replay with an
//   empty cache; BM_ReplayBacklogInterleaved takes the five pages in turn
//   (the worst order for a cache of four pages). x_direct is the time of a replay over the time of laying
//   the same 200 messages out directly with TSkWord (each read from its
//   glyph stream into a word, expanded and laid out, its page's rows
//   stacked), measured in the same run; the goal is at most 1.3.
// - BM_CommitEntries/N, BM_CommitPages/N: N pages recorded and committed
//   into a history of MaxCount 1,000, in entry mode and in page mode; the
//   time per commit should not grow with N.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "history/history_format.h"
#include "history/mes_data_cache.h"
#include "platform/font_backend.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace {

using namespace opal;

constexpr int32_t kPages = 5, kMessages = 8, kEntries = 200;

std::string Compile(TFontPixelManager& fonts, const std::string& utf8) {
  TSkWord w(fonts);
  w.Parse(cp932::FromUtf8(utf8));
  TMemoryStream s;
  w.SaveGlyphs(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

std::string PageName(int32_t p) { return "scene" + std::to_string(p) + ".osb"; }

// Entry k of the backlog: the story goes through its pages in order, 40
// entries each; with `interleaved` the entries take the five pages in turn,
// more pages than the cache keeps, so every look-up misses.
bool interleaved = false;
int32_t Page(int32_t k) { return interleaved ? k % kPages : k / (kEntries / kPages); }
int32_t Command(int32_t k) { return interleaved ? (k / kPages) % kMessages : k % kMessages; }

struct TBacklog {
  TFakeFontBackend Backend;
  TFontPixelManager Fonts{Backend};
  TOpalMemoryMessageStore Store;
  std::vector<std::vector<std::string>> Messages;  // [page][command]
  TOpalHistoryFormatManager Manager{TOpalHistoryContext{&Fonts, nullptr, &Store}};

  TBacklog() {
    for (int32_t p = 0; p < kPages; ++p) {
      std::vector<std::optional<std::string>> page;
      Messages.emplace_back();
      for (int32_t c = 0; c < kMessages; ++c) {
        const std::string text = "「第" + std::to_string(p) + "場の" + std::to_string(c) +
                                 "番目の台詞です。<B>少し</B>長めに書いて、二行に折り返すように<RUBY "
                                 "VALUE=\"ことば\">言葉</RUBY>を並べておきます。」";
        Messages.back().push_back(Compile(Fonts, text));
        page.emplace_back(Messages.back().back());
      }
      Store.AddPage(PageName(p), std::move(page));
    }
    for (int32_t k = 0; k < kEntries; ++k) {
      TOpalRecordedPage r{"mes", 480, 96, PageName(Page(k)), Command(k), 0, 0, -1, ""};
      Manager.RecordPage(r);
      Manager.ClosePage("mes");
    }
  }
  TOpalNewHistory& History() { return Manager.DefaultFormat().History(); }
  void Window(TSkWord& w) const {
    w.DefaultFace = "Fake";
    w.DefaultSize = 16;
    w.TextWidth = 480;
    w.ViewHeight = 96;
    w.LineSpacing = 4;
  }
};

// The same messages laid out directly: each read from its glyph stream into
// a word of its own (one word for all would cost the reading its list of
// style records, which grows with every stream read into it), expanded and
// laid out, the rows of its page stacked; the best of three rounds.
double DirectSeconds(TBacklog& b) {
  double best = 1e9;
  for (int round = 0; round < 3; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    int reps = 0;
    do {
      std::vector<std::unique_ptr<TSkWord>> words;
      TWdPageList shown;
      int64_t y = 0;
      for (int32_t k = 0; k < kEntries; ++k) {
        const std::string& m = b.Messages[static_cast<size_t>(Page(k))][static_cast<size_t>(Command(k))];
        words.push_back(std::make_unique<TSkWord>(b.Fonts));
        TSkWord& w = *words.back();
        b.Window(w);
        if (shown.empty()) shown.push_back(std::make_unique<TWdPage>(w));
        TMemoryStream s(std::vector<uint8_t>(m.begin(), m.end()));
        w.LoadGlyphs(s);
        w.ExpandVars(0, -1);
        TWdPageList laid;
        w.Layout(laid, 0, -1);
        for (auto& row : laid[0]->TakeRows()) {
          row->Y = static_cast<int32_t>(row->Y + y);
          y = int64_t{row->Y} + row->Height + w.LineSpacing;
          shown[0]->AdoptRow(std::move(row));
        }
      }
      benchmark::DoNotOptimize(shown.data());
      shown.clear();
      ++reps;
    } while (std::chrono::steady_clock::now() - t0 < std::chrono::milliseconds(100));
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / reps);
  }
  return best;
}

void Replay(benchmark::State& state, bool cold) {
  TBacklog b;
  TSkWord engine(b.Fonts);
  b.Window(engine);
  TMesDataCacheList cache(&b.Store, b.Fonts, nullptr);
  TWdPageList pages;
  TOpalNewMesData data;
  size_t rows = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (cold) cache.Clear();
    const TOpalShowResult r = b.History().Show(0, b.History().HistorySize(), data);
    BuildPages(cache, engine, pages, data, true, r.HistoryNumber);
    rows = pages.empty() ? 0 : pages[0]->Count();
    benchmark::DoNotOptimize(pages.data());
  }
  const double per = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() /
                     static_cast<double>(state.iterations());
  state.SetItemsProcessed(state.iterations() * kEntries);
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["x_direct"] = per / DirectSeconds(b);
}

void BM_ReplayBacklog(benchmark::State& state) { Replay(state, false); }
void BM_ReplayBacklogCold(benchmark::State& state) { Replay(state, true); }
void BM_ReplayBacklogInterleaved(benchmark::State& state) {
  interleaved = true;
  Replay(state, false);
  interleaved = false;
}
BENCHMARK(BM_ReplayBacklog)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayBacklogCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReplayBacklogInterleaved)->Unit(benchmark::kMillisecond);

void Commit(benchmark::State& state, bool pageMode) {
  TFakeFontBackend backend;
  TFontPixelManager fonts(backend);
  TOpalMemoryMessageStore store;
  store.AddPage("a.osb", {Compile(fonts, "あいうえおかきくけこ<BR>さしすせそ")}, true);
  const int64_t n = state.range(0);
  for (auto _ : state) {
    TOpalHistoryFormatManager manager(TOpalHistoryContext{&fonts, nullptr, &store});
    TOpalHistoryFormat& f = manager.DefaultFormat();
    if (pageMode) f.Settings = TOpalHistorySettings{16, 0, 0, 400, 300, 2};
    f.History().MaxCount = 1000;
    for (int64_t k = 0; k < n; ++k) {
      manager.RecordPage(TOpalRecordedPage{"mes", 480, 96, k % 2 ? "a.osb" : "A.osb", 0, 0, 0, -1, ""});
      manager.ClosePage("mes");
    }
    benchmark::DoNotOptimize(f.History().EntryCount());
  }
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_CommitEntries(benchmark::State& state) { Commit(state, false); }
void BM_CommitPages(benchmark::State& state) { Commit(state, true); }
BENCHMARK(BM_CommitEntries)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommitPages)->RangeMultiplier(10)->Range(1000, 100000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
