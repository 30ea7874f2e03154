// The settings dialog driven by keys and clicks as its window delivers
// them: game.ini changes as the controls say and keeps every other line
// byte for byte; Escape leaves the file alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/virtual_keys.h"
#include "raster/dibx.h"
#include "shell/config_dialog.h"
#include "test_util.h"

namespace opal {
namespace {

const std::string kIni = "; settings\r\n[Sound]\r\nDirectSound=1\r\nDelayTime=300\r\n[Video]\r\nUseWMP=0\r\nOther=x";

TInputEvent Key(TInputKind kind, int32_t key) {
  TInputEvent e;
  e.Kind = kind;
  e.Key = key;
  return e;
}

std::vector<TInputEvent> Press(int32_t key) { return {Key(TInputKind::KeyDown, key), Key(TInputKind::KeyUp, key)}; }

TInputEvent Click(int32_t x, int32_t y) {
  TInputEvent e;
  e.Kind = TInputKind::MouseDown;
  e.X = x;
  e.Y = y;
  return e;
}

struct TCase {
  const char* name;
  std::vector<std::vector<TInputEvent>> input;
  std::string expected;  // the file afterwards
  bool open;             // the dialog still open
};

TEST(ConfigDialog, KeysAndClicksEditTheFile) {
  const std::string offAnd400 = "; settings\r\n[Sound]\r\nDirectSound=0\r\nDelayTime=400\r\n[Video]\r\nUseWMP=0\r\nOther=x";
  const std::vector<TCase> cases = {
      {"alt+S, tab to the slider, right, enter",
       {{Key(TInputKind::KeyDown, vk::Menu)}, Press('S'), {Key(TInputKind::KeyUp, vk::Menu)}, Press(vk::Tab),
        Press(vk::Tab), Press(vk::Tab), Press(vk::Right), Press(vk::Return)},
       offAnd400, false},
      {"escape after changes", {Press(vk::Space), Press(vk::Escape)}, kIni, false},
      {"space then tab to OK and space", {Press(vk::Space), Press(vk::Tab), Press(vk::Space)},
       "; settings\r\n[Sound]\r\nDirectSound=0\r\nDelayTime=300\r\n[Video]\r\nUseWMP=0\r\nOther=x", false},
      {"the slider is skipped while DirectSound is on", {Press(vk::Tab), Press(vk::Tab), Press(vk::Tab), Press(vk::Right)},
       kIni, true},
      {"clicks: check box, slider end, OK", {{Click(30, 30)}, {Click(240, 80)}, {Click(130, 150)}},
       "; settings\r\n[Sound]\r\nDirectSound=0\r\nDelayTime=500\r\n[Video]\r\nUseWMP=0\r\nOther=x", false},
      {"the close box cancels", {{Click(30, 30)}, {Key(TInputKind::Close, 0)}}, kIni, false},
  };
  for (const TCase& c : cases) {
    testing::TempDir dir;
    const std::string path = dir / "game.ini";
    testing::WriteFile(path, kIni);
    TScriptedMessageBoxes boxes{nullptr};
    TFormConfig form(path, boxes);
    form.FormCreate();
    TConfigDialog dialog(form);
    for (const auto& group : c.input) {
      for (const TInputEvent& e : group) dialog.HandleInput(e);
    }
    EXPECT_EQ(testing::ReadFile(path), c.expected) << c.name;
    EXPECT_EQ(form.IsOpen, c.open) << c.name;
    EXPECT_EQ(boxes.Shown, 0) << c.name;
  }
}

TEST(ConfigDialog, PaintsTheControlsAtTheirPlaces) {
  testing::TempDir dir;
  TScriptedMessageBoxes boxes{nullptr};
  TFormConfig form(dir / "game.ini", boxes);
  form.FormCreate();
  TConfigDialog dialog(form);
  TDIBX canvas;
  canvas.SetSize(TConfigDialog::kWidth, TConfigDialog::kHeight, 32);
  dialog.Paint(canvas, nullptr);
  EXPECT_EQ(canvas.GetPixel(2, 2), 0xD4D0C8u);     // the dialog face
  EXPECT_EQ(canvas.GetPixel(8, 50), 0x808080u);    // the sunken frame's left line
  EXPECT_EQ(canvas.GetPixel(31, 32), 0x000000u);   // the check of the checked box
  EXPECT_EQ(canvas.GetPixel(100, 140), 0x000000u); // OK is the default button
}

}  // namespace
}  // namespace opal
