#include "shell/config_dialog.h"

#include <algorithm>

#include "common/cp932.h"
#include "platform/ui_font.h"
#include "platform/virtual_keys.h"
#include "raster/custom_dibx.h"

namespace opal {

namespace {

// Classic control colours (0x00RRGGBB).
constexpr uint32_t kFace = 0xD4D0C8, kLight = 0xFFFFFF, kShadow = 0x808080, kDark = 0x404040, kText = 0x000000;

constexpr TRect kBevel{8, 8, 8 + 253, 8 + 113};
constexpr TRect kLabelBuff{28, 56, 28 + 123, 56 + 12};
constexpr TRect kLabelBuffInfo{173, 56, 173 + 68, 56 + 12};
constexpr TRect kBounds[] = {
    {28, 24, 28 + 217, 24 + 17},    // CheckSound
    {100, 140, 100 + 75, 140 + 25}, // btnOK
    {180, 140, 180 + 75, 140 + 25}, // btnCancel
    {28, 72, 28 + 221, 72 + 25},    // TrackBuff
};
constexpr int32_t kThumb = 16;  // thumb length of the slider
constexpr int32_t kKeyS = 'S', kKeyD = 'D';

bool Inside(const TRect& r, int32_t x, int32_t y) { return x >= r.Left && y >= r.Top && x < r.Right && y < r.Bottom; }

void Fill(TCustomDIBX& c, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t rgb) {
  c.FillRect(TRect{l, t, r, b}, static_cast<uint32_t>(c.ColorToPixel(static_cast<int32_t>(
                                     ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF)))));
}

// A 2-pixel edge: raised (light top-left) or sunken.
void Edge(TCustomDIBX& c, const TRect& r, bool raised) {
  const uint32_t outerTL = raised ? kLight : kShadow, outerBR = raised ? kDark : kLight;
  const uint32_t innerTL = raised ? kFace : kDark, innerBR = raised ? kShadow : kFace;
  Fill(c, r.Left, r.Top, r.Right, r.Top + 1, outerTL);
  Fill(c, r.Left, r.Top, r.Left + 1, r.Bottom, outerTL);
  Fill(c, r.Left, r.Bottom - 1, r.Right, r.Bottom, outerBR);
  Fill(c, r.Right - 1, r.Top, r.Right, r.Bottom, outerBR);
  Fill(c, r.Left + 1, r.Top + 1, r.Right - 1, r.Top + 2, innerTL);
  Fill(c, r.Left + 1, r.Top + 1, r.Left + 2, r.Bottom - 1, innerTL);
  Fill(c, r.Left + 1, r.Bottom - 2, r.Right - 1, r.Bottom - 1, innerBR);
  Fill(c, r.Right - 2, r.Top + 1, r.Right - 1, r.Bottom - 1, innerBR);
}

// A dotted focus frame.
void FocusFrame(TCustomDIBX& c, const TRect& r) {
  for (int32_t x = r.Left; x < r.Right; x += 2) {
    Fill(c, x, r.Top, x + 1, r.Top + 1, kText);
    Fill(c, x, r.Bottom - 1, x + 1, r.Bottom, kText);
  }
  for (int32_t y = r.Top; y < r.Bottom; y += 2) {
    Fill(c, r.Left, y, r.Left + 1, y + 1, kText);
    Fill(c, r.Right - 1, y, r.Right, y + 1, kText);
  }
}

void DrawCaption(TCustomDIBX& c, const TUiFont* font, int32_t x, int32_t y, const std::string& text, bool enabled) {
  if (font == nullptr) return;
  if (!enabled) font->DrawText(c, x + 1, y + 1, text, kLight);
  font->DrawText(c, x, y, text, enabled ? kText : kShadow);
}

// The slider's thumb left edge for a position 1..5.
int32_t ThumbLeft(int32_t position) {
  const TRect& r = kBounds[TConfigDialog::TrackBar];
  const int32_t track = (r.Right - r.Left) - 2 * 8 - kThumb;
  return r.Left + 8 + (position - 1) * track / 4;
}

}  // namespace

