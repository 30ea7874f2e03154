// TSdlCursors: Cursors on SDL colour cursors.
#pragma once

#include "platform/cursors.h"

struct SDL_Cursor;

namespace opal {

class TSdlCursors : public Cursors {
 public:
  TSdlCursors() = default;
  ~TSdlCursors() override;
  TSdlCursors(const TSdlCursors&) = delete;
  TSdlCursors& operator=(const TSdlCursors&) = delete;

  bool SetCustom(const std::string& name, const TCursorImage& image) override;
  void ShowCustom() override;
  void ShowDefault() override;

 private:
  SDL_Cursor* Custom_ = nullptr;
  bool CustomShown_ = false;
};

}  // namespace opal
