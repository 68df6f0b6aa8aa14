#include "chart_render.h"

#include <QPen>
#include <QPolygon>
#include <algorithm>

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

void paintChart(QPainter& painter, const DisplayState& display, const ViewState& view) {
  if (display.currentDataset == nullptr) return;
  for (int displayClass = 0; displayClass < kDisplayClassCount; ++displayClass) {
    for (const FeatureRecord* feature = display.displayChains[displayClass].head;
         feature != nullptr; feature = feature->nextInClass) {
      if (displayClass == kDepthLines) {
        paintDepthLine(painter, *feature, display.valdcoRange, view);
      } else if (displayClass == 1 || displayClass == 2) {
        paintName(painter, *feature, view);
      }
    }
  }
}

}  // namespace abys
