// What TextIns and TextClr do when run: the message goes to a message
// window, and TextIns holds the interpreter while the window has pages.
#include "components/opal_mes.h"
#include "scenario/call_man.h"
#include "scenario/commands_object.h"
#include "scenario/commands_text.h"
#include "stage/creation.h"
#include "scenario/page.h"
#include "stage/base_list.h"

namespace opal {

namespace {

std::string StringOf(TCallMan& cm, TOpalParser& e) {
  if (e.Ops.empty()) return {};
  e.Execute(cm.Vars);
  const TCustomParam* r = e.Result();
  return r != nullptr ? r->AsString() : std::string();
}

TOpalMes* FindWindow(TCallMan& cm, const std::string& name) {
  TOpalBaseList* stage = cm.Host.Stage();
  if (stage == nullptr || name.empty()) return nullptr;
  return dynamic_cast<TOpalMes*>(stage->FindControl(name));
}

}  // namespace

void TComTextIns::Enter(TCallMan& cm) {
  WindowName.clear();
  WindowId = 0;
  WaitForWindow = 0;
  Block = cm.Condition(BlockEvents, false) ? 1 : 0;
  if (MessageData.empty()) return;
  TOpalMes* window = FindWindow(cm, StringOf(cm, Window));
  if (window == nullptr) return;
  WindowName = window->Name();
  WindowId = window->Id();
  window->ReadMode = 0;
  window->HistoryNumber = 0;
  if (cm.Condition(MarkAsRead, false)) {
    window->ReadMode = 1;
    window->SourcePage = cm.CurrentPage != nullptr ? cm.CurrentPage->Name : std::string();
    window->SourceCommand = cm.Index;
  }
  window->HistoryFlag = 0;
  window->InsertMessage(MessageData);
  WaitForWindow = cm.Condition(Wait, false) ? 1 : 0;
}

// The window is held by id, so a window deleted meanwhile (or another one
// given its name) ends the wait.
void TComTextIns::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  TOpalMes* window = nullptr;
  if (TOpalBaseList* stage = cm.Host.Stage(); stage != nullptr && !WindowName.empty()) {
    if (WindowId != 0) {
      window = dynamic_cast<TOpalMes*>(stage->ById(WindowId));
    } else if ((window = FindWindow(cm, WindowName)) != nullptr) {
      WindowId = window->Id();
    }
  }
  if (window != nullptr && WaitForWindow != 0 && !window->Pages().empty()) return;
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
  if (TOpalMes* window = FindWindow(cm, StringOf(cm, Window))) window->ClearText();
}

}  // namespace opal
