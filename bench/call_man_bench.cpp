// The interpreter's own cost: a While/Calc loop whose commands all carry the
// run-on flag, so one pass runs the whole loop. Reported per command.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "common/cp932.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "scenario/call_man.h"
#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "storage/stream.h"
#include "storage/vr_file_manager.h"

namespace {

using namespace opal;

void BM_WhileCalcLoop(benchmark::State& state) {
  const int32_t iterations = static_cast<int32_t>(state.range(0));
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "opal-call-man-bench";
  std::filesystem::create_directories(dir);
  {
    TPage page;
    page.Name = "loop.osb";
    ReadPageText("+WhileInit i = 0\n"
                 "+While i < " + std::to_string(iterations) + "\n"
                 "  +Calc sum = sum + i\n"
                 "+WhileLoop i = i + 1\n"
                 "Label end\n",
                 page);
    TMemoryStream s;
    page.SaveToStream(s);
    s.SaveToFile((dir / "loop.osb").string());
  }
  TVrFileManager files;
  files.SetDataFolder(dir.string() + "/");
  TParamCollection vars;
  TSysFuncMan funcs;
  vars.SysFuncs = &funcs;
  vars.CreateSystemVars();
  vars.Declare("i", kTagInt, 0);
  vars.Declare("sum", kTagInt, 0);
  TRunState run;
  TCallManHost host;
  TCallMan calls(files, vars, run, host);
  int64_t commands = 0;
  for (auto _ : state) {
    calls.StartPage("loop.osb");
    calls.RunStep();
    // WhileInit, then per iteration While, Calc and WhileLoop, then the
    // While that ends the loop.
    commands += 2 + 3 * static_cast<int64_t>(iterations);
  }
  state.counters["ns_per_command"] =
      benchmark::Counter(static_cast<double>(commands), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WhileCalcLoop)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
