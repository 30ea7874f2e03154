// Writes the seed files of png_fuzz and bmp_fuzz with the project's own
// writers (SavePng, SaveBmp, and the tests' libpng fixture writer for the
// PNG variants SavePng never makes: grey, 16-bit, interlaced, tRNS).
//   imagefiles_seed_gen PNG_DIR BMP_DIR
#include <cstdio>
#include <string>

#include "imagefiles/bmp_codec.h"
#include "imagefiles/image_test_util.h"  // tests/imagefiles
#include "imagefiles/png_codec.h"
#include "seed_file.h"

using namespace opal;
using testing::NoisePicture;
using testing::TPngSpec;

namespace {

TPngSpec Spec(uint32_t w, uint32_t h, int depth, int type, int bytesPerRow) {
  TPngSpec s;
  s.Width = w, s.Height = h, s.BitDepth = depth, s.ColorType = type;
  uint32_t seed = 5;
  for (uint32_t y = 0; y < h; ++y) {
    s.Rows.emplace_back();
    for (int i = 0; i < bytesPerRow; ++i)
      s.Rows.back().push_back(static_cast<uint8_t>(testing::NextRandom(seed)));
  }
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s PNG_DIR BMP_DIR\n", argv[0]);
    return 2;
  }
  const std::string png = argv[1], bmp = argv[2];
  for (const int32_t bits : {1, 4, 8, 15, 16, 24, 32}) {
    for (const bool alpha : {false, true}) {
      TDIBSurface p = NoisePicture(5, 3, bits, static_cast<uint32_t>(bits));
      if (alpha) testing::AddNoiseAlpha(p);
      TMemoryStream s;
      SavePng(p, s);
      opal::seeds::WriteSeed(png + "/save" + std::to_string(bits) + (alpha ? "a" : "") + ".png", s.Bytes());
    }
    TMemoryStream s;
    SaveBmp(NoisePicture(5, 3, bits, static_cast<uint32_t>(bits)), s);
    opal::seeds::WriteSeed(bmp + "/save" + std::to_string(bits) + ".bmp", s.Bytes());
  }
  TPngSpec grey2 = Spec(6, 2, 2, PNG_COLOR_TYPE_GRAY, 2);
  grey2.HasTransColor = true;
  grey2.TransColor.gray = 1;
  opal::seeds::WriteSeed(png + "/grey2trns.png", testing::WritePng(grey2));
  opal::seeds::WriteSeed(png + "/grey16alpha.png", testing::WritePng(Spec(3, 3, 16, PNG_COLOR_TYPE_GRAY_ALPHA, 12)));
  opal::seeds::WriteSeed(png + "/rgba16.png", testing::WritePng(Spec(2, 2, 16, PNG_COLOR_TYPE_RGB_ALPHA, 16)));
  TPngSpec laced = Spec(9, 9, 8, PNG_COLOR_TYPE_RGB, 27);
  laced.Interlaced = true;
  laced.HasTransColor = true;
  laced.TransColor.red = 7;
  opal::seeds::WriteSeed(png + "/interlaced.png", testing::WritePng(laced));
  TPngSpec pal = Spec(7, 2, 2, PNG_COLOR_TYPE_PALETTE, 2);
  pal.Palette = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 11, 12}};
  pal.TransAlpha = {255, 0, 128};
  opal::seeds::WriteSeed(png + "/palette2trns.png", testing::WritePng(pal));
  return 0;
}
