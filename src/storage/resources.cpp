#include "storage/resources.h"

#include "common/cp932.h"

namespace opal {

TResourceModule& TResourceModule::Executable() {
  static TResourceModule module;
  return module;
}

void TResourceModule::Add(const std::string& name, const std::string& type, std::vector<uint8_t> data) {
  Resources_[{cp932::UpperAscii(name), cp932::UpperAscii(type)}] = std::move(data);
}

const std::vector<uint8_t>* TResourceModule::Find(const std::string& name, const std::string& type) const {
  auto it = Resources_.find({cp932::UpperAscii(name), cp932::UpperAscii(type)});
  return it == Resources_.end() ? nullptr : &it->second;
}

}  // namespace opal
