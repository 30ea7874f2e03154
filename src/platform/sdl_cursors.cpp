#include "platform/sdl_cursors.h"

#include <SDL.h>

namespace opal {

TSdlCursors::~TSdlCursors() {
  if (Custom_ != nullptr) {
    SDL_SetCursor(SDL_GetDefaultCursor());
    SDL_FreeCursor(Custom_);
  }
}

bool TSdlCursors::SetCustom(const std::string& name, const TCursorImage& image) {
  (void)name;
  if (image.Width <= 0 || image.Height <= 0 ||
      image.Pixels.size() != static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height)) {
    return false;
  }
  // SDL reads the pixels only while making the cursor.
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(image.Pixels.data()), image.Width,
                                                            image.Height, 32, image.Width * 4, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr) return false;
  SDL_Cursor* cursor = SDL_CreateColorCursor(surface, image.HotX, image.HotY);
  SDL_FreeSurface(surface);
  if (cursor == nullptr) return false;
  if (CustomShown_) SDL_SetCursor(cursor);
  if (Custom_ != nullptr) SDL_FreeCursor(Custom_);
  Custom_ = cursor;
  return true;
}

void TSdlCursors::ShowCustom() {
  if (CustomShown_) return;
  CustomShown_ = true;
  SDL_SetCursor(Custom_ != nullptr ? Custom_ : SDL_GetDefaultCursor());
}

void TSdlCursors::ShowDefault() {
  if (!CustomShown_) return;
  CustomShown_ = false;
  SDL_SetCursor(SDL_GetDefaultCursor());
}

}  // namespace opal
