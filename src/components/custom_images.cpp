#include "components/custom_images.h"

#include <algorithm>
#include <limits>

#include "components/brio_collection.h"
#include "expr/param_collection.h"
#include "stage/base_list.h"
#include "stage/motion.h"
#include "stage/property_table.h"
#include "storage/stream.h"

namespace opal {

bool HasExtension(const std::string& name, const char* ext) {
  const std::string_view e(ext);
  if (name.size() < e.size()) return false;
  for (size_t i = 0; i < e.size(); ++i) {
    char c = name[name.size() - e.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != e[i]) return false;
  }
  return true;
}

// --- TOpalCustomImages ---

TOpalCustomImages::TOpalCustomImages(TOpalBaseList* owner) : TOpalCustomImage(owner) {}

TCustomDIBX* TOpalCustomImages::ShownPixels() const {
  if (MotionPixels_ != nullptr) return MotionPixels_;
  TOpalImageList* list = ShownList();
  TOpalImageData* d = list != nullptr ? list->Data(Index_) : nullptr;
  return d != nullptr ? d->Pixels() : nullptr;
}

TCustomDIBX* TOpalCustomImages::ShownMask() const {
  if (MotionPixels_ != nullptr) return MotionMask_;
  TOpalImageList* list = ShownList();
  TOpalImageData* d = list != nullptr ? list->Data(Index_) : nullptr;
  return d != nullptr ? d->Mask() : nullptr;
}

void TOpalCustomImages::ShowMotionPicture(TCustomDIBX* pixels, TCustomDIBX* mask) {
  if (pixels == MotionPixels_ && mask == MotionMask_) return;
  Invalidate();
  MotionPixels_ = pixels;
  MotionMask_ = pixels != nullptr ? mask : nullptr;
  Invalidate();
}

const std::string& TOpalCustomImages::PlayEndHandler() const {
  static const std::string kNone;
  return kNone;
}

int32_t TOpalCustomImages::ExtraWaitMs() {
  TParamCollection* vars = Owner() != nullptr ? Owner()->Services().Vars : nullptr;
  if (ExtraWait.Ops.empty() || vars == nullptr) return 0;
  ExtraWait.Execute(*vars);
  const TCustomParam* r = ExtraWait.Result();
  return r != nullptr ? r->AsInteger() : 0;
}

void TOpalCustomImages::SelectFrame(int32_t index) {
  if (index == Index_) return;
  TOpalImageList* list = ShownList();
  const int32_t count = list != nullptr ? list->Count() : 0;
  const bool oldValid = Index_ >= 0 && Index_ < count;
  if (oldValid) {
    Invalidate();
  } else {
    TimeLeft_ = 0;
  }
  const int32_t oldWidth = Width_, oldHeight = Height_;
  Index_ = index;
  Ended_ = false;
  TOpalImageData* d = list != nullptr ? list->Data(index) : nullptr;
  if (d != nullptr) {
    d->SetBrightness(Brightness_);
    TimeLeft_ += d->DisplayTime();
    if (index == count - 1 && count > 1) TimeLeft_ += ExtraWaitMs();
    if (AutoSized()) {
      UpdateSize();
      if (Width_ != oldWidth || Height_ != oldHeight) return;  // SetBounds invalidated both
    }
  }
  Invalidate();
}

void TOpalCustomImages::SetBrightness(int32_t v) {
  if (v == Brightness_) return;
  Brightness_ = v;
  TOpalImageList* list = ShownList();
  if (TOpalImageData* d = list != nullptr ? list->Data(Index_) : nullptr) d->SetBrightness(v);
  Invalidate();
}

void TOpalCustomImages::SetPaused(bool v) {
  if (v == PausedFlag) return;
  PausedFlag = v;
  TimeLeft_ = 0;
}

void TOpalCustomImages::SetVisible(bool v) {
  // Only a change restarts the frame's time: creation writes PR_VISIBLE too.
  if (v == Visible()) return;
  TOpalCustomImage::SetVisible(v);
  TimeLeft_ = 0;
}

bool TOpalCustomImages::AtEnd() const {
  TOpalImageList* list = ShownList();
  const int32_t count = list != nullptr ? list->Count() : 0;
  return count > 0 && Index_ == count - 1 && TimeLeft_ < 1;
}

bool TOpalCustomImages::Animate(int32_t elapsedMs) {
  TOpalImageList* list = ShownList();
  const int32_t count = list != nullptr ? list->Count() : 0;
  if (HasMotion() || Index_ < 0 || Index_ >= count || !Visible() || PausedFlag || AniPaused || Ended_) return false;
  if (TimeLeft_ > 0) TimeLeft_ -= elapsedMs;
  // Every frame lasts at least 1 ms and a wrap starts from 0, so this ends
  // within one pass over the frames (an extra wait may be negative: the
  // wrap still comes).
  for (int32_t guard = 0; TimeLeft_ < 1 && guard <= count + 1; ++guard) {
    if (Index_ < count - 1) {
      if (count <= 2) TimeLeft_ = 0;
      SelectFrame(Index_ + 1);
      continue;
    }
    if (Repeats()) {
      TimeLeft_ = 0;
      if (count == 1) {  // already on frame 0: SelectFrame would see no change
        TimeLeft_ = list->Data(0)->DisplayTime();
        break;
      }
      SelectFrame(0);
      continue;
    }
    Ended_ = true;
    if (AutoScraps()) return true;
    if (!PlayEndHandler().empty() && Owner() != nullptr) Owner()->Events.Post(this, PlayEndHandler(), {}, kPlayEndEvent);
    break;
  }
  return false;
}

bool TOpalCustomImages::Update(int32_t elapsedMs) {
  if (TOpalCustomImage::Update(elapsedMs)) return true;
  if (StepMotion(elapsedMs, Repeats(), AutoScraps(), PlayEndHandler())) return true;
  return Animate(elapsedMs);
}

void TOpalCustomImages::ReleasePixels() {
  if (TOpalImageList* list = ShownList()) list->ReleasePixels();
}

int32_t TOpalCustomImages::FrameCount() const {
  TOpalImageList* list = ShownList();
  return list != nullptr ? list->Count() : 0;
}

bool TOpalCustomImages::Animating() const { return !PausedFlag && !AniPaused && (Repeats() || !AtEnd()); }

const TPropertyTable& TOpalCustomImages::Properties() const {
  using R = TPropertyRows<TOpalCustomImages>;
  using I = TOpalCustomImages;
  static const TPropertyRow rows[] = {
      R::Field<PR_INDEX, &I::Index_, &I::SelectFrame>(),
      R::Computed<PR_COUNT, &I::FrameCount>(),
      R::Field<PR_BRIGHTNESS, &I::Brightness_, &I::SetBrightness>(),
      R::Field<PR_PAUSED, &I::PausedFlag, &I::SetPaused>(),
      R::Computed<PR_PLAYING, &I::Animating>(),
  };
  static const TPropertyTable table(TOpalCustomImage::Properties(), rows);
  return table;
}

void TOpalCustomImages::SaveToStream(TStream& s) const {
  TOpalCustomImage::SaveToStream(s);
  WriteInt32(s, ClampToInt32(TimeLeft_));
  WriteInt32(s, Index_);
  WriteInt32(s, Brightness_);
  WriteByte(s, PausedFlag);
  ExtraWait.SaveToStream(s);
}

void TOpalCustomImages::LoadFromStream(TStream& s, int32_t version) {
  TOpalCustomImage::LoadFromStream(s, version);
  SavedTimeLeft_ = ReadInt32(s);
  SavedIndex_ = ReadInt32(s);
  Brightness_ = ReadInt32(s);
  PausedFlag = ReadByte(s) != 0;
  ExtraWait.LoadFromStream(s);
}

void TOpalCustomImages::RestoreFrame() {
  const int32_t width = Width_, height = Height_;
  const int32_t zoomX = ZoomX_, zoomY = ZoomY_;
  Index_ = -1;
  TOpalImageList* list = ShownList();
  // The extra wait was already part of the saved time left.
  TOpalImageData* d = list != nullptr ? list->Data(SavedIndex_) : nullptr;
  Index_ = SavedIndex_;
  if (d != nullptr) d->SetBrightness(Brightness_);
  TimeLeft_ = SavedTimeLeft_;
  // The record holds the size the object had, explicit or computed.
  ZoomX_ = zoomX, ZoomY_ = zoomY;
  Width_ = width, Height_ = height;
  Invalidate();
}

// --- TOpalImages ---

TOpalImages::TOpalImages(TOpalBaseList* owner) : TOpalCustomImages(owner) {
  Lists_.push_back(std::make_unique<TOpalImageList>());
}

void TOpalImages::SetSource(const std::string& v) {
  if (v == Source_) return;
  Invalidate();
  Index_ = -1;
  Ended_ = false;
  TOpalImageList& list = *Lists_.front();
  list.Clear();
  DestroyMotion();
  Source_ = v;
  TBrioCollection* cache = Cache();
  if (HasExtension(v, ".bri") && cache != nullptr) {
    list.Load(*cache, v, false);
  } else if (HasExtension(v, ".omt")) {
    // The motion's first frame is applied at once; it then plays from the
    // start.
    AttachMotion(v);
    if (Motion != nullptr) {
      StepMotion(0, Repeat, false, {});
      Motion->Restart();
    }
  } else {
    // Neither a picture nor a motion: nothing to show.
    SetBounds(Left_, Top_, 0, 0);
  }
  if (!list.Empty()) SelectFrame(0);
}

void TOpalImages::RecreatePixels() {
  // A motion's picture is found again in the film's frames.
  if (Motion != nullptr) Motion->Reapply(*this);
  UpdateSize();
  Invalidate();
}

void TOpalImages::RepeatWritten() {
  if (Repeat) Ended_ = false;
}

const TPropertyTable& TOpalImages::Properties() const {
  using R = TPropertyRows<TOpalImages>;
  using I = TOpalImages;
  static const TPropertyRow rows[] = {
      R::Field<PR_SOURCE, &I::Source_, &I::SetSource>(),
      R::Field<PR_REPEAT, &I::Repeat, TOnSet::Store, &I::RepeatWritten>(),
      R::Field<PR_AUTOSCRAP, &I::AutoScrap>(),
      R::Field<PR_ONPLAYEND, &I::OnPlayEnd>(),
      R::Field<PR_ONIDLE, &I::OnIdle>(),
  };
  static const TPropertyTable table(TOpalCustomImages::Properties(), rows);
  return table;
}

void TOpalImages::SaveToStream(TStream& s) const {
  TOpalCustomImages::SaveToStream(s);
  WriteByte(s, Repeat);
  WriteByte(s, AutoScrap);
  WriteString(s, Source_);
  WriteString(s, OnPlayEnd);
  WriteString(s, OnIdle);
}

void TOpalImages::LoadFromStream(TStream& s, int32_t version) {
  TOpalCustomImages::LoadFromStream(s, version);
  Repeat = ReadByte(s) != 0;
  AutoScrap = ReadByte(s) != 0;
  const int32_t width = Width_, height = Height_;
  SetSource(ReadString(s));
  Width_ = width, Height_ = height;
  OnPlayEnd = ReadString(s);
  if (version > 103) OnIdle = ReadString(s);
  RestoreFrame();
}

}  // namespace opal
