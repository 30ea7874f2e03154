// Wipes with fuzzer-chosen kind, parameters, reverse flag, duration, a
// sequence of times, small screens at 15, 16 and 32 bits, and the bytes of
// a rule picture (read as the game data's file). The sanitizers watch every
// access; the target checks that a step at or past the end draws nothing.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "raster/dibx.h"
#include "stage/stage_services.h"
#include "storage/stream.h"
#include "wipes/create_wipe.h"

namespace {

using namespace opal;

class TReader {
 public:
  TReader(const uint8_t* data, size_t size) : P_(data), End_(data + size) {}
  uint8_t Byte() { return P_ < End_ ? *P_++ : 0; }
  int32_t Int() {
    const uint8_t kind = Byte();
    if (kind < 200) return static_cast<int32_t>(kind) - 20;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return static_cast<int32_t>(v);
  }
  std::vector<uint8_t> Rest() { return {P_, End_}; }

 private:
  const uint8_t* P_;
  const uint8_t* End_;
};

struct TOneFile : TStageFiles {
  std::vector<uint8_t> Bytes;
  void Load(std::string_view, TStream& out) override {
    if (Bytes.empty()) throw EOpalError("no such file");
    out.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TReader r(data, size);
  const int32_t kind = r.Byte() % 40;
  static constexpr int32_t kDepths[] = {15, 16, 32};
  const int32_t bits = kDepths[r.Byte() % 3];
  const int32_t w = 1 + r.Byte() % 48, h = 1 + r.Byte() % 40;
  const bool reverse = r.Byte() & 1;
  const int32_t duration = r.Int();
  const uint8_t given = r.Byte();
  const int32_t p0 = r.Int(), p1 = r.Int();
  const bool rule = r.Byte() & 1;
  int32_t times[6];
  for (int32_t& t : times) t = r.Int();
  TOneFile files;
  files.Bytes = r.Rest();

  TDIBX old, fresh, dest;
  old.SetSize(w, h, bits);
  fresh.SetSize(w, h, bits);
  dest.SetSize(w, h, bits);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      old.SetPixel(x, y, static_cast<uint32_t>(x * 7 + y * 13) & 0x7FFF);
      fresh.SetPixel(x, y, static_cast<uint32_t>(x * 11 + y * 3 + 5) & 0x7FFF);
    }
  TWipeRandom random(7);
  TWipeContext context;
  context.Files = &files;
  context.Random = &random;
  context.Warn = [](const std::string&) {};
  std::unique_ptr<TCustomWipe> wipe = CreateWipe(kind, &dest, &old, &fresh, context);
  if (wipe == nullptr) return 0;
  wipe->SetDuration(duration);
  wipe->SetReverse(reverse);
  if (given & 1) wipe->SetParam(0, p0);
  if (given & 2) wipe->SetParam(1, p1);
  if (rule) wipe->SetMaskFile("rule");
  wipe->Prepare();
  for (int32_t t : times) {
    wipe->SetTime(t);
    wipe->Step();
  }
  // At the end nothing is drawn.
  dest.Clear(0x1234);
  wipe->SetTime(wipe->Duration());
  if (!wipe->Step()) std::abort();
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (dest.GetPixel(x, y) != 0x1234) std::abort();
  return 0;
}
