#include "chart_render.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
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
  for (const AttributeEntry* entry : feature.nationalAttributes()) {
    if (entry->attl == kNobjnmCode) return entry;
  }
  return nullptr;
}

namespace {

// Appends the points in pixels to polygon, a point on the same pixel as
// the one before it left out: at small scales most vertices of a long ring
// or shore line share pixels, and the rasteriser's time grows with the
// vertices.
void appendPixels(std::span<const LinePoint> points, const ViewState& view, QPolygon& polygon) {
  for (const LinePoint& point : points) {
    const PixelPoint at = metresToPixel(view, degreesToMetres(view, point.x, point.y));
    const QPoint pixel(at.column, at.row);
    if (polygon.isEmpty() || polygon.constLast() != pixel) polygon.append(pixel);
  }
}

// A depth line's pen: the one-pixel line of old, or one 2 pixels wide
// (square ends and bevelled joins, which the stroker makes several times
// faster than round ones on a chart of a million vertices).
QPen depthPen(const QColor& colour, bool wide) {
  return QPen(colour, wide ? 2 : 0, Qt::SolidLine);
}

// One of the project's own depth lines, through every vertex as it always
// was (wide, without those on the pixel of the one before). Contours are drawn from the assembled
// geometry instead, leaving out vertices on the pixel of the one before, which the rasteriser would
// mostly draw over again.
void paintDepthLine(QPainter& painter, const FeatureRecord& feature, const ValdcoRange& range,
                    const ViewState& view, bool wide) {
  painter.setPen(depthPen(depthColour(depthValue(feature), range), wide));
  const std::optional<FeatureLine> line = assembleFeatureLine(feature);
  if (!line) return;
  const std::vector<PixelPoint> pixels = projectLine(*line, view);
  QPolygon polygon(static_cast<int>(pixels.size()));
  if (wide) {
    // The stroker's time grows with the vertices.
    polygon.clear();
    for (const PixelPoint& p : pixels) {
      const QPoint pixel(p.column, p.row);
      if (polygon.isEmpty() || polygon.constLast() != pixel) polygon.append(pixel);
    }
    painter.drawPolyline(polygon);
    return;
  }
  for (size_t i = 0; i < pixels.size(); ++i) {
    polygon.setPoint(static_cast<int>(i), pixels[i].column, pixels[i].row);
  }
  painter.drawPolyline(polygon);
}

// The names in drawing order. Without the declutter each is drawn as it
// always was; with it, each takes the rectangle of its text and halo in
// the occupancy, and one that cannot is left out.
class NamePainter {
 public:
  NamePainter(QPainter& painter, const ViewState& view, bool declutter)
      : painter_(painter),
        view_(view),
        declutter_(declutter),
        window_(view.window.left, view.window.top, view.window.right - view.window.left,
                view.window.bottom - view.window.top) {}

  void paint(const FeatureRecord& feature) {
    const AttributeEntry* entry = nameEntry(feature);
    if (entry == nullptr) return;
    const std::optional<PixelPoint> anchor = textAnchor(feature, view_);
    if (!anchor) return;
    const QPoint at(anchor->column, anchor->row);
    if (!declutter_) {
      painter_.setPen(QPen(Qt::black));
      painter_.drawText(at, nameText(*entry));
      ++counts_.drawn;
      return;
    }
    const QString text = nameText(*entry);
    const QFontMetrics metrics = painter_.fontMetrics();
    // The text's line from its baseline anchor, and the halo round it.
    const QRect box = QRect(at.x(), at.y() - metrics.ascent(), metrics.horizontalAdvance(text),
                            metrics.ascent() + metrics.descent())
                          .adjusted(-kHalo, -kHalo, kHalo, kHalo);
    if (!box.intersects(window_)) return;
    if (!occupied_.claim(box)) {
      ++counts_.dropped;
      return;
    }
    painter_.setPen(QPen(Qt::white));
    for (int dy = -kHalo; dy <= kHalo; ++dy) {
      for (int dx = -kHalo; dx <= kHalo; ++dx) {
        if (dx != 0 || dy != 0) painter_.drawText(at + QPoint(dx, dy), text);
      }
    }
    painter_.setPen(QPen(Qt::black));
    painter_.drawText(at, text);
    ++counts_.drawn;
  }

  NameCounts counts() const { return counts_; }

 private:
  static constexpr int kHalo = 1;  // pixels of white round each letter

  QPainter& painter_;
  const ViewState& view_;
  bool declutter_;
  QRect window_;
  NameOccupancy occupied_;
  NameCounts counts_;
};

}  // namespace

