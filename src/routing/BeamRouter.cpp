// The beam router: several placements carried through the circuit at once, each gate routed
// on every shortest SWAP path the beam can afford, the cheapest placements kept.
#include "routing/BeamRouter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_set>

namespace {

// One placement of the beam, with the SWAPs that led to it since the previous gate.
struct State {
  std::vector<int> site;   // per qubit: its site's index (y * width + x), -1 when it has none
  std::vector<int> at;     // per site: its qubit, -1 when empty, kNoSite off the chip
  std::uint64_t hash = 0;  // standHash of every qubit and its site, combined by exclusive or
  int swaps = 0;           // SWAPs since the start
  long long score = 0;     // swaps priced with the gates ahead; lower is better
  int parent = -1;         // position in the beam before this gate
  SwapList path;           // the SWAPs inserted before this gate
};

// The chip as the beam reads it: sites by index, their usable neighbours and distances.
class Board {
 public:
  explicit Board(const Chip& chip) : chip_(chip) {
    const int width = chip.width();
    const int sites = width * chip.height();
    loc_.resize(sites);
    next_.resize(sites);
    for (int i = 0; i < sites; ++i) {
      loc_[i] = {i % width, i / width};
      if (!chip.live(loc_[i])) continue;
      for (Location n : chip.neighbours(loc_[i]))
        next_[i].push_back(n.y * width + n.x);
    }
  }
  int distance(int a, int b) const { return chip_.distance(loc_[a], loc_[b]); }
  const std::vector<int>& neighbours(int s) const { return next_[s]; }
  Location location(int s) const { return loc_[s]; }

