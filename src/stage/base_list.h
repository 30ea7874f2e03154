// TOpalBaseList: the stage. It registers every display object by name,
// owns the two bases, draws their dirty rectangles and runs the per-frame
// update, handing every object the frame's elapsed time. Objects are
// referred to by ids that are never reused; what they use of the program
// around them comes from the stage's services (stage_services.h).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/cursors.h"
#include "raster/dibx.h"
#include "stage/opal_base.h"
#include "stage/object_ref.h"
#include "stage/opal_object.h"
#include "stage/stage_services.h"
#include "stage/stage_wipe.h"
#include "stage/timer_list.h"
#include "stage/window_input.h"

namespace opal {

class TMessageWindow;

class TOpalBaseList : public TOpalComponent {
 public:
  // Deepest nesting of child records a saved record may have.
  static constexpr int kMaxLoadDepth = 64;
  // Largest stage side a saved record may give (three buffers of the size
  // are allocated).
  static constexpr int32_t kMaxSide = 8192;
  // The event kind of the idle handler.
  static constexpr uint8_t kIdleEvent = PR_ONIDLE;

  // A bare stage: every service empty.
  TOpalBaseList();
  // A stage over `services`, which the caller keeps alive (and may fill
  // further) for the stage's whole life.
  explicit TOpalBaseList(const TStageServices& services);
  TOpalBaseList(TStageServices&&) = delete;  // would outlive a temporary
  ~TOpalBaseList() override;

  const TStageServices& Services() const { return *Services_; }

  // --- the bases ---
  TOpalBase* BaseAt(int32_t index) const { return Bases_[static_cast<size_t>(index & 1)].get(); }
  TOpalBase* ActiveBase() const { return BaseAt(Active); }
  TOpalBase* OtherBase() const { return BaseAt(Active ^ 1); }
  int32_t Active = 0;

  // --- registry ---
  // Makes, registers and (when the class wants it) names an object.
  template <class T>
  T* Create() {
    return static_cast<T*>(Register(std::make_unique<T>(this)));
  }
  TOpalObject* Register(std::unique_ptr<TOpalObject> obj);
  // The class of the kind byte (masked with 0x7F), registered here; none for
  // kinds without a class.
  TOpalObject* CreateByKind(uint8_t kind);
  // Classes of other libraries join CreateByKind here; the owner of the
  // stage (or a registration call of their library) fills the table.
  using TKindFactory = TOpalObject* (*)(TOpalBaseList& stage);
  void SetKindFactory(uint8_t kind, TKindFactory factory) { Factories_[kind & 0x7F] = factory; }
  const std::vector<std::unique_ptr<TOpalObject>>& Objects() const { return Objects_; }
  // The registered object of this id, or none once it is destroyed.
  TOpalObject* ById(uint64_t id) const;
  bool IsRegistered(const TOpalObject* obj) const;
  TOpalObject* FindObject(std::string_view name) const;
  TOpalControl* FindControl(std::string_view name) const;
  // The message window FindControl finds under `name`; none when the name
  // is empty or the control is no message window.
  TMessageWindow* FindMessageWindow(std::string_view name) const;
  // The first of prefix0, prefix1, … that no registered object bears.
  std::string UniqueName(std::string_view prefix) const;
  // Marks for deletion and frees the name at once.
  void DeleteObject(TOpalObject* obj);
  // Destroys now: children first, then the object's events, focus and entry.
  void Destroy(TOpalObject* obj);

  // --- frame ---
  // One frame of `elapsedMs` milliseconds: every object's update is told
  // the same time (motions, animations and text reveal run on it),
  // then the objects marked for deletion go.
  bool Update(int32_t elapsedMs) override;
  // Draws both bases (their dirty rectangles) into their canvases.
  void Draw();
  // The rectangles to present: the wipe's changed area while one runs,
  // else the active base's dirty list.
  std::vector<TRect> PresentRects() const;

