#include "stage/opal_box.h"

#include <string_view>

#include "raster/custom_dibx.h"
#include "stage/motion.h"
#include "stage/property_table.h"
#include "storage/stream.h"

namespace opal {

namespace {

// The colour 0x00BBGGRR with every channel scaled by amount/256.
int32_t ScaleColour(int32_t colour, int32_t amount) {
  uint32_t c = static_cast<uint32_t>(colour), out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    uint32_t ch = (c >> shift) & 0xFF;
    out |= ((ch * static_cast<uint32_t>(amount)) >> 8) << shift;
  }
  return static_cast<int32_t>(out);
}

void Fill(TCustomDIBX& canvas, const TRect& r, int32_t colour, int32_t alpha) {
  if (alpha == 255) {
    canvas.FillRect(r, static_cast<uint32_t>(canvas.ColorToPixel(colour)));
  } else if (alpha < 255) {
    canvas.FillRectAlpha(r, static_cast<uint32_t>(canvas.ColorToPixel(colour)), alpha);
  } else {
    canvas.FillRectAdd(r, static_cast<uint32_t>(canvas.ColorToPixel(ScaleColour(colour, alpha - 256))));
  }
}

void Frame(TCustomDIBX& canvas, const TRect& r, int32_t width, int32_t colour, int32_t alpha) {
  if (alpha == 255) {
    canvas.FrameRect(r, width, static_cast<uint32_t>(canvas.ColorToPixel(colour)));
  } else if (alpha < 255) {
    canvas.FrameRectAlpha(r, width, static_cast<uint32_t>(canvas.ColorToPixel(colour)), alpha);
  } else {
    canvas.FrameRectAdd(r, width, static_cast<uint32_t>(canvas.ColorToPixel(ScaleColour(colour, alpha - 256))));
  }
}

}  // namespace

TOpalBox::TOpalBox(TOpalBaseList* owner) : TOpalControl(owner) {}

void TOpalBox::DrawSelf(TCustomDIBX& canvas) {
  if (!Visible() || Alpha < 1 || Alpha > 511) return;
  TRect r = ScreenRect();
  // A frame thicker than half the box would spill past it (and past the
  // area its invalidations cover): the box draws only inside its rectangle.
  const TRect saved = canvas.ClipRect;
  const TRect inside = Intersect(canvas.EffectiveClip(), r);
  if (inside.IsEmpty()) return;
  canvas.SetClipRect(inside);
  if (BorderWidth > 0 && BorderColor >= 0) {
    Frame(canvas, r, BorderWidth, BorderColor, Alpha);
    r = {ClampToInt32(int64_t{r.Left} + BorderWidth), ClampToInt32(int64_t{r.Top} + BorderWidth),
         ClampToInt32(int64_t{r.Right} - BorderWidth), ClampToInt32(int64_t{r.Bottom} - BorderWidth)};
  }
  if (Color_ >= 0 && !r.IsEmpty()) Fill(canvas, r, Color_, Alpha);
  canvas.SetClipRect(saved);
}

void TOpalBox::SetBorderWidth(int32_t v) { ChangeLook(BorderWidth, v); }

void TOpalBox::SetBorderColor(int32_t v) { ChangeLook(BorderColor, v); }

void TOpalBox::SetAlpha(int32_t v) { ChangeLook(Alpha, v); }

namespace {

bool IsMotionFile(const std::string& name) {
  constexpr std::string_view kExt = ".omt";
  if (name.size() < kExt.size()) return false;
  for (size_t i = 0; i < kExt.size(); ++i) {
    const char c = name[name.size() - kExt.size() + i];
    if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != kExt[i]) return false;
  }
  return true;
}

}  // namespace

// A box has no picture: its source is a motion file or nothing.
void TOpalBox::SetSource(const std::string& v) {
  if (v == Source) return;
  Source = v;
  if (IsMotionFile(v)) {
    AttachMotion(v);
  } else {
    DestroyMotion();
  }
}

bool TOpalBox::Update(int32_t elapsedMs) { return StepMotion(elapsedMs, Repeat, AutoScrap, OnPlayEnd); }

void TOpalBox::RecreatePixels() {
  if (Motion != nullptr) Motion->Reapply(*this);
}

const TPropertyTable& TOpalBox::Properties() const {
  using R = TPropertyRows<TOpalBox>;
  using B = TOpalBox;
  static const TPropertyRow rows[] = {
      R::Field<PR_SOURCE, &B::Source, &B::SetSource>(),
      R::Field<PR_BORDERWIDTH, &B::BorderWidth, TOnSet::Look>(),
      R::Field<PR_BORDERCOLOR, &B::BorderColor, TOnSet::Look>(),
      R::Field<PR_ALPHA, &B::Alpha, TOnSet::Look>(),
      R::Field<PR_PAUSED, &B::PausedFlag>(),
      R::Field<PR_REPEAT, &B::Repeat>(),
      R::Field<PR_ONPLAYEND, &B::OnPlayEnd>(),
      R::Field<PR_AUTOSCRAP, &B::AutoScrap>(),
      R::Field<PR_ONIDLE, &B::OnIdle>(),
  };
  static const TPropertyTable table(TOpalControl::Properties(), rows);
  return table;
}

void TOpalBox::SaveToStream(TStream& s) const {
  TOpalControl::SaveToStream(s);
  WriteInt32(s, BorderWidth);
  WriteInt32(s, BorderColor);
  WriteInt32(s, Alpha);
  WriteString(s, OnIdle);
  WriteString(s, Source);
  WriteByte(s, Repeat);
  WriteByte(s, AutoScrap);
  WriteString(s, OnPlayEnd);
  WriteByte(s, PausedFlag);
  WriteByte(s, AniPaused);
}

void TOpalBox::LoadFromStream(TStream& s, int32_t version) {
  TOpalControl::LoadFromStream(s, version);
  BorderWidth = ReadInt32(s);
  BorderColor = ReadInt32(s);
  Alpha = ReadInt32(s);
  if (version > 103) {
    OnIdle = ReadString(s);
    SetSource(ReadString(s));
    Repeat = ReadByte(s) != 0;
    AutoScrap = ReadByte(s) != 0;
    OnPlayEnd = ReadString(s);
    PausedFlag = ReadByte(s) != 0;
    AniPaused = ReadByte(s) != 0;
  }
}

}  // namespace opal
