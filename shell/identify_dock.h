// What lies under the pointer: the features a Shift+click (or the context
// menu's Identify) finds, each with its class, record name, FOID and every
// attribute decoded by the object catalogue, in a dock of the main window.
#pragma once

#include <QDockWidget>
#include <QImage>
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>
#include <vector>

#include "chart_session.h"

class QTreeWidget;

namespace abys {

// One feature as the dock lists it, and where to highlight it.
struct IdentifiedFeature {
  QString title;               // "DEPCNT Depth contour, FE0000000001"
  QStringList details;         // the record, the FOID, then "ACRONYM: value" per attribute
  std::optional<GeoPoint> at;  // a point feature's place
  std::vector<std::vector<GeoPoint>> lines;  // a line's points or an area's rings
  QImage symbol;  // the feature's point symbol as the chart draws it; null when it has none
};

// near, when given, picks which of a point feature's points (a sounding
// among many, say) is its place: the one nearest to it.
IdentifiedFeature identify(const FeatureRecord& feature,
                           std::optional<GeoPoint> near = std::nullopt);

// Adds what the chart draws for feature: its point symbol (a light's flare
// in its colour for a sector light) as a picture, and a light's
// description ("Light: Fl(2)R.6s10M") after the FOID.
void describePortrayal(IdentifiedFeature& identified, const FeatureRecord& feature,
                       const portrayal::Portrayal& portrayal, ColourScheme scheme);

// "COLOUR: 4 (green)", a list "COLOUR: 1,4 (white, green)", others
// "VALDCO: 5"; the code stands for a missing acronym. national holds the
// value as UCS-2 (NATF), else as 8-bit text.
QString attributeText(uint16_t attl, std::string_view value, bool national);

// "GB 0000000115 00001": the agency's producer code (or its number), FIDN
// and FIDS.
QString foidText(uint16_t agen, uint32_t fidn, uint16_t fids);

}  // namespace abys

// In the global namespace so that its translation context is
// "IdentifyDock".
class IdentifyDock : public QDockWidget {
  Q_OBJECT

 public:
  explicit IdentifyDock(QWidget* parent = nullptr);

  // Lists features, the first one chosen.
  void showFeatures(std::vector<abys::IdentifiedFeature> features);
  void clear();
  const std::vector<abys::IdentifiedFeature>& features() const { return features_; }

  // Wide enough for a whole line: a class and its name, or an attribute and
  // the meaning of its value.
  static constexpr int kReadableWidth = 320;
  // At least kReadableWidth wide, or as wide as the user last made it
  // floating: shown again, or docked again, it takes that width.
  QSize sizeHint() const override;

 signals:
  // The user (or showFeatures) chose features()[index].
  void featureChosen(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QTreeWidget* list_ = nullptr;
  std::vector<abys::IdentifiedFeature> features_;
  int width_ = kReadableWidth;
};
