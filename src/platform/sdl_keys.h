// SDL keys to the Windows virtual-key numbers the scripts see, and back
// (for scripted key events). Only the SDL backend includes this.
#pragma once

#include <SDL.h>

#include <cstdint>

namespace opal {

// The virtual-key number of a key, or 0 for a key without one.
int32_t VirtualKeyOf(SDL_Scancode scancode, SDL_Keycode keycode);
// A scancode that gives this virtual key, or SDL_SCANCODE_UNKNOWN.
SDL_Scancode ScancodeOfVirtualKey(int32_t code);

}  // namespace opal
