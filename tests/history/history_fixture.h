// Histories over synthetic glyphs: scenario pages given as markup, compiled
// into glyph streams by a word of the fixture and kept in a memory store.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "history/history_format.h"
#include "history/message_store.h"
#include "platform/font_backend.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace opal::testing {

// UTF-8 markup to the glyph stream of a compiled message.
inline std::string CompileMarkup(TFontPixelManager& fonts, const std::string& utf8) {
  TSkWord w(fonts);
  w.Parse(cp932::FromUtf8(utf8));
  TMemoryStream s;
  w.SaveGlyphs(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

struct THistoryFixture {
  TFakeFontBackend Backend;
  TFontPixelManager Fonts{Backend};
  TOpalMemoryMessageStore Store;
  TOpalHistoryFormatManager Manager{TOpalHistoryContext{&Fonts, nullptr, &Store}};

  // A page of messages (markup, or nothing for a command that is no TextIns).
  void Page(const std::string& name, const std::vector<std::optional<std::string>>& markup, bool cached = false) {
    std::vector<std::optional<std::string>> compiled;
    for (const auto& m : markup) compiled.push_back(m ? std::optional(CompileMarkup(Fonts, *m)) : std::nullopt);
    Store.AddPage(name, std::move(compiled), cached);
  }

  // A window shows page `pageIndex` of the message and then leaves it.
  static TOpalRecordedPage Shown(const std::string& page, int32_t command, int32_t pageIndex = 0,
                                 const std::string& window = "mes", int32_t first = 0, int32_t last = -1) {
    TOpalRecordedPage r;
    r.Window = window;
    r.Width = 320;
    r.Height = 240;
    r.Page = page;
    r.Command = command;
    r.PageIndex = pageIndex;
    r.First = first;
    r.Last = last;
    return r;
  }
  void Show(const TOpalRecordedPage& r) {
    Manager.RecordPage(r);
    Manager.ClosePage(r.Window);
  }
  TOpalNewHistory& Default() { return Manager.DefaultFormat().History(); }
};

}  // namespace opal::testing
