// TOpalControl: a visual object with a position, a size, a parent and
// children. Its screen placement is computed on demand from its
// properties and its parent's (ScreenLeft/ScreenTop), never stored.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "raster/rect.h"
#include "stage/opal_object.h"

namespace opal {

class TOpalMotion;
struct TMouseState;

class TOpalControl : public TOpalComponent {
 public:
  explicit TOpalControl(TOpalBaseList* owner);
  ~TOpalControl() override;

  TOpalControl* AsControl() override { return this; }
  uint32_t ClassBit() const override { return 0; }
  const TPropertyTable& Properties() const override;

  // --- tree ---
  void SetParent(TOpalControl* parent) override;
  TOpalControl* GetParent() const override { return Parent_; }
  TOpalBase* GetBase() override;
  int32_t ChildCount() const override { return static_cast<int32_t>(Children_.size()); }
  TOpalControl* ChildAt(int32_t index) const override;
  const std::vector<TOpalControl*>& Children() const { return Children_; }
  void AddChild(TOpalControl* child);
  void RemoveChild(TOpalControl* child);
  void SortChildren();
  // Leaves the parent on the way to destruction: the area is invalidated,
  // but no cabinet or focus reaction follows.
  void DetachForDestruction();
  bool InCabinet() const override;
  virtual bool IsCabinet() const { return false; }
  // True when `other` is this control or lies below it.
  bool Contains(const TOpalControl* other) const;

  // --- plain data ---
  int32_t Left() const { return Left_; }
  int32_t Top() const { return Top_; }
  int32_t Width() const { return Width_; }
  int32_t Height() const { return Height_; }
  int32_t OffsetX() const { return OffsetX_; }
  int32_t OffsetY() const { return OffsetY_; }
  int32_t Color() const { return Color_; }
  virtual bool Visible() const { return Visible_; }
  // True when this control and every ancestor are visible.
  bool Shown() const;

  void SetLeft(int32_t v);
  void SetTop(int32_t v);
  void SetWidth(int32_t v);
  void SetHeight(int32_t v);
  void SetOffsetX(int32_t v);
  void SetOffsetY(int32_t v);
  void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
  virtual void SetColor(int32_t v);
  virtual void SetVisible(bool v);
  void SetPriority(int32_t priority) override;
  // ClipLeft, ClipTop, ClipWidth, ClipHeight.
  void SetClip(int index, int32_t v);
  void SetPosZoomed(bool v);
  void SetPlus(int axis, int32_t v);
  // PR_PARENT: the parent's name, empty without one; a write re-parents to
  // the control of that name when there is one (a base keeps its place).
  std::string ParentName() const;
  void SetParentByName(const std::string& name);

  // The two rules of a setter of drawn state, which do nothing for an
  // unchanged value: a change of look invalidates once, after; a change of
  // place or shape invalidates the old area and the new one.
  template <class V>
  void ChangeLook(V& field, const V& v) {
    if (field == v) return;
    field = v;
    Invalidate();
  }
  template <class V>
  void ChangePlace(V& field, const V& v) {
    if (field == v) return;
    Invalidate();
    field = v;
    Invalidate();
  }

  std::array<int32_t, 4> ReservedRect{0, 0, 1, 1};
  // PR_ONMOUSEMOVE, IN, OUT, LBTNDOWN, LBTNUP, RBTNDOWN, RBTNUP, WHEELDOWN, WHEELUP.
  std::array<std::string, 9> MouseHandlers;
  // PR_ONKEYDOWN, KEYUP, KEYREPEAT, FOCUSIN, FOCUSOUT.
  std::array<std::string, 5> KeyHandlers;
  uint8_t IgnoreMouse = 0;
  std::string Cursor;
  bool AniPaused = false;
  bool HandleKey = false;
  int32_t MotionX = 0, MotionY = 0;

  // --- placement (64-bit, clamped to 32 bits only at the end) ---
  // Zoom in 1/256 and mirroring of classes that scale or flip.
  virtual int32_t ZoomX() const { return 256; }
  virtual int32_t ZoomY() const { return 256; }
  virtual bool FlipH() const { return false; }
  virtual bool FlipV() const { return false; }
  // How far the content is scrolled; children move the other way.
  virtual int32_t ScrollX() const { return 0; }
  virtual int32_t ScrollY() const { return 0; }
  // A motion, when attached, places the object at (MotionX, MotionY).
  virtual bool HasMotion() const { return Motion != nullptr; }
  // A motion's film shows one of its pictures on the control instead of the
  // control's own (none: its own again). The pixels stay the film's, valid
  // until the next call; a control without pictures ignores them.
  virtual void ShowMotionPicture(TCustomDIBX* pixels, TCustomDIBX* mask) {
    (void)pixels;
    (void)mask;
  }
  // The size of the picture an image-bearing class shows; false for others.
  virtual bool ImageSize(int32_t& width, int32_t& height) const {
    (void)width, (void)height;
    return false;
  }
  virtual bool IsBase() const { return false; }
  int64_t ScreenLeft64() const;
  int64_t ScreenTop64() const;
  int32_t ScreenLeft() const;
  int32_t ScreenTop() const;
  virtual TRect ScreenRect() const;
  // Empty when the control has no clipping of its own.
  TRect ClipRect() const;

