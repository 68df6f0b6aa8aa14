// What the mariner chooses about the chart's presentation, which the
// portrayal rules read: the depth contours first. Qt-free.
#pragma once

namespace abys {

// The three safety contours that split depth areas into bands and
// soundings into shallow and deep, in metres.
struct DepthContours {
  double shallow = 2.0;
  double safety = 10.0;
  double deep = 30.0;

  bool operator==(const DepthContours&) const = default;
};

// Whether the contours can split depths: 0 <= shallow <= safety <= deep.
constexpr bool inOrder(const DepthContours& c) {
  return c.shallow >= 0 && c.shallow <= c.safety && c.safety <= c.deep;
}

}  // namespace abys
