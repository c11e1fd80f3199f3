// Writes the component's feature paths, in table order, as C++ string literals one a line, for
// `lumora build` to ask them all: lumora never links the component's code, and this keeps the
// table in the component the only place the paths are written.
// Usage: lumora_feature_paths OUTPUT
#include <cstdio>
#include <fstream>
#include <string>

#include "control/FeatureTable.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumora_feature_paths OUTPUT\n");
    return 2;
  }
  std::string text = "// Generated from the component's feature table at build time.\n";
  for (const lumora::FeatureRow& row : lumora::FeatureTable()) {
    text += '"';
    for (char c : row.path) {
      if (c == '\\' || c == '"') text += '\\';
      text += c;
    }
    text += "\",\n";
  }
  std::ofstream out(argv[1], std::ios::binary);
  out << text;
  if (!out.flush()) {
    std::fprintf(stderr, "lumora_feature_paths: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
