// Writes the seed files of cursor_file_fuzz with the project's own cursor
// writers: cursors of a few sizes and animations of one and two frames.
//   cursor_seed_gen DIR
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stage/cursor_file.h"
#include "seed_file.h"

namespace {

opal::TCursorImage Picture(int32_t w, int32_t h) {
  opal::TCursorImage image{w, h, w / 3, h / 2, {}};
  for (int32_t i = 0; i < w * h; ++i) image.Pixels.push_back(i % 5 == 0 ? 0 : 0xFF000000u | (i * 2654435761u >> 8));
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: cursor_seed_gen DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  for (int32_t side : {1, 3, 16, 32}) {
    opal::seeds::WriteSeed(dir + "/c" + std::to_string(side) + ".cur", opal::WriteCursorFile(Picture(side, side)));
  }
  opal::seeds::WriteSeed(dir + "/one.ani", opal::WriteAniFile({Picture(8, 8)}, 6));
  opal::seeds::WriteSeed(dir + "/two.ani", opal::WriteAniFile({Picture(5, 7), Picture(7, 5)}, 10));
  return 0;
}
