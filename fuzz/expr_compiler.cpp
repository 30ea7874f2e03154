// Expression text as scripts pass it to Calc: compile, write, read, execute.
#include <cstdint>
#include <exception>
#include <string>

#include "expr/build_parser.h"
#include "expr/opal_parser.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "storage/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  opal::TMemoryStream s;
  try {
    opal::TBuildOpalParser compiler;
    compiler.Build(text);
    compiler.WriteOps(s);
  } catch (const std::exception&) {
    return 0;
  }
  s.SetPosition(0);
  opal::TOpalParser list;
  list.LoadFromStream(s);  // what the compiler wrote must read back
  opal::TMemoryStream again;
  list.SaveToStream(again);
  if (again.Bytes() != s.Bytes()) __builtin_trap();
  opal::TParamCollection vars;
  opal::TSysFuncMan funcs;
  vars.SysFuncs = &funcs;
  vars.CreateSystemVars();
  for (const char* name : {"a", "b", "s", "x"}) vars.Declare(name, name[0] == 's' ? opal::kTagStr : opal::kTagInt, 0);
  const int32_t dims[] = {3, 4};
  vars.FindVar("a")->Value->SetDims(dims);
  list.Execute(vars);
  return 0;
}
