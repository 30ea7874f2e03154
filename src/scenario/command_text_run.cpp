// What TextIns and TextClr do when run: the message goes to a message
// window, and TextIns holds the interpreter while the window has pages.
// Windows are reached through the stage's message-window lookup. The
// history commands reach the history and the read marks through the
// stage's services; without them they do nothing.
#include "scenario/call_man.h"

#include <algorithm>

#include "history/history_format.h"
#include "history/read_list.h"
#include "scenario/commands_object.h"
#include "scenario/commands_text.h"
#include "stage/creation.h"
#include "scenario/page.h"
#include "stage/base_list.h"
#include "stage/message_window.h"

namespace opal {

namespace {

std::string StringOf(TCallMan& cm, TOpalParser& e) {
  if (e.Ops.empty()) return {};
  e.Execute(cm.Vars);
  const TCustomParam* r = e.Result();
  return r != nullptr ? r->AsString() : std::string();
}

// The control FindControl finds under `name` when it is a message window.
TOpalControl* WindowControl(TCallMan& cm, const std::string& name) {
  TOpalBaseList* stage = cm.Host.Stage();
  TOpalControl* c = stage != nullptr && !name.empty() ? stage->FindControl(name) : nullptr;
  return c != nullptr && c->AsMessageWindow() != nullptr ? c : nullptr;
}

TOpalHistoryFormatManager* HistoryOf(TCallMan& cm) {
  TOpalBaseList* stage = cm.Host.Stage();
  return stage != nullptr ? stage->Services().History : nullptr;
}

// The expression's value, or nothing when it is absent or yields nothing.
const TCustomParam* ValueOf(TCallMan& cm, TOpalParser& e) {
  if (e.Ops.empty()) return nullptr;
  e.Execute(cm.Vars);
  return e.Result();
}

}  // namespace

void TComTextIns::Enter(TCallMan& cm) {
  WindowName.clear();
  WindowId = 0;
  WaitForWindow = 0;
  Block = cm.Condition(BlockEvents, false) ? 1 : 0;
  if (MessageData.empty()) return;
  TOpalControl* c = WindowControl(cm, StringOf(cm, Window));
  if (c == nullptr) return;
  WindowName = c->Name();
  WindowId = c->Id();
  const TMessageSource from{cm.CurrentPage != nullptr ? cm.CurrentPage->Name : std::string(), cm.Index};
  c->AsMessageWindow()->BeginMessage(from, MessageData, cm.Condition(MarkAsRead, false));
  WaitForWindow = cm.Condition(Wait, false) ? 1 : 0;
}

// The window is held by id, so a window deleted meanwhile (or another one
// given its name) ends the wait.
void TComTextIns::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  TOpalObject* obj = nullptr;
  if (TOpalBaseList* stage = cm.Host.Stage(); stage != nullptr && !WindowName.empty()) {
    if (WindowId != 0) {
      obj = stage->ById(WindowId);
    } else if ((obj = WindowControl(cm, WindowName)) != nullptr) {
      WindowId = obj->Id();
    }
  }
  TMessageWindow* window = obj != nullptr ? obj->AsMessageWindow() : nullptr;
  if (window != nullptr && WaitForWindow != 0 && window->HasPages()) return;
  ++index;
}

void TComMesNew::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  TOpalObject* obj = stage != nullptr ? stage->CreateByKind(LT_MES) : nullptr;
  if (obj != nullptr) ApplyCreationProperties(*obj, CreationValues(cm));
}

void TComTextClr::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  const std::string name = StringOf(cm, Window);
  TOpalBaseList* stage = cm.Host.Stage();
  if (TMessageWindow* window = stage != nullptr ? stage->FindMessageWindow(name) : nullptr) window->ClearMessage();
}

void TComCallHist::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  TMessageWindow* window = stage != nullptr ? stage->FindMessageWindow(StringOf(cm, Window)) : nullptr;
  if (window == nullptr) return;
  const TCustomParam* firstValue = ValueOf(cm, FirstEntry);
  if (firstValue == nullptr) return;
  int64_t first = firstValue->AsInteger();
  const TCustomParam* countValue = ValueOf(cm, EntryCount);
  int64_t count = countValue != nullptr ? countValue->AsInteger() : 1;
  TOpalHistoryFormatManager* history = HistoryOf(cm);
  TOpalHistoryFormat* format = history != nullptr ? history->FindFormat(StringOf(cm, HistoryFormat)) : nullptr;
  if (format == nullptr) return;
  const bool playing = cm.Condition(Playing, false);
  // In 64 bits: a first and a count near the int32 limits cannot overflow.
  const int64_t size = format->History().HistorySize();
  first = std::max<int64_t>(first, 0);
  if (first + count > size) count = size - first;
  if (count > 0) window->ShowHistory(format->History(), first, count, playing);
}

void TComClrHist::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  if (TOpalHistoryFormatManager* history = HistoryOf(cm)) history->ClearHistories();
}

// The six settings in the history's order: font height, border, shadow,
// width, height, line spacing.
void TComEntryHist::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalHistoryFormatManager* history = HistoryOf(cm);
  if (history == nullptr) return;
  const std::string objectName = StringOf(cm, Object);
  TOpalBaseList* stage = cm.Host.Stage();
  const TOpalObject* obj = !objectName.empty() && stage != nullptr ? stage->FindObject(objectName) : nullptr;
  TOpalHistoryFormat& format = history->ObtainFormat(StringOf(cm, HistoryFormat));
  if (obj == nullptr) {
    format.Settings = TOpalHistorySettings{};
    return;
  }
  std::array<int32_t, 6> v{};
  const int ids[6] = {PR_FONTHEIGHT, PR_FONTBORDER, PR_FONTSHADOW, PR_WIDTH, PR_HEIGHT, PR_LINESPACE};
  for (size_t i = 0; i < v.size(); ++i) {
    TPropValue p;
    obj->GetProperty(ids[i], p);
    v[i] = p.Int;
  }
  format.Settings = TOpalHistorySettings::From(v);
}

void TComClrRead::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  if (TOpalReadList* marks = stage != nullptr ? stage->Services().ReadMarks : nullptr) marks->ClearMarks();
}

}  // namespace opal
