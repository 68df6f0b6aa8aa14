#include "seabed.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace abys::mkcell {

double Random::uniform() {
  const uint64_t high = engine_() >> 5;  // 27 bits
  const uint64_t low = engine_() >> 6;   // 26 bits
  return static_cast<double>((high << 26) | low) * 0x1p-53;
}

uint32_t Random::below(uint32_t n) {
  // Rejects the top of the range that would make low values likelier.
  const uint64_t range = uint64_t{1} << 32;
  const uint64_t limit = range - range % n;
  uint64_t value;
  do {
    value = engine_();
  } while (value >= limit);
  return static_cast<uint32_t>(value % n);
}

double Bump::at(double pu, double pv) const {
  const double du = pu - u;
  const double dv = pv - v;
  const double a = (du * cosine + dv * sine) / radiusU;
  const double b = (dv * cosine - du * sine) / radiusV;
  const double r2 = a * a + b * b;
  if (r2 >= 1) return 0;
  const double w = 1 - r2;
  return amplitude * w * w * w;
}

double Bump::reach() const {
  return std::max(radiusU, radiusV);
}

double Seabed::height(double u, double v) const {
  double h = slopeU * u + slopeV * v;
  for (const Bump& b : relief)
    h += b.at(u, v);
  for (const Bump& b : detail)
    h += b.at(u, v);
  return h;
}

namespace {

// A direction uniform on the circle, by rejection from the square.
void randomDirection(Random& random, double& cosine, double& sine) {
  for (;;) {
    const double x = random.uniform(-1, 1);
    const double y = random.uniform(-1, 1);
    const double r2 = x * x + y * y;
    if (r2 > 1e-4 && r2 <= 1) {
      const double r = std::sqrt(r2);
      cosine = x / r;
      sine = y / r;
      return;
    }
  }
}

Bump randomBump(Random& random, double low, double high, double radiusLow, double radiusHigh,
                double amplitudeLow, double amplitudeHigh, double sign) {
  Bump b;
  b.u = random.uniform(low, high);
  b.v = random.uniform(low, high);
  randomDirection(random, b.cosine, b.sine);
  b.radiusU = random.uniform(radiusLow, radiusHigh);
  b.radiusV = b.radiusU * random.uniform(0.5, 1.0);
  b.amplitude = sign * random.uniform(amplitudeLow, amplitudeHigh);
  return b;
}

}  // namespace

Seabed makeSeabed(Random& random, int reliefCount) {
  Seabed seabed;
  randomDirection(random, seabed.slopeU, seabed.slopeV);
  seabed.slopeU *= 1.6;
  seabed.slopeV *= 1.6;
  // Keeps the area the features cover about that of six.
  const double scale = reliefCount > 6 ? std::sqrt(6.0 / reliefCount) : 1.0;
  // Features apart from each other, when a few tries find room, keep their
  // names apart too.
  const double apart = 0.2 * scale;
  for (int k = 0; k < reliefCount; ++k) {
    const double sign = k % 2 == 0 ? 1.0 : -1.0;
    Bump bump;
    for (int attempt = 0; attempt < 16; ++attempt) {
      bump = randomBump(random, 0.1 * scale, 1 - 0.1 * scale, 0.12 * scale, 0.3 * scale, 0.5, 0.9,
                        sign);
      bool roomy = true;
      for (const Bump& other : seabed.relief) {
        const double du = bump.u - other.u;
        const double dv = bump.v - other.v;
        roomy = roomy && du * du + dv * dv >= apart * apart;
      }
      if (roomy) break;
    }
    seabed.relief.push_back(bump);
  }
  for (int k = 0; k < 6 * reliefCount; ++k) {
    const double sign = random.below(2) == 0 ? 1.0 : -1.0;
    seabed.detail.push_back(
        randomBump(random, 0.0, 1.0, 0.05 * scale, 0.14 * scale, 0.04, 0.12, sign));
  }
  return seabed;
}

