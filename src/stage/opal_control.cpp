#include "stage/opal_control.h"

#include <algorithm>
#include <limits>

#include "common/error.h"
#include "raster/custom_dibx.h"
#include "stage/base_list.h"
#include "stage/motion.h"
#include "stage/property_table.h"
#include "storage/stream.h"

namespace opal {

namespace {

TRect MakeRect(int64_t left, int64_t top, int64_t width, int64_t height) {
  return {ClampToInt32(left), ClampToInt32(top), ClampToInt32(left + width),
          ClampToInt32(top + height)};
}

}  // namespace

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

bool SiblingLess(const TOpalControl* a, const TOpalControl* b) {
  bool snapA = a->Name() == kSnapshotName, snapB = b->Name() == kSnapshotName;
  if (snapA != snapB) return snapB;
  bool sysA = a->HasSystemName(), sysB = b->HasSystemName();
  if (sysA != sysB) return sysA;
  if (a->OrderKey() != b->OrderKey()) return a->OrderKey() < b->OrderKey();
  return a->Name() < b->Name();
}

TOpalControl::TOpalControl(TOpalBaseList* owner) : TOpalComponent(owner) {}

TOpalControl::~TOpalControl() = default;

// --- tree ---

TOpalBase* TOpalControl::GetBase() {
  // A base answers itself (TOpalBase overrides); others ask up the chain.
  for (TOpalControl* c = Parent_; c != nullptr; c = c->Parent_) {
    if (c->IsBase()) return c->GetBase();
  }
  return nullptr;
}

TOpalControl* TOpalControl::ChildAt(int32_t index) const {
  return index >= 0 && index < ChildCount() ? Children_[static_cast<size_t>(index)] : nullptr;
}

void TOpalControl::AddChild(TOpalControl* child) {
  Children_.push_back(child);
  SortChildren();
}

void TOpalControl::RemoveChild(TOpalControl* child) { std::erase(Children_, child); }

void TOpalControl::SortChildren() { std::stable_sort(Children_.begin(), Children_.end(), SiblingLess); }

void TOpalControl::DetachForDestruction() {
  if (Parent_ == nullptr) return;
  Invalidate();
  Parent_->RemoveChild(this);
  Parent_ = nullptr;
}

bool TOpalControl::Contains(const TOpalControl* other) const {
  for (const TOpalControl* c = other; c != nullptr; c = c->Parent_) {
    if (c == this) return true;
  }
  return false;
}

bool TOpalControl::InCabinet() const {
  for (const TOpalControl* c = Parent_; c != nullptr; c = c->Parent_) {
    if (c->IsCabinet()) return true;
  }
  return false;
}

bool TOpalControl::Shown() const {
  for (const TOpalControl* c = this; c != nullptr; c = c->Parent_) {
    if (!c->Visible()) return false;
  }
  return true;
}

void TOpalControl::SetParent(TOpalControl* parent) {
  if (parent == Parent_ || (parent != nullptr && Contains(parent))) return;
  Invalidate();
  if (Parent_ != nullptr) {
    bool fromCabinet = Parent_->IsCabinet();
    Parent_->RemoveChild(this);
    Parent_ = nullptr;
    if (fromCabinet) LeaveCabinet();
  }
  Parent_ = parent;
  if (parent != nullptr) {
    parent->AddChild(this);
    if (parent->IsCabinet()) EnterCabinet();
  }
  Invalidate();
  if (Owner() != nullptr) Owner()->AfterReparent(*this);
}

// --- setters ---

void TOpalControl::SetLeft(int32_t v) {
  if (v != Left_) {
    Invalidate();
    Left_ = v;
    MotionX = 0;
    Invalidate();
  }
  TellPositionMoved();
}

void TOpalControl::SetTop(int32_t v) {
  if (v != Top_) {
    Invalidate();
    Top_ = v;
    MotionY = 0;
    Invalidate();
  }
  TellPositionMoved();
}

void TOpalControl::SetOffsetX(int32_t v) {
  if (v != OffsetX_) {
    Invalidate();
    OffsetX_ = v;
    Invalidate();
  }
  TellPositionMoved();
}

void TOpalControl::SetOffsetY(int32_t v) {
  if (v != OffsetY_) {
    Invalidate();
    OffsetY_ = v;
    Invalidate();
  }
  TellPositionMoved();
}

void TOpalControl::SetWidth(int32_t v) { ChangePlace(Width_, v); }

void TOpalControl::SetHeight(int32_t v) { ChangePlace(Height_, v); }

void TOpalControl::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
  if (left == Left_ && top == Top_ && width == Width_ && height == Height_) return;
  Invalidate();
  if (left != Left_) MotionX = 0;
  if (top != Top_) MotionY = 0;
  Left_ = left, Top_ = top, Width_ = width, Height_ = height;
  Invalidate();
  TellPositionMoved();
}

