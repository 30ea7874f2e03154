// opaltool text render: tagged message text laid out, revealed and drawn by
// the player's own text engine, written as a PNG of one page, with a layout
// dump of every page.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "common/cp932.h"
#include "common/error.h"
#include "components/word_host.h"
#include "imagefiles/brio_frame_list.h"
#include "platform/font_backend.h"
#include "raster/dibx.h"
#include "raster/png_writer.h"
#include "storage/atomic_file.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"
#include "text/tag_parser.h"

namespace opaltool {

namespace {

using opal::EOpalError;
using opal::Format;

constexpr const char* kUsage =
    "usage: opaltool text render [options] IN.txt [-o OUT.png] [--dump OUT.txt]\n"
    "         --utf8            IN is UTF-8 (also when it starts with a byte-order mark;\n"
    "                           otherwise CP932)\n"
    "         --width N         wrapping width (default 0: no wrapping, the widest row)\n"
    "         --height N        page height (default: the first page's own height)\n"
    "         --size N          default character size (default 12)\n"
    "         --face NAME       default face (default ＭＳ ゴシック)\n"
    "         --color 0xRRGGBB  default text colour (default 0xFFFFFF)\n"
    "         --background 0xRRGGBB   (default 0x000000)\n"
    "         --outline N --outline-color 0xRRGGBB --shadow N --shadow-color 0xRRGGBB\n"
    "         --line-spacing N  --quality 0..3 (default 3)\n"
    "         --speed N         wait scale, 256 = as written (default 256)\n"
    "         --frame N         the page after N reveal frames of 15 ms (default: fully shown)\n"
    "         --page N          the page written as PNG (default 0)\n"
    "         --images DIR      where <IMG SRC=...> pictures are found\n"
    "       A dump line: page row glyph x y w h code (x, y from the text origin;\n"
    "       code in hex for characters, the kind letter otherwise).\n";

constexpr int32_t kFrameMs = 15;
// Layout without a page height: rows never run past it.
constexpr int32_t kUnboundedHeight = 1 << 24;

// Pictures from a folder, by the file name the markup gives.
class TFolderPictures : public opal::TWordHost {
 public:
  explicit TFolderPictures(std::string dir) : Dir_(std::move(dir)) {}
  std::shared_ptr<const opal::TWordPicture> LoadPicture(const std::string& file) override {
    if (Dir_.empty() || file.empty() || file.find("..") != std::string::npos || file[0] == '/') return nullptr;
    opal::TBrioFrameList list;
    try {
      list.LoadFromFile(Dir_ + "/" + opal::cp932::ToUtf8(file), false);
    } catch (const EOpalError&) {
      return nullptr;
    }
    return opal::WordPictureOf(list);
  }

