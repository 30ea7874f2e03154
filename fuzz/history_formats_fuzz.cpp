// The history formats block of a game save followed by a window's message
// data, the version from the first byte. After loading, every history shows
// its whole size and a few ranges into that data, the window's pages are
// built from it through the message cache, each history records and commits
// a page, and the formats are saved and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "history/history_format.h"
#include "history/mes_data_cache.h"
#include "history_pages.h"
#include "platform/font_backend.h"
#include "storage/stream.h"
#include "text/font_pixel.h"

namespace {

struct TWorld {
  opal::TFakeFontBackend Backend;
  opal::TFontPixelManager Fonts{Backend};
  opal::TOpalMemoryMessageStore Store;
  TWorld() { opal::fuzzing::FillHistoryStore(Store, Fonts); }
};

void Build(opal::TMesDataCacheList& cache, opal::TSkWord& engine, const opal::TOpalNewMesData& data, int32_t offset) {
  opal::TWdPageList pages;
  opal::BuildPages(cache, engine, pages, data, offset % 2 != 0, offset);
  for (const auto& page : pages) (void)page->Count();
  (void)cache.TakeErrors();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static TWorld world;
  if (size < 1) return 0;
  const int32_t version = 100 + data[0] % 40;
  opal::TOpalHistoryFormatManager manager(opal::TOpalHistoryContext{&world.Fonts, nullptr, &world.Store});
  opal::TOpalNewMesData mes;
  opal::TMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
  try {
    manager.LoadFormats(s, version);
    mes.Load(s, version);
  } catch (const opal::EOpalError&) {
    if (manager.FindFormat("") == nullptr) std::abort();  // the default format is always there
    return 0;
  }
  opal::TSkWord engine(world.Fonts);
  engine.TextWidth = 200;
  engine.ViewHeight = 150;
  opal::TMesDataCacheList cache(&world.Store, world.Fonts, nullptr);
  Build(cache, engine, mes, 0);
  for (size_t i = 0; i < manager.Count(); ++i) {
    const opal::TOpalNewHistory& h = manager.Format(i).History();
    const int64_t total = h.HistorySize();
    if (total < 0) std::abort();
    for (const int64_t first : {int64_t{0}, total / 3, total - 1}) {
      const int64_t count = first == 0 ? total : std::min<int64_t>(total - first, 40);
      if (first < 0 || count <= 0) continue;
      const opal::TOpalShowResult r = h.Show(first, count, mes);
      if (r.Shown) Build(cache, engine, mes, r.HistoryNumber);
    }
  }
  opal::TOpalRecordedPage page;
  page.Window = "mes";
  page.Width = 200;
  page.Height = 150;
  page.Page = "a.osb";
  page.Command = 0;
  manager.RecordPage(page);
  try {
    manager.ClosePage("mes");
  } catch (const opal::EOpalError&) {
  }
  opal::TMemoryStream out;
  manager.SaveFormats(out);
  opal::TOpalHistoryFormatManager again(opal::TOpalHistoryContext{&world.Fonts, nullptr, &world.Store});
  out.SetPosition(0);
  again.LoadFormats(out, opal::history_version::kCurrent);
  opal::TMemoryStream twice;
  again.SaveFormats(twice);
  if (twice.Bytes() != out.Bytes()) std::abort();
  return 0;
}