void TOpalControl::SetColor(int32_t v) { ChangeLook(Color_, v); }

void TOpalControl::SetVisible(bool v) {
  if (v == Visible_) return;
  if (!v) {
    Invalidate();
    Visible_ = false;
    if (Owner() != nullptr) Owner()->AfterHide(*this);
  } else {
    Visible_ = true;
    Invalidate();
    if (Owner() != nullptr && Owner()->Focus == nullptr) Owner()->RefocusPending = true;
  }
}

void TOpalControl::SetPriority(int32_t priority) {
  if (priority == Priority()) return;
  TOpalObject::SetPriority(priority);
  if (Parent_ != nullptr) {
    Parent_->SortChildren();
    Invalidate();
  }
}

void TOpalControl::SetClip(int index, int32_t v) { ChangePlace(Clip_[static_cast<size_t>(index)], v); }

void TOpalControl::SetPosZoomed(bool v) { ChangePlace(PosZoomed_, v); }

void TOpalControl::SetPlus(int axis, int32_t v) { ChangePlace(axis == 0 ? PlusX_ : PlusY_, v); }

std::string TOpalControl::ParentName() const { return Parent_ != nullptr ? Parent_->Name() : std::string(); }

void TOpalControl::SetParentByName(const std::string& name) {
  if (IsBase() || Owner() == nullptr) return;
  if (TOpalControl* p = Owner()->FindControl(name)) SetParent(p);
}

void TOpalControl::TellPositionMoved() {
  for (TOpalControl* child : Children_) {
    child->PositionMoved();
    child->TellPositionMoved();
  }
}

void TOpalControl::ResolveNameClash(TOpalObject& other) { Owner()->RenameAside(other); }

// --- properties ---

const TPropertyTable& TOpalControl::Properties() const {
  using R = TPropertyRows<TOpalControl>;
  using C = TOpalControl;
  static const TPropertyRow rows[] = {
      R::Computed<PR_PARENT, &C::ParentName, &C::SetParentByName>(),
      R::Computed<PR_LEFT, &C::Left, &C::SetLeft>(),
      R::Computed<PR_TOP, &C::Top, &C::SetTop>(),
      R::Field<PR_WIDTH, &C::Width_, TOnSet::Place>(),
      R::Field<PR_HEIGHT, &C::Height_, TOnSet::Place>(),
      R::Computed<PR_COLOR, &C::Color, &C::SetColor>(),
      R::Computed<PR_OFFSETX, &C::OffsetX, &C::SetOffsetX>(),
      R::Computed<PR_OFFSETY, &C::OffsetY, &C::SetOffsetY>(),
      R::Computed<PR_VISIBLE, &C::Visible, &C::SetVisible>(),
      R::Field<PR_IGNOREMOUSE, &C::IgnoreMouse>(),
      R::Field<PR_CURSOR, &C::Cursor>(),
      R::Field<PR_POSZOOMED, &C::PosZoomed_, TOnSet::Place>(),
      R::Field<PR_ANIPAUSED, &C::AniPaused>(),
      R::Computed<PR_PLAYING, &C::MotionPlaying>(),
      R::Field<PR_HANDLEKEY, &C::HandleKey, &C::SetHandleKey>(),
      R::Field<PR_PLUSX, &C::PlusX_, TOnSet::Place>(),
      R::Field<PR_PLUSY, &C::PlusY_, TOnSet::Place>(),
      R::Item<PR_CLIPLEFT, &C::Clip_, 0, TOnSet::Place>(),
      R::Item<PR_CLIPTOP, &C::Clip_, 1, TOnSet::Place>(),
      R::Item<PR_CLIPWIDTH, &C::Clip_, 2, TOnSet::Place>(),
      R::Item<PR_CLIPHEIGHT, &C::Clip_, 3, TOnSet::Place>(),
      R::Item<PR_ONMOUSEMOVE, &C::MouseHandlers, 0>(),
      R::Item<PR_ONMOUSEIN, &C::MouseHandlers, 1>(),
      R::Item<PR_ONMOUSEOUT, &C::MouseHandlers, 2>(),
      R::Item<PR_ONLBTNDOWN, &C::MouseHandlers, 3>(),
      R::Item<PR_ONLBTNUP, &C::MouseHandlers, 4>(),
      R::Item<PR_ONRBTNDOWN, &C::MouseHandlers, 5>(),
      R::Item<PR_ONRBTNUP, &C::MouseHandlers, 6>(),
      R::Item<PR_ONWHEELDOWN, &C::MouseHandlers, 7>(),
      R::Item<PR_ONWHEELUP, &C::MouseHandlers, 8>(),
      R::Item<PR_ONKEYDOWN, &C::KeyHandlers, 0>(),
      R::Item<PR_ONKEYUP, &C::KeyHandlers, 1>(),
      R::Item<PR_ONKEYREPEAT, &C::KeyHandlers, 2>(),
      R::Item<PR_ONFOCUSIN, &C::KeyHandlers, 3>(),
      R::Item<PR_ONFOCUSOUT, &C::KeyHandlers, 4>(),
  };
  static const TPropertyTable table(TOpalComponent::Properties(), rows);
  return table;
}

