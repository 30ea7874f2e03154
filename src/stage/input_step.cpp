// The stage's input step: what the recorded mouse and key states of a frame
// mean. It queues handlers and moves the focus; handlers never run here.
#include <exception>
#include <initializer_list>

#include "common/diagnostics.h"
#include "expr/param_collection.h"
#include "stage/base_list.h"
#include "stage/cursor_file.h"
#include "storage/stream.h"

namespace opal {

namespace {

// Accepted PR_IGNOREMOUSE values of the hit test, as bit sets.
constexpr uint32_t Accept(std::initializer_list<int> values) {
  uint32_t bits = 0;
  for (int v : values) bits |= 1u << v;
  return bits;
}
constexpr uint32_t kAcceptLeft = Accept({0, 4});
constexpr uint32_t kAcceptRight = Accept({0, 3});
constexpr uint32_t kAcceptHover = Accept({0, 2, 3, 4});

constexpr uint8_t kLeftCapture = 4, kRightCapture = 8;

// Where a handler of TOpalControl::MouseHandlers / KeyHandlers lies.
enum TMouseSlot : size_t { kMove, kIn, kOut, kLeftDown, kLeftUp, kRightDown, kRightUp, kWheelDown, kWheelUp };
enum TKeySlot : size_t { kKeyDownSlot, kKeyUpSlot, kKeyRepeatSlot };

struct TWheelEvent {
  TMouseSlot Slot;
  uint8_t Kind;
};
constexpr TWheelEvent kWheelDownEvent{kWheelDown, PR_ONWHEELDOWN};
constexpr TWheelEvent kWheelUpEvent{kWheelUp, PR_ONWHEELUP};

std::vector<std::string> Position(const TOpalControl& c, const TMouseState& m) {
  return {std::to_string(int64_t{m.PointerX} - c.ScreenLeft()), std::to_string(int64_t{m.PointerY} - c.ScreenTop())};
}

std::vector<std::string> Codes(const std::vector<uint8_t>& codes) {
  std::vector<std::string> args;
  args.reserve(codes.size());
  for (uint8_t code : codes) args.push_back(std::to_string(code));
  return args;
}

}  // namespace

// --- default reactions ------------------------------------------------------

namespace {

// Queues `slot`'s handler of `c` as event `kind`, when it is set.
void PostMouse(TOpalControl& c, size_t slot, uint8_t kind, std::vector<std::string> args) {
  const std::string& handler = c.MouseHandlers[slot];
  if (handler.empty() || c.Owner() == nullptr) return;
  c.Owner()->Events.Post(&c, handler, args, kind);
}

// The down reactions of both buttons: `transparent` is the PR_IGNOREMOUSE
// value that lets this button through.
void ButtonDown(TOpalControl& c, TMouseState& m, uint8_t transparent, size_t slot, uint8_t kind, uint8_t capture,
                bool& now) {
  if (c.IsBase() || (c.IgnoreMouse != 0 && c.IgnoreMouse != transparent)) return;
  const bool queued = c.Owner() != nullptr && c.Owner()->Events.Queued(&c, kind);
  if (!c.Paused() && !queued && !c.Closing()) {
    PostMouse(c, slot, kind, Position(c, m));
    m.Pressed |= capture;
  }
  now = false;  // consumed
}

void ButtonUp(TOpalControl& c, TMouseState& m, size_t slot, uint8_t kind, uint8_t capture) {
  if (!c.Closing()) PostMouse(c, slot, kind, Position(c, m));
  m.Pressed &= static_cast<uint8_t>(~capture);
}

void PostKeys(TOpalControl& c, size_t slot, uint8_t kind, const std::vector<uint8_t>& codes) {
  const std::string& handler = c.KeyHandlers[slot];
  TOpalBaseList* stage = c.Owner();
  if (handler.empty() || stage == nullptr || c.Paused() || c.Closing() || c.IsBase()) return;
  if (stage->Events.Queued(&c, kind)) return;
  stage->Events.Post(&c, handler, Codes(codes), kind);
}

}  // namespace

void TOpalControl::DoLeftDown(TMouseState& m) {
  ButtonDown(*this, m, 4, kLeftDown, PR_ONLBTNDOWN, kLeftCapture, m.LeftNow);
}

void TOpalControl::DoLeftUp(TMouseState& m) { ButtonUp(*this, m, kLeftUp, PR_ONLBTNUP, kLeftCapture); }

void TOpalControl::DoRightDown(TMouseState& m) {
  ButtonDown(*this, m, 3, kRightDown, PR_ONRBTNDOWN, kRightCapture, m.RightNow);
}

void TOpalControl::DoRightUp(TMouseState& m) { ButtonUp(*this, m, kRightUp, PR_ONRBTNUP, kRightCapture); }

void TOpalControl::DoMouseMove(TMouseState& m) {
  if (Closing() || Owner() == nullptr || Owner()->Events.Queued(this, PR_ONMOUSEMOVE)) return;
  PostMouse(*this, kMove, PR_ONMOUSEMOVE, Position(*this, m));
}

void TOpalControl::DoMouseEnter(TMouseState&) {
  if (!Closing()) PostMouse(*this, kIn, PR_ONMOUSEIN, {});
}

void TOpalControl::DoMouseLeave(TMouseState&) {
  if (!Closing()) PostMouse(*this, kOut, PR_ONMOUSEOUT, {});
}

void TOpalControl::DoKeyDown(const std::vector<uint8_t>& codes) { PostKeys(*this, kKeyDownSlot, PR_ONKEYDOWN, codes); }
void TOpalControl::DoKeyUp(const std::vector<uint8_t>& codes) { PostKeys(*this, kKeyUpSlot, PR_ONKEYUP, codes); }
void TOpalControl::DoKeyRepeat(const std::vector<uint8_t>& codes) {
  PostKeys(*this, kKeyRepeatSlot, PR_ONKEYREPEAT, codes);
}

// --- the step ---------------------------------------------------------------

bool TOpalBaseList::LeftHeldFree() const {
  const TMouseState& m = ActiveBase()->Mouse;
  return m.LeftHeld && (m.Pressed & kLeftCapture) == 0;
}

bool TOpalBaseList::RightHeldFree() const {
  const TMouseState& m = ActiveBase()->Mouse;
  return m.RightHeld && (m.Pressed & kRightCapture) == 0;
}

void TOpalBaseList::InputStep(int32_t elapsedMs) {
  if (RefocusPending) {
    SetFocus(FindFocusCandidate(ActiveBase()));
    RefocusPending = false;
  }
  Keys.RollFrameFlags();
  MouseStep(ActiveBase()->Mouse);
  // Each reaction may destroy the focus or move it: it is looked up anew.
  auto focus = [this]() -> TOpalControl* {
    TOpalControl* f = Focus;
    return f != nullptr && f->HandleKey ? f : nullptr;
  };
  if (TOpalControl* f = focus(); f != nullptr && Keys.AnyDown) f->DoKeyDown(Keys.WentDown);
  if (TOpalControl* f = focus(); f != nullptr && Keys.AnyRepeat) f->DoKeyRepeat(Keys.Repeated);
  if (TOpalControl* f = focus(); f != nullptr && Keys.AnyUp) f->DoKeyUp(Keys.WentUp);
  Keys.ClearFrameLists();
  Keys.StepRepeat(elapsedMs);
}

namespace {

// Right-click close: the first control of the list that accepts consumes
// the click.
bool RightClickClose(TOpalBaseList& stage) {
  const std::vector<uint64_t> ids = stage.RightClickList;  // a close may change the list
  for (uint64_t id : ids) {
    TOpalObject* o = stage.ById(id);
    TOpalControl* c = o != nullptr ? o->AsControl() : nullptr;
    if (c == nullptr || !c->RightClickScrap() || !c->Visible() || c->GetBase() != stage.ActiveBase()) continue;
    if (c->Paused() || c->InCabinet() || (c->IgnoreMouse != 0 && c->IgnoreMouse != 3)) continue;
    if (c->DoRightClickClose()) return true;
  }
  return false;
}

// Shows the target's cursor file, or the default one (@Cursor), or the
// system's arrow. A file that cannot be read shows the arrow until the
// wanted cursor changes again; it is not read again every frame.
void ShowCursor(TOpalBaseList& stage, TMouseState& m, const TOpalControl& target) {
  const TStageServices& services = stage.Services();
  Cursors* device = services.CursorDevice;
  if (device == nullptr) return;
  std::string file = target.CursorFile();
  if (file.empty() && services.Vars != nullptr) file = services.Vars->CursorName;
  if (file.empty()) {
    device->ShowDefault();
    return;
  }
  if (file != m.CurrentCursor) {
    m.CurrentCursor = file;
    m.CursorUnreadable = true;
    try {
      TMemoryStream bytes;
      if (services.Files != nullptr) services.Files->Load(file, bytes);
      TCursorImage image = ReadCursorFile(bytes.Bytes());
      m.CursorUnreadable = !device->SetCustom(file, image);
    } catch (const std::exception& e) {
      // The default cursor shows instead.
      ReportError("cursor " + file + ": " + e.what());
    }
  }
  if (m.CursorUnreadable) {
    device->ShowDefault();
  } else {
    device->ShowCustom();
  }
}

}  // namespace

void TOpalBaseList::MouseStep(TMouseState& m) {
  m.LatchEdges();
  if (m.RightNow && RightClickClose(*this)) m.RightNow = false;

  // Capture: while a button pressed on an object is held, it alone hears
  // the mouse.
  if (m.Pressed != 0 && m.Hovered != nullptr) {
    TOpalControl* captured = m.Hovered;
    if ((m.Pressed & kLeftCapture) != 0) {
      if (!m.LeftHeld) {
        captured->DoLeftUp(m);
        m.Pressed &= static_cast<uint8_t>(~kLeftCapture);
      }
    } else if ((m.Pressed & kRightCapture) != 0 && !m.RightHeld) {
      captured->DoRightUp(m);
      m.Pressed &= static_cast<uint8_t>(~kRightCapture);
    }
    if (m.Moved && (captured = m.Hovered) != nullptr) captured->DoMouseMove(m);
    if ((captured = m.Hovered) != nullptr) captured->DoDrag(m);
    m.Moved = false;
    return;
  }

  m.Pressed = 0;
  const uint32_t accepted = m.LeftNow ? kAcceptLeft : m.RightNow ? kAcceptRight : kAcceptHover;
  // Held by id: a reaction may destroy it.
  TObjectRef<TOpalControl> target = ActiveBase()->HitTest(m.PointerX, m.PointerY, accepted);

  if (TOpalControl* t = target) {
    ShowCursor(*this, m, *t);
    if (m.LeftNow) {
      t->DoLeftDown(m);
      if ((t = target) != nullptr && !t->Paused() && t->HandleKey) SetFocus(t);
    } else if (m.RightNow) {
      t->DoRightDown(m);
    } else if (m.WheelDownNow || m.WheelUpNow) {
      const TWheelEvent& w = m.WheelDownNow ? kWheelDownEvent : kWheelUpEvent;
      const std::string& handler = t->MouseHandlers[w.Slot];
      if (!handler.empty() && !t->Closing() && !Events.Queued(t, w.Kind)) Events.Post(t, handler, {}, w.Kind);
    }
  }

  // Hover: compared by id, so an object made where a destroyed one was is
  // entered afresh.
  TOpalControl* old = m.Hovered;
  if (old != nullptr && old != target.Get()) old->DoMouseLeave(m);
  if (TOpalControl* t = target; t != nullptr && (m.Moved || target.Id() != m.Hovered.Id())) {
    if (target.Id() != m.Hovered.Id()) t->DoMouseEnter(m);
    if ((t = target) != nullptr) t->DoMouseMove(m);
  }
  m.Hovered = target.Get();
  m.Moved = false;
}

}  // namespace opal
