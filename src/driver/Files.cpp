#include "driver/Files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

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

bool replaceFileAtomically(const std::string& path, const std::string& text) {
  std::string pattern = path + ".tmp-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  const std::string tempPath(name.data());
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  // mkstemp makes the file private; a picture is as readable as any file the user creates.
  const mode_t mask = umask(0);
  umask(mask);
  const bool written = done == text.size() && fchmod(fd, 0666 & ~mask) == 0;
  if (close(fd) != 0 || !written || std::rename(tempPath.c_str(), path.c_str()) != 0) {
    std::remove(tempPath.c_str());
    return false;
  }
  return true;
}
