// Writes the seed files of wipe_fuzz: for a few kinds, the option bytes the
// target reads (kind, depth, size, reverse, duration, which parameters,
// the parameters, the rule flag, six times) followed by a rule picture
// written with the project's own layered-image encoder.
//   wipe_seed_gen DIR
#include <cstdio>
#include <string>
#include <vector>

#include "imagefiles/brio_encoder.h"
#include "imagefiles/brio_frame_list.h"
#include "seed_file.h"
#include "storage/stream.h"

namespace {

// A small value as the target reads it (one byte: value + 20).
uint8_t Small(int32_t v) { return static_cast<uint8_t>(v + 20); }

// A four-byte value.
void Big(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(255);
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

std::vector<uint8_t> RulePicture() {
  opal::TBrioFrameList list(0);
  opal::TBrioFrame* frame = list.AddFrame();
  frame->Picture.SetSize(12, 9, 32);
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 12; ++x) frame->Picture.SetPixel(x, y, uint32_t(x * 20 + y * 5) * 0x010101u);
  opal::TBrioEncodeOptions options;
  options.Mode = 1;
  opal::TMemoryStream out;
  opal::TBrioEncoder(options).Write(list, out);
  return out.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: wipe_seed_gen DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const std::vector<uint8_t> rule = RulePicture();
  for (int32_t kind : {1, 2, 3, 4, 5, 6, 8, 9, 11, 12, 14, 19, 20, 21, 31, 34, 35, 36, 37, 38}) {
    for (int32_t depth = 0; depth < 3; ++depth) {
      std::vector<uint8_t> seed = {static_cast<uint8_t>(kind), static_cast<uint8_t>(depth), 31, 23,
                                   static_cast<uint8_t>(kind & 1)};
      Big(seed, 1000);
      seed.push_back(3);
      seed.push_back(Small(kind == 37 ? 5 : 12));
      seed.push_back(Small(4));
      seed.push_back(kind >= 19 && kind <= 21 ? 1 : 0);
      for (int32_t t : {0, 1, 250}) seed.push_back(Small(t > 179 ? 179 : t));
      Big(seed, 500);
      Big(seed, 750);
      Big(seed, 999);
      seed.insert(seed.end(), rule.begin(), rule.end());
      opal::seeds::WriteSeed(dir + "/k" + std::to_string(kind) + "-" + std::to_string(depth) + ".bin", seed);
    }
  }
  return 0;
}
