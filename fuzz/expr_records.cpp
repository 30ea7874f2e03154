// Operation-record streams from a damaged page: read, write back, execute.
#include <cstdint>
#include <exception>

#include "expr/opal_parser.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "storage/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  opal::TMemoryStream s(std::vector<uint8_t>(data, data + size));
  opal::TOpalParser list;
  try {
    list.LoadFromStream(s);
  } catch (const std::exception&) {
    return 0;
  }
  opal::TMemoryStream out;
  list.SaveToStream(out);
  opal::TParamCollection vars;
  opal::TSysFuncMan funcs;
  vars.SysFuncs = &funcs;
  vars.CreateSystemVars();
  for (const char* name : {"a", "b", "s", "x"}) vars.Declare(name, name[0] == 's' ? opal::kTagStr : opal::kTagInt, 0);
  const int32_t dims[] = {3, 4};
  vars.FindVar("a")->Value->SetDims(dims);
  list.Execute(vars);
  list.Execute(vars);
  return 0;
}
