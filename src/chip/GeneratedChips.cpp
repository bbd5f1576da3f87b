#include "chip/GeneratedChips.h"

#include <algorithm>
#include <deque>
#include <random>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace {

// A draw in [0, n) from the generator's raw output, the same on every platform.
std::uint32_t draw(std::mt19937& generator, std::uint32_t n) {
  return generator() % n;
}

template <class T>
void shuffle(std::vector<T>& items, std::mt19937& generator) {
  for (std::size_t i = items.size(); i > 1; --i)
    std::swap(items[i - 1], items[draw(generator, static_cast<std::uint32_t>(i))]);
}

// The count a fraction of `total` rounds to.
int share(double fraction, int total) {
  return static_cast<int>(fraction * total + 0.5);
}

// A grid whose sites and couplers are taken one by one, as long as it stays joined.
class Board {
 public:
  Board(int width, int height)
      : width_(width),
        height_(height),
        live_(static_cast<std::size_t>(width) * height, 1),
        right_(live_.size(), 1),
        down_(live_.size(), 1),
        rowCount_(height, width),
        columnCount_(width, height),
        liveCount_(width * height) {}

  int liveCount() const { return liveCount_; }
  bool live(int site) const { return live_[site] != 0; }

  // Takes the qubit off the site; false (and nothing changed) when that would empty its row or
  // column or split the chip.
  bool takeSite(int site) {
    const int x = site % width_, y = site / width_;
    if (rowCount_[y] == 1 || columnCount_[x] == 1) return false;
    live_[site] = 0;
    if (!joined()) {
      live_[site] = 1;
      return false;
    }
    --rowCount_[y];
    --columnCount_[x];
    --liveCount_;
    return true;
  }

  // Takes a site for good, whatever it leaves behind; `joinedAndFilled` tells afterwards.
  void breakSite(int site) {
    if (!live_[site]) return;
    live_[site] = 0;
    --rowCount_[site / width_];
    --columnCount_[site % width_];
    --liveCount_;
  }

  bool joinedAndFilled() const {
    for (int c : rowCount_)
      if (c == 0) return false;
    for (int c : columnCount_)
      if (c == 0) return false;
    return joined();
  }

  // The usable couplers between live sites, row by row: (site, true) right, (site, false) down.
  std::vector<std::pair<int, bool>> couplers() const {
    std::vector<std::pair<int, bool>> out;
    for (int s = 0; s < width_ * height_; ++s) {
      if (coupled(s, true)) out.emplace_back(s, true);
      if (coupled(s, false)) out.emplace_back(s, false);
    }
    return out;
  }

  // Makes the coupler unusable; false (and nothing changed) when that would split the chip.
  bool takeCoupler(std::pair<int, bool> coupler) {
    std::vector<char>& flags = coupler.second ? right_ : down_;
    flags[coupler.first] = 0;
    if (joined()) return true;
    flags[coupler.first] = 1;
    return false;
  }

  bool coupled(int site, bool right) const {
    if (!live_[site]) return false;
    if (right) return site % width_ + 1 < width_ && live_[site + 1] && right_[site];
    return site / width_ + 1 < height_ && live_[site + width_] && down_[site];
  }

 private:
  // True when every live site is reached from the first one over usable couplers.
  bool joined() const {
    int first = 0;
    while (first < width_ * height_ && !live_[first])
      ++first;
    if (first == width_ * height_) return false;
    std::vector<char> seen(live_.size(), 0);
    std::deque<int> queue{first};
    seen[first] = 1;
    int reached = 0;
    while (!queue.empty()) {
      const int s = queue.front();
      queue.pop_front();
      ++reached;
      const int x = s % width_;
      const int around[4] = {x > 0 && coupled(s - 1, true) ? s - 1 : -1,
                             coupled(s, true) ? s + 1 : -1,
                             s >= width_ && coupled(s - width_, false) ? s - width_ : -1,
                             coupled(s, false) ? s + width_ : -1};
      for (int n : around) {
        if (n >= 0 && !seen[n]) {
          seen[n] = 1;
          queue.push_back(n);
        }
      }
    }
    int live = 0;
    for (char l : live_)
      live += l;
    return reached == live;
  }

  int width_;
  int height_;
  std::vector<char> live_;   // per site: holds a qubit
  std::vector<char> right_;  // per site: the coupler to the right is usable
  std::vector<char> down_;   // per site: the coupler downwards is usable
  std::vector<int> rowCount_;
  std::vector<int> columnCount_;
  int liveCount_;
};

}  // namespace

