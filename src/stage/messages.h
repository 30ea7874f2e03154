// The display object model's fixed messages, as CP932 bytes.
#pragma once

namespace opal::msg {

// "GetPropエラー"
inline constexpr char kGetPropError[] = "GetProp\x83G\x83\x89\x81[";
// "SetPropエラー"
inline constexpr char kSetPropError[] = "SetProp\x83G\x83\x89\x81[";

}  // namespace opal::msg