  // --- transitions ---
  // Makes base `newActive` active; with `force`, or with a wipe kind while
  // none runs, drops the running wipe, repaints both bases and (for a kind)
  // starts a wipe from the active base's picture to the other's.
  TStageWipe* BeginTransition(int32_t newActive, int32_t wipeKind, int32_t param, bool force,
                              int32_t elapsed, int32_t duration);
  int32_t TransitionLength() const { return Transition_ ? Transition_->Duration() : 0; }
  void SetTransitionTime(int32_t ms);
  TStageWipe* Transition() const { return Transition_.get(); }
  TRect TransitionRect;
  // The buffer the stage composes into: the screen, or the private buffer.
  TCustomDIBX* Target() { return Services_->Screen != nullptr ? Services_->Screen : &PrivateBuffer; }
  void ClearDirty();
  void Reset();

  // --- size, colour, pixels ---
  int32_t Width() const { return Width_; }
  int32_t Height() const { return Height_; }
  void SetSize(int32_t width, int32_t height);
  void SetColor(int32_t colour);
  void ReleasePixels() override;
  void RecreatePixels() override;
  int32_t BitCount = 32;

  TDIBX PrivateBuffer;
  bool TransitionRunning = false;

  TTimerList Events;
  // Ids of the controls a right click may close, in registration order.
  std::vector<uint64_t> RightClickList;
  // Held by id: none once the control is destroyed.
  TObjectRef<TOpalControl> Focus;
  bool RefocusPending = false;

  // --- focus and the interpreted input (focus.cpp, input_step.cpp) ---
  // Moves the keyboard focus, queuing the old focus's PR_ONFOCUSOUT (kind
  // 149) and the new one's PR_ONFOCUSIN (kind 148).
  void SetFocus(TOpalControl* obj);
  // The topmost, deepest visible control below `c` (or `c`) that handles
  // keys and is not paused; none when there is none.
  TOpalControl* FindFocusCandidate(TOpalControl* c) const;
  void RequestFocusSearch() { RefocusPending = true; }
  // The control under the active base's pointer at the last input step.
  TOpalControl* Hovered() const { return ActiveBase()->Mouse.Hovered; }
  // A button held while no object captured it.
  bool LeftHeldFree() const;
  bool RightHeldFree() const;

  // Raw input from the window (recorded here, interpreted by the input step).
  void MouseDown(TMouseButton button);
  void MouseUp();
  void MouseMove(int32_t x, int32_t y);
  void WheelDown();
  void WheelUp();
  void KeyDown(int32_t code) { Keys.KeyDown(code); }
  void KeyUp(int32_t code) { Keys.KeyUp(code); }
  void ClearInput() { Keys.ClearInput(); }
  // The input step, once a frame before the scenario runs: refocus, key
  // frame flags, the mouse step, the focus's key reactions, key repeat.
  void InputStep(int32_t elapsedMs);
  TKeyboardState Keys;
  // The active base's part of the input step.
  void MouseStep(TMouseState& m);

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;

  // Hooks of the objects.
  uint64_t NextId() { return ++LastId_; }
  void Rename(TOpalObject& obj, std::string_view name);
  // Gives `other` the next free name_n after its own name.
  void RenameAside(TOpalObject& other);
  void AfterReparent(TOpalControl& c);
  void AfterHide(TOpalControl& c);

  // Counts the nesting of child records while loading.
  class TLoadDepth {
   public:
    explicit TLoadDepth(TOpalBaseList& stage);
    ~TLoadDepth() { --Stage_.LoadDepth_; }
    TLoadDepth(const TLoadDepth&) = delete;
    TLoadDepth& operator=(const TLoadDepth&) = delete;

   private:
    TOpalBaseList& Stage_;
  };

 private:
  void NewBases();
  void DestroyBases();
  void Unregister(TOpalObject* obj);
  void SetNameIndexed(TOpalObject& obj, std::string name);

  const TStageServices* Services_;
  std::array<std::unique_ptr<TOpalBase>, 2> Bases_;
  std::array<TKindFactory, 128> Factories_{};
  std::unique_ptr<TStageWipe> Transition_;
  int32_t Width_ = 0, Height_ = 0;
  uint64_t LastId_ = 0;
  std::vector<std::unique_ptr<TOpalObject>> Objects_;
  std::unordered_map<uint64_t, TOpalObject*> ById_;
  std::unordered_map<std::string, TOpalObject*> ByName_;
  std::vector<uint64_t> Doomed_;
  size_t UpdateIndex_ = 0;
  int LoadDepth_ = 0;
};

}  // namespace opal
