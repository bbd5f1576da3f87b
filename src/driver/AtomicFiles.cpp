#include "driver/AtomicFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

// The temporary files that exist at this moment, for the signal handler to remove. Fixed
// storage, because a handler may only call async-signal-safe functions.
constexpr int kMaxTemps = 8;
constexpr std::size_t kMaxPath = 4096;
char gTemps[kMaxTemps][kMaxPath];
volatile sig_atomic_t gTempCount = 0;

const int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void removeTempsAndDie(int sig) {
  for (int k = 0; k < gTempCount; ++k)
    unlink(gTemps[k]);
  signal(sig, SIG_DFL);
  raise(sig);
}

// Installs the handler for as long as the object lives, and restores the former ones after.
class TempGuard {
 public:
  TempGuard() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = removeTempsAndDie;
    sigemptyset(&action.sa_mask);
    for (int k = 0; k < 4; ++k)
      sigaction(kSignals[k], &action, &old_[k]);
  }
  ~TempGuard() {
    removeAll();
    for (int k = 0; k < 4; ++k)
      sigaction(kSignals[k], &old_[k], nullptr);
  }
  // Records a temporary file; false when the path does not fit the fixed storage.
  bool add(const std::string& path) {
    if (gTempCount >= kMaxTemps || path.size() >= kMaxPath) return false;
    std::memcpy(gTemps[gTempCount], path.c_str(), path.size() + 1);
    gTempCount = gTempCount + 1;
    return true;
  }
  // Forgets the temporary files once they have been renamed.
  void clear() { gTempCount = 0; }
  void removeAll() {
    for (int k = 0; k < gTempCount; ++k)
      unlink(gTemps[k]);
    gTempCount = 0;
  }

 private:
  struct sigaction old_[4];
};

// The permission bits a newly created file gets under the current umask.
mode_t newFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// Writes all of `text` to `fd` and flushes it to the disk; false on any failure.
bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return fsync(fd) == 0;
}

// The folder part of a path, with its final slash ("" for a bare file name).
std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

}  // namespace

bool writeFilesAtomically(const std::vector<FileText>& files, std::string* failed) {
  TempGuard guard;
  std::vector<std::string> temps;
  const mode_t mode = newFileMode();
  for (const FileText& file : files) {
    const std::string& path = file.first;
    std::string pattern = folderOf(path) + ".gridswap-tmp-XXXXXX";
    // Blocked while the temporary file is created and recorded, so that an interruption cannot
    // fall between the two.
    sigset_t block;
    sigset_t previous;
    sigemptyset(&block);
    for (int sig : kSignals)
      sigaddset(&block, sig);
    sigprocmask(SIG_BLOCK, &block, &previous);
    const int fd = mkstemp(pattern.data());
    const bool recorded = fd >= 0 && guard.add(pattern);
    if (fd >= 0 && !recorded) unlink(pattern.c_str());
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    bool ok = recorded && fchmod(fd, mode) == 0 && writeAll(fd, file.second);
    if (fd >= 0 && close(fd) != 0) ok = false;
    if (!ok) {
      *failed = path;
      return false;  // the guard removes every temporary file
    }
    temps.push_back(pattern);
  }
  for (std::size_t k = 0; k < files.size(); ++k) {
    if (rename(temps[k].c_str(), files[k].first.c_str()) != 0) {
      *failed = files[k].first;
      return false;
    }
  }
  guard.clear();
  return true;
}
