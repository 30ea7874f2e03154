// Cursors: the window's mouse cursor. The stage hands it a decoded cursor
// picture to install as the custom cursor and chooses, per frame, whether
// the custom or the system's default cursor shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace opal {

// A cursor picture: Width x Height pixels, rows top-down, each 0xAARRGGBB
// (alpha 0 transparent, 255 opaque); the hot spot lies inside the picture.
struct TCursorImage {
  int32_t Width = 0, Height = 0;
  int32_t HotX = 0, HotY = 0;
  std::vector<uint32_t> Pixels;
};

class Cursors {
 public:
  virtual ~Cursors() = default;
  // Makes `image` the custom cursor, replacing the previous one; `name`
  // only identifies it (for traces). False when the backend cannot make a
  // cursor of it; the previous custom cursor then stays.
  virtual bool SetCustom(const std::string& name, const TCursorImage& image) = 0;
  // Shows the custom cursor (the default one while none was installed).
  virtual void ShowCustom() = 0;
  // Shows the system's default arrow.
  virtual void ShowDefault() = 0;
};

// Remembers what was asked, for tests and headless runs.
class TRecordingCursors : public Cursors {
 public:
  bool SetCustom(const std::string& name, const TCursorImage& image) override {
    Installed.push_back(name);
    Last = image;
    return true;
  }
  void ShowCustom() override { CustomShown = true; }
  void ShowDefault() override { CustomShown = false; }

  std::vector<std::string> Installed;  // names, in installation order
  TCursorImage Last;
  bool CustomShown = false;
};

}  // namespace opal