 private:
  const Chip& chip_;
  std::vector<Location> loc_;
  std::vector<std::vector<int>> next_;
};

// The hash of qubit q standing on site s; a placement's hash is the exclusive or of its
// qubits', so that a SWAP changes it in four steps.
std::uint64_t standHash(int q, int s) {
  std::uint64_t z =
      (static_cast<std::uint64_t>(q) << 32 | static_cast<std::uint32_t>(s)) + 0x9e3779b97f4a7c15ULL;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// One SWAP the beam may make from a state of the frontier, priced before it is made.
struct Move {
  int parent;  // position of the state in the frontier
  int q;       // the gate's qubit that moves one step closer to its partner
  int from, to;
  int moved;  // the qubit on `to` before the SWAP, or -1
  std::uint64_t hash;
  long long score;
};

// Keeps the `count` lowest scores of `states`, ties in their order.
void keepBest(std::vector<State>& states, std::size_t count) {
  std::stable_sort(states.begin(), states.end(),
                   [](const State& x, const State& y) { return x.score < y.score; });
  if (states.size() > count) states.resize(count);
}

}  // namespace

BeamRouting routeBeam(const Chip& chip, const AllocMatrix& start, LineView lines,
                      const BeamPlan& plan) {
  BeamRouting result;
  const Board board(chip);
  const int width = chip.width();
  std::vector<std::pair<int, int>> gates;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == CircuitLine::kGate) gates.emplace_back(lines[i].q1, lines[i].q2);
  }

  State first;
  first.at.assign(static_cast<std::size_t>(width) * chip.height(), -1);
  int qubits = 0;
  for (const auto& g : gates)
    qubits = std::max({qubits, g.first + 1, g.second + 1});
  for (int y = 0; y < static_cast<int>(start.size()); ++y) {
    for (int x = 0; x < static_cast<int>(start[y].size()); ++x) {
      first.at[y * width + x] = start[y][x];
      qubits = std::max(qubits, start[y][x] + 1);
    }
  }
  first.site.assign(qubits, -1);
  for (int s = 0; s < static_cast<int>(first.at.size()); ++s) {
    if (first.at[s] >= 0) {
      first.site[first.at[s]] = s;
      first.hash ^= standHash(first.at[s], s);
    }
  }
  // The prices read the sites of the gates ahead, so every gate's qubits need one.
  for (const auto& g : gates) {
    if (first.site[g.first] < 0 || first.site[g.second] < 0) return result;
  }

  // Integer prices, so that the choice is the same on every machine.
  const int horizon = std::max(plan.horizon, 0);
  std::vector<long long> ahead(horizon);
  for (int k = 0; k < horizon; ++k)
    ahead[k] = std::llround(10000.0 * std::pow(plan.decay, k));
  const long long swapPrice = std::llround(10000.0 / std::max(plan.lookWeight, 1e-6));
  // The price of a state whose qubits stand on siteOf(q), before the gate `after`.
  auto price = [&](int swaps, std::size_t after, auto siteOf) {
    long long sum = static_cast<long long>(swaps) * swapPrice;
    for (int k = 0; k < horizon && after + k < gates.size(); ++k) {
      const auto& g = gates[after + k];
      sum += ahead[k] * (board.distance(siteOf(g.first), siteOf(g.second)) - 1);
    }
    return sum;
  };

  const std::size_t beamWidth = static_cast<std::size_t>(std::max(plan.width, 1));
  const std::size_t perState = static_cast<std::size_t>(std::max(plan.perState, 1));
  std::vector<State> beam{first};
  std::vector<std::vector<std::pair<int, SwapList>>> trail(gates.size());
  std::vector<State> next, frontier, grown;
  std::vector<Move> moves;
  std::unordered_set<std::uint64_t> kept, seen;
  for (std::size_t k = 0; k < gates.size(); ++k) {
    const int a = gates[k].first;
    const int b = gates[k].second;
    next.clear();
    kept.clear();
    for (std::size_t p = 0; p < beam.size(); ++p) {
      const State& st = beam[p];
      const int d = board.distance(st.site[a], st.site[b]);
      if (d > static_cast<int>(st.at.size())) return result;
      frontier.assign(1, st);
      frontier[0].parent = static_cast<int>(p);
      frontier[0].path.clear();
      // Each step moves a or b one site closer to the other, onto any neighbour that is; the
      // moves are priced first and only the best are made.
      for (int step = 0; step + 1 < d; ++step) {
        moves.clear();
        seen.clear();
        for (std::size_t i = 0; i < frontier.size(); ++i) {
          const State& f = frontier[i];
          for (int who = 0; who < 2; ++who) {
            const int q = who == 0 ? a : b;
            const int other = f.site[who == 0 ? b : a];
            const int from = f.site[q];
            const int left = board.distance(from, other);
            for (int to : board.neighbours(from)) {
              if (board.distance(to, other) >= left) continue;
              const int moved = f.at[to];
              std::uint64_t hash = f.hash ^ standHash(q, from) ^ standHash(q, to);
              if (moved >= 0) hash ^= standHash(moved, to) ^ standHash(moved, from);
              if (!seen.insert(hash).second) continue;
              const long long score = price(f.swaps + 1, k + 1, [&](int x) {
                return x == q ? to : x == moved ? from : f.site[x];
              });
              moves.push_back({static_cast<int>(i), q, from, to, moved, hash, score});
            }
          }
        }
        std::stable_sort(moves.begin(), moves.end(),
                         [](const Move& x, const Move& y) { return x.score < y.score; });
        if (moves.size() > perState * 4) moves.resize(perState * 4);
        grown.clear();
        for (const Move& m : moves) {
          State g = frontier[m.parent];
          std::swap(g.at[m.from], g.at[m.to]);
          g.site[m.q] = m.to;
          if (m.moved >= 0) g.site[m.moved] = m.from;
          g.path.emplace_back(board.location(m.from), board.location(m.to));
          ++g.swaps;
          g.hash = m.hash;
          g.score = m.score;
          grown.push_back(std::move(g));
        }
        frontier.swap(grown);
      }
      if (d <= 1) {
        State& f = frontier[0];
        f.score = price(f.swaps, k + 1, [&](int x) { return f.site[x]; });
      }
      keepBest(frontier, perState);
      for (State& f : frontier) {
        if (kept.insert(f.hash).second) next.push_back(std::move(f));
      }
    }
    keepBest(next, beamWidth);
    trail[k].reserve(next.size());
    for (const State& st : next)
      trail[k].emplace_back(st.parent, st.path);
    beam.swap(next);
  }

  std::size_t best = 0;
  for (std::size_t i = 1; i < beam.size(); ++i) {
    if (beam[i].swaps < beam[best].swaps) best = i;
  }
  const State& last = beam[best];
  result.found = true;
  result.swaps = last.swaps;
  result.gateSwaps.resize(gates.size());
  int at = static_cast<int>(best);
  for (std::size_t k = gates.size(); k-- > 0;) {
    result.gateSwaps[k] = trail[k][at].second;
    at = trail[k][at].first;
  }
  result.end = start;
  for (int y = 0; y < static_cast<int>(start.size()); ++y) {
    for (int x = 0; x < static_cast<int>(start[y].size()); ++x)
      result.end[y][x] = last.at[y * width + x];
  }
  return result;
}
