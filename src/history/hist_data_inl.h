// The template part of hist_data.h.
#pragma once

#include "common/error.h"

namespace opal::history_stream {

template <class F>
void Guarded(const char* block, F&& read) {
  try {
    read();
  } catch (const EStreamError& e) {
    throw EFormatError(Format("%s: %s", block, e.what()));
  }
}

}  // namespace opal::history_stream