// --- placement ---

bool TOpalControl::PlacedInZoomedImage() const {
  int32_t pw = 0, ph = 0, w = 0, h = 0;
  return PosZoomed_ && Parent_ != nullptr && !Parent_->IsBase() && !HasMotion() &&
         Parent_->ImageSize(pw, ph) && ImageSize(w, h) && ZoomX() == Parent_->ZoomX() &&
         ZoomY() == Parent_->ZoomY();
}

int64_t TOpalControl::Place(int axis) const {
  const bool horizontal = axis == 0;
  const int64_t pos = horizontal ? Left_ : Top_;
  const int64_t offset = horizontal ? OffsetX_ : OffsetY_;
  const int64_t plus = horizontal ? PlusX_ : PlusY_;
  const int64_t size = horizontal ? Width_ : Height_;
  const bool flip = horizontal ? FlipH() : FlipV();
  if (PlacedInZoomedImage()) {
    int32_t piw = 0, pih = 0, iw = 0, ih = 0;
    Parent_->ImageSize(piw, pih);
    ImageSize(iw, ih);
    const int64_t parentImage = horizontal ? piw : pih;
    const int64_t ownImage = horizontal ? iw : ih;
    const int64_t parentSize = horizontal ? Parent_->Width_ : Parent_->Height_;
    // A parent without a size has no image-to-screen ratio: place as usual.
    if (parentSize > 0) {
      int64_t d = std::max<int64_t>(1, (parentImage * 65536 + parentSize / 2) / parentSize);
      int64_t n = flip ? (parentImage + offset - pos - ownImage) * 65536 : (pos - offset) * 65536;
      int64_t e = n / d + (n % d > 32767 ? 1 : 0);
      const int64_t scroll = horizontal ? Parent_->ScrollX() : Parent_->ScrollY();
      return e + Parent_->Place(axis) + plus - scroll;
    }
  }
  const int64_t zoom = horizontal ? ZoomX() : ZoomY();
  int64_t a = zoom == 256 ? offset : zoom * offset / 256;
  if (flip) a = size - a - 1;
  int64_t x;
  if (HasMotion()) {
    x = horizontal ? MotionX : MotionY;
  } else {
    x = PosZoomed_ ? zoom * pos / 256 : pos;
  }
  int64_t screen = x - a + plus;
  if (Parent_ != nullptr) screen += Parent_->Place(axis) - (horizontal ? Parent_->ScrollX() : Parent_->ScrollY());
  return screen;
}

int64_t TOpalControl::ScreenLeft64() const { return Place(0); }
int64_t TOpalControl::ScreenTop64() const { return Place(1); }
int32_t TOpalControl::ScreenLeft() const { return ClampToInt32(Place(0)); }
int32_t TOpalControl::ScreenTop() const { return ClampToInt32(Place(1)); }

TRect TOpalControl::ScreenRect() const { return MakeRect(Place(0), Place(1), Width_, Height_); }

TRect TOpalControl::ClipRect() const {
  if (Clip_[2] < 1 || Clip_[3] < 1) return {};
  return MakeRect(Place(0) + Clip_[0], Place(1) + Clip_[1], Clip_[2], Clip_[3]);
}

// --- drawing ---

void TOpalControl::Invalidate() {
  if (!Visible()) return;
  TOpalBase* base = GetBase();
  if (base == nullptr) return;
  TRect r = ScreenRect();
  if (Parent_ != nullptr) {
    r = Intersect(r, Parent_->ScreenRect());
    if (r.IsEmpty()) return;
  }
  TRect clip = ClipRect();
  if (!clip.IsEmpty()) {
    r = Intersect(r, clip);
    if (r.IsEmpty()) return;
  }
  for (TOpalControl* c = Parent_; c != nullptr; c = c->Parent_) c->DirtyClip(r);
  base->AddDirty(r);
}

void TOpalControl::Draw(TCustomDIBX& canvas) {
  DrawSelf(canvas);
  DrawChildren(canvas);
}

