#include "util/Files.h"

#include <sys/stat.h>

#include <fstream>

bool sameFile(const std::string& input, const std::string& output) {
  if (input == output) return true;
  struct stat a;
  struct stat b;
  return stat(input.c_str(), &a) == 0 && stat(output.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

bool writeWholeFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file) return false;
  file << text;
  file.close();
  return !file.fail();
}
