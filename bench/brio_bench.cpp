// Decoding a 1280 × 720 32-bit picture stored as a layered image in each
// storage mode (zlib, raw, JPEG), and the baselines: libpng decoding the same
// pixels from a PNG, zlib inflating the same compressed rows, and memcpy.
// BM_BrioZlibRatioToLibpng gives libpng's time over ours for the zlib mode.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <ctime>
#include <cstring>
#include <vector>

#include "imagefiles/brio_encoder.h"
#include "imagefiles/brio_frame_list.h"
#include "storage/stream.h"

namespace {

constexpr int32_t kW = 1280, kH = 720;

// Gradients with a little noise: compresses the way game pictures do.
const opal::TDIBSurface& Picture() {
  static const opal::TDIBSurface picture = [] {
    opal::TDIBSurface p;
    p.SetSize(kW, kH, 32);
    uint32_t seed = 1;
    for (int32_t y = 0; y < kH; ++y)
      for (int32_t x = 0; x < kW; ++x) {
        seed = seed * 1664525u + 1013904223u;
        const uint32_t n = (seed >> 29);
        p.SetPixel(x, y, ((x / 5 + n) & 0xFF) << 16 | ((y / 3 + n) & 0xFF) << 8 | (((x + y) / 7) & 0xFF));
      }
    return p;
  }();
  return picture;
}

std::vector<uint8_t> Stored(int32_t mode) {
  opal::TBrioFrameList list;
  list.AddFrame()->Picture = Picture();
  opal::TBrioEncodeOptions o;
  o.Mode = mode;
  o.Quality = 85;
  opal::TMemoryStream s;
  opal::TBrioEncoder(o).Write(list, s);
  return s.Bytes();
}

void BM_BrioDecode(benchmark::State& state) {
  opal::TMemoryStream s(Stored(static_cast<int32_t>(state.range(0))));
  for (auto _ : state) {
    s.SetPosition(0);
    opal::TBrioFrameList list;
    list.LoadFromStream(s, false);
    benchmark::DoNotOptimize(list.Frames(0)->Picture.Bits().data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 4);
  state.counters["file_bytes"] = static_cast<double>(s.Size());
}
BENCHMARK(BM_BrioDecode)->Arg(0)->Arg(1)->Arg(2)->ArgName("mode")->Unit(benchmark::kMillisecond);

// The picture as libpng writes it, opaque BGRA.
const std::vector<uint8_t>& Png() {
  static const std::vector<uint8_t> png = [] {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = kW;
    image.height = kH;
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint8_t> pixels(Picture().Bits());
    for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
    png_alloc_size_t size = 0;
    std::vector<uint8_t> bytes;
    if (png_image_write_get_memory_size(image, size, 0, pixels.data(), 0, nullptr)) {
      bytes.resize(size);
      if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels.data(), 0, nullptr)) size = 0;
    }
    bytes.resize(size);
    return bytes;
  }();
  return png;
}

bool DecodePng(const std::vector<uint8_t>& png, std::vector<uint8_t>& out) {
  png_image r{};
  r.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&r, png.data(), png.size())) return false;
  r.format = PNG_FORMAT_BGRA;
  return png_image_finish_read(&r, nullptr, out.data(), 0, nullptr) != 0;
}

void BM_LibpngDecode(benchmark::State& state) {
  const std::vector<uint8_t>& png = Png();
  if (png.empty()) {
    state.SkipWithError("libpng cannot write the PNG");
    return;
  }
  std::vector<uint8_t> out(size_t{kW} * kH * 4);
  for (auto _ : state) {
    DecodePng(png, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 4);
  state.counters["file_bytes"] = static_cast<double>(png.size());
}
BENCHMARK(BM_LibpngDecode)->Unit(benchmark::kMillisecond);

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

// The layered image of zlib rows and libpng's PNG decoded in turn, many
// rounds: the ratio of libpng's median processor time to ours, so that load
// from other work on the machine falls on both alike.
void BM_BrioZlibRatioToLibpng(benchmark::State& state) {
  opal::TMemoryStream s(Stored(0));
  const std::vector<uint8_t>& png = Png();
  std::vector<uint8_t> out(size_t{kW} * kH * 4);
  std::vector<double> ours, libpng;
  bool same = true;
  for (auto _ : state) {
    libpng.push_back(TimeMs([&] { DecodePng(png, out); }));
    opal::TBrioFrameList list;
    ours.push_back(TimeMs([&] {
      s.SetPosition(0);
      list.LoadFromStream(s, false);
    }));
    same = same && list.Frames(0)->Picture.Bits() == Picture().Bits();
    benchmark::DoNotOptimize(out.data());
  }
  if (!same) state.SkipWithError("the layered image decoded to other pixels");
  state.counters["libpng_ms"] = MedianMs(libpng);
  state.counters["ours_ms"] = MedianMs(ours);
  state.counters["ratio"] = MedianMs(libpng) / MedianMs(ours);
}
BENCHMARK(BM_BrioZlibRatioToLibpng)->Unit(benchmark::kMillisecond)->MinTime(2);

void BM_ZlibUncompress(benchmark::State& state) {
  const std::vector<uint8_t>& pixels = Picture().Bits();
  uLongf packedSize = compressBound(static_cast<uLong>(pixels.size()));
  std::vector<uint8_t> packed(packedSize);
  compress2(packed.data(), &packedSize, pixels.data(), static_cast<uLong>(pixels.size()), 1);
  std::vector<uint8_t> out(pixels.size());
  for (auto _ : state) {
    uLongf outSize = static_cast<uLongf>(out.size());
    uncompress(out.data(), &outSize, packed.data(), packedSize);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pixels.size()));
}
BENCHMARK(BM_ZlibUncompress)->Unit(benchmark::kMillisecond);

void BM_Memcpy(benchmark::State& state) {
  const std::vector<uint8_t>& pixels = Picture().Bits();
  std::vector<uint8_t> out(pixels.size());
  for (auto _ : state) {
    std::memcpy(out.data(), pixels.data(), pixels.size());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pixels.size()));
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond);

}  // namespace