bool NameOccupancy::claim(const QRect& box) {
  const int left = box.left() >> kSquareShift;
  const int right = box.right() >> kSquareShift;
  const int top = box.top() >> kSquareShift;
  const int bottom = box.bottom() >> kSquareShift;
  const auto key = [](int column, int row) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(column)) << 32) |
           static_cast<uint32_t>(row);
  };
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column) {
      const auto found = squares_.find(key(column, row));
      if (found == squares_.end()) continue;
      for (const uint32_t taken : found->second) {
        if (boxes_[taken].intersects(box)) return false;
      }
    }
  }
  const auto index = static_cast<uint32_t>(boxes_.size());
  boxes_.push_back(box);
  for (int row = top; row <= bottom; ++row) {
    for (int column = left; column <= right; ++column)
      squares_[key(column, row)].push_back(index);
  }
  return true;
}

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

// An area of one ring is one polygon; one of more rings is a path of one
// polygon per ring, filled odd-even. (Joining the rings into one polygon
// through connecting segments gives the same pixels, but the long joins
// make the rasteriser several times slower.)
void paintArea(QPainter& painter, const DrawnGeometry& geometry, const DrawnFeature& drawn,
               const QColor& colour, const ViewState& view, QPolygon& polygon) {
  painter.setBrush(colour);
  const std::span<const DrawnPart> rings = geometry.parts(drawn);
  if (rings.size() == 1) {
    polygon.clear();
    appendPixels(geometry.points(rings.front()), view, polygon);
    painter.drawPolygon(polygon, Qt::OddEvenFill);
    return;
  }
  QPainterPath path;
  path.setFillRule(Qt::OddEvenFill);
  for (const DrawnPart& ring : rings) {
    polygon.clear();
    appendPixels(geometry.points(ring), view, polygon);
    path.addPolygon(QPolygonF(polygon));
  }
  painter.drawPath(path);
}

void paintLines(QPainter& painter, const DrawnGeometry& geometry, const DrawnFeature& drawn,
                const ViewState& view, QPolygon& polygon) {
  for (const DrawnPart& part : geometry.parts(drawn)) {
    polygon.clear();
    appendPixels(geometry.points(part), view, polygon);
    painter.drawPolyline(polygon);
  }
}

// Sounding texts laid out once per render: a chart repeats few values
// many times, and laying a text out costs more than drawing it. On a
// device without scaling each value and colour is also drawn once into a
// small image that the chart copies at every sounding of that value, which
// costs a fraction of drawing the glyphs again.
class SoundingTexts {
 public:
  SoundingTexts(const QFont& font, bool asImages) : font_(font), asImages_(asImages) {}

  // Draws the text of depth in colour centred on at.
  void draw(QPainter& painter, double depth, const QColor& colour, PixelPoint at) {
    const long key = std::lround(depth * 10.0);
    const Text& text = textOf(key, depth);
    const double left = at.column - text.size.width() / 2.0;
    const double top = at.row - text.size.height() / 2.0;
    if (!asImages_) {
      painter.setPen(colour);
      painter.drawStaticText(QPointF(left, top), text.text);
      return;
    }
    // at is a whole pixel, so the fraction of left and top is the text's
    // own: the image keeps it and is placed on whole pixels.
    const double column = std::floor(left) - 1.0;
    const double row = std::floor(top) - 1.0;
    const std::pair<long, QRgb> imageKey{key, colour.rgba()};
    auto found = images_.find(imageKey);
    if (found == images_.end()) {
      QImage image(static_cast<int>(std::ceil(text.size.width())) + 3,
                   static_cast<int>(std::ceil(text.size.height())) + 3,
                   QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::transparent);
      QPainter on(&image);
      on.setFont(font_);
      on.setPen(colour);
      on.drawStaticText(QPointF(left - column, top - row), text.text);
      on.end();
      found = images_.emplace(imageKey, std::move(image)).first;
    }
    painter.drawImage(QPointF(column, row), found->second);
  }

 private:
  struct Text {
    QStaticText text;
    QSizeF size;
  };
  struct KeyHash {
    size_t operator()(const std::pair<long, QRgb>& k) const {
      return std::hash<long>()(k.first * 31 + static_cast<long>(k.second));
    }
  };

  const Text& textOf(long key, double depth) {
    auto found = texts_.find(key);
    if (found == texts_.end()) {
      QStaticText text(soundingText(depth));
      text.setTextFormat(Qt::PlainText);
      text.prepare(QTransform(), font_);
      const QSizeF size = text.size();
      found = texts_.emplace(key, Text{std::move(text), size}).first;
    }
    return found->second;
  }

