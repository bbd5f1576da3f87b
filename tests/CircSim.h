#pragma once

// A small state-vector simulator of gridswap circuit files, for checking conversions: qubit k
// of a circuit is bit k of a basis-state index.
#include <array>
#include <cmath>
#include <complex>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace circsim {

using Amp = std::complex<double>;
using Mat2 = std::array<Amp, 4>;  // row-major 2x2
using State = std::vector<Amp>;
using Matrix = std::vector<State>;  // columns

const Amp kI(0, 1);

inline Mat2 u3(double theta, double phi, double lambda) {
  const double c = std::cos(theta / 2);
  const double s = std::sin(theta / 2);
  return {c, -std::exp(kI * lambda) * s, std::exp(kI * phi) * s, std::exp(kI * (phi + lambda)) * c};
}
inline Mat2 phase(double lambda) {
  return {1, 0, 0, std::exp(kI * lambda)};
}
inline Mat2 rx(double t) {
  return {std::cos(t / 2), -kI * std::sin(t / 2), -kI * std::sin(t / 2), std::cos(t / 2)};
}
inline Mat2 ry(double t) {
  return {std::cos(t / 2), -std::sin(t / 2), std::sin(t / 2), std::cos(t / 2)};
}
inline Mat2 rz(double t) {
  return {std::exp(-kI * t / 2.0), 0, 0, std::exp(kI * t / 2.0)};
}
const Mat2 kX = {0, 1, 1, 0};
const Mat2 kY = {0, -kI, kI, 0};
const Mat2 kZ = {1, 0, 0, -1};
const Mat2 kH = {M_SQRT1_2, M_SQRT1_2, M_SQRT1_2, -M_SQRT1_2};
const Mat2 kSX = {Amp(0.5, 0.5), Amp(0.5, -0.5), Amp(0.5, -0.5), Amp(0.5, 0.5)};
const Mat2 kSXdg = {Amp(0.5, -0.5), Amp(0.5, 0.5), Amp(0.5, 0.5), Amp(0.5, -0.5)};

// Applies m to qubit t, only where qubit c is 1 unless c is -1.
inline void apply(State& s, int t, const Mat2& m, int c = -1) {
  const std::size_t tb = std::size_t{1} << t;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((i & tb) || (c >= 0 && !(i >> c & 1))) continue;
    const Amp a0 = s[i];
    const Amp a1 = s[i | tb];
    s[i] = m[0] * a0 + m[1] * a1;
    s[i | tb] = m[2] * a0 + m[3] * a1;
  }
}

inline void applySwap(State& s, int a, int b) {
  const std::size_t ab = std::size_t{1} << a;
  const std::size_t bb = std::size_t{1} << b;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if ((i & ab) && !(i & bb)) std::swap(s[i], s[(i & ~ab) | bb]);
  }
}

// The 2x2 matrix of a one-qubit mnemonic with its angles; false when unknown.
inline bool oneQubitMatrix(const std::string& g, const std::vector<double>& a, Mat2& m) {
  const std::map<std::string, Mat2> fixed = {{"I", {1, 0, 0, 1}},
                                             {"X", kX},
                                             {"Y", kY},
                                             {"Z", kZ},
                                             {"H", kH},
                                             {"S", phase(M_PI / 2)},
                                             {"Sdg", phase(-M_PI / 2)},
                                             {"T", phase(M_PI / 4)},
                                             {"Tdg", phase(-M_PI / 4)},
                                             {"SX", kSX},
                                             {"SXdg", kSXdg}};
  if (fixed.count(g) && a.empty()) {
    m = fixed.at(g);
    return true;
  }
  if (a.size() == 1 && g == "Rx")
    m = rx(a[0]);
  else if (a.size() == 1 && g == "Ry")
    m = ry(a[0]);
  else if (a.size() == 1 && g == "Rz")
    m = rz(a[0]);
  else if (a.size() == 1 && g == "U1")
    m = phase(a[0]);
  else if (a.size() == 2 && g == "U2")
    m = u3(M_PI / 2, a[0], a[1]);
  else if (a.size() == 3 && g == "U3")
    m = u3(a[0], a[1], a[2]);
  else
    return false;
  return true;
}

