// Archive reading speed. Opening a directory of 100,000 entries and looking
// every name up; loading a 5 MB compressed entry through LoadEntry beside
// zlib's own uncompress of the same bytes into a buffer of the known size,
// so the two can be compared (zlib time / our time). BM_LoadEntryRatio5MB
// runs the two in turn, many rounds, and reports the ratio of their median
// processor times, so that load from other work on the machine falls on
// both alike.
//
// Every archive is written in memory by the project's own writer when the
// benchmark starts; the contents are made deterministically.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "storage/big_stream.h"
#include "storage/vr_files.h"

namespace {

using opal::TSkBigMemoryStream;
using opal::TVrFile;
using opal::TVrFileCollection;

constexpr int kEntries = 100000;
constexpr size_t kLargeSize = 5000000;  // below the size the writer stores uncompressed

// Names shaped like a game's: a handful of folders, numbered files.
std::string EntryName(int i) {
  static const char* const kFolders[] = {"scenario\\", "bg\\",          "ev\\",   "se\\",
                                         "voice\\ch01\\", "system\\menu\\", "chara\\face\\"};
  static const char* const kExts[] = {".osb", ".bri", ".bri", ".wav", ".ogg", ".osb", ".bri"};
  const int f = i % 7;
  return std::string(kFolders[f]) + "item" + std::to_string(i) + kExts[f];
}

struct LargeDirectory {
  std::vector<uint8_t> bytes;
  std::vector<std::string> names;
};

const LargeDirectory& Directory() {
  static const LargeDirectory dir = [] {
    LargeDirectory d;
    TVrFileCollection source;
    for (int i = 0; i < kEntries; ++i) {
      d.names.push_back(EntryName(i));
      const std::string content = "entry " + std::to_string(i) + "\n";
      source.AddMemoryFile(d.names.back())->Memory->WriteBuffer(content.data(), static_cast<int64_t>(content.size()));
    }
    TSkBigMemoryStream out;
    source.Write(out);
    d.bytes = std::move(out.Stream.Bytes());
    return d;
  }();
  return dir;
}

void BM_OpenDirectory100k(benchmark::State& state) {
  TSkBigMemoryStream stream(Directory().bytes);
  for (auto _ : state) {
    auto archive = std::make_unique<TVrFileCollection>();
    stream.SetPosition(0);
    archive->ReadDirectory(stream);
    benchmark::DoNotOptimize(archive->Count());
    state.PauseTiming();
    if (archive->EntryCount() != kEntries) state.SkipWithError("wrong number of entries");
    archive.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
  state.counters["directory_bytes"] = static_cast<double>(Directory().bytes.size());
}
BENCHMARK(BM_OpenDirectory100k)->Unit(benchmark::kMillisecond);

// Every name once. The name hash looks at a name's length and two of its
// bytes only, so names of one pattern share a bucket and a lookup walks it.
void BM_LookupEveryName100k(benchmark::State& state) {
  const LargeDirectory& dir = Directory();
  TSkBigMemoryStream stream(dir.bytes);
  TVrFileCollection archive;
  archive.ReadDirectory(stream);
  // Looked up in upper case: names compare without regard to case.
  std::vector<std::string> keys;
  for (const std::string& n : dir.names) keys.push_back(opal::cp932::UpperAscii(n));
  for (size_t i = 0; i < keys.size(); i += 997) {
    const TVrFile* e = archive.FindEntry(keys[i]);
    if (e == nullptr || e->Name() != dir.names[i]) state.SkipWithError("lookup found the wrong entry");
  }
  for (auto _ : state) {
    for (const std::string& k : keys) benchmark::DoNotOptimize(archive.FindEntry(k));
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_LookupEveryName100k)->Unit(benchmark::kMillisecond);

// Scenario-like text in code page 932: command lines, speaker names and lines
// of dialogue drawn from a vocabulary of made-up hiragana words.
std::vector<uint8_t> MakeText(size_t size) {
  static const char* const kSpeakers[] = {"【美咲】", "【先生】", "【健太】", "【母】"};
  static const char* const kCommands[] = {"@TextDelay = 30\r\n", "Flip(\"bg\\\\classroom.bri\", 12, 500)\r\n",
                                          "Wait(1000)\r\n", "TextClr(\"msg\")\r\n", "Sound(\"se\\\\door.wav\")\r\n"};
  std::mt19937 rng(20240601);
  std::vector<std::string> words;
  for (int w = 0; w < 400; ++w) {
    std::string word;
    const int kana = 2 + static_cast<int>(rng() % 4);
    for (int k = 0; k < kana; ++k) {
      word += static_cast<char>(0x82);
      word += static_cast<char>(0x9F + rng() % 83);  // hiragana in code page 932
    }
    words.push_back(word);
  }
  std::vector<std::string> speakers, punct;
  for (const char* p : kSpeakers) speakers.push_back(opal::cp932::FromUtf8(p));
  for (const char* p : {"、", "。", "……", "！", "？"}) punct.push_back(opal::cp932::FromUtf8(p));
  const std::string open = opal::cp932::FromUtf8("「"), close = opal::cp932::FromUtf8("」");
  std::string out;
  while (out.size() < size) {
    const uint32_t r = rng();
    if (r % 5 == 0) {
      out += kCommands[(r >> 8) % 5];
      continue;
    }
    const bool spoken = (r >> 8) % 2 == 0;
    if (spoken) out += speakers[(r >> 9) % 4] + open;
    const int n = 3 + static_cast<int>((r >> 12) % 10);
    for (int i = 0; i < n; ++i) {
      out += words[rng() % words.size()];
      if (rng() % 4 == 0) out += punct[rng() % punct.size()];
    }
    out += spoken ? close : punct[1];
    out += "\r\n";
  }
  out.resize(size);
  return {out.begin(), out.end()};
}

// A 32-bit picture: soft gradients, flat shapes and a little noise, the way
// painted game art looks to a compressor.
std::vector<uint8_t> MakeImage(size_t size) {
  const int width = 1250;
  const int height = static_cast<int>(size / (4 * width));
  std::vector<uint8_t> out(size, 0);
  std::mt19937 rng(7);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &out[(static_cast<size_t>(y) * width + x) * 4];
      int b = 120 + y / 8, g = 90 + x / 10, r = 60 + (x + y) / 16;
      const int dx = x - 625, dy = y - 520;
      if (dx * dx + dy * dy < 300 * 300) b = 230, g = 200, r = 180;  // a face
      if (dx * dx / 4 + (dy + 200) * (dy + 200) < 170 * 170 && dy < -150) b = 40, g = 50, r = 90;  // hair
      const uint32_t noise = rng();
      if ((noise & 7) == 0) b += static_cast<int>((noise >> 3) % 5) - 2, g += static_cast<int>((noise >> 6) % 5) - 2;
      p[0] = static_cast<uint8_t>(b);
      p[1] = static_cast<uint8_t>(g);
      p[2] = static_cast<uint8_t>(r);
      p[3] = 255;
    }
  }
  return out;
}

enum class Content { kText, kImage };

struct LargeEntry {
  std::unique_ptr<TVrFileCollection> archive;
  const TVrFile* entry = nullptr;
  std::vector<uint8_t> content;
  std::vector<uint8_t> packed;  // the entry's stored bytes
};

const LargeEntry& Large(Content kind) {
  static LargeEntry cache[2];
  LargeEntry& l = cache[kind == Content::kText ? 0 : 1];
  if (l.archive) return l;
  l.content = kind == Content::kText ? MakeText(kLargeSize) : MakeImage(kLargeSize);
  TVrFileCollection source;
  const std::string name = kind == Content::kText ? "scenario\\long.txt" : "ev\\picture.raw";
  source.AddMemoryFile(name)->Memory->WriteBuffer(l.content.data(), static_cast<int64_t>(l.content.size()));
  auto stream = std::make_unique<TSkBigMemoryStream>();
  source.Write(*stream);
  stream->SetPosition(0);
  l.archive = std::make_unique<TVrFileCollection>();
  l.archive->OpenStream(std::move(stream));
  l.entry = l.archive->FindEntry(name);
  l.archive->ArchiveStream->SetPosition(l.entry->Offset);
  l.packed.resize(static_cast<size_t>(l.entry->Size));
  l.archive->ArchiveStream->ReadBuffer(l.packed.data(), l.entry->Size);
  return l;
}

void ReportSizes(benchmark::State& state, const LargeEntry& l) {
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(l.content.size()));
  state.counters["compressed_bytes"] = static_cast<double>(l.packed.size());
  state.counters["ratio"] = static_cast<double>(l.content.size()) / static_cast<double>(l.packed.size());
}

