// Evaluation speed of compiled expressions, ns per expression, with 50 and
// 10,000 variables in the table. bench/lua/expr.lua runs the same four
// loops in Lua for comparison.
#include <benchmark/benchmark.h>

#include <string>

#include "expr/build_parser.h"
#include "expr/convert.h"
#include "expr/opal_parser.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "expr/sys_vars.h"
#include "storage/stream.h"

namespace {

using namespace opal;

// A stand-in for IntToStr (the system functions come later).
void BenchIntToStr(TSysFuncCall& call) { call.Target.Value->SetAsString(conv::IntToStr(call.Arg(0).AsInteger())); }

// Filler names spread over the hash buckets, as real games' names do, so
// the benchmarked names share their buckets with some of them.
std::string FillerName(int k) {
  return std::string(1, static_cast<char>('a' + k % 26)) + std::to_string(k) +
         std::string(1, static_cast<char>('a' + (k / 26) % 26));
}

struct TBenchEnv {
  explicit TBenchEnv(int variables) {
    vars.SysFuncs = &funcs;
    funcs.Register(0, BenchIntToStr);
    vars.CreateSystemVars();
    for (const char* name : {"i", "a", "b", "c", "d", "x", "n", "k"}) vars.Declare(name, kTagInt, kScopeGlobal);
    vars.Declare("s", kTagStr, kScopeGlobal);
    const int32_t dims[] = {100};
    vars.Declare("arr", kTagInt, kScopeGlobal)->Value->SetDims(dims);
    vars.FindVar("a")->Value->SetAsInteger(3);
    vars.FindVar("b")->Value->SetAsInteger(4);
    vars.FindVar("c")->Value->SetAsInteger(5);
    vars.FindVar("d")->Value->SetAsInteger(6);
    vars.FindVar("n")->Value->SetAsInteger(12345);
    vars.FindVar("k")->Value->SetAsInteger(42);
    for (int k = 0; vars.Count() < kSysVarCount + variables; ++k) vars.Declare(FillerName(k), kTagInt, kScopeGlobal);
  }
  TParamCollection vars;
  TSysFuncMan funcs;
};

void Run(benchmark::State& state, const char* text) {
  TBenchEnv env(static_cast<int>(state.range(0)));
  TBuildOpalParser compiler;
  compiler.Build(text);
  TMemoryStream s;
  compiler.WriteOps(s);
  s.SetPosition(0);
  TOpalParser list;
  list.LoadFromStream(s);
  for (auto _ : state) {
    list.Execute(env.vars);
    benchmark::ClobberMemory();
  }
}

void BM_Increment(benchmark::State& state) { Run(state, "i = i + 1"); }
void BM_Arithmetic(benchmark::State& state) { Run(state, "x = (a + b) * c - d / 2"); }
void BM_ConcatCall(benchmark::State& state) { Run(state, "s = \"abc\" ++ IntToStr(n)"); }
void BM_ElementUpdate(benchmark::State& state) { Run(state, "arr[k] = arr[k] + 1"); }

BENCHMARK(BM_Increment)->Arg(50)->Arg(10000);
BENCHMARK(BM_Arithmetic)->Arg(50)->Arg(10000);
BENCHMARK(BM_ConcatCall)->Arg(50)->Arg(10000);
BENCHMARK(BM_ElementUpdate)->Arg(50)->Arg(10000);

}  // namespace
