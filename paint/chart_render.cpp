#include "chart_render.h"

#include <QPainterPath>
#include <QPen>
#include <QPolygon>
#include <QStaticText>
#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>

#include "drawn_geometry.h"
#include "feature_area.h"
#include "messages.h"

namespace abys {

QColor depthColour(double value, const ValdcoRange& range) {
  if (value == kNoValdco) return QColor(Qt::black);
  int hue = kHueSpan;
  if (range.max != range.min) {
    hue = truncateToInt32(kHueSpan - (value - range.min) * kHueSpan / (range.max - range.min));
    hue = std::clamp(hue, 0, kHueSpan);
  }
  return QColor::fromHsv(hue, 255, 255);
}

QString nameText(const AttributeEntry& entry) {
  const int32_t units = entry.atvlLength > 0 ? entry.atvlLength / 2 : 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(entry.atvl);
  QString text;
  text.reserve(units);
  for (int32_t i = 0; i < units; ++i) {
    text.append(QChar(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8))));
  }
  return text;
}

const AttributeEntry* nameEntry(const FeatureRecord& feature) {
  for (const AttributeEntry* entry : feature.nationalAttributes) {
    if (entry->attl == kNobjnmCode) return entry;
  }
  return nullptr;
}

namespace {

// The points in pixels, a point on the same pixel as the one before it
// left out: at small scales most vertices of a long ring or shore line
// share pixels, and the rasteriser's time grows with the vertices.
QPolygon pixelPolygon(std::span<const LinePoint> points, const ViewState& view) {
  QPolygon polygon;
  polygon.reserve(static_cast<int>(points.size()));
  for (const LinePoint& point : points) {
    const PixelPoint at = metresToPixel(view, degreesToMetres(view, point.x, point.y));
    const QPoint pixel(at.column, at.row);
    if (polygon.isEmpty() || polygon.constLast() != pixel) polygon.append(pixel);
  }
  return polygon;
}

// One of the project's own depth lines, through every vertex as it always
// was. Contours are drawn from the assembled geometry instead, leaving out
// vertices on the pixel of the one before, which the rasteriser would
// mostly draw over again.
void paintDepthLine(QPainter& painter, const FeatureRecord& feature, const ValdcoRange& range,
                    const ViewState& view) {
  painter.setPen(QPen(depthColour(depthValue(feature), range), 0, Qt::SolidLine));
  const std::optional<FeatureLine> line = assembleFeatureLine(feature);
  if (!line) return;
  const std::vector<PixelPoint> pixels = projectLine(*line, view);
  QPolygon polygon(static_cast<int>(pixels.size()));
  for (size_t i = 0; i < pixels.size(); ++i) {
    polygon.setPoint(static_cast<int>(i), pixels[i].column, pixels[i].row);
  }
  painter.drawPolyline(polygon);
}

void paintName(QPainter& painter, const FeatureRecord& feature, const ViewState& view) {
  const AttributeEntry* entry = nameEntry(feature);
  if (entry == nullptr) return;
  const std::optional<PixelPoint> anchor = textAnchor(feature, view);
  if (!anchor) return;
  painter.setPen(QPen(Qt::black));
  painter.drawText(QPoint(anchor->column, anchor->row), nameText(*entry));
}

}  // namespace

QColor bandColour(DepthBand band) {
  switch (band) {
    case DepthBand::Intertidal:
      return QColor(88, 175, 156);
    case DepthBand::VeryShallow:
      return QColor(97, 183, 255);
    case DepthBand::Shallow:
      return QColor(130, 202, 255);
    case DepthBand::Medium:
      return QColor(167, 218, 252);
    case DepthBand::Deep:
    default:
      return QColor(201, 237, 252);
  }
}

QString soundingText(double depth) {
  double rounded = std::round(depth * 10.0) / 10.0;
  if (rounded == 0.0) rounded = 0.0;  // no "-0"
  std::string text = formatMessage("%.1f", rounded);
  if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
  return QString::fromStdString(text);
}

namespace {

template <typename Paint>
void forEach(const DisplayState& display, int displayClass, Paint&& paint) {
  for (const FeatureRecord* feature = display.displayChains[displayClass].head; feature != nullptr;
       feature = feature->nextInClass) {
    paint(*feature);
  }
}

template <typename Paint>
void forEachVisible(const DrawnGeometry& geometry, int displayClass, const Bounds& visible,
                    Paint&& paint) {
  for (const DrawnFeature& drawn : geometry.layer(displayClass)) {
    if (overlaps(drawn.box, visible)) paint(drawn);
  }
}

void paintArea(QPainter& painter, const DrawnGeometry& geometry, const DrawnFeature& drawn,
               const QColor& colour, const ViewState& view) {
  painter.setBrush(colour);
  const std::span<const DrawnPart> rings = geometry.parts(drawn);
  if (rings.size() == 1) {
    painter.drawPolygon(pixelPolygon(geometry.points(rings.front()), view), Qt::OddEvenFill);
    return;
  }
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const DrawnPart& ring : rings)
    path.addPolygon(pixelPolygon(geometry.points(ring), view));
  painter.drawPath(path);
}

