// Writes the enumeration of parameter indices from the parameter table into the header named on
// the command line, only when its text changes (so an unchanged table rebuilds nothing).
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "editor/param_table.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <header to write>\n", argv[0]);
    return 2;
  }
  std::map<int, std::string> byIndex;
  std::map<std::string, int> uses;
  bool ok = true;
  param_table::ForEachParamName([&](int index, const std::string& name) {
    const std::string id = param_table::EnumeratorName(name);
    if (index < 0 || index >= 350 || !byIndex.emplace(index, id).second) {
      std::fprintf(stderr, "parameter %d named twice or out of range\n", index);
      ok = false;
    }
    ++uses[id];
  });
  std::map<std::string, int> taken;
  std::ostringstream out;
  out << "// Generated from editor/param_table.cpp at build time; do not edit.\n"
         "#pragma once\n\n"
         "namespace vq_param {\n\n"
         "enum ParamId : int {\n";
  for (auto& [index, id] : byIndex) {
    const std::string unique = uses[id] > 1 ? id + std::to_string(index) : id;
    if (!taken.emplace(unique, index).second) {
      std::fprintf(stderr, "enumerator %s names two parameters\n", unique.c_str());
      ok = false;
    }
    out << "  " << unique << " = " << index << ",\n";
  }
  out << "};\n\n}  // namespace vq_param\n";
  if (!ok) return 1;

  std::ifstream old(argv[1], std::ios::binary);
  std::stringstream oldText;
  oldText << old.rdbuf();
  if (old && oldText.str() == out.str()) return 0;
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file << out.str();
  return file.good() ? 0 : 1;
}