void BM_LoadEntry5MB(benchmark::State& state, Content kind) {
  const LargeEntry& l = Large(kind);
  if (l.entry->Stored != 0) state.SkipWithError("the writer stored the entry uncompressed");
  opal::TMemoryStream target;
  l.archive->LoadEntry(*l.entry, target);
  if (target.Bytes() != l.content) state.SkipWithError("LoadEntry gave other bytes");
  for (auto _ : state) {
    l.archive->LoadEntry(*l.entry, target);
    benchmark::DoNotOptimize(target.Memory());
  }
  ReportSizes(state, l);
}
BENCHMARK_CAPTURE(BM_LoadEntry5MB, text, Content::kText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadEntry5MB, image, Content::kImage)->Unit(benchmark::kMillisecond);

// The yardstick: zlib alone, into a buffer allocated once with the known size.
void BM_ZlibUncompress5MB(benchmark::State& state, Content kind) {
  const LargeEntry& l = Large(kind);
  std::vector<uint8_t> out(l.content.size());
  for (auto _ : state) {
    uLongf n = static_cast<uLongf>(out.size());
    if (uncompress(out.data(), &n, l.packed.data(), static_cast<uLong>(l.packed.size())) != Z_OK || n != out.size()) {
      state.SkipWithError("uncompress failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  if (out != l.content) state.SkipWithError("uncompress gave other bytes");
  ReportSizes(state, l);
}
BENCHMARK_CAPTURE(BM_ZlibUncompress5MB, text, Content::kText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ZlibUncompress5MB, image, Content::kImage)->Unit(benchmark::kMillisecond);

// libdeflate alone into a buffer of the known size: the floor under LoadEntry.
void BM_LibdeflateExact5MB(benchmark::State& state, Content kind) {
  const LargeEntry& l = Large(kind);
  std::vector<uint8_t> out(l.content.size());
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  for (auto _ : state) {
    if (libdeflate_zlib_decompress(d, l.packed.data(), l.packed.size(), out.data(), out.size(), nullptr) !=
        LIBDEFLATE_SUCCESS) {
      state.SkipWithError("libdeflate failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  libdeflate_free_decompressor(d);
  if (out != l.content) state.SkipWithError("libdeflate gave other bytes");
  ReportSizes(state, l);
}
BENCHMARK_CAPTURE(BM_LibdeflateExact5MB, text, Content::kText)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LibdeflateExact5MB, image, Content::kImage)->Unit(benchmark::kMillisecond);

double MedianMs(std::vector<double> ms) {
  if (ms.empty()) return 0;
  std::nth_element(ms.begin(), ms.begin() + static_cast<ptrdiff_t>(ms.size() / 2), ms.end());
  return ms[ms.size() / 2];
}

// The thread's own processor time, so that time spent waiting while other
// work on the machine runs counts for neither side.
double ThreadMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

template <typename F>
double TimeMs(F run) {
  const double start = ThreadMs();
  run();
  return ThreadMs() - start;
}

void BM_LoadEntryRatio5MB(benchmark::State& state, Content kind) {
  const LargeEntry& l = Large(kind);
  opal::TMemoryStream target;
  std::vector<uint8_t> out(l.content.size());
  std::vector<double> ours, zlib;
  for (auto _ : state) {
    zlib.push_back(TimeMs([&] {
      uLongf n = static_cast<uLongf>(out.size());
      uncompress(out.data(), &n, l.packed.data(), static_cast<uLong>(l.packed.size()));
    }));
    ours.push_back(TimeMs([&] { l.archive->LoadEntry(*l.entry, target); }));
    benchmark::DoNotOptimize(target.Memory());
    benchmark::DoNotOptimize(out.data());
  }
  if (target.Bytes() != l.content || out != l.content) state.SkipWithError("the two gave other bytes");
  state.counters["zlib_ms"] = MedianMs(zlib);
  state.counters["ours_ms"] = MedianMs(ours);
  state.counters["ratio"] = MedianMs(zlib) / MedianMs(ours);
}
BENCHMARK_CAPTURE(BM_LoadEntryRatio5MB, text, Content::kText)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(BM_LoadEntryRatio5MB, image, Content::kImage)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