namespace {

// Adds the bump at every vertex of its support: the vertices from the last
// at or before its reach to the first at or after it, along each axis.
void addBump(const Bump& bump, const GridAxes& axes, std::vector<float>& heights) {
  const double reach = bump.reach();
  const auto span = [reach](const std::vector<double>& at, double centre) {
    const auto first = std::upper_bound(at.begin(), at.end(), centre - reach);
    const auto last = std::lower_bound(at.begin(), at.end(), centre + reach);
    const int end = static_cast<int>(at.size()) - 1;
    return std::pair{std::max(0, static_cast<int>(first - at.begin()) - 1),
                     std::min(end, static_cast<int>(last - at.begin()))};
  };
  const auto [c0, c1] = span(axes.u, bump.u);
  const auto [r0, r1] = span(axes.v, bump.v);
  const size_t size = axes.u.size();
  for (int row = r0; row <= r1; ++row) {
    float* line = heights.data() + static_cast<size_t>(row) * size;
    const double v = axes.v[static_cast<size_t>(row)];
    for (int column = c0; column <= c1; ++column) {
      const double h = bump.at(axes.u[static_cast<size_t>(column)], v);
      if (h != 0) line[column] = static_cast<float>(line[column] + h);
    }
  }
}

}  // namespace

GridAxes GridAxes::unit(int size) {
  GridAxes axes;
  const double step = 1.0 / (size - 1);
  axes.u.resize(static_cast<size_t>(size));
  for (int i = 0; i < size; ++i)
    axes.u[static_cast<size_t>(i)] = i * step;
  axes.v = axes.u;
  return axes;
}

DepthGrid sampleHeights(const Seabed& seabed, const GridAxes& axes) {
  DepthGrid grid;
  grid.size = static_cast<int>(axes.u.size());
  const size_t size = axes.u.size();
  grid.depths.resize(size * size);
  for (size_t row = 0; row < size; ++row) {
    float* line = grid.depths.data() + row * size;
    for (size_t column = 0; column < size; ++column)
      line[column] =
          static_cast<float>(seabed.slopeU * axes.u[column] + seabed.slopeV * axes.v[row]);
  }
  for (const Bump& b : seabed.relief)
    addBump(b, axes, grid.depths);
  for (const Bump& b : seabed.detail)
    addBump(b, axes, grid.depths);
  return grid;
}

DepthGrid sampleDepths(const Seabed& seabed, int size, double shallowest, double deepest) {
  DepthGrid grid = sampleHeights(seabed, GridAxes::unit(size));
  const auto [low, high] = std::minmax_element(grid.depths.begin(), grid.depths.end());
  const double min = *low;
  const double range = *high - min;
  const double scale = range > 0 ? (deepest - shallowest) / range : 0.0;
  for (float& d : grid.depths)
    d = static_cast<float>(shallowest + (d - min) * scale);
  return grid;
}

double depthQuantile(const DepthGrid& grid, double fraction) {
  const auto [low, high] = std::minmax_element(grid.depths.begin(), grid.depths.end());
  const double min = *low;
  const double range = *high - min;
  if (!(range > 0)) return min;
  // A histogram instead of a partial sort: no copy of a grid that may hold
  // tens of millions of depths.
  constexpr int kBins = 4096;
  std::vector<int64_t> counts(kBins, 0);
  for (const float d : grid.depths)
    ++counts[static_cast<size_t>(std::min(kBins - 1, static_cast<int>((d - min) / range * kBins)))];
  const double wanted = fraction * static_cast<double>(grid.depths.size());
  int64_t seen = 0;
  for (int bin = 0; bin < kBins; ++bin) {
    seen += counts[static_cast<size_t>(bin)];
    if (static_cast<double>(seen) >= wanted) return min + range * (bin + 1) / kBins;
  }
  return *high;
}

}  // namespace abys::mkcell
