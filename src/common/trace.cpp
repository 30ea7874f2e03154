#include "common/trace.h"

#include "common/error.h"

namespace opal {

TFileTrace::TFileTrace(const std::string& path) : File_(std::fopen(path.c_str(), "wb")) {
  if (File_ == nullptr) throw EOpalError("cannot create the trace file " + path);
}

TFileTrace::~TFileTrace() { std::fclose(File_); }

void TFileTrace::Step(std::string_view name) {
  std::fprintf(File_, "step %.*s\n", static_cast<int>(name.size()), name.data());
  std::fflush(File_);
}

void TFileTrace::Line(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), File_);
  std::fputc('\n', File_);
}

namespace {
TNullTrace null_trace;
TTraceSink* current_trace = &null_trace;
}  // namespace

TTraceSink& Trace() { return *current_trace; }

void SetTrace(TTraceSink* sink) { current_trace = sink != nullptr ? sink : &null_trace; }

}  // namespace opal
