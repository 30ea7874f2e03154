// What TextIns and TextClr do when run: the message goes to a message
// window, and TextIns holds the interpreter while the window has pages.
// Windows are reached through the stage's message-window lookup.
#include "scenario/call_man.h"
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

}  // namespace opal
