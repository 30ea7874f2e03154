// TOpalMes: the message window. Its text engine lays tagged text out into
// pages and reveals the current page character by character; the window
// chooses the page, queues its handlers (page start, characters shown,
// page end, links, event markers), follows the mouse over links and keeps
// all of it in the saved record.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stage/message_window.h"
#include "stage/opal_control.h"
#include "history/hist_data.h"
#include "history/mes_data_cache.h"
#include "text/sk_word.h"

namespace opal {

class FontBackend;
class TFontPixelManager;

class TOpalMes : public TOpalControl, public TMessageWindow {
 public:
  explicit TOpalMes(TOpalBaseList* owner);
  ~TOpalMes() override;

  uint8_t Kind() const override { return LT_MES; }
  uint32_t ClassBit() const override { return pc::Mes; }
  const TPropertyTable& Properties() const override;
  TMessageWindow* AsMessageWindow() override { return this; }
  bool Paused() const override { return PausedFlag != 0; }
  std::string IdleHandler() const override { return OnIdle; }

  TSkWord& Engine() { return *Engine_; }
  TWdPageList& Pages() { return Pages_; }
  TWdPage* CurrentPage() const;
  int32_t PageIndex = -1;
  int32_t ScrollY = 0;

  // PR_TEXT written: the tagged text laid out into pages, page 0 current.
  void SetPlainText(const std::string& text);
  // PR_INDEX written: another page, revealed from its beginning.
  void SelectPage(int32_t n);
  // The pages built again from the message data; `queueStart` queues the
  // page-start handler.
  void Rebuild(bool queueStart);
  // TMessageWindow (TextIns, TextClr).
  void BeginMessage(const TMessageSource& from, const std::string& data, bool markRead) override;
  void ClearMessage() override { ClearText(); }
  void ShowHistory(const TOpalNewHistory& history, int64_t first, int64_t count, bool playing) override;
  bool HasPages() const override { return !Pages_.empty(); }
  // ReadMode 0, then PR_TEXT := empty.
  void ClearText();
  // 2 when no page is current or the current page has finished, else 0.
  int32_t PlayState() const;
  bool Playing() const;

  bool Update(int32_t elapsedMs) override;
  void DoMouseMove(TMouseState& m) override;
  void DoMouseLeave(TMouseState& m) override;
  void DoLeftDown(TMouseState& m) override;
  bool PointOnSelf(int32_t x, int32_t y) const override;
  void ReleasePixels() override;
  void RecreatePixels() override;
  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;
  void Restore() override;

  std::string OnPlaying, OnPlayStart, OnPlayEnd, OnLink, OnNotify, OnIdle;
  std::string Reserved[3];
  int32_t ReservedInt = 0;
  uint8_t PausedFlag = 0, TextPaused = 0;
  int32_t TextDelay = 256;
  uint8_t ReadMode = 0;
  std::string SourcePage;
  int32_t SourceCommand = 0;
  TOpalNewMesData MesData;
  // The compiled message the message data names (not saved: a restore asks
  // the stage's message store for it again).
  std::string Message;
  std::string PlainText;
  int32_t StartWait = 0;
  uint8_t HistoryFlag = 0;
  int32_t HistoryNumber = 0;
  bool NeedRender = false, ResetGlyphs = false;
  bool CaptureLink = false;

 protected:
  void DrawSelf(TCustomDIBX& canvas) override;

 private:
  // The compiled message becomes the window's message data under `from`,
  // laid out, page 0 selected.
  void InsertMessage(const TMessageSource& from, const std::string& message);
  void QueueStart();
  // The history's pending page of this window is committed (before the
  // window changes page, rebuilds or takes plain text); a failure is
  // reported.
  void ClosePage();
  // With ReadMode 1, the current page goes to the history as pending and
  // to the read marks as the page to mark when it finishes.
  void RecordPage();
  void Refresh();
  void ApplyPause();
  // The property rows' reads and writes beyond a plain member.
  std::string PageText() const;
  void WriteText(const std::string& text);
  int32_t PageCount() const;
  bool Antialiased() const;
  void SetAntialias(bool v);
  void SetDelay(int32_t v);
  void ApplyScroll();
  void ApplySpeed();
  void ApplyNotify();
  void FitEngine();
  void LayOutText(const std::string& text);
  void BuildPages();
  void FlushDirty();
  void Hover(int32_t x, int32_t y);
  const TWdGlyph* LinkAt(int32_t x, int32_t y) const;
  void PlaceEngine();

  std::unique_ptr<FontBackend> OwnBackend_;  // when the stage has no glyph cache
  std::unique_ptr<TFontPixelManager> OwnFonts_;
  std::unique_ptr<TSkWord> Engine_;
  // The messages history pieces and entries name, loaded again for them.
  std::unique_ptr<TMesDataCacheList> Cache_;
  TWdPageList Pages_;
  std::vector<TRect> Dirty_;
  std::vector<uint8_t> PendingState_;  // page states while a save is restored
  int32_t Delay_ = 0;
};

// Joins the message window to a stage's CreateByKind.
void RegisterMessageComponents(TOpalBaseList& stage);

}  // namespace opal
