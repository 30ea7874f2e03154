#include "components/map_image.h"

#include <algorithm>
#include <cstring>

#include "components/brio_collection.h"
#include "expr/param_collection.h"
#include "raster/custom_dibx.h"
#include "stage/base_list.h"
#include "stage/opal_base.h"
#include "stage/property_table.h"
#include "stage/window_input.h"
#include "storage/stream.h"

namespace opal {

namespace {

// Virtual-key codes of the keys the map image reacts to.
constexpr int32_t kKeyEnter = 0x0D, kKeyEscape = 0x1B, kKeySpace = 0x20;
constexpr int32_t kKeyLeft = 0x25, kKeyUp = 0x26, kKeyRight = 0x27, kKeyDown = 0x28;

}  // namespace

TOpalMapImage::TOpalMapImage(TOpalBaseList* owner) : TOpalControl(owner) {
  if (owner != nullptr) owner->RightClickList.push_back(Id());
}

TOpalMapImage::~TOpalMapImage() {
  if (Owner() != nullptr) std::erase(Owner()->RightClickList, Id());
}

bool TOpalMapImage::ImageSize(int32_t& width, int32_t& height) const {
  const TBrioItem* item = Base_.Item();
  if (item == nullptr) return false;
  width = item->Width;
  height = item->Height;
  return true;
}

// --- sources ---

void TOpalMapImage::SetSource(const std::string& v) {
  if (v == Source_) return;
  Invalidate();
  Base_.Clear();
  BaseMasks_.clear();
  Source_ = v;
  TBrioCollection* cache = Owner() != nullptr ? Owner()->Services().ImageCache : nullptr;
  if (cache != nullptr && !v.empty()) Base_.Load(*cache, v, true);
  BaseMasks_.resize(static_cast<size_t>(Base_.Count()));
  int32_t w = 0, h = 0;
  if (ImageSize(w, h)) SetBounds(Left_, Top_, w, h);
  Invalidate();
}

void TOpalMapImage::SetHoverSource(const std::string& v) {
  if (v == HoverSource_) return;
  Hover_.Clear();
  HoverMasks_.clear();
  HoverSource_ = v;
  TBrioCollection* cache = Owner() != nullptr ? Owner()->Services().ImageCache : nullptr;
  if (cache != nullptr && !v.empty()) Hover_.Load(*cache, v, true);
  HoverMasks_.resize(static_cast<size_t>(Hover_.Count()));
  InvalidateArea(Hovered_);
}

void TOpalMapImage::SetMapSource(const std::string& v) {
  if (v == MapSource_) return;
  SetHovered(-1);
  Areas_.clear();
  MapSource_ = v;
  TBrioCollection* cache = Owner() != nullptr ? Owner()->Services().ImageCache : nullptr;
  if (v.empty() || cache == nullptr || !cache->Knows || !cache->Reader || !cache->Knows(v)) return;
  TMemoryStream file;
  cache->Reader(v, file);
  file.SetPosition(0);
  Areas_ = TMapFile::Read(file);
}

void TOpalMapImage::SetAlpha(int32_t v) { ChangeLook(Alpha_, v); }

void TOpalMapImage::SetBrightness(int32_t v) { ChangeLook(Brightness_, v); }

// --- areas and hovering ---

int32_t TOpalMapImage::AreaAt(int32_t x, int32_t y) const {
  for (size_t i = 0; i < Areas_.size(); ++i) {
    if (Areas_[i].Contains(x, y)) return static_cast<int32_t>(i);
  }
  return -1;
}

void TOpalMapImage::InvalidateArea(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(Areas_.size()) || !Visible()) return;
  int32_t iw = 0, ih = 0;
  // A stretched picture: its areas move with it, so the whole object.
  if (!ImageSize(iw, ih) || iw != Width_ || ih != Height_) {
    Invalidate();
    return;
  }
  TOpalBase* base = GetBase();
  if (base == nullptr) return;
  const TRect box = Areas_[static_cast<size_t>(index)].Box();
  const TRect own = ScreenRect();
  TRect r{ClampToInt32(int64_t{own.Left} + box.Left), ClampToInt32(int64_t{own.Top} + box.Top),
          ClampToInt32(int64_t{own.Left} + box.Right), ClampToInt32(int64_t{own.Top} + box.Bottom)};
  r = Intersect(r, own);
  if (Parent_ != nullptr) r = Intersect(r, Parent_->ScreenRect());
  const TRect clip = ClipRect();
  if (!clip.IsEmpty()) r = Intersect(r, clip);
  if (r.IsEmpty()) return;
  for (TOpalControl* c = Parent_; c != nullptr; c = c->GetParent()) c->DirtyClip(r);
  base->AddDirty(r);
}