void TOpalControl::DrawChildren(TCustomDIBX& canvas) {
  const TRect saved = canvas.ClipRect;
  const TRect bounds = canvas.EffectiveClip();
  const TRect area = Intersect(ScreenRect(), bounds);
  if (area.IsEmpty()) return;
  for (size_t i = 0; i < Children_.size(); ++i) {
    TOpalControl* child = Children_[i];
    if (!child->Visible()) continue;
    TRect childArea = area;
    TRect clip = child->ClipRect();
    if (!clip.IsEmpty()) childArea = Intersect(childArea, clip);
    if (childArea.IsEmpty()) continue;
    canvas.SetClipRect(childArea);
    child->Draw(canvas);
  }
  canvas.SetClipRect(saved);
}

TOpalControl* TOpalControl::HitTest(int32_t x, int32_t y, uint32_t accepted) {
  if (!Visible()) return nullptr;
  const TRect r = ScreenRect();
  if (x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom) return nullptr;
  for (size_t i = Children_.size(); i-- > 0;) {
    if (TOpalControl* hit = Children_[i]->HitTest(x, y, accepted)) return hit;
  }
  const bool acceptedMode = IgnoreMouse < 8 && (accepted >> IgnoreMouse & 1u) != 0;
  return acceptedMode && PointOnSelf(x, y) ? this : nullptr;
}

bool TOpalControl::Update(int32_t) { return false; }

// --- saved record ---

void TOpalControl::SaveToStream(TStream& s) const {
  TOpalComponent::SaveToStream(s);
  for (int32_t v : {Left_, Top_, Width_, Height_, OffsetX_, OffsetY_}) WriteInt32(s, v);
  WriteByte(s, PosZoomed_);
  for (int32_t v : {MotionX, MotionY, PlusX_, PlusY_}) WriteInt32(s, v);
  for (int32_t v : Clip_) WriteInt32(s, v);
  WriteByte(s, AniPaused);
  WriteByte(s, Visible_);
  WriteInt32(s, Color_);
  for (int32_t v : ReservedRect) WriteInt32(s, v);
  WriteByte(s, IgnoreMouse);
  WriteString(s, Cursor);
  for (const std::string& h : MouseHandlers) WriteString(s, h);
  WriteByte(s, HandleKey);
  for (const std::string& h : KeyHandlers) WriteString(s, h);
  std::vector<const TOpalControl*> saved;
  for (const TOpalControl* c : Children_) {
    if (!c->MarkedForDeletion() && c->Kind() != LT_NONE && !c->HasSystemName()) saved.push_back(c);
  }
  WriteInt32(s, static_cast<int32_t>(saved.size()));
  for (const TOpalControl* c : saved) {
    WriteByte(s, c->Kind());
    c->SaveToStream(s);
  }
}

void TOpalControl::LoadFromStream(TStream& s, int32_t version) {
  TOpalComponent::LoadFromStream(s, version);
  Left_ = ReadInt32(s), Top_ = ReadInt32(s), Width_ = ReadInt32(s), Height_ = ReadInt32(s);
  OffsetX_ = ReadInt32(s), OffsetY_ = ReadInt32(s);
  PosZoomed_ = ReadByte(s) != 0;
  if (version >= 130) {
    MotionX = ReadInt32(s), MotionY = ReadInt32(s);
    PlusX_ = ReadInt32(s), PlusY_ = ReadInt32(s);
  }
  if (version > 103) {
    for (int32_t& v : Clip_) v = ReadInt32(s);
    AniPaused = ReadByte(s) != 0;
  }
  Visible_ = ReadByte(s) != 0;
  Color_ = ReadInt32(s);
  for (int32_t& v : ReservedRect) v = ReadInt32(s);
  IgnoreMouse = ReadByte(s);
  Cursor = ReadString(s);
  MouseHandlers[0] = ReadString(s);
  if (version > 101) MouseHandlers[1] = ReadString(s);
  for (size_t i = 2; i < MouseHandlers.size(); ++i) MouseHandlers[i] = ReadString(s);
  if (version > 117) {
    HandleKey = ReadByte(s) != 0;
    for (std::string& h : KeyHandlers) h = ReadString(s);
  }
  int32_t count = ReadInt32(s);
  // Every child takes at least its kind byte, so a count beyond the bytes
  // left is damage, not a reason to allocate.
  if (count < 0 || count > s.Remaining()) {
    throw EFormatError(Format("%s: bad child count %d", Name().c_str(), count));
  }
  TOpalBaseList::TLoadDepth depth(*Owner());
  for (int32_t i = 0; i < count; ++i) {
    uint8_t kind = ReadByte(s);
    TOpalObject* obj = Owner()->CreateByKind(kind);
    TOpalControl* child = obj ? obj->AsControl() : nullptr;
    if (child == nullptr) {
      if (obj != nullptr) Owner()->Destroy(obj);
      throw EFormatError(Format("%s: child of kind %u cannot be loaded", Name().c_str(), kind));
    }
    child->SetParent(this);
    child->LoadFromStream(s, version);
  }
  SortChildren();
}

}  // namespace opal