 private:
  std::string Dir_;
};

char KindLetter(const opal::TWdGlyph& g) {
  switch (g.Kind()) {
    case opal::wkReturn: return 'R';
    case opal::wkImage: return 'I';
    case opal::wkAlign: return 'A';
    case opal::wkEvent: return 'E';
    case opal::wkVar: return 'V';
    default: return 'S';  // blanks and other operators
  }
}

std::string Dump(const opal::TWdPageList& pages) {
  std::ostringstream out;
  for (size_t p = 0; p < pages.size(); ++p) {
    const opal::TWdPage& page = *pages[p];
    for (size_t r = 0; r < page.Count(); ++r) {
      const opal::TWdRow& row = *page.Row(r);
      for (size_t i = 0; i < row.Count(); ++i) {
        const opal::TWdGlyph& g = *row.Item(i);
        out << p << ' ' << r << ' ' << i << ' ' << g.AbsX() << ' ' << g.AbsY() << ' ' << g.Width << ' '
            << g.Height << ' ';
        if (g.Kind() == opal::wkChar) {
          char code[8];
          std::snprintf(code, sizeof code, "%X", g.Code());
          out << code;
        } else {
          out << KindLetter(g);
        }
        out << '\n';
      }
    }
  }
  return out.str();
}

int Render(const Args& args) {
  std::string in, png, dump, images;
  bool utf8 = false;
  int32_t width = 0, height = -1, size = 12, color = 0xFFFFFF, background = 0, outline = 0, shadow = 0;
  int32_t outlineColor = 0x808080, shadowColor = 0, lineSpacing = 0, quality = 3, speed = 256;
  int32_t frame = -1, pageIndex = 0;
  std::string face;
  struct IntOption {
    const char* name;
    int32_t* value;
  };
  const IntOption ints[] = {{"--width", &width},         {"--height", &height},
                            {"--size", &size},           {"--color", &color},
                            {"--background", &background}, {"--outline", &outline},
                            {"--shadow", &shadow},       {"--outline-color", &outlineColor},
                            {"--shadow-color", &shadowColor}, {"--line-spacing", &lineSpacing},
                            {"--quality", &quality},     {"--speed", &speed},
                            {"--frame", &frame},         {"--page", &pageIndex}};
  TArgWalker w(args);
  std::string value;
  while (w.Next()) {
    bool matched = false;
    for (const IntOption& o : ints)
      if (w.Option(o.name, value)) {
        *o.value = OptionNumber(o.name, value);
        matched = true;
        break;
      }
    if (matched || w.Option("-o", png) || w.Option("--dump", dump) || w.Option("--images", images)) continue;
    if (w.Flag("--utf8")) {
      utf8 = true;
    } else if (w.Option("--face", value)) {
      face = opal::cp932::FromUtf8(value);
    } else {
      const std::string& operand = w.Operand();
      if (!in.empty()) throw EUsageError("more than one input");
      in = operand;
    }
  }
  if (in.empty()) throw EUsageError("no input");
  if (png.empty() && dump.empty()) throw EUsageError("nothing to write (-o or --dump)");
  if (width < 0 || width > opal::TDIBX::kMaxSide) throw EUsageError("--width out of range");
  if (height > opal::TDIBX::kMaxSide) throw EUsageError("--height out of range");

  std::ifstream file(in, std::ios::binary);
  if (!file) throw EOpalError(in + ": cannot be read");
  std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (text.rfind("\xEF\xBB\xBF", 0) == 0) {
    text.erase(0, 3);
    utf8 = true;
  }
  if (utf8) text = opal::cp932::FromUtf8(text);
  text = opal::JoinLinesWithCr(text);  // the lines as the parser takes them

  std::unique_ptr<opal::FontBackend> backend = opal::CreateFreeTypeFontBackend();
  opal::TFontPixelManager fonts(*backend);
  TFolderPictures pictures(images);
  opal::TSkWord word(fonts, &pictures);
  word.TextWidth = width;
  word.ViewHeight = height > 0 ? height : kUnboundedHeight;
  word.DefaultSize = size;
  if (!face.empty()) word.DefaultFace = face;
  word.DefaultColor = RgbToColour(color);
  word.DefaultOutline = outline;
  word.OutlineColor = RgbToColour(outlineColor);
  word.DefaultShadow = shadow;
  word.ShadowColor = RgbToColour(shadowColor);
  word.LineSpacing = lineSpacing;
  word.Quality = quality;
  word.Speed = speed;
  word.Parse(text);
  word.ExpandVars(0, -1);
  opal::TWdPageList pages;
  word.Layout(pages, 0, -1);

  if (!dump.empty()) opal::WriteFileAtomic(dump, Dump(pages));
  if (png.empty()) return 0;
  if (pageIndex < 0 || static_cast<size_t>(pageIndex) >= pages.size())
    throw EOpalError(Format("page %d: the text has %zu pages", pageIndex, pages.size()));
  opal::TWdPage& page = *pages[static_cast<size_t>(pageIndex)];
  if (height <= 0) word.ViewHeight = page.Height;
  if (word.TextWidth <= 0 || word.ViewHeight <= 0) throw EOpalError("the page is empty");

  opal::TDIBX target;
  target.SetSize(word.TextWidth, word.ViewHeight, 32);
  target.FillRect(target.BoundsRect(), static_cast<uint32_t>(target.ColorToPixel(RgbToColour(background))));
  word.Target = &target;
  word.VisibleRect = target.BoundsRect();
  word.RenderPage(page, frame >= 0);
  for (int32_t f = 0; f < frame; ++f) word.RevealStep(page, kFrameMs);
  word.DrawPage(page);
  opal::SavePng(target, png);
  return 0;
}

}  // namespace

int CmdText(const Args& args) {
  return RunSubcommands("text", kUsage, args, {{"render", Render}});
}

}  // namespace opaltool