void TOpalMapImage::Post(const std::string& handler, uint8_t kind, int32_t index) {
  if (handler.empty() || Owner() == nullptr || Closing()) return;
  Owner()->Events.Post(this, handler, {Areas_[static_cast<size_t>(index)].Name, std::to_string(index)}, kind);
}

void TOpalMapImage::SetHovered(int32_t index) {
  if (index < -1 || index >= static_cast<int32_t>(Areas_.size())) index = -1;
  if (index == Hovered_) return;
  if (Hovered_ >= 0) Post(OnMapOut, kMapOutEvent, Hovered_);
  InvalidateArea(Hovered_);
  Hovered_ = index;
  Hover_.SetFrame(0);
  InvalidateArea(Hovered_);
  if (Hovered_ >= 0) Post(OnMapIn, kMapInEvent, Hovered_);
}

void TOpalMapImage::MouseMove(int32_t x, int32_t y) {
  if (Closing()) return;
  SetHovered(AreaAt(ClampToInt32(int64_t{x} - ScreenLeft()), ClampToInt32(int64_t{y} - ScreenTop())));
}

void TOpalMapImage::MouseLeave() { SetHovered(-1); }

void TOpalMapImage::DoMouseMove(TMouseState& m) {
  MouseMove(m.PointerX, m.PointerY);
  TOpalControl::DoMouseMove(m);
}

void TOpalMapImage::DoMouseLeave(TMouseState& m) {
  MouseLeave();
  TOpalControl::DoMouseLeave(m);
}

void TOpalMapImage::DoLeftDown(TMouseState& m) {
  LeftDown();
  // Choosing may have closed the object; the control's reaction still runs
  // (a closing object queues nothing).
  TOpalControl::DoLeftDown(m);
}

void TOpalMapImage::DoKeyRepeat(const std::vector<uint8_t>& codes) {
  const TKeyboardState* keys = Owner() != nullptr ? &Owner()->Keys : nullptr;
  for (uint8_t code : codes) {
    const bool pressed = keys != nullptr && std::find(keys->WentDown.begin(), keys->WentDown.end(), code) != keys->WentDown.end();
    KeyRepeat(code, pressed);
  }
  TOpalControl::DoKeyRepeat(codes);
}

void TOpalMapImage::SetSelection(const std::string& name, int32_t index) {
  TParamCollection* vars = Owner() != nullptr ? Owner()->Services().Vars : nullptr;
  if (vars == nullptr) return;
  vars->SelStr = name;
  vars->SelIndex = index;
}

void TOpalMapImage::Choose(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(Areas_.size())) return;
  SetSelection(Areas_[static_cast<size_t>(index)].Name, index);
  if (Owner() != nullptr && Owner()->Events.Find(this, kSelectEvent) < 0) Post(OnSelect, kSelectEvent, index);
  if (AutoScrap) StartClosing();
}

bool TOpalMapImage::LeftDown() {
  if (Closing() || (IgnoreMouse != 0 && IgnoreMouse != 4) || PausedFlag || Hovered_ < 0) return false;
  Choose(Hovered_);
  return true;
}

void TOpalMapImage::KeyRepeat(int32_t code, bool pressed) {
  if (Closing()) return;
  const int32_t n = static_cast<int32_t>(Areas_.size());
  switch (code) {
    case kKeyUp:
    case kKeyLeft:
      if (n > 0) SetHovered(Hovered_ <= 0 ? n - 1 : Hovered_ - 1);
      break;
    case kKeyDown:
    case kKeyRight:
      if (n > 0) SetHovered(Hovered_ < 0 || Hovered_ >= n - 1 ? 0 : Hovered_ + 1);
      break;
    case kKeyEnter:
    case kKeySpace:
      if (pressed) Choose(Hovered_);
      break;
    case kKeyEscape:
      if (pressed && RClickScrap) {
        SetSelection({}, -1);
        StartClosing();
      }
      break;
    default: break;
  }
}

