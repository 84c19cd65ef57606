// Test support: the bytes of a file.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace brevan::test {

// The whole file, empty when it cannot be read.
inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace brevan::test
