// Writes the seed files of history_formats_fuzz and read_marks_fuzz with the
// history's own writers: formats blocks of histories in entry mode and in
// page mode (with pending records, trimmed names and values) each followed
// by the message data a window would hold, and read-mark blocks; every file
// starts with the targets' version byte.
//   history_seed_gen DIR_FORMATS DIR_MARKS
#include <cstdio>
#include <string>
#include <vector>

#include "../history_pages.h"
#include "history/history_format.h"
#include "history/read_list.h"
#include "platform/font_backend.h"
#include "seed_file.h"

namespace {

struct TSeedWorld {
  opal::TFakeFontBackend Backend;
  opal::TFontPixelManager Fonts{Backend};
  opal::TOpalMemoryMessageStore Store;
  opal::TOpalHistoryFormatManager Manager{opal::TOpalHistoryContext{&Fonts, nullptr, &Store}};
  opal::TOpalNewMesData Mes;
  TSeedWorld() { opal::fuzzing::FillHistoryStore(Store, Fonts); }

  void Show(const std::string& page, int32_t command, int32_t index, int32_t first = 0, int32_t last = -1,
            const std::string& values = "") {
    opal::TOpalRecordedPage r;
    r.Window = "mes";
    r.Width = 200;
    r.Height = 150;
    r.Page = page;
    r.Command = command;
    r.PageIndex = index;
    r.First = first;
    r.Last = last;
    r.Values = values;
    Manager.RecordPage(r);
    try {
      Manager.ClosePage("mes");
    } catch (const opal::EOpalError&) {
      // b.osb's second command is damaged on purpose.
    }
  }
  // Version byte 38 (138), the formats block, the message data.
  std::vector<uint8_t> Saved() const {
    opal::TMemoryStream s;
    s.Bytes().push_back(static_cast<uint8_t>(opal::history_version::kCurrent - 100));
    s.SetPosition(1);
    Manager.SaveFormats(s);
    Mes.Save(s);
    return s.Bytes();
  }
};

void Formats(const std::string& dir) {
  {
    TSeedWorld w;
    opal::seeds::WriteSeed(dir + "/empty.dat", w.Saved());
  }
  {
    TSeedWorld w;
    w.Manager.DefaultFormat().History().MaxCount = 4;
    for (int32_t k = 0; k < 6; ++k) w.Show(k % 3 ? "a.osb" : "b.osb", k % 2 ? 2 : 0, k % 2);
    w.Manager.RecordPage(opal::TOpalRecordedPage{"mes", 200, 150, "a.osb", 3, 0, 0, -1, ""});
    (void)w.Manager.DefaultFormat().History().Show(1, 3, w.Mes);
    opal::seeds::WriteSeed(dir + "/entries.dat", w.Saved());
  }
  {
    TSeedWorld w;
    opal::TOpalHistoryFormat& log = w.Manager.ObtainFormat("log");
    log.Settings = opal::TOpalHistorySettings{16, 1, 2, 120, 60, 3};
    log.History().MaxCount = 5;
    w.Show("a.osb", 0, 0, 0, 4, "$a=12");
    w.Show("a.osb", 0, 1, 5, -1, "$a=12");
    w.Show("A.OSB", 2, 0);
    w.Show("b.osb", 0, 0);
    w.Show("b.osb", 1, 0);
    w.Show("a.osb", 3, 0);
    const opal::TOpalNewHistory& h = log.History();
    (void)h.Show(h.HistorySize() / 3, h.HistorySize() / 2 + 1, w.Mes);
    opal::seeds::WriteSeed(dir + "/pages.dat", w.Saved());
  }
  {
    TSeedWorld w;
    w.Manager.ObtainFormat("narrow").Settings = opal::TOpalHistorySettings{0, 0, 0, -5, 400, -2};
    w.Show("b.osb", 0, 0);
    w.Mes.SetMessage("a.osb", 0);
    w.Mes.Pieces.Values[0] = "$a=x";
    opal::seeds::WriteSeed(dir + "/textins.dat", w.Saved());
  }
}

void Marks(const std::string& dir) {
  const auto saved = [](const opal::TOpalReadList& marks) {
    opal::TMemoryStream s;
    s.Bytes().push_back(static_cast<uint8_t>(opal::history_version::kCurrent - 90));
    s.SetPosition(1);
    marks.SaveMarks(s);
    return s.Bytes();
  };
  opal::TOpalReadList marks;
  opal::seeds::WriteSeed(dir + "/empty.dat", saved(marks));
  for (int32_t k = 0; k < 12; ++k) {
    marks.NotePage("mes", k % 3 ? "a.osb" : "B.osb", k % 4, k / 2);
    marks.MarkRead("mes");
  }
  marks.NotePage("side", "c.osb", 1, 9);
  opal::seeds::WriteSeed(dir + "/marks.dat", saved(marks));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: history_seed_gen DIR_FORMATS DIR_MARKS\n");
    return 2;
  }
  Formats(argv[1]);
  Marks(argv[2]);
  return 0;
}