bool TOpalMapImage::RightClickClose() {
  if (Closing() || (IgnoreMouse != 0 && IgnoreMouse != 3)) return false;
  SetSelection({}, -1);
  StartClosing();
  return true;
}

void TOpalMapImage::StartClosing() {
  if (CloseState == 0) CloseState = kCloseAsked;
}

bool TOpalMapImage::Update(int32_t elapsedMs) {
  if (CloseState == kCloseShown) return true;
  if (CloseState == kCloseAsked) {
    ClosingFlag = true;
    CloseState = kCloseShown;
    return false;
  }
  if (TOpalControl::Update(elapsedMs)) return true;
  if (!AniPaused) {
    if (Base_.Advance(elapsedMs)) Invalidate();
    if (Hover_.Advance(elapsedMs)) InvalidateArea(Hovered_);
  }
  return false;
}

// --- drawing ---

TDIBX* TOpalMapImage::MaskFor(TOpalImageList& list, std::vector<TAreaMask>& masks, bool hover) {
  TOpalImageData* d = list.Current();
  if (d == nullptr || static_cast<size_t>(list.Index) >= masks.size()) return nullptr;
  TCustomDIBX* pixels = d->Pixels();
  if (pixels == nullptr) return nullptr;
  TAreaMask& m = masks[static_cast<size_t>(list.Index)];
  const uint64_t generation = list.Item()->Generation;
  if (m.Mask && m.BuiltFor == Hovered_ && m.Generation == generation) return m.Mask.get();
  const int32_t w = pixels->Width(), h = pixels->Height();
  if (!m.Mask) m.Mask = std::make_unique<TDIBX>();
  m.Mask->SetSize(w, h, 8);
  TCustomDIBX* own = d->Mask();
  const int32_t key = pixels->TransparentColor;
  std::vector<std::pair<int32_t, int32_t>> spans;
  const TMapArea* area = Hovered_ >= 0 ? &Areas_[static_cast<size_t>(Hovered_)] : nullptr;
  std::vector<uint8_t> row(static_cast<size_t>(w)), inside(static_cast<size_t>(w));
  for (int32_t y = 0; y < h; ++y) {
    // The frame's own opacity: its mask, or its transparent colour.
    if (own != nullptr && own->Width() == w && own->Height() == h) {
      const uint8_t* src = own->PixelAddress(0, y);
      if (src != nullptr) {
        std::memcpy(row.data(), src, row.size());
        own->Unlock();
      }
    } else {
      for (int32_t x = 0; x < w; ++x) {
        row[static_cast<size_t>(x)] = key >= 0 && pixels->GetPixel(x, y) == static_cast<uint32_t>(key) ? 0 : 255;
      }
    }
    // Inside the area for the hover frame, outside it for the base frame.
    std::fill(inside.begin(), inside.end(), uint8_t{0});
    if (area != nullptr) {
      area->RowSpans(y, spans);
      for (const auto& [first, last] : spans) {
        for (int32_t x = std::max(0, first); x < std::min(w, last); ++x) inside[static_cast<size_t>(x)] = 1;
      }
    }
    for (int32_t x = 0; x < w; ++x) {
      const bool keep = hover ? inside[static_cast<size_t>(x)] != 0 : inside[static_cast<size_t>(x)] == 0;
      if (!keep) row[static_cast<size_t>(x)] = 0;
    }
    if (uint8_t* dst = m.Mask->PixelAddress(0, y)) {
      std::memcpy(dst, row.data(), row.size());
      m.Mask->Unlock();
    }
  }
  m.BuiltFor = Hovered_;
  m.Generation = generation;
  return m.Mask.get();
}

void TOpalMapImage::DrawFrame(TCustomDIBX& canvas, TOpalImageList& list, std::vector<TAreaMask>& masks, bool hover) {
  TOpalImageData* d = list.Current();
  if (d == nullptr) return;
  d->SetBrightness(Brightness_);
  TCustomDIBX* src = d->Pixels();
  TDIBX* mask = MaskFor(list, masks, hover);
  if (src == nullptr || mask == nullptr) return;
  const int32_t a = std::min(Alpha_, 511);
  const TRect dest = ScreenRect();
  const TRect whole = src->BoundsRect();
  if (Width_ == src->Width() && Height_ == src->Height()) {
    if (a < 255) canvas.DrawAlphaMask(dest.Left, dest.Top, a, mask, false, false, whole, src);
    else if (a == 255) canvas.DrawMask(dest.Left, dest.Top, mask, false, false, whole, src);
    else canvas.DrawAddMask(dest.Left, dest.Top, a - 256, mask, false, false, whole, src);
  } else if (a <= 255) {
    canvas.StretchDrawMask(dest, src, a, mask, false, false, whole);
  } else {
    canvas.StretchDrawAddMask(dest, src, a - 256, mask, false, false, whole);
  }
}

