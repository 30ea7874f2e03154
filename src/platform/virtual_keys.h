// Windows virtual-key numbers: names for input scripts and messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace opal {

namespace vk {
inline constexpr int32_t Back = 0x08, Tab = 0x09, Return = 0x0D, Shift = 0x10, Control = 0x11,
                         Menu = 0x12, Escape = 0x1B, Space = 0x20, Left = 0x25, Up = 0x26,
                         Right = 0x27, Down = 0x28, F1 = 0x70;
}  // namespace vk

// The number of a key name ("Enter", "Space", "Escape", "A", "F5", "Num0",
// …, compared without case) or of a decimal or 0x-hexadecimal number below
// 256; −1 when it is neither.
int32_t VirtualKeyByName(std::string_view name);
// The name of a virtual-key number, or its number in hexadecimal.
std::string VirtualKeyName(int32_t code);

}  // namespace opal