std::string TConfigDialog::Caption() { return cp932::FromUtf8("動作設定"); }

TRect TConfigDialog::Bounds(TControl c) { return kBounds[c]; }

bool TConfigDialog::Enabled(TControl c) const { return c != TrackBar || Form_.DelayControlsEnabled; }

void TConfigDialog::MoveFocus(int step) {
  int f = Focus;
  do {
    f = (f + step + kControlCount) % kControlCount;
  } while (!Enabled(static_cast<TControl>(f)));
  Focus = static_cast<TControl>(f);
  Dirty = true;
}

void TConfigDialog::Activate(TControl c) {
  switch (c) {
    case CheckSoundBox:
      Form_.CheckSound = !Form_.CheckSound;
      Form_.CheckSoundClick();
      if (!Enabled(Focus)) Focus = CheckSoundBox;
      break;
    case OkButton: Form_.btnOKClick(); break;
    case CancelButton: Form_.btnCancelClick(); break;
    default: break;
  }
  Dirty = true;
}

void TConfigDialog::KeyDown(int32_t key) {
  if (Alt_ && key == kKeyS) {
    Focus = CheckSoundBox;
    Activate(CheckSoundBox);
    return;
  }
  if (Alt_ && key == kKeyD) {
    if (Enabled(TrackBar)) Focus = TrackBar;
    Dirty = true;
    return;
  }
  switch (key) {
    case vk::Tab: MoveFocus(Shift_ ? -1 : 1); return;
    case vk::Escape: Activate(CancelButton); return;
    case vk::Return: Activate(Focus == CancelButton ? CancelButton : OkButton); return;
    case vk::Space:
      if (Focus != TrackBar) Activate(Focus);
      return;
    default: break;
  }
  if (Focus != TrackBar) return;
  struct TStep {
    int32_t Key, Delta;
  };
  static constexpr TStep kSteps[] = {{vk::Left, -1}, {vk::Up, -1},   {vk::Right, 1},
                                     {vk::Down, 1},  {0x21, -1},     {0x22, 1},
                                     {0x24, -100},   {0x23, 100}};  // PageUp, PageDown, Home, End
  for (const TStep& s : kSteps) {
    if (s.Key == key) {
      Form_.SetTrackBuff(Form_.TrackBuff + s.Delta);
      Dirty = true;
    }
  }
}

void TConfigDialog::HandleInput(const TInputEvent& e) {
  switch (e.Kind) {
    case TInputKind::KeyDown:
      if (e.Key == vk::Shift) Shift_ = true;
      if (e.Key == vk::Menu) Alt_ = true;
      KeyDown(e.Key);
      break;
    case TInputKind::KeyUp:
      if (e.Key == vk::Shift) Shift_ = false;
      if (e.Key == vk::Menu) Alt_ = false;
      break;
    case TInputKind::MouseDown:
      if (e.Button != TPointerButton::Left) break;
      for (int c = 0; c < kControlCount; ++c) {
        const TControl control = static_cast<TControl>(c);
        if (!Inside(kBounds[c], e.X, e.Y) || !Enabled(control)) continue;
        Focus = control;
        if (control == TrackBar) {
          const int32_t pos = 1 + ((e.X - ThumbLeft(1) - kThumb / 2) * 4 + (ThumbLeft(5) - ThumbLeft(1)) / 2) /
                                      std::max(1, ThumbLeft(5) - ThumbLeft(1));
          Form_.SetTrackBuff(pos);
        } else {
          Activate(control);
        }
        Dirty = true;
      }
      break;
    case TInputKind::Close: Activate(CancelButton); break;
    default: break;
  }
}

