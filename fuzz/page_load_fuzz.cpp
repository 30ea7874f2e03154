// Page files from damaged data: load; a page that loads is written, loaded
// again and written again to the same bytes, and its scenario text builds
// back to those bytes.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "storage/stream.h"

namespace {

std::string Bytes(const opal::TPage& page) {
  opal::TMemoryStream s;
  page.SaveToStream(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  opal::TMemoryStream s(std::vector<uint8_t>(data, data + size));
  opal::TPage page;
  page.Name = "fuzz.osb";
  try {
    page.LoadFromStream(s);
  } catch (const opal::EOpalError&) {
    if (!page.Commands.empty()) std::abort();  // a failed load leaves the page empty
    return 0;
  }
  const std::string first = Bytes(page);
  opal::TMemoryStream again(std::vector<uint8_t>(first.begin(), first.end()));
  opal::TPage reread;
  reread.Name = page.Name;
  reread.LoadFromStream(again);
  if (again.Remaining() != 0 || Bytes(reread) != first) std::abort();

  const std::string text = opal::WritePageText(page, page.Name);
  opal::TPage built;
  built.Name = page.Name;
  opal::ReadPageText(text, built);
  if (Bytes(built) != first) std::abort();
  return 0;
}
