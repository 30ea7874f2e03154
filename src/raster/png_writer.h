// PNG output of a pixel buffer, for screenshots, tests and diagnosis.
#pragma once

#include <string>

#include "raster/custom_dibx.h"

namespace opal {

// Writes the buffer as an 8-bit RGB PNG (an 8-bit or sub-byte buffer as
// grey). 15/16-bit channels are widened by repeating their high bits, so
// full intensity stays full; the fourth byte of 32-bit pixels is dropped.
// Throws EOpalError when the buffer is empty or the file cannot be written.
void SavePng(TCustomDIBX& buffer, const std::string& fileName);

}  // namespace opal