// A parsed circuit file: qubit names in order and the gate lines' tokens.
struct Circuit {
  std::vector<std::string> qubits;
  std::map<std::string, int> index;
  std::vector<std::vector<std::string>> gates;
};

inline Circuit parseCirc(const std::string& text) {
  Circuit c;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::vector<std::string> t;
    std::string w;
    while (words >> w)
      t.push_back(w);
    if (t.empty() || t[0] == "#" || t[0] == ".qubit" || t[0] == ".begin" || t[0] == ".end") {
      continue;
    }
    if (t[0] == "qubit" && t.size() == 2) {
      c.index[t[1]] = static_cast<int>(c.qubits.size());
      c.qubits.push_back(t[1]);
    } else {
      c.gates.push_back(t);
    }
  }
  return c;
}

// Applies every gate line of c to s; returns the first line it cannot apply, or "".
inline std::string run(const Circuit& c, State& s) {
  for (const std::vector<std::string>& g : c.gates) {
    auto q = [&](std::size_t k) { return c.index.count(g[k]) ? c.index.at(g[k]) : -1; };
    const std::string& name = g[0];
    const bool two = name == "CNOT" || name == "CZ" || name == "SWAP" || name == "CP";
    const std::size_t first = two ? 3 : 2;
    std::vector<double> angles;
    for (std::size_t k = first; k < g.size(); ++k)
      angles.push_back(std::stod(g[k]));
    Mat2 m;
    if (two && g.size() >= 3 && q(1) >= 0 && q(2) >= 0 && q(1) != q(2)) {
      if (name == "CNOT" && angles.empty())
        apply(s, q(2), kX, q(1));
      else if (name == "CZ" && angles.empty())
        apply(s, q(2), kZ, q(1));
      else if (name == "SWAP" && angles.empty())
        applySwap(s, q(1), q(2));
      else if (name == "CP" && angles.size() == 1)
        apply(s, q(2), phase(angles[0]), q(1));
      else
        return name;
    } else if (!two && g.size() >= 2 && q(1) >= 0 && oneQubitMatrix(name, angles, m)) {
      apply(s, q(1), m);
    } else {
      return name;
    }
  }
  return "";
}

inline State basis(int qubits, std::size_t k) {
  State s(std::size_t{1} << qubits, 0);
  s[k] = 1;
  return s;
}

// The unitary of a circuit file, column by column; empty when a line cannot be applied.
inline Matrix unitary(const std::string& circText) {
  const Circuit c = parseCirc(circText);
  const int n = static_cast<int>(c.qubits.size());
  Matrix u;
  for (std::size_t k = 0; k < (std::size_t{1} << n); ++k) {
    State s = basis(n, k);
    if (!run(c, s).empty()) return {};
    u.push_back(s);
  }
  return u;
}

// The largest entry difference between a and a global phase times b (a, b of one size).
inline double distanceUpToPhase(const Matrix& a, const Matrix& b) {
  std::size_t bi = 0, bj = 0;
  for (std::size_t i = 0; i < b.size(); ++i) {
    for (std::size_t j = 0; j < b[i].size(); ++j) {
      if (std::abs(b[i][j]) > std::abs(b[bi][bj])) bi = i, bj = j;
    }
  }
  const Amp ph = a[bi][bj] / b[bi][bj];
  double worst = std::abs(std::abs(ph) - 1);
  const Amp unit = ph / std::abs(ph);
  for (std::size_t i = 0; i < a.size(); ++i) {
    for (std::size_t j = 0; j < a[i].size(); ++j)
      worst = std::max(worst, std::abs(a[i][j] - unit * b[i][j]));
  }
  return worst;
}

// Moves every bit k of the basis index to bit to[k].
inline State permuted(const State& s, const std::vector<int>& to) {
  State out(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    std::size_t j = 0;
    for (std::size_t k = 0; k < to.size(); ++k) {
      if (i >> k & 1) j |= std::size_t{1} << to[k];
    }
    out[j] = s[i];
  }
  return out;
}

}  // namespace circsim