  // --- drawing ---
  void Invalidate();
  // Draws this control's picture, then its visible children under nested clips.
  virtual void Draw(TCustomDIBX& canvas);
  // A descendant's area `r` changed (a wave effect redraws itself then).
  virtual void DirtyClip(const TRect& r) { (void)r; }
  // Told after a position write of this control or an ancestor.
  virtual void PositionMoved() {}
  // An image whose size waits to be recomputed after a zoom change does it
  // now (before its position is applied at creation).
  virtual void UpdatePendingSize() {}

  // --- hit test ---
  // The control hit at screen point (x, y): none when invisible or the point
  // lies outside ScreenRect, else the first child that answers (topmost
  // first), else this control when bit IgnoreMouse of `accepted` is set and
  // the point is really on it (PointOnSelf).
  virtual TOpalControl* HitTest(int32_t x, int32_t y, uint32_t accepted);
  // Classes with transparent pixels or rotation refine where they are hit.
  virtual bool PointOnSelf(int32_t x, int32_t y) const {
    (void)x, (void)y;
    return true;
  }

  // --- reactions (input_step.cpp; the stage's input step calls them) ---
  // The defaults queue this control's handlers; classes replace some. `m`
  // is the active base's mouse state: a reaction consumes a click by
  // clearing m.LeftNow / m.RightNow and captures the mouse with m.Pressed
  // bits 4 (left) and 8 (right).
  virtual void DoLeftDown(TMouseState& m);
  virtual void DoLeftUp(TMouseState& m);
  virtual void DoRightDown(TMouseState& m);
  virtual void DoRightUp(TMouseState& m);
  virtual void DoMouseMove(TMouseState& m);
  virtual void DoMouseEnter(TMouseState& m);
  virtual void DoMouseLeave(TMouseState& m);
  // Sliders and list boxes follow the pointer while they hold the capture.
  virtual void DoDrag(TMouseState& m) { (void)m; }
  // Key reactions of the focused control, with the codes in arrival order.
  virtual void DoKeyDown(const std::vector<uint8_t>& codes);
  virtual void DoKeyUp(const std::vector<uint8_t>& codes);
  virtual void DoKeyRepeat(const std::vector<uint8_t>& codes);
  // The cursor file shown while the pointer is over the control.
  virtual std::string CursorFile() const { return Cursor; }
  // PR_RCLICKSCRAP, and the right-click close: true when the control
  // accepts it (starts closing, or is deleted).
  virtual bool RightClickScrap() const { return false; }
  virtual bool DoRightClickClose() { return false; }
  // Takes the native input focus (text inputs) when it gets the focus.
  virtual void TakeNativeFocus() {}
  // PR_HANDLEKEY, asking for a focus search when that changes who may
  // have the focus.
  void SetHandleKey(bool v);

  // --- motion (motion.cpp) ---
  // Loads a motion file through the stage's motion loader and starts it;
  // a file the loader does not give leaves the control without motion.
  void AttachMotion(const std::string& file);
  // Drops the motion; MotionX, MotionY and PriorityOffset return to 0.
  void DestroyMotion();
  // The motion's frame step of `elapsedMs`, from the control's Update: at
  // the end of a motion without repeat, true when the control is to be
  // destroyed (`autoScrap`), else `onPlayEnd` is queued (kind 43).
  bool StepMotion(int32_t elapsedMs, bool repeat, bool autoScrap, const std::string& onPlayEnd);
  // PR_PLAYING: a motion runs, unfinished, neither paused nor anipaused.
  bool MotionPlaying() const;
  std::unique_ptr<TOpalMotion> Motion;

  bool Update(int32_t elapsedMs) override;
  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;

 protected:
  virtual void DrawSelf(TCustomDIBX& canvas) { (void)canvas; }
  void DrawChildren(TCustomDIBX& canvas);
  void ResolveNameClash(TOpalObject& other) override;
  void TellPositionMoved();

  int32_t Left_ = 0, Top_ = 0, Width_ = 0, Height_ = 0;
  int32_t OffsetX_ = 0, OffsetY_ = 0;
  bool Visible_ = true;
  TOpalControl* Parent_ = nullptr;
  int32_t Color_ = -1;
  bool PosZoomed_ = false;
  std::array<int32_t, 4> Clip_{};  // left, top, width, height
  int32_t PlusX_ = 0, PlusY_ = 0;

 private:
  int64_t Place(int axis) const;
  bool PlacedInZoomedImage() const;
  std::vector<TOpalControl*> Children_;
};

// Sibling order: the flip snapshot last, system names first, then by
// Priority + PriorityOffset, then by name byte-wise.
bool SiblingLess(const TOpalControl* a, const TOpalControl* b);

int32_t ClampToInt32(int64_t v);

}  // namespace opal
