#include "stage/base_list.h"

#include <algorithm>

#include "common/error.h"
#include "stage/opal_box.h"
#include "storage/stream.h"

namespace opal {

namespace {

constexpr std::string_view kBaseNames[2] = {"\001BASE0", "\001BASE1"};

// A decimal number above 1 after the last "_", as in "btn_2": the name
// before it and the number; otherwise the whole name and 2.
std::pair<std::string, int64_t> SuffixStart(const std::string& name) {
  size_t pos = name.rfind('_');
  if (pos != std::string::npos) {
    std::string_view rest(name.data() + pos + 1, name.size() - pos - 1);
    bool digits = !rest.empty() && rest.size() <= 18 &&
                  std::all_of(rest.begin(), rest.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits) {
      int64_t n = 0;
      for (char c : rest) n = n * 10 + (c - '0');
      if (n > 1) return {name.substr(0, pos), n};
    }
  }
  return {name, 2};
}

}  // namespace

TOpalBaseList::TLoadDepth::TLoadDepth(TOpalBaseList& stage) : Stage_(stage) {
  if (++Stage_.LoadDepth_ > kMaxLoadDepth) {
    --Stage_.LoadDepth_;
    throw EFormatError(Format("objects nested deeper than %d", kMaxLoadDepth));
  }
}

namespace {
const TStageServices kNoServices;
}  // namespace

TOpalBaseList::TOpalBaseList() : TOpalBaseList(kNoServices) {}

TOpalBaseList::TOpalBaseList(const TStageServices& services) : TOpalComponent(nullptr), Services_(&services) {
  NewBases();
}

TOpalBaseList::~TOpalBaseList() {
  Transition_.reset();
  DestroyBases();
  while (!Objects_.empty()) Destroy(Objects_.back().get());
}

void TOpalBaseList::NewBases() {
  for (size_t i = 0; i < 2; ++i) {
    Bases_[i] = std::make_unique<TOpalBase>(this);
    Bases_[i]->Name_ = kBaseNames[i];
    if (Width_ > 0 && Height_ > 0) Bases_[i]->Resize(Width_, Height_, BitCount);
  }
}

void TOpalBaseList::DestroyBases() {
  for (auto& base : Bases_) {
    if (!base) continue;
    while (base->ChildCount() > 0) Destroy(base->ChildAt(base->ChildCount() - 1));
    base.reset();
  }
}

// --- registry ---

TOpalObject* TOpalBaseList::Register(std::unique_ptr<TOpalObject> obj) {
  TOpalObject* o = obj.get();
  ById_[o->Id()] = o;
  Objects_.push_back(std::move(obj));
  if (o->AutoName()) SetNameIndexed(*o, UniqueName("object"));
  if (o->AsControl() != nullptr && Focus == nullptr) RefocusPending = true;
  return o;
}

TOpalObject* TOpalBaseList::CreateByKind(uint8_t kind) {
  // Later component classes join this table.
  switch (kind & 0x7F) {
    case LT_BOX: return Create<TOpalBox>();
    case LT_CABINET: return Create<TOpalCabinet>();
    default: {
      TKindFactory factory = Factories_[kind & 0x7F];
      return factory != nullptr && (kind & 0x7F) != LT_NONE ? factory(*this) : nullptr;
    }
  }
}

TOpalObject* TOpalBaseList::ById(uint64_t id) const {
  auto it = ById_.find(id);
  return it == ById_.end() ? nullptr : it->second;
}

bool TOpalBaseList::IsRegistered(const TOpalObject* obj) const {
  return obj != nullptr && ById(obj->Id()) == obj;
}

TOpalObject* TOpalBaseList::FindObject(std::string_view name) const {
  if (name.empty() || name == kBaseNames[0]) return ActiveBase();
  if (name == "\001" || name == kBaseNames[1]) return OtherBase();
  auto it = ByName_.find(std::string(name));
  return it == ByName_.end() ? nullptr : it->second;
}

TOpalControl* TOpalBaseList::FindControl(std::string_view name) const {
  if (name.empty()) return ActiveBase();
  if (name == "\001") return OtherBase();
  if (name == kBaseNames[0]) return BaseAt(0);
  if (name == kBaseNames[1]) return BaseAt(1);
  auto it = ByName_.find(std::string(name));
  return it == ByName_.end() ? nullptr : it->second->AsControl();
}

TMessageWindow* TOpalBaseList::FindMessageWindow(std::string_view name) const {
  if (name.empty()) return nullptr;
  TOpalControl* c = FindControl(name);
  return c != nullptr ? c->AsMessageWindow() : nullptr;
}

std::string TOpalBaseList::UniqueName(std::string_view prefix) const {
  for (size_t n = 0;; ++n) {
    std::string name = std::string(prefix) + std::to_string(n);
    if (!ByName_.contains(name)) return name;
  }
}

void TOpalBaseList::SetNameIndexed(TOpalObject& obj, std::string name) {
  auto it = ByName_.find(obj.Name_);
  if (it != ByName_.end() && it->second == &obj) ByName_.erase(it);
  obj.Name_ = std::move(name);
  if (!obj.Name_.empty() && IsRegistered(&obj)) ByName_[obj.Name_] = &obj;
}

void TOpalBaseList::Rename(TOpalObject& obj, std::string_view name) {
  if (!IsRegistered(&obj)) {
    obj.Name_ = name;
    return;
  }
  auto it = ByName_.find(std::string(name));
  if (it != ByName_.end() && it->second != &obj) obj.ResolveNameClash(*it->second);
  SetNameIndexed(obj, std::string(name));
}

void TOpalBaseList::RenameAside(TOpalObject& other) {
  auto [stem, n] = SuffixStart(other.Name_);
  for (;; ++n) {
    std::string name = stem + "_" + std::to_string(n);
    if (!ByName_.contains(name)) {
      SetNameIndexed(other, std::move(name));
      return;
    }
  }
}

void TOpalBaseList::DeleteObject(TOpalObject* obj) {
  if (!IsRegistered(obj) || obj->Marked_) return;
  obj->Marked_ = true;
  Doomed_.push_back(obj->Id());
  SetNameIndexed(*obj, {});
}

void TOpalBaseList::Destroy(TOpalObject* obj) {
  if (!IsRegistered(obj)) return;
  if (TOpalControl* c = obj->AsControl()) {
    while (c->ChildCount() > 0) {
      TOpalControl* child = c->ChildAt(c->ChildCount() - 1);
      if (IsRegistered(child)) {
        Destroy(child);
      } else {
        child->DetachForDestruction();
      }
    }
    c->DetachForDestruction();
  }
  Events.RemovePendingOf(obj);
  Events.ForgetSender(obj);
  std::erase(RightClickList, obj->Id());
  if (Focus == obj) {
    Focus = nullptr;
    RefocusPending = true;
  }
  Unregister(obj);
}

void TOpalBaseList::Unregister(TOpalObject* obj) {
  SetNameIndexed(*obj, {});
  ById_.erase(obj->Id());
  std::erase(Doomed_, obj->Id());
  auto it = std::find_if(Objects_.begin(), Objects_.end(), [obj](const auto& p) { return p.get() == obj; });
  if (it == Objects_.end()) return;
  size_t pos = static_cast<size_t>(it - Objects_.begin());
  // Keeps the update loop on the object it was at.
  if (pos < UpdateIndex_) --UpdateIndex_;
  std::unique_ptr<TOpalObject> owned = std::move(*it);
  Objects_.erase(it);
}

void TOpalBaseList::AfterReparent(TOpalControl& c) {
  const TOpalBase* base = c.GetBase();
  if (Focus != nullptr && c.Contains(Focus) && base != ActiveBase()) {
    Focus = nullptr;
    RefocusPending = true;
  }
  if (Focus == nullptr && base == ActiveBase()) RefocusPending = true;
}

void TOpalBaseList::AfterHide(TOpalControl& c) {
  if (Focus != nullptr && c.Contains(Focus)) {
    Focus = nullptr;
    RefocusPending = true;
  }
}

// --- frame ---

bool TOpalBaseList::Update(int32_t elapsedMs) {
  BaseAt(0)->Update(elapsedMs);
  BaseAt(1)->Update(elapsedMs);
  // Objects created during the loop are appended and visited; one destroyed
  // during it moves the index back when it lay before (Unregister), so no
  // other object is skipped or visited twice.
  for (UpdateIndex_ = 0; UpdateIndex_ < Objects_.size();) {
    TOpalObject* o = Objects_[UpdateIndex_].get();
    const uint64_t id = o->Id();
    std::string idle = o->IdleHandler();
    if (!idle.empty() && !o->InCabinet() && !o->Closing() && Events.Find(o, kIdleEvent) < 0) {
      Events.Post(o, idle, {}, kIdleEvent);
    }
    if (o->Paused() || o->MarkedForDeletion() || o->InCabinet()) {
      ++UpdateIndex_;
      continue;
    }
    const bool destroy = o->Update(elapsedMs);
    if (ById(id) == nullptr) continue;  // gone during its own update
    if (destroy) {
      Destroy(o);
    } else {
      ++UpdateIndex_;
    }
  }
  UpdateIndex_ = 0;
  std::vector<uint64_t> doomed = std::move(Doomed_);
  Doomed_.clear();
  for (uint64_t id : doomed) {
    if (TOpalObject* o = ById(id)) Destroy(o);
  }
  return false;
}

void TOpalBaseList::Draw() {
  TransitionRect = {};
  for (int32_t i = 0; i < 2; ++i) {
    TOpalBase* base = BaseAt(i);
    if (TCustomDIBX* canvas = base->GetCanvas()) base->DrawDirty(*canvas);
  }
  if (Transition_ && TransitionRunning) {
    Transition_->Step();
    TransitionRect = Transition_->UpdateRect();
  }
}

std::vector<TRect> TOpalBaseList::PresentRects() const {
  if (TransitionRunning) {
    return TransitionRect.IsEmpty() ? std::vector<TRect>{} : std::vector<TRect>{TransitionRect};
  }
  return ActiveBase()->DirtyList.Items();
}

TStageWipe* TOpalBaseList::BeginTransition(int32_t newActive, int32_t wipeKind, int32_t param, bool force,
                                           int32_t elapsed, int32_t duration) {
  Active = newActive & 1;
  if (force || (wipeKind != 0 && !Transition_)) {
    Transition_.reset();
    TransitionRunning = false;
    BaseAt(0)->MarkAllDirty();
    BaseAt(1)->MarkAllDirty();
    if (wipeKind != 0 && Services_->Wipes != nullptr) {
      TOpalBase* active = ActiveBase();
      // The active base was drawing straight into the target: keep what it
      // shows as the wipe's old picture.
      TCustomDIBX* shown = active->GetCanvas();
      if (shown != &active->Canvas && shown != nullptr) active->Canvas.Assign(shown);
      TWipeRequest request{wipeKind, param, duration, Target(), &active->Canvas, &OtherBase()->Canvas};
      Transition_ = Services_->Wipes->MakeWipe(request);
    }
    if (Focus == nullptr || Focus->GetBase() != ActiveBase()) {
      Focus = nullptr;
      RefocusPending = true;
    }
  }
  // A kind without a wipe runs no transition: the bases keep drawing where
  // they are shown.
  TransitionRunning = wipeKind != 0 && Transition_ != nullptr;
  if (Transition_) Transition_->SetTime(elapsed);
  return Transition_.get();
}

void TOpalBaseList::SetTransitionTime(int32_t ms) {
  if (Transition_) Transition_->SetTime(ms);
}

void TOpalBaseList::ClearDirty() {
  BaseAt(0)->DirtyList.Clear();
  BaseAt(1)->DirtyList.Clear();
}

void TOpalBaseList::Reset() {
  Transition_.reset();
  TransitionRunning = false;
  DestroyBases();
  Events.Clear();
  while (!Objects_.empty()) Destroy(Objects_.back().get());
  Doomed_.clear();
  Focus = nullptr;
  NewBases();
}

// --- size, colour, pixels ---

void TOpalBaseList::SetSize(int32_t width, int32_t height) {
  if (width == Width_ && height == Height_) return;
  PrivateBuffer.SetSize(width, height, BitCount);
  Width_ = width;
  Height_ = height;
  for (auto& base : Bases_) base->Resize(width, height, BitCount);
}

void TOpalBaseList::SetColor(int32_t colour) {
  for (auto& base : Bases_) base->SetColor(colour);
}

void TOpalBaseList::ReleasePixels() {
  Transition_.reset();
  TransitionRunning = false;
  PrivateBuffer.ReleaseImage();
  for (auto& base : Bases_) base->ReleasePixels();
  for (auto& o : Objects_) o->ReleasePixels();
}

void TOpalBaseList::RecreatePixels() {
  PrivateBuffer.SetSize(Width_, Height_, BitCount);
  for (auto& base : Bases_) base->RecreatePixels();
  for (auto& o : Objects_) o->RecreatePixels();
}

// --- saved record ---

void TOpalBaseList::SaveToStream(TStream& s) const {
  WriteInt32(s, Width_);
  WriteInt32(s, Height_);
  WriteInt32(s, Active);
  BaseAt(0)->SaveToStream(s);
  BaseAt(1)->SaveToStream(s);
  std::vector<const TOpalObject*> components;
  for (const auto& o : Objects_) {
    if (o->AsControl() == nullptr && !o->MarkedForDeletion() && o->Kind() != LT_NONE && !o->HasSystemName()) {
      components.push_back(o.get());
    }
  }
  WriteInt32(s, static_cast<int32_t>(components.size()));
  for (const TOpalObject* o : components) {
    WriteByte(s, o->Kind());
    o->SaveToStream(s);
  }
  Events.SaveToStream(s);
  WriteString(s, Focus != nullptr ? Focus->Name() : std::string());
}

void TOpalBaseList::LoadFromStream(TStream& s, int32_t version) {
  Reset();
  int32_t width = ReadInt32(s), height = ReadInt32(s);
  if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide) {
    throw EFormatError(Format("stage size %dx%d out of range", width, height));
  }
  SetSize(width, height);
  Active = ReadInt32(s) & 1;
  for (int32_t i = 0; i < 2; ++i) {
    TOpalBase* base = BaseAt(i);
    base->LoadFromStream(s, version);
    // The record carries the base's old name and size; the stage's rule.
    base->Name_ = kBaseNames[i];
    base->Resize(width, height, BitCount);
  }
  auto checkedCount = [&s](const char* what) {
    int32_t n = ReadInt32(s);
    if (n < 0 || n > s.Remaining()) throw EFormatError(Format("bad %s count %d", what, n));
    return n;
  };
  int32_t count = checkedCount("component");
  for (int32_t i = 0; i < count; ++i) {
    uint8_t kind = ReadByte(s);
    TOpalObject* o = CreateByKind(kind);
    if (o == nullptr || o->AsControl() != nullptr) {
      if (o != nullptr) Destroy(o);
      throw EFormatError(Format("component of kind %u cannot be loaded", kind));
    }
    o->LoadFromStream(s, version);
  }
  Events.LoadFromStream(s, version, *this);
  if (version > 118) {
    std::string focus = ReadString(s);
    TOpalControl* c = focus.empty() ? nullptr : FindControl(focus);
    if (c != nullptr) Focus = c;
  }
  for (size_t i = 0; i < Objects_.size(); ++i) Objects_[i]->Restore();
}

}  // namespace opal
