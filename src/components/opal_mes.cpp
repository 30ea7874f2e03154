// The message window.
#include "components/opal_mes.h"

#include <algorithm>

#include "common/cp932.h"
#include "common/diagnostics.h"
#include "common/error.h"
#include "history/history_format.h"
#include "history/page_source.h"
#include "history/read_list.h"
#include "platform/font_backend.h"
#include "stage/base_list.h"
#include "stage/property_table.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/tag_parser.h"

namespace opal {

namespace {

constexpr int32_t kHistoryFieldsAfter = 112;  // HistoryFlag, HistoryNumber
constexpr int32_t kIdleAfter = 103;
constexpr int32_t kCaptureLinkSince = 120;

}  // namespace

// --- the window ---

TOpalMes::TOpalMes(TOpalBaseList* owner) : TOpalControl(owner) {
  TFontPixelManager* fonts = owner != nullptr ? owner->Services().Fonts : nullptr;
  if (fonts == nullptr) {
    OwnBackend_ = CreateNullFontBackend();
    OwnFonts_ = std::make_unique<TFontPixelManager>(*OwnBackend_);
    fonts = OwnFonts_.get();
  }
  TWordHost* host = owner != nullptr ? owner->Services().WordHost : nullptr;
  Engine_ = std::make_unique<TSkWord>(*fonts, host);
  Cache_ = std::make_unique<TMesDataCacheList>(owner != nullptr ? owner->Services().MessagePages : nullptr, *fonts, host);
  Engine_->Quality = 3;
  Engine_->EventsEnabled = true;
  Engine_->Speed = TextDelay;
  Engine_->OnInvalidate = [this](const TRect& r) { Dirty_.push_back(r); };
  Engine_->OnEvent = [this](TSkWord&, const std::string& text) {
    if (!OnNotify.empty() && Owner() != nullptr) Owner()->Events.Post(this, OnNotify, cp932::SplitLines(text), PR_ONNOTIFY);
  };
}

// The pages point into the engine's glyphs: they go first.
TOpalMes::~TOpalMes() {
  Invalidate();
  Pages_.clear();
  Cache_.reset();
}

TWdPage* TOpalMes::CurrentPage() const {
  return PageIndex >= 0 && static_cast<size_t>(PageIndex) < Pages_.size() ? Pages_[static_cast<size_t>(PageIndex)].get()
                                                                           : nullptr;
}

void TOpalMes::PlaceEngine() {
  TSkWord& w = *Engine_;
  w.OriginX = ScreenLeft();
  w.OriginY = ScreenTop();
  if (TCustomDIBX* canvas = GetCanvas()) w.Depth = canvas->BitCount() >= 8 ? canvas->BitCount() : 32;
}

// The argument tells the handler whether the page was read to its end
// before: only a TextIns message with read marks can have been.
void TOpalMes::QueueStart() {
  if (OnPlayStart.empty() || Owner() == nullptr) return;
  const TOpalReadList* marks = Owner()->Services().ReadMarks;
  const bool read = ReadMode == 1 && marks != nullptr && marks->IsRead(SourcePage, SourceCommand, PageIndex);
  Owner()->Events.Post(this, OnPlayStart, {read ? "1" : "0"}, PR_ONPLAYSTART);
  StartWait = 1;
}

void TOpalMes::ClosePage() {
  TOpalHistoryFormatManager* history = Owner() != nullptr ? Owner()->Services().History : nullptr;
  if (history == nullptr) return;
  try {
    history->ClosePage(Name());
  } catch (const EOpalError& e) {
    ReportError(std::string("message window ") + Name() + ": history: " + e.what());
  }
}

void TOpalMes::RecordPage() {
  const TWdPage* page = CurrentPage();
  if (ReadMode != 1 || page == nullptr || Owner() == nullptr) return;
  const TStageServices& services = Owner()->Services();
  if (services.History != nullptr) {
    const TOpalSourceMap map(*Engine_);
    const TOpalPageSpan span = map.Span(*page);
    services.History->RecordPage(
        {Name(), Width_, Height_, SourcePage, SourceCommand, PageIndex, span.First, span.Last, map.Values(*page)});
  }
  if (services.ReadMarks != nullptr) services.ReadMarks->NotePage(Name(), SourcePage, PageIndex, SourceCommand);
}

void TOpalMes::LayOutText(const std::string& text) {
  Pages_.clear();
  TSkWord& w = *Engine_;
  w.TextWidth = Width_;
  w.ViewHeight = Height_;
  const std::string joined = JoinLinesWithCr(text);
  try {
    w.Parse(joined);
  } catch (const EOpalError&) {
    // What was parsed before the fault is shown.
    w.ExpandVars(0, -1);
    w.Layout(Pages_, 0, -1);
    w.TextWidth = Width_;
    throw;
  }
  w.ExpandVars(0, -1);
  w.Layout(Pages_, 0, -1);
  w.TextWidth = Width_;  // a window keeps its width when the text is narrower
}

void TOpalMes::SetPlainText(const std::string& text) {
  Invalidate();
  MesData.Pieces.Values.assign(MesData.Pieces.Values.size(), std::string());
  PlainText = text;
  ClosePage();
  HistoryNumber = 0;
  PageIndex = 0;
  ScrollY = 0;
  LayOutText(text);
  if (!Pages_.empty()) {
    NeedRender = ResetGlyphs = true;
    QueueStart();
  }
}

void TOpalMes::SelectPage(int32_t n) {
  if (n == PageIndex || n < 0 || static_cast<size_t>(n) >= Pages_.size()) return;
  if (CurrentPage() != nullptr) ClosePage();
  PageIndex = n;
  ScrollY = 0;
  QueueStart();
  RecordPage();
  TWdPage& page = *Pages_[static_cast<size_t>(n)];
  page.ResetReveal();
  page.ScrollOffset = 0;
  page.SkipCount = 1;
  NeedRender = ResetGlyphs = true;
  Invalidate();
}

void TOpalMes::BuildPages() {
  Pages_.clear();
  TSkWord& w = *Engine_;
  w.Clear();
  w.TextWidth = Width_;
  w.ViewHeight = Height_;
  // The form TextIns gives: one piece, the whole message, laid out from
  // the message the window holds. Other data is history, whose messages
  // come through the cache.
  const bool inserted = MesData.Pieces.Count() == 1 && MesData.Pieces.TotalHeight == 0;
  if (!inserted || Message.empty()) {
    if (MesData.Empty() || (inserted && Cache_->Store() == nullptr)) return;
    opal::BuildPages(*Cache_, w, Pages_, MesData, HistoryFlag != 0, HistoryNumber);
    for (const std::string& e : Cache_->TakeErrors()) ReportError(std::string("message window ") + Name() + ": " + e);
    w.TextWidth = Width_;
    w.ViewHeight = Height_;
    return;
  }
  try {
    TMemoryStream s(std::vector<uint8_t>(Message.begin(), Message.end()));
    w.LoadGlyphs(s);
  } catch (const EOpalError& e) {
    ReportError(std::string("message window ") + Name() + ": " + e.what());
    w.Clear();
    return;
  }
  for (std::string& line : cp932::SplitLines(MesData.Pieces.Values[0]))
    if (!line.empty()) w.FixedValues.push_back(std::move(line));
  const int32_t first = std::max(0, w.SourceToGlyph(MesData.Pieces.Firsts[0]));
  const int32_t lastSource = MesData.Pieces.Lasts[0];
  const int32_t last = lastSource < 0 ? -1 : w.SourceToGlyph(lastSource);
  w.ExpandVars(first, last);
  w.Layout(Pages_, first, last);
  w.TextWidth = Width_;
}

void TOpalMes::Rebuild(bool queueStart) {
  Invalidate();
  PlainText.clear();
  ClosePage();
  PageIndex = -1;
  BuildPages();
  if (!Pages_.empty() && queueStart) QueueStart();
  NeedRender = ResetGlyphs = true;
}

void TOpalMes::BeginMessage(const TMessageSource& from, const std::string& data, bool markRead) {
  ReadMode = markRead ? 1 : 0;
  HistoryNumber = 0;
  if (markRead) {
    SourcePage = from.Page;
    SourceCommand = from.Command;
  }
  HistoryFlag = 0;
  InsertMessage(from, data);
}

// The message data names the message's own command whether or not it
// records read marks: a restore finds the message through it.
void TOpalMes::InsertMessage(const TMessageSource& from, const std::string& message) {
  MesData.SetMessage(from.Page, from.Command);
  Message = message;
  Rebuild(false);
  if (!Pages_.empty()) SelectPage(0);
}

void TOpalMes::ShowHistory(const TOpalNewHistory& history, int64_t first, int64_t count, bool playing) {
  const TOpalShowResult r = history.Show(first, count, MesData);
  if (!r.Shown) return;
  Message.clear();
  ReadMode = 2;  // what history shows is neither recorded nor marked read
  HistoryFlag = playing ? 1 : 0;
  if (r.PageMode) {
    HistoryNumber = r.HistoryNumber;
  } else {
    SetProperty(PR_OFFSETY, TPropValue::OfInt(0));
  }
  Rebuild(true);
  PageIndex = -1;
  SelectPage(0);
}

void TOpalMes::ClearText() {
  ReadMode = 0;
  SetPlainText("");
}

bool TOpalMes::Playing() const {
  const TWdPage* page = CurrentPage();
  return page != nullptr && (static_cast<size_t>(PageIndex) + 1 < Pages_.size() || !page->Finished);
}

int32_t TOpalMes::PlayState() const {
  const TWdPage* page = CurrentPage();
  return page == nullptr || page->Finished ? 2 : 0;
}

void TOpalMes::Refresh() {
  NeedRender = true;
  Invalidate();
}

void TOpalMes::ApplyPause() {
  const bool hold = PausedFlag != 0 || TextPaused != 0;
  const bool resumed = Engine_->Hold && !hold;
  Engine_->Hold = hold;
  if (resumed) Refresh();
}

void TOpalMes::FlushDirty() {
  TOpalBase* base = GetBase();
  if (Visible() && base != nullptr)
    for (const TRect& r : Dirty_) base->AddDirty(r);
  Dirty_.clear();
}

bool TOpalMes::Update(int32_t elapsedMs) {
  if (StartWait >= 1) {
    --StartWait;
    return false;
  }
  if (Owner() != nullptr && Owner()->Events.Queued(this, PR_ONPLAYSTART)) return false;
  TWdPage* page = CurrentPage();
  if (page == nullptr) return false;
  PlaceEngine();
  if (NeedRender) {
    Engine_->RenderPage(*page, ResetGlyphs);
    NeedRender = ResetGlyphs = false;
    Invalidate();
  }
  const TRevealResult r = Engine_->RevealStep(*page, elapsedMs);
  if (Owner() != nullptr) {
    if (!r.Revealed.empty() && !OnPlaying.empty()) Owner()->Events.Post(this, OnPlaying, {r.Revealed}, PR_ONPLAYING);
    if (r.Finished) {
      if (TOpalReadList* marks = Owner()->Services().ReadMarks) marks->MarkRead(Name());
      if (!OnPlayEnd.empty()) Owner()->Events.Post(this, OnPlayEnd, {}, PR_ONPLAYEND);
    }
  }
  FlushDirty();
  return false;
}

void TOpalMes::DrawSelf(TCustomDIBX& canvas) {
  TWdPage* page = CurrentPage();
  if (!Visible() || GetBase() == nullptr || page == nullptr) return;
  PlaceEngine();
  Engine_->Target = &canvas;
  Engine_->VisibleRect = canvas.EffectiveClip();
  Engine_->DrawPage(*page);
  Engine_->Target = nullptr;
}

void TOpalMes::Hover(int32_t x, int32_t y) {
  TWdPage* page = CurrentPage();
  if (page == nullptr) return;
  PlaceEngine();
  Engine_->HoverAt(*page, x, y);
  FlushDirty();
}

void TOpalMes::DoMouseMove(TMouseState& m) {
  if (Visible() && GetBase() != nullptr && CurrentPage() != nullptr) {
    const bool still = Paused() || !CurrentPage()->Finished;
    Hover(still ? -1 : m.PointerX, still ? -1 : m.PointerY);
  }
  TOpalControl::DoMouseMove(m);
}

void TOpalMes::DoMouseLeave(TMouseState& m) {
  Hover(-1, -1);
  TOpalControl::DoMouseLeave(m);
}

const TWdGlyph* TOpalMes::LinkAt(int32_t x, int32_t y) const {
  TWdPage* page = CurrentPage();
  if (page == nullptr) return nullptr;
  const_cast<TOpalMes*>(this)->PlaceEngine();
  const TWdGlyph* g = Engine_->HitTest(*page, x, y);
  return g != nullptr && !g->LinkTarget().empty() ? g : nullptr;
}

void TOpalMes::DoLeftDown(TMouseState& m) {
  if (!OnLink.empty() && Owner() != nullptr && !Owner()->Events.Queued(this, PR_ONLINK)) {
    if (const TWdGlyph* link = LinkAt(m.PointerX, m.PointerY)) {
      // The target, then the lines of its parameter text.
      Owner()->Events.Post(this, OnLink, cp932::SplitLines(link->LinkTarget()), PR_ONLINK);
      m.LeftNow = false;
      return;
    }
  }
  TOpalControl::DoLeftDown(m);
}

bool TOpalMes::PointOnSelf(int32_t x, int32_t y) const { return !CaptureLink || LinkAt(x, y) != nullptr; }

void TOpalMes::ReleasePixels() {
  Engine_->PageColour().ReleaseImage();
  Engine_->PageCoverage().ReleaseImage();
}

void TOpalMes::RecreatePixels() { Refresh(); }

std::string TOpalMes::PageText() const { return CurrentPage() != nullptr ? CurrentPage()->CharText() : std::string(); }

// Writing PR_TEXT first resets the text insertion state.
void TOpalMes::WriteText(const std::string& text) {
  ReadMode = 0;
  SetPlainText(text);
}

int32_t TOpalMes::PageCount() const { return static_cast<int32_t>(Pages_.size()); }

bool TOpalMes::Antialiased() const { return Engine_->Quality > 0; }

void TOpalMes::SetAntialias(bool v) { Engine_->Quality = v ? 3 : 0; }

void TOpalMes::SetDelay(int32_t v) { Engine_->DefaultWait = std::max(0, v); }

void TOpalMes::ApplyScroll() {
  if (TWdPage* page = CurrentPage()) page->ScrollOffset = ScrollY;
  Refresh();
}

void TOpalMes::ApplySpeed() { Engine_->Speed = TextDelay; }

void TOpalMes::ApplyNotify() { Engine_->EventsEnabled = !OnNotify.empty(); }

void TOpalMes::FitEngine() {
  Engine_->TextWidth = Width_;
  Engine_->ViewHeight = Height_;
}

// The engine's settings render the page again after every write.
const TPropertyTable& TOpalMes::Properties() const {
  using R = TPropertyRows<TOpalMes>;
  using M = TOpalMes;
  using W = TSkWord;
  static const TPropertyRow rows[] = {
      R::Computed<PR_TEXT, &M::PageText, &M::WriteText>(),
      R::Field<PR_INDEX, &M::PageIndex, &M::SelectPage>(),
      R::Computed<PR_COUNT, &M::PageCount>(),
      R::Field<PR_SCROLLY, &M::ScrollY, TOnSet::Store, &M::ApplyScroll>(),
      R::InPart<PR_FONTNAME, &M::Engine_, &W::DefaultFace, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_FONTHEIGHT, &M::Engine_, &W::DefaultSize, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_FONTCOLOR, &M::Engine_, &W::DefaultColor, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_FONTLINKCOLOR, &M::Engine_, &W::LinkColor, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_FONTHOVERCOLOR, &M::Engine_, &W::ActiveLinkColor, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_FONTBORDERCOLOR, &M::Engine_, &W::OutlineColor, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_FONTBORDER, &M::Engine_, &W::DefaultOutline, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_FONTSHADOWCOLOR, &M::Engine_, &W::ShadowColor, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_FONTSHADOW, &M::Engine_, &W::DefaultShadow, TOnSet::Store, &M::Refresh>(),
      R::InPart<PR_LINESPACE, &M::Engine_, &W::LineSpacing, TOnSet::Store, &M::Refresh>(),
      R::Computed<PR_ANTIALIAS, &M::Antialiased, &M::SetAntialias, &M::Refresh>(),
      R::InPart<PR_ALPHA, &M::Engine_, &W::BlendValue, TOnSet::Store, &M::Invalidate>(),
      R::InPart<PR_DELAY, &M::Engine_, &W::DefaultWait, &M::SetDelay>(),
      R::Field<PR_TEXTDELAY, &M::TextDelay, TOnSet::Store, &M::ApplySpeed>(),
      R::Field<PR_PAUSED, &M::PausedFlag, TOnSet::Store, &M::ApplyPause>(),
      R::Field<PR_TEXTPAUSED, &M::TextPaused, TOnSet::Store, &M::ApplyPause>(),
      R::InPart<PR_CARETX, &M::Engine_, &W::CaretX, TOnSet::Ignore>(),
      R::InPart<PR_CARETY, &M::Engine_, &W::CaretY, TOnSet::Ignore>(),
      R::InPart<PR_CARETHEIGHT, &M::Engine_, &W::CaretHeight, TOnSet::Ignore>(),
      R::Computed<PR_PLAYING, &M::Playing>(),
      R::Field<PR_CAPTURELINK, &M::CaptureLink>(),
      R::Field<PR_ONPLAYING, &M::OnPlaying>(),
      R::Field<PR_ONPLAYSTART, &M::OnPlayStart>(),
      R::Field<PR_ONPLAYEND, &M::OnPlayEnd>(),
      R::Field<PR_ONLINK, &M::OnLink>(),
      R::Field<PR_ONNOTIFY, &M::OnNotify, TOnSet::Store, &M::ApplyNotify>(),
      R::Field<PR_ONIDLE, &M::OnIdle>(),
      R::Field<PR_WIDTH, &M::Width_, TOnSet::Place, &M::FitEngine>(),
      R::Field<PR_HEIGHT, &M::Height_, TOnSet::Place, &M::FitEngine>(),
  };
  static const TPropertyTable table(TOpalControl::Properties(), rows);
  return table;
}

void TOpalMes::SaveToStream(TStream& s) const {
  TOpalControl::SaveToStream(s);
  Engine_->SaveSettings(s);
  MesData.Save(s);
  WriteByte(s, HistoryFlag);
  WriteInt32(s, HistoryNumber);
  WriteString(s, PlainText);
  WriteInt32(s, PageIndex);
  WriteInt32(s, ScrollY);
  WriteInt32(s, ReservedInt);
  for (const std::string& r : Reserved) WriteString(s, r);
  for (const std::string* h : {&OnPlaying, &OnPlayStart, &OnPlayEnd, &OnLink, &OnNotify}) WriteString(s, *h);
  WriteByte(s, PausedFlag);
  WriteByte(s, TextPaused);
  WriteInt32(s, TextDelay);
  WriteByte(s, ReadMode);
  WriteString(s, SourcePage);
  WriteInt32(s, SourceCommand);
  WriteString(s, OnIdle);
  WriteByte(s, CaptureLink ? 1 : 0);
  TMemoryStream states;
  for (const auto& page : Pages_) Engine_->WritePageState(*page, states);
  WriteInt32(s, static_cast<int32_t>(states.Bytes().size()));
  s.WriteBuffer(states.Bytes().data(), static_cast<int64_t>(states.Bytes().size()));
}

void TOpalMes::LoadFromStream(TStream& s, int32_t version) {
  TOpalControl::LoadFromStream(s, version);
  Engine_->LoadSettings(s, version);
  MesData.Load(s, version);
  if (version > kHistoryFieldsAfter) {
    HistoryFlag = ReadByte(s);
    HistoryNumber = ReadInt32(s);
  }
  PlainText = ReadString(s);
  PageIndex = ReadInt32(s);
  ScrollY = ReadInt32(s);
  ReservedInt = ReadInt32(s);
  for (std::string& r : Reserved) r = ReadString(s);
  for (std::string* h : {&OnPlaying, &OnPlayStart, &OnPlayEnd, &OnLink, &OnNotify}) *h = ReadString(s);
  PausedFlag = ReadByte(s);
  TextPaused = ReadByte(s);
  TextDelay = ReadInt32(s);
  ReadMode = ReadByte(s);
  SourcePage = ReadString(s);
  SourceCommand = ReadInt32(s);
  if (version > kIdleAfter) OnIdle = ReadString(s);
  if (version >= kCaptureLinkSince) CaptureLink = ReadByte(s) != 0;
  const int32_t size = ReadInt32(s);
  if (size < 0 || size > s.Remaining()) throw EFormatError(Format("message window: a page state of %d bytes", size));
  PendingState_.resize(static_cast<size_t>(size));
  s.ReadBuffer(PendingState_.data(), size);
  Engine_->Speed = TextDelay;
  Engine_->EventsEnabled = !OnNotify.empty();
  Engine_->Hold = PausedFlag != 0 || TextPaused != 0;
}

void TOpalMes::Restore() {
  const int32_t index = PageIndex, scroll = ScrollY, sourceCommand = SourceCommand;
  const uint8_t readMode = ReadMode;
  const std::string sourcePage = SourcePage;
  // A message comes back from the scenario page that holds it; plain text
  // is laid out again.
  if (!MesData.Empty()) {
    Message.clear();
    TMessageStore* store = Owner() != nullptr ? Owner()->Services().Messages : nullptr;
    if (store != nullptr && MesData.Pieces.Count() == 1) {
      Message = store->Message(MesData.Pieces.Names[0], MesData.Pieces.Commands[0]);
    }
    BuildPages();
  } else {
    try {
      LayOutText(PlainText);
    } catch (const EOpalError& e) {
      // What was laid out before the fault is shown.
      ReportError(std::string("message window ") + Name() + ": " + e.what());
    }
  }
  PageIndex = index;
  ScrollY = scroll;
  ReadMode = readMode;
  SourcePage = sourcePage;
  SourceCommand = sourceCommand;
  StartWait = 0;
  if (TWdPage* page = CurrentPage()) {
    page->ResetReveal();
    page->ScrollOffset = ScrollY;
    Engine_->RevealStep(*page, 0);
  }
  TMemoryStream states(std::move(PendingState_));
  PendingState_.clear();
  for (const auto& page : Pages_) {
    try {
      Engine_->ReadPageState(*page, states);
    } catch (const EOpalError& e) {
      ReportError(std::string("message window ") + Name() + ": " + e.what());
      break;  // the rest keep their rebuilt state
    }
  }
  // The page buffers are drawn from: render what the states show.
  NeedRender = ResetGlyphs = false;
  if (TWdPage* page = CurrentPage()) {
    PlaceEngine();
    Engine_->RenderPage(*page, false);
  }
  Dirty_.clear();
  Invalidate();
}

namespace {
TOpalObject* MakeMes(TOpalBaseList& stage) { return stage.Create<TOpalMes>(); }
}  // namespace

void RegisterMessageComponents(TOpalBaseList& stage) { stage.SetKindFactory(LT_MES, &MakeMes); }

}  // namespace opal
