// Writes the seed files of cursor_file_fuzz with the project's own cursor
// writers: cursors of a few sizes and animations of one and two frames.
//   cursor_seed_gen DIR
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stage/cursor_file.h"

namespace {

void Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
    std::perror(path.c_str());
    std::exit(1);
  }
  std::fclose(f);
}

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
    Write(dir + "/c" + std::to_string(side) + ".cur", opal::WriteCursorFile(Picture(side, side)));
  }
  Write(dir + "/one.ani", opal::WriteAniFile({Picture(8, 8)}, 6));
  Write(dir + "/two.ani", opal::WriteAniFile({Picture(5, 7), Picture(7, 5)}, 10));
  return 0;
}