void TOpalMapImage::DrawSelf(TCustomDIBX& canvas) {
  if (Alpha_ < 1 || Width_ < 1 || Height_ < 1) return;
  DrawFrame(canvas, Base_, BaseMasks_, false);
  if (Hovered_ >= 0) DrawFrame(canvas, Hover_, HoverMasks_, true);
}

void TOpalMapImage::ReleasePixels() {
  Base_.ReleasePixels();
  Hover_.ReleasePixels();
  for (TAreaMask& m : BaseMasks_) m.Mask.reset();
  for (TAreaMask& m : HoverMasks_) m.Mask.reset();
}

void TOpalMapImage::RecreatePixels() { Invalidate(); }

// --- properties ---

const TPropertyTable& TOpalMapImage::Properties() const {
  using R = TPropertyRows<TOpalMapImage>;
  using M = TOpalMapImage;
  static const TPropertyRow rows[] = {
      R::Field<PR_SOURCE, &M::Source_, &M::SetSource>(),
      R::Field<PR_HOVERSOURCE, &M::HoverSource_, &M::SetHoverSource>(),
      R::Field<PR_MAPSOURCE, &M::MapSource_, &M::SetMapSource>(),
      R::Field<PR_ALPHA, &M::Alpha_, TOnSet::Look>(),
      R::Field<PR_BRIGHTNESS, &M::Brightness_, TOnSet::Look>(),
      R::Field<PR_ONSELECT, &M::OnSelect>(),
      R::Field<PR_ONMAPIN, &M::OnMapIn>(),
      R::Field<PR_ONMAPOUT, &M::OnMapOut>(),
      R::Field<PR_AUTOSCRAP, &M::AutoScrap>(),
      R::Field<PR_RCLICKSCRAP, &M::RClickScrap>(),
      R::Field<PR_PAUSED, &M::PausedFlag>(),
      R::Field<PR_ONIDLE, &M::OnIdle>(),
  };
  static const TPropertyTable table(TOpalControl::Properties(), rows);
  return table;
}

// --- saved record ---

void TOpalMapImage::SaveToStream(TStream& s) const {
  TOpalControl::SaveToStream(s);
  WriteString(s, Source_);
  WriteString(s, HoverSource_);
  WriteString(s, MapSource_);
  WriteInt32(s, Alpha_);
  WriteInt32(s, Brightness_);
  WriteString(s, OnMapIn);
  WriteString(s, OnMapOut);
  WriteByte(s, AutoScrap);
  WriteByte(s, RClickScrap);
  WriteString(s, OnIdle);
  WriteByte(s, PausedFlag);
  WriteString(s, OnSelect);
  WriteInt32(s, CloseState);
}

void TOpalMapImage::LoadFromStream(TStream& s, int32_t version) {
  TOpalControl::LoadFromStream(s, version);
  const int32_t width = Width_, height = Height_;
  SetSource(ReadString(s));
  Width_ = width, Height_ = height;
  SetHoverSource(ReadString(s));
  SetMapSource(ReadString(s));
  Alpha_ = ReadInt32(s);
  Brightness_ = ReadInt32(s);
  OnMapIn = ReadString(s);
  OnMapOut = ReadString(s);
  AutoScrap = ReadByte(s) != 0;
  RClickScrap = ReadByte(s) != 0;
  if (version > 103) {
    OnIdle = ReadString(s);
    PausedFlag = ReadByte(s) != 0;
    OnSelect = ReadString(s);
  }
  if (version > 114) {
    const int32_t state = ReadInt32(s);
    // Only the machine's own states; anything else is damage.
    CloseState = state == kCloseAsked || state == kCloseShown ? state : 0;
    ClosingFlag = CloseState == kCloseShown;
  }
}

}  // namespace opal
