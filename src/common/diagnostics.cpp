#include "common/diagnostics.h"

#include <utility>

#include "common/cp932.h"
#include "common/trace.h"

namespace opal {

std::string DescribeDiagnostic(const TDiagnostic& d) {
  if (!d.Pos.Known()) return d.Message;
  return d.Pos.Page + "(" + std::to_string(d.Pos.Line) + "): " + d.Message;
}

void TStreamDiagnostics::Report(const TDiagnostic& d) {
  ++Count_;
  const std::string text = DescribeDiagnostic(d);
  const std::string utf8 = cp932::ToUtf8(text);
  if (Program_.empty()) {
    std::fprintf(Out_, "%s\n", utf8.c_str());
  } else {
    std::fprintf(Out_, "%s: %s\n", Program_.c_str(), utf8.c_str());
  }
  std::fflush(Out_);
  if (ToTrace_) Trace().Line("warn " + text);
}

namespace {
TStreamDiagnostics default_sink(stderr, "", false);
TDiagnosticsSink* current_sink = &default_sink;
TSourcePos current_pos;
}  // namespace

TDiagnosticsSink& Diagnostics() { return *current_sink; }

void SetDiagnostics(TDiagnosticsSink* sink) { current_sink = sink != nullptr ? sink : &default_sink; }

TSourcePosScope::TSourcePosScope(TSourcePos pos) : Saved_(std::exchange(current_pos, std::move(pos))) {}

TSourcePosScope::~TSourcePosScope() { current_pos = std::move(Saved_); }

const TSourcePos& CurrentSourcePos() { return current_pos; }

void ReportError(std::string_view message) { ReportError(current_pos, message); }

void ReportError(const TSourcePos& pos, std::string_view message) {
  Diagnostics().Report(TDiagnostic{pos, std::string(message)});
}

}  // namespace opal