void paintLines(QPainter& painter, const DrawnGeometry& geometry, const DrawnFeature& drawn,
                const ViewState& view) {
  for (const DrawnPart& part : geometry.parts(drawn))
    painter.drawPolyline(pixelPolygon(geometry.points(part), view));
}

// Sounding texts laid out once per render: a chart repeats few values
// many times, and laying a text out costs more than drawing it.
class SoundingTexts {
 public:
  explicit SoundingTexts(const QFont& font) : font_(font) {}
  const QStaticText& of(double depth) {
    const long key = std::lround(depth * 10.0);
    auto found = texts_.find(key);
    if (found == texts_.end()) {
      QStaticText text(soundingText(depth));
      text.setTextFormat(Qt::PlainText);
      text.prepare(QTransform(), font_);
      found = texts_.emplace(key, std::move(text)).first;
    }
    return found->second;
  }

 private:
  QFont font_;
  std::unordered_map<long, QStaticText> texts_;
};

void paintSoundings(QPainter& painter, const FeatureRecord& feature, const DisplayState& display,
                    const ViewState& view, SoundingTexts& texts) {
  for (const SpatialPointerEntry* spatial : feature.spatialPointers) {
    if (spatial->target == nullptr) continue;
    for (const SoundingEntry* sounding : spatial->target->soundings) {
      const PixelPoint at = metresToPixel(view, degreesToMetres(view, sounding->x, sounding->y));
      painter.setPen(sounding->z <= display.depthContours.safety ? kShallowSounding
                                                                 : kDeepSounding);
      // Centred on its position.
      const QStaticText& text = texts.of(sounding->z);
      const QSizeF size = text.size();
      painter.drawStaticText(QPointF(at.column - size.width() / 2.0, at.row - size.height() / 2.0),
                             text);
    }
  }
}

}  // namespace

void paintChart(QPainter& painter, const DisplayState& display, const ViewState& view,
                const DrawnGeometry* geometry) {
  if (display.currentDataset == nullptr) return;
  std::optional<DrawnGeometry> assembled;
  if (geometry == nullptr) geometry = &assembled.emplace(display);
  // What lies farther out than a pixel beyond the window is not drawn.
  const Bounds visible = visibleDegrees(view, view.window, 2);
  // Bottom to top: areas, shore lines, depth lines and contours, soundings,
  // names. A chart of the project's own classes only draws the last three.
  painter.save();
  painter.setPen(Qt::NoPen);
  forEachVisible(*geometry, kDepthAreas, visible, [&](const DrawnFeature& d) {
    const std::optional<double> drval1 = attributeValue(*d.feature, kDrval1Code);
    paintArea(painter, *geometry, d,
              bandColour(depthBandOf(drval1.value_or(-1.0), display.depthContours)), view);
  });
  forEachVisible(*geometry, kUnsurveyed, visible, [&](const DrawnFeature& d) {
    paintArea(painter, *geometry, d, kUnsurveyedColour, view);
  });
  forEachVisible(*geometry, kLand, visible, [&](const DrawnFeature& d) {
    paintArea(painter, *geometry, d, kLandColour, view);
  });
  painter.restore();
  painter.setPen(QPen(kShoreLineColour, 0, Qt::SolidLine));
  forEachVisible(*geometry, kShoreLines, visible,
                 [&](const DrawnFeature& d) { paintLines(painter, *geometry, d, view); });
  forEach(display, kDepthLines,
          [&](const FeatureRecord& f) { paintDepthLine(painter, f, display.valdcoRange, view); });
  forEachVisible(*geometry, kDepthContours, visible, [&](const DrawnFeature& d) {
    painter.setPen(
        QPen(depthColour(depthValue(*d.feature), display.valdcoRange), 0, Qt::SolidLine));
    paintLines(painter, *geometry, d, view);
  });
  if (display.displayChains[kSoundings].head != nullptr) {
    painter.save();
    QFont font = painter.font();
    if (font.pointSizeF() > 0) {
      font.setPointSizeF(font.pointSizeF() * kSoundingFontScale);
    } else {
      font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * kSoundingFontScale)));
    }
    painter.setFont(font);
    SoundingTexts texts(font);
    forEach(display, kSoundings,
            [&](const FeatureRecord& f) { paintSoundings(painter, f, display, view, texts); });
    painter.restore();
  }
  for (const int names : {kAreaNames, kPlaceNames}) {
    forEach(display, names, [&](const FeatureRecord& f) { paintName(painter, f, view); });
  }
}

}  // namespace abys
