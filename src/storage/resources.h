// Resources of a module: named, typed blobs. The executable's own module
// holds the data that the build links into the player (the start-up logo, an
// embedded game); tests add resources to a module of their own.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace opal {

class TResourceModule {
 public:
  // The player executable's module.
  static TResourceModule& Executable();

  void Add(const std::string& name, const std::string& type, std::vector<uint8_t> data);
  // Names and types compare without regard to ASCII case; null when absent.
  const std::vector<uint8_t>* Find(const std::string& name, const std::string& type) const;

 private:
  std::map<std::pair<std::string, std::string>, std::vector<uint8_t>> Resources_;
};

}  // namespace opal
