// A synthetic seabed: a regional slope with basins and shoals on it, defined
// over the unit square and sampled onto a grid of depths.
//
// Everything here is computed with IEEE additions, multiplications,
// divisions and square roots from the raw output of std::mt19937, which the
// C++ standard fixes bit for bit, so that a seed gives the same seabed with
// every compiler and standard library (the standard's distributions are not
// portable, and neither are exp and its kin).
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace abys::mkcell {

class Random {
 public:
  explicit Random(uint32_t seed) : engine_(seed) {}

  // Uniform in [0, 1), 53 random bits.
  double uniform();
  double uniform(double low, double high) { return low + (high - low) * uniform(); }
  // Uniform in [0, n); n > 0.
  uint32_t below(uint32_t n);

 private:
  std::mt19937 engine_;
};

// A smooth bump of compact support: amplitude * (1 - r^2)^3 inside the
// ellipse of semi-axes radiusU, radiusV rotated by (cosine, sine) about the
// centre (u, v), zero outside. A positive amplitude deepens (a basin), a
// negative one shoals.
struct Bump {
  double u = 0.5;
  double v = 0.5;
  double cosine = 1;
  double sine = 0;
  double radiusU = 0.1;
  double radiusV = 0.1;
  double amplitude = 1;

  double at(double u, double v) const;
  // The half-size of a square about the centre holding the support.
  double reach() const;
};

// Heights in arbitrary units, larger meaning deeper; sampleDepths maps them
// onto metres.
struct Seabed {
  // The regional slope: height grows by slopeU per unit of u and slopeV per
  // unit of v.
  double slopeU = 0;
  double slopeV = 0;
  // The named basins and shoals, then smaller unnamed undulations.
  std::vector<Bump> relief;
  std::vector<Bump> detail;

  double height(double u, double v) const;
};

// reliefCount basins and shoals (alternately, a basin first) of radius
// shrinking as their number grows so that they keep fitting the square, with
// four undulations per feature.
Seabed makeSeabed(Random& random, int reliefCount);

// Depths at size x size vertices, row-major from the south-west corner
// (row 0 is v = 0, column 0 is u = 0, step 1 / (size - 1)), scaled linearly
// so that the smallest height becomes `shallowest` and the largest
// `deepest`. size >= 2.
struct DepthGrid {
  int size = 0;
  std::vector<float> depths;

  double at(int column, int row) const {
    return depths[static_cast<size_t>(row) * static_cast<size_t>(size) +
                  static_cast<size_t>(column)];
  }
};

DepthGrid sampleDepths(const Seabed& seabed, int size, double shallowest, double deepest);

// Where the vertices of a square grid lie on the unit square: vertex
// (column, row) at (u[column], v[row]), each ascending, of one size.
struct GridAxes {
  std::vector<double> u;
  std::vector<double> v;
  // size vertices from 0 to 1 along each side, as sampleDepths places them.
  static GridAxes unit(int size);
};

// The heights of the seabed at the vertices of axes, unscaled.
DepthGrid sampleHeights(const Seabed& seabed, const GridAxes& axes);

// The depth that about `fraction` of the grid's vertices do not exceed,
// rounded up to the next 1/4096 of the grid's range of depths.
double depthQuantile(const DepthGrid& grid, double fraction);

}  // namespace abys::mkcell
