// gridswap-embed-suite: how many generated circuits with a known zero-SWAP placement the
// embedding searches place without a SWAP, and how long they take. Each circuit is layers of
// CNOTs between coupled sites, on a full square grid or (every third seed) on a generated chip
// with missing qubits and dead couplers; the searches see only its gates.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "chip/GeneratedChips.h"
#include "search/Embedding.h"
#include "search/EmbeddingSat.h"
#include "search/GeneratedCircuits.h"

namespace {

const char* const kUsage = "Usage: gridswap-embed-suite [--work UNITS] [--sat CONFLICTS] [--quick]";

// The gates of a generated circuit as pairs of qubit numbers ("CNOT qA qB" lines).
std::vector<std::pair<int, int>> gatesOf(const std::string& text, int* qubits) {
  std::vector<std::pair<int, int>> gates;
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    if (word == ".qubit") {
      in >> *qubits;
    } else if (word == "CNOT") {
      std::string a;
      std::string b;
      in >> a >> b;
      gates.emplace_back(std::stoi(a.substr(1)), std::stoi(b.substr(1)));
    }
  }
  return gates;
}

// True when every gate's qubits stand on sites joined by a usable coupler, on distinct sites.
bool embeds(const std::vector<std::pair<int, int>>& gates, const std::vector<Location>& sites,
            const Chip& chip) {
  for (std::size_t a = 0; a < sites.size(); ++a) {
    for (std::size_t b = a + 1; b < sites.size(); ++b) {
      if (sites[a].x >= 0 && sites[a] == sites[b]) return false;
    }
  }
  for (const auto& [a, b] : gates) {
    if (!chip.coupled(sites[a], sites[b])) return false;
  }
  return true;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  long long work = 100000000;
  long long sat = 0;
  bool quick = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--work" || arg == "--sat") && i + 1 < argc) {
      const long long value = std::atoll(argv[++i]);
      (arg == "--work" ? work : sat) = value;
    } else if (arg == "--quick") {
      quick = true;
    } else {
      std::cerr << kUsage << '\n';
      return 2;
    }
  }
  const std::vector<int> sides =
      quick ? std::vector<int>{6, 10, 14} : std::vector<int>{4, 5, 6, 8, 10, 12, 14, 16, 18, 20};
  const std::vector<int> depths =
      quick ? std::vector<int>{3, 4, 5, 6}
            : std::vector<int>{1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20, 30, 40, 50};
  int total = 0;
  int found = 0;
  int wrong = 0;
  double seconds = 0;
  for (int side : sides) {
    for (int depth : depths) {
      for (std::uint32_t seed = 0; seed < 3; ++seed) {
        const std::uint32_t salt = static_cast<std::uint32_t>(side * 10000 + depth * 10) + seed;
        const Chip chip =
            seed == 2 ? generatedChip(side, side, 0.08, 0.05, salt) : Chip::grid(side, side);
        int qubits = 0;
        const std::vector<std::pair<int, int>> gates =
            gatesOf(chipLayersCircuit(chip, depth, salt), &qubits);
        const auto start = std::chrono::steady_clock::now();
        Embedding e = embedGraph(qubits, gates, chip, work);
        const char* by = "search";
        if (e.status == EmbedStatus::kUnknown && sat > 0) {
          Embedding s = satEmbedding(qubits, gates, chip, sat);
          if (s.status != EmbedStatus::kUnknown) {
            e = std::move(s);
            by = "sat";
          }
        }
        const double s = secondsSince(start);
        seconds += s;
        ++total;
        if (e.status == EmbedStatus::kFound) {
          ++found;
          if (!embeds(gates, e.sites, chip)) ++wrong;
        }
        if (e.status != EmbedStatus::kFound || s > 0.5) {
          std::printf("%2d x %-2d depth %2d seed %u%s: %s%s%s, %.2f s\n", side, side, depth, seed,
                      seed == 2 ? " (chip)" : "", embedStatusName(e.status),
                      e.status == EmbedStatus::kFound ? " by " : "",
                      e.status == EmbedStatus::kFound ? by : "", s);
          std::fflush(stdout);
        }
      }
    }
  }
  std::printf("found %d of %d (%d wrong), %.1f s\n", found, total, wrong, seconds);
  return wrong == 0 ? 0 : 1;
}
