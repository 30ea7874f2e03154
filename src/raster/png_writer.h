// PNG output of a pixel buffer, for screenshots, tests and diagnosis.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "raster/custom_dibx.h"

namespace opal {

// Encodes the buffer as an 8-bit RGB PNG (an 8-bit or sub-byte buffer as
// grey). 15/16-bit channels are widened by repeating their high bits, so
// full intensity stays full; the fourth byte of 32-bit pixels is dropped.
// Throws EOpalError when the buffer is empty.
std::vector<uint8_t> EncodePng(TCustomDIBX& buffer);
// The same PNG through the atomic writer: the old file stays whole when the
// write fails (EOpalError naming the file).
void SavePng(TCustomDIBX& buffer, const std::string& fileName);

}  // namespace opal
