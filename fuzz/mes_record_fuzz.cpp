// Saved records of message windows on a stage over synthetic glyphs, whose
// scenario pages give one compiled message for any page and command; the
// version comes from the first byte. After loading (which restores every
// window's pages and their reveal state), the stage is updated, drawn,
// hovered and clicked for a few frames and saved again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/error.h"
#include "components/opal_mes.h"
#include "platform/font_backend.h"
#include "raster/dibx.h"
#include "scenario/message_body.h"
#include "stage/base_list.h"
#include "stage/opal_base.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string message = opal::CompileMessage(
      "a<B>b</B><RUBY VALUE=\"r\">c</RUBY><A HREF=\"x\">link</A><EVENT VALUE=\"e\"><BR>d<CLEAR>page two");
  if (size < 1) return 0;
  const int32_t version = 100 + data[0] % 40;
  opal::TFakeFontBackend backend;
  opal::TFontPixelManager fonts(backend);
  opal::TDIBX screen;
  screen.SetSize(64, 48, 32);
  // Every restored window finds the same message.
  struct TOneMessage : opal::TMessageStore {
    std::string Message(const std::string&, int32_t) override { return message; }
  } messages;
  opal::TStageServices services;
  services.Screen = &screen;
  services.Fonts = &fonts;
  services.Messages = &messages;
  opal::TOpalBaseList stage(services);
  opal::RegisterMessageComponents(stage);
  opal::TMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
  try {
    stage.LoadFromStream(s, version);
  } catch (const opal::EOpalError&) {
    return 0;
  }
  for (int frame = 0; frame < 3; ++frame) {
    stage.Update(17);
    for (const auto& o : stage.Objects()) {
      auto* mes = dynamic_cast<opal::TOpalMes*>(o.get());
      if (mes == nullptr) continue;
      opal::TMouseState m;
      m.PointerX = opal::ClampToInt32(int64_t{mes->ScreenLeft()} + frame * 7);
      m.PointerY = opal::ClampToInt32(int64_t{mes->ScreenTop()} + frame * 3);
      m.LeftNow = true;
      mes->DoMouseMove(m);
      mes->DoLeftDown(m);
      (void)mes->PointOnSelf(m.PointerX, m.PointerY);
    }
    stage.ActiveBase()->MarkAllDirty();
    stage.Draw();
    stage.ClearDirty();
  }
  opal::TMemoryStream out;
  stage.SaveToStream(out);
  return 0;
}
