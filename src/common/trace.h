// The trace sink: start-up and shut-down step names, one line per executed
// script command, and one "warn PAGE(LINE): message" line (or "warn
// message" without a position) per run-time failure the diagnostics channel
// reports (common/diagnostics.h). The player writes them to the file --trace
// names; without it they are discarded.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace opal {

class TTraceSink {
 public:
  virtual ~TTraceSink() = default;
  // A named step of start-up, shut-down or a screen switch ("TProject.Create").
  virtual void Step(std::string_view name) = 0;
  // One line of the script trace (CP932 text, no line break).
  virtual void Line(std::string_view text) = 0;
};

class TNullTrace : public TTraceSink {
 public:
  void Step(std::string_view) override {}
  void Line(std::string_view) override {}
};

// Writes steps as "step NAME" and script lines as they are, one a line.
class TFileTrace : public TTraceSink {
 public:
  // Throws EOpalError when the file cannot be created.
  explicit TFileTrace(const std::string& path);
  ~TFileTrace() override;
  TFileTrace(const TFileTrace&) = delete;
  TFileTrace& operator=(const TFileTrace&) = delete;
  void Step(std::string_view name) override;
  void Line(std::string_view text) override;

 private:
  std::FILE* File_;
};

// The sink in use; a null sink until SetTrace gives another. The caller
// keeps the sink alive while it is set.
TTraceSink& Trace();
void SetTrace(TTraceSink* sink);

}  // namespace opal