  QFont font_;
  bool asImages_;
  std::unordered_map<long, Text> texts_;
  std::unordered_map<std::pair<long, QRgb>, QImage, KeyHash> images_;
};

void paintSoundings(QPainter& painter, const FeatureRecord& feature, const DisplayState& display,
                    const ViewState& view, SoundingTexts& texts) {
  for (const SpatialPointerEntry* spatial : feature.spatialPointers) {
    if (spatial->target == nullptr) continue;
    for (const Sounding sounding : spatial->target->soundings()) {
      const PixelPoint at = metresToPixel(view, degreesToMetres(view, sounding.x, sounding.y));
      texts.draw(painter, sounding.z,
                 sounding.z <= display.depthContours.safety ? kShallowSounding : kDeepSounding, at);
    }
  }
}

}  // namespace

NameCounts paintChart(QPainter& painter, const DisplayState& display, const ViewState& view,
                      const DrawnGeometry* geometry, const RenderOptions& options) {
  if (display.currentDataset == nullptr) return {};
  std::optional<DrawnGeometry> assembled;
  if (geometry == nullptr) geometry = &assembled.emplace(display);
  // What lies farther out than a pixel beyond the window is not drawn.
  const Bounds visible = visibleDegrees(view, view.window, 2);
  QPolygon polygon;  // reused by every area and line
  // Bottom to top: areas, shore lines, depth lines and contours, soundings,
  // names. A chart of the project's own classes only draws the last three.
  painter.save();
  painter.setPen(Qt::NoPen);
  forEachVisible(*geometry, kDepthAreas, visible, [&](const DrawnFeature& d) {
    const std::optional<double> drval1 = attributeValue(*d.feature, kDrval1Code);
    paintArea(painter, *geometry, d,
              bandColour(depthBandOf(drval1.value_or(-1.0), display.depthContours)), view, polygon);
  });
  forEachVisible(*geometry, kUnsurveyed, visible, [&](const DrawnFeature& d) {
    paintArea(painter, *geometry, d, kUnsurveyedColour, view, polygon);
  });
  forEachVisible(*geometry, kLand, visible, [&](const DrawnFeature& d) {
    paintArea(painter, *geometry, d, kLandColour, view, polygon);
  });
  painter.restore();
  painter.setPen(QPen(kShoreLineColour, 0, Qt::SolidLine));
  forEachVisible(*geometry, kShoreLines, visible,
                 [&](const DrawnFeature& d) { paintLines(painter, *geometry, d, view, polygon); });
  forEach(display, kDepthLines, [&](const FeatureRecord& f) {
    paintDepthLine(painter, f, display.valdcoRange, view, options.wideDepthLines);
  });
  // Contours by colour, so that the pen changes once per colour.
  std::vector<std::pair<QRgb, std::vector<const DrawnFeature*>>> contours;
  forEachVisible(*geometry, kDepthContours, visible, [&](const DrawnFeature& d) {
    const QRgb colour = depthColour(depthValue(*d.feature), display.valdcoRange).rgb();
    auto group = std::find_if(contours.begin(), contours.end(),
                              [colour](const auto& g) { return g.first == colour; });
    if (group == contours.end()) group = contours.insert(contours.end(), {colour, {}});
    group->second.push_back(&d);
  });
  for (const auto& [colour, features] : contours) {
    painter.setPen(depthPen(QColor::fromRgb(colour), options.wideDepthLines));
    for (const DrawnFeature* d : features)
      paintLines(painter, *geometry, *d, view, polygon);
  }
  if (display.displayChains[kSoundings].head != nullptr) {
    painter.save();
    QFont font = painter.font();
    if (font.pointSizeF() > 0) {
      font.setPointSizeF(font.pointSizeF() * kSoundingFontScale);
    } else {
      font.setPixelSize(std::max(1, static_cast<int>(font.pixelSize() * kSoundingFontScale)));
    }
    painter.setFont(font);
    SoundingTexts texts(font, painter.deviceTransform().isIdentity());
    forEach(display, kSoundings,
            [&](const FeatureRecord& f) { paintSoundings(painter, f, display, view, texts); });
    painter.restore();
  }
  NamePainter names(painter, view, options.declutterNames);
  for (const int chain : {kAreaNames, kPlaceNames}) {
    forEach(display, chain, [&](const FeatureRecord& f) { names.paint(f); });
  }
  return names.counts();
}

}  // namespace abys