Chip generatedChip(int width, int height, double missingFraction, double deadCouplerFraction,
                   std::uint32_t seed, const std::vector<Location>& broken) {
  if (width < 1 || height < 1 || width > Chip::kMaxSide || height > Chip::kMaxSide) {
    throw std::invalid_argument("the sides of a chip must lie in 1 .. " +
                                std::to_string(Chip::kMaxSide));
  }
  if (!(missingFraction >= 0 && missingFraction <= 1) ||
      !(deadCouplerFraction >= 0 && deadCouplerFraction <= 1)) {
    throw std::invalid_argument(
        "the fractions of missing qubits and dead couplers must lie in 0 .. 1");
  }
  const int sites = width * height;
  Board board(width, height);
  for (Location s : broken) {
    if (s.x < 0 || s.y < 0 || s.x >= width || s.y >= height) {
      throw std::invalid_argument("broken site (" + std::to_string(s.x) + ", " +
                                  std::to_string(s.y) + ") is off the grid");
    }
    board.breakSite(s.y * width + s.x);
  }
  if (!board.joinedAndFilled()) {
    throw std::invalid_argument("the broken sites split the chip or leave a row or column empty");
  }
  const int missing = std::max(share(missingFraction, sites), sites - board.liveCount());
  // A chip with holes keeps a distance table of its qubits squared: refuse a large one before
  // the work of taking its qubits or couplers.
  const std::string tooLarge = "a chip with missing qubits or couplers may have at most " +
                               std::to_string(Chip::kMaxHoledQubits) + " qubits";
  if (missing > 0 && sites - missing > Chip::kMaxHoledQubits) {
    throw std::invalid_argument(tooLarge);
  }
  std::mt19937 generator(seed);
  std::vector<int> order;
  for (int s = 0; s < sites; ++s) {
    if (board.live(s)) order.push_back(s);
  }
  shuffle(order, generator);
  // A site that would split the chip may be free to go once others have gone: pass again.
  for (bool progress = true; progress && sites - board.liveCount() < missing;) {
    progress = false;
    for (int s : order) {
      if (sites - board.liveCount() == missing) break;
      if (board.live(s) && board.takeSite(s)) progress = true;
    }
  }
  if (sites - board.liveCount() < missing) {
    throw std::invalid_argument("cannot take " + std::to_string(missing) +
                                " qubits and keep the chip joined");
  }
  // A coupler whose loss would split the chip stays so when others go: one pass is enough.
  std::vector<std::pair<int, bool>> couplers = board.couplers();
  const int dead = share(deadCouplerFraction, static_cast<int>(couplers.size()));
  if (dead > 0 && board.liveCount() > Chip::kMaxHoledQubits) throw std::invalid_argument(tooLarge);
  shuffle(couplers, generator);
  int taken = 0;
  for (std::size_t i = 0; i < couplers.size() && taken < dead; ++i)
    taken += board.takeCoupler(couplers[i]);
  if (taken < dead) {
    throw std::invalid_argument("cannot take " + std::to_string(dead) +
                                " couplers and keep the chip joined");
  }
  std::vector<ChipQubit> qubits;
  std::vector<std::pair<int, int>> noCouplers;
  for (int s = 0; s < sites; ++s) {
    if (!board.live(s)) continue;
    qubits.push_back({s, {s % width, s / width}});
    if (s % width + 1 < width && board.live(s + 1) && !board.coupled(s, true)) {
      noCouplers.emplace_back(s, s + 1);
    }
    if (s + width < sites && board.live(s + width) && !board.coupled(s, false)) {
      noCouplers.emplace_back(s, s + width);
    }
  }
  return Chip(std::move(qubits), std::move(noCouplers));
}

std::string chipText(const Chip& chip) {
  int couplers = 0;
  int widest = 1;
  for (const ChipQubit& q : chip.qubits()) {
    couplers += chip.couplerRight(q.site) + chip.couplerDown(q.site);
    widest = std::max(widest, static_cast<int>(std::to_string(q.index).size()));
  }
  std::ostringstream out;
  out << "# " << chip.width() << " x " << chip.height() << " chip: " << chip.liveCount()
      << " qubits, " << couplers << " usable couplers. Picture (device indices, '.' = no qubit,\n"
      << "# '-' and '|' = usable couplers):\n";
  // Each site right-aligned in a cell of `widest` characters, cells three characters apart.
  auto flush = [&out](std::string line) {
    while (!line.empty() && line.back() == ' ')
      line.pop_back();
    out << line << '\n';
  };
  for (int y = 0; y < chip.height(); ++y) {
    std::string sites = "#", links = "#";
    for (int x = 0; x < chip.width(); ++x) {
      const int index = chip.deviceIndex({x, y});
      const std::string cell = index >= 0 ? std::to_string(index) : ".";
      sites += std::string(x == 0 ? 2 : 0, ' ') + std::string(widest - cell.size(), ' ') + cell;
      if (x + 1 < chip.width()) sites += chip.couplerRight({x, y}) ? " - " : "   ";
      links += std::string(x == 0 ? 2 + widest : 3 + widest, ' ');
      links.back() = chip.couplerDown({x, y}) ? '|' : ' ';
    }
    flush(sites);
    if (y + 1 < chip.height()) flush(links);
  }
  for (const ChipQubit& q : chip.qubits())
    out << "qubit " << q.index << ' ' << q.site.x << ' ' << q.site.y << '\n';
  for (const auto& [a, b] : chip.noCouplers())
    out << "no-coupler " << a << ' ' << b << '\n';
  return out.str();
}