void TConfigDialog::Paint(TCustomDIBX& c, const TUiFont* font) const {
  Fill(c, 0, 0, kWidth, kHeight, kFace);
  // The sunken frame: a grey line with a white one inside-below it.
  Fill(c, kBevel.Left, kBevel.Top, kBevel.Right, kBevel.Top + 1, kShadow);
  Fill(c, kBevel.Left, kBevel.Top, kBevel.Left + 1, kBevel.Bottom, kShadow);
  Fill(c, kBevel.Left, kBevel.Bottom - 1, kBevel.Right, kBevel.Bottom, kLight);
  Fill(c, kBevel.Right - 1, kBevel.Top, kBevel.Right, kBevel.Bottom, kLight);

  // The check box: a sunken white square, the check, the caption.
  const TRect& cb = kBounds[CheckSoundBox];
  const TRect box{cb.Left, cb.Top + 2, cb.Left + 13, cb.Top + 15};
  Fill(c, box.Left, box.Top, box.Right, box.Bottom, kLight);
  Edge(c, box, false);
  if (Form_.CheckSound) {
    for (int i = 0; i < 7; ++i) {
      const int32_t x = box.Left + 3 + i, y = box.Top + (i < 3 ? 5 + i : 9 - (i - 2));
      Fill(c, x, y, x + 1, y + 3, kText);
    }
  }
  DrawCaption(c, font, cb.Left + 17, cb.Top + 2, cp932::FromUtf8("DirectSoundを使用する(&S)"), true);
  if (Focus == CheckSoundBox) FocusFrame(c, TRect{cb.Left + 15, cb.Top + 1, cb.Right - 40, cb.Bottom - 1});

  const bool delay = Form_.DelayControlsEnabled;
  DrawCaption(c, font, kLabelBuff.Left, kLabelBuff.Top, cp932::FromUtf8("サウンドの遅延時間(&D)："), delay);
  if (font != nullptr) {
    const int32_t w = font->TextWidth(Form_.LabelBuffInfo);
    DrawCaption(c, font, kLabelBuffInfo.Right - w, kLabelBuffInfo.Top, Form_.LabelBuffInfo, delay);
  }

  // The slider: a sunken channel, a tick under every step, the thumb.
  const TRect& tb = kBounds[TrackBar];
  const int32_t mid = tb.Top + 8;
  Edge(c, TRect{tb.Left + 8, mid - 2, tb.Right - 8, mid + 2}, false);
  for (int32_t p = 1; p <= 5; ++p) {
    const int32_t x = ThumbLeft(p) + kThumb / 2;
    Fill(c, x, tb.Top + 20, x + 1, tb.Top + 23, delay ? kText : kShadow);
  }
  const int32_t thumb = ThumbLeft(Form_.TrackBuff);
  const TRect t{thumb, tb.Top + 1, thumb + kThumb / 2 + 3, tb.Top + 18};
  Fill(c, t.Left, t.Top, t.Right, t.Bottom, kFace);
  Edge(c, t, true);
  if (Focus == TrackBar) FocusFrame(c, TRect{tb.Left, tb.Top, tb.Right, tb.Bottom});

  // The buttons; OK is the default one (a dark outer frame).
  const char* captions[] = {"OK", "キャンセル"};
  for (int i = 0; i < 2; ++i) {
    const TControl control = i == 0 ? OkButton : CancelButton;
    const TRect& r = kBounds[control];
    const bool isDefault = control == OkButton ? Focus != CancelButton : Focus == CancelButton;
    TRect face = r;
    if (isDefault) {
      Fill(c, r.Left, r.Top, r.Right, r.Bottom, kText);
      face = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
    Fill(c, face.Left, face.Top, face.Right, face.Bottom, kFace);
    Edge(c, face, true);
    if (font != nullptr) {
      const std::string text = cp932::FromUtf8(captions[i]);
      const int32_t w = font->TextWidth(text);
      DrawCaption(c, font, r.Left + (r.Right - r.Left - w) / 2, r.Top + (r.Bottom - r.Top - font->Height()) / 2, text,
              true);
    }
    if (Focus == control) FocusFrame(c, TRect{face.Left + 3, face.Top + 3, face.Right - 3, face.Bottom - 3});
  }
}

}  // namespace opal
