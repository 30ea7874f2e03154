// The diagnostics channel: run-time failures the game goes on after (a
// command that fails, a page or a picture that cannot be read, a condition
// that cannot be evaluated). Each failure is reported once, here, with the
// source position the interpreter was at when one is known; library code
// prints nowhere else.
//
// The player's sink writes every report
//   to stderr, in UTF-8:  "opalplay: PAGE(LINE): message"  ("opalplay: message"
//                         without a position),
//   to the trace, CP932:  "warn PAGE(LINE): message"       ("warn message").
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace opal {

// A place in the scenario: the page's name and the command's line (CP932).
struct TSourcePos {
  std::string Page;  // empty: no position is known
  int32_t Line = 0;
  bool Known() const { return !Page.empty(); }
};

struct TDiagnostic {
  TSourcePos Pos;
  std::string Message;  // CP932
};

class TDiagnosticsSink {
 public:
  virtual ~TDiagnosticsSink() = default;
  virtual void Report(const TDiagnostic& d) = 0;
};

// "PAGE(LINE): message", or the message alone without a position.
std::string DescribeDiagnostic(const TDiagnostic& d);

// Writes each report to `out` in UTF-8 after "PROGRAM: " (nothing before it
// when `program` is empty) and, when `to_trace` is set, to the trace sink in
// use as "warn ..."; counts the reports.
class TStreamDiagnostics : public TDiagnosticsSink {
 public:
  TStreamDiagnostics(std::FILE* out, std::string program, bool to_trace)
      : Out_(out), Program_(std::move(program)), ToTrace_(to_trace) {}
  void Report(const TDiagnostic& d) override;
  int64_t Count() const { return Count_; }

 private:
  std::FILE* Out_;
  std::string Program_;
  bool ToTrace_;
  int64_t Count_ = 0;
};

// The sink in use; until SetDiagnostics gives another, reports go to stderr
// without a program name. The caller keeps the sink alive while it is set.
TDiagnosticsSink& Diagnostics();
void SetDiagnostics(TDiagnosticsSink* sink);

// The position reports carry while a command runs: set by the interpreter
// for a command's step and by the runtime for the stage's update. Scopes
// nest; each restores the position it found.
class TSourcePosScope {
 public:
  explicit TSourcePosScope(TSourcePos pos);
  ~TSourcePosScope();
  TSourcePosScope(const TSourcePosScope&) = delete;
  TSourcePosScope& operator=(const TSourcePosScope&) = delete;

 private:
  TSourcePos Saved_;
};
const TSourcePos& CurrentSourcePos();

// Reports a CP932 message at the current position, or at `pos`.
void ReportError(std::string_view message);
void ReportError(const TSourcePos& pos, std::string_view message);

}  // namespace opal
