#include "driver/Progress.h"

#include <sstream>
#include <string>

namespace {

// Trials run this long before the line first appears.
constexpr double kQuietSeconds = 1.0;
// The line is rewritten at most this often.
constexpr double kRefreshSeconds = 0.25;

// Whole seconds as "42 s", "3 min 05 s" or "2 h 07 min".
std::string duration(double seconds) {
  const long s = static_cast<long>(seconds + 0.5);
  std::ostringstream text;
  if (s < 60) {
    text << s << " s";
  } else if (s < 3600) {
    text << s / 60 << " min " << (s % 60 < 10 ? "0" : "") << s % 60 << " s";
  } else {
    text << s / 3600 << " h " << (s / 60 % 60 < 10 ? "0" : "") << s / 60 % 60 << " min";
  }
  return text.str();
}

}  // namespace

Progress::Progress(std::ostream* out, int total)
    : out_(out), total_(total), start_(Clock::now()), lastShown_(start_) {}

void Progress::trialDone(int costU) {
  if (!out_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  ++done_;
  if (costU < bestU_) bestU_ = costU;
  const Clock::time_point now = Clock::now();
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const double sinceShown = std::chrono::duration<double>(now - lastShown_).count();
  if (elapsed < kQuietSeconds || (shownLength_ > 0 && sinceShown < kRefreshSeconds)) return;
  if (done_ >= total_) return;
  lastShown_ = now;
  std::ostringstream line;
  line << "gridswap: trials " << done_ << "/" << total_ << ", best costU " << bestU_ << ", "
       << duration(elapsed) << " elapsed, about " << duration(elapsed / done_ * (total_ - done_))
       << " left";
  std::string text = line.str();
  // Blanks cover what is left of a longer line before.
  const std::size_t length = text.size();
  if (length < shownLength_) text.append(shownLength_ - length, ' ');
  *out_ << '\r' << text << std::flush;
  shownLength_ = text.size();
}

void Progress::finish() {
  if (!out_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (shownLength_ == 0) return;
  *out_ << '\r' << std::string(shownLength_, ' ') << '\r' << std::flush;
  shownLength_ = 0;
}
