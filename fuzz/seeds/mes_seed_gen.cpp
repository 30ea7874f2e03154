// Writes the seed files of mes_record_fuzz with the project's own writers:
// stages holding message windows with plain text, with a message of a
// scenario command, half revealed, paused and on their second page; each
// file is a version byte (138 − 100) and the stage's saved record.
//   mes_seed_gen DIR
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "components/opal_mes.h"
#include "platform/font_backend.h"
#include "scenario/message_body.h"
#include "stage/base_list.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "seed_file.h"

namespace {

struct TSeedStage {
  opal::TFakeFontBackend Backend;
  opal::TFontPixelManager Fonts{Backend};
  opal::TStageServices Services;
  opal::TOpalBaseList Stage{Services};
  TSeedStage() {
    Services.Fonts = &Fonts;
    Stage.SetSize(64, 48);
    opal::RegisterMessageComponents(Stage);
  }
  opal::TOpalMes* Window(int32_t w, int32_t h) {
    auto* mes = Stage.Create<opal::TOpalMes>();
    mes->SetName("msg");
    mes->SetParent(Stage.ActiveBase());
    mes->SetProperty(opal::PR_FONTNAME, opal::TPropValue::OfStr("Fake"));
    mes->SetProperty(opal::PR_DELAY, opal::TPropValue::OfInt(30));
    mes->SetProperty(opal::PR_ONPLAYING, opal::TPropValue::OfStr("p.osb"));
    mes->SetProperty(opal::PR_WIDTH, opal::TPropValue::OfInt(w));
    mes->SetProperty(opal::PR_HEIGHT, opal::TPropValue::OfInt(h));
    return mes;
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Stage.Update(15);
  }
  // The fuzz target's version byte, then the record.
  std::vector<uint8_t> Saved() {
    opal::TMemoryStream s;
    Stage.SaveToStream(s);
    std::vector<uint8_t> bytes(s.Bytes().size() + 1);
    bytes[0] = static_cast<uint8_t>(opal::kSaveVersion - 100);
    std::copy(s.Bytes().begin(), s.Bytes().end(), bytes.begin() + 1);
    return bytes;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: mes_seed_gen DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  {
    TSeedStage s;
    s.Window(60, 30)->SetProperty(opal::PR_TEXT, opal::TPropValue::OfStr("ab<B>cd</B><BR>ef<CLEAR>gh"));
    s.Frames(5);
    opal::seeds::WriteSeed(dir + "/plain_half.rec", s.Saved());
  }
  {
    TSeedStage s;
    opal::TOpalMes* mes = s.Window(40, 40);
    mes->BeginMessage({"main.osb", 3}, opal::CompileMessage("x<A HREF=\"l\">yz</A><CLEAR>second <RUBY VALUE=\"r\">w</RUBY>"),
                      true);
    s.Frames(3);
    mes->SetProperty(opal::PR_INDEX, opal::TPropValue::OfInt(1));
    mes->SetProperty(opal::PR_TEXTPAUSED, opal::TPropValue::OfFlag(true));
    s.Frames(2);
    opal::seeds::WriteSeed(dir + "/message_second_page.rec", s.Saved());
  }
  {
    TSeedStage s;
    s.Window(0, 0);
    opal::seeds::WriteSeed(dir + "/empty.rec", s.Saved());
  }
  return 0;
}
