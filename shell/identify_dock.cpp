#include "identify_dock.h"

#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QResizeEvent>
#include <QTreeWidget>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "catalogue.h"
#include "feature_area.h"
#include "feature_line.h"
#include "messages_dock.h"
#include "procedures.h"
#include "symbol_images.h"

using namespace abys;

namespace {

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The value without the unit and field terminators a file may leave on it.
std::string_view trimmed(std::string_view value) {
  while (!value.empty() &&
         (value.back() == '\x1f' || value.back() == '\x1e' || value.back() == '\0')) {
    value.remove_suffix(1);
  }
  return value;
}

std::optional<int> number(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// The meanings of an enumeration or list value, "" when any is unknown.
QString meanings(uint16_t attl, std::string_view value) {
  QStringList found;
  size_t start = 0;
  while (start <= value.size()) {
    const size_t comma = value.find(',', start);
    const std::string_view item = value.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
    const std::optional<int> code = number(item);
    if (!code) return {};
    const std::optional<std::string_view> meaning = catalogue::expectedValue(attl, *code);
    if (!meaning) return {};
    found << fromUtf8(*meaning);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return found.join(QStringLiteral(", "));
}

std::vector<GeoPoint> geoPoints(const std::vector<LinePoint>& points) {
  std::vector<GeoPoint> line;
  line.reserve(points.size());
  for (const LinePoint& p : points)
    line.push_back({p.x, p.y});
  return line;
}

}  // namespace

namespace abys {

QString foidText(uint16_t agen, uint32_t fidn, uint16_t fids) {
  const std::optional<std::string_view> letters = catalogue::agency(agen);
  const QString producer = letters ? fromUtf8(*letters) : QString::number(agen);
  return QStringLiteral("%1 %2 %3")
      .arg(producer)
      .arg(fidn, 10, 10, QLatin1Char('0'))
      .arg(fids, 5, 10, QLatin1Char('0'));
}

QString attributeText(uint16_t attl, std::string_view value, bool national) {
  const catalogue::Attribute* attribute = catalogue::attribute(attl);
  const QString acronym = attribute != nullptr && !attribute->acronym.empty()
                              ? fromUtf8(attribute->acronym)
                              : QString::number(attl);
  value = trimmed(value);
  QString text;
  if (national) {
    // UCS-2, little-endian; an odd last byte is left out.
    for (size_t i = 0; i + 1 < value.size(); i += 2) {
      const auto low = static_cast<unsigned char>(value[i]);
      const auto high = static_cast<unsigned char>(value[i + 1]);
      text.append(QChar(static_cast<char16_t>(low | (high << 8))));
    }
    while (text.endsWith(QChar(0x1f)) || text.endsWith(QChar(0)))
      text.chop(1);
  } else {
    text = QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size()));
  }
  QString line = acronym + QStringLiteral(": ") + text;
  if (!national && attribute != nullptr && (attribute->type == 'E' || attribute->type == 'L')) {
    const QString meaning = meanings(attl, value);
    if (!meaning.isEmpty()) line += QStringLiteral(" (%1)").arg(meaning);
  }
  return line;
}

IdentifiedFeature identify(const FeatureRecord& feature, std::optional<GeoPoint> near) {
  IdentifiedFeature identified;
  const catalogue::ObjectClass* objectClass = catalogue::objectClass(feature.objl);
  const QString record = QString::fromStdString(recordName(kRcnmFeature, feature.rcid));
  identified.title =
      objectClass != nullptr
          ? QStringLiteral("%1 %2, %3")
                .arg(fromUtf8(objectClass->acronym), fromUtf8(objectClass->name), record)
          : QStringLiteral("%1, %2").arg(feature.objl).arg(record);
  identified.details << IdentifyDock::tr("Record: %1").arg(record)
                     << QStringLiteral("FOID: ") +
                            foidText(feature.agen, feature.fidn, feature.fids);
  for (const AttributeEntry* entry : feature.attributes) {
    identified.details << attributeText(
        entry->attl, std::string_view(entry->atvl, static_cast<size_t>(entry->atvlLength)), false);
  }
  for (const AttributeEntry* entry : feature.nationalAttributes()) {
    identified.details << attributeText(
        entry->attl, std::string_view(entry->atvl, static_cast<size_t>(entry->atvlLength)), true);
  }
  if (feature.prim == kPrimPoint) {
    // Longitude differences shrink toward the poles; near enough for a pick.
    const double shrink = near ? std::cos(near->lat * kRadiansPerDegree) : 1.0;
    double best = std::numeric_limits<double>::infinity();
    const auto consider = [&](double lon, double lat) {
      const double dx = near ? (lon - near->lon) * shrink : 0.0;
      const double dy = near ? lat - near->lat : 0.0;
      const double distance = dx * dx + dy * dy;
      if (identified.at && !(distance < best)) return;
      best = distance;
      identified.at = GeoPoint{lon, lat};
    };
    for (const SpatialPointerEntry* p : feature.spatialPointers) {
      if (p->target == nullptr) continue;
      for (const Coordinate c : p->target->coordinates)
        consider(c.x, c.y);
      for (const Sounding s : p->target->soundings())
        consider(s.x, s.y);
    }
  } else if (feature.prim == kPrimLine) {
    if (const std::optional<FeatureLine> line = assembleFeatureLine(feature))
      identified.lines.push_back(geoPoints(line->points));
  } else if (feature.prim == kPrimArea) {
    if (const std::optional<FeatureArea> area = assembleFeatureArea(feature)) {
      for (const FeatureRing& ring : area->rings)
        identified.lines.push_back(geoPoints(ring.points));
    }
  }
  return identified;
}

void describePortrayal(IdentifiedFeature& identified, const FeatureRecord& feature,
                       const portrayal::Portrayal& portrayal, ColourScheme scheme) {
  const auto found =
      std::find_if(portrayal.features().begin(), portrayal.features().end(),
                   [&](const portrayal::FeaturePortrayal& p) { return p.feature == &feature; });
  if (found == portrayal.features().end()) return;
  constexpr double kPixelsPerMillimetre = 96.0 / 25.4;
  for (const portrayal::Instruction& instruction : portrayal.instructions(*found)) {
    if (instruction.op == portrayal::Op::LightSector && identified.symbol.isNull()) {
      identified.symbol =
          symbolImage(portrayal::flareSymbol(instruction.args[2]), kPixelsPerMillimetre, 0, scheme)
              .image;
    } else if (instruction.op == portrayal::Op::Symbol && identified.symbol.isNull() &&
               instruction.args[0] != "SOUNDING") {
      BodyColours body;
      if (instruction.args.size() > 3) body = {instruction.args[2], instruction.args[3]};
      const double rotation =
          instruction.args.size() > 1 ? portrayal::parseNumber(instruction.args[1]) : 0.0;
      identified.symbol =
          symbolImage(instruction.args[0], kPixelsPerMillimetre, rotation, scheme, body).image;
    } else if (instruction.op == portrayal::Op::Text && instruction.args[8] == "23" &&
               (instruction.quoted & 1u) != 0) {
      // The light's description, written by its procedure.
      identified.details.insert(
          std::min<qsizetype>(2, identified.details.size()),
          IdentifyDock::tr("Light: %1").arg(QString::fromStdString(instruction.args[0])));
    }
  }
}

}  // namespace abys

IdentifyDock::IdentifyDock(QWidget* parent) : QDockWidget(tr("Identify"), parent) {
  setObjectName(QStringLiteral("identifyDock"));
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable);
  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("identifyList"));
  list_->setHeaderHidden(true);
  list_->setColumnCount(1);
  list_->setIconSize(QSize(32, 32));
  keepNavigationKeys(list_);
  setWidget(list_);
  setMinimumWidth(kReadableWidth);
  connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item == nullptr) return;
    // A detail line chooses its feature.
    while (item->parent() != nullptr)
      item = item->parent();
    emit featureChosen(list_->indexOfTopLevelItem(item));
  });
}

QSize IdentifyDock::sizeHint() const {
  QSize hint = QDockWidget::sizeHint();
  hint.setWidth(std::max(hint.width(), width_));
  return hint;
}

void IdentifyDock::resizeEvent(QResizeEvent* event) {
  QDockWidget::resizeEvent(event);
  // Docked, the main window's layout gives it its width; floating, the user.
  if (isFloating()) width_ = event->size().width();
}

void IdentifyDock::clear() {
  list_->clear();
  features_.clear();
}

void IdentifyDock::showFeatures(std::vector<IdentifiedFeature> features) {
  clear();
  features_ = std::move(features);
  if (features_.empty()) {
    auto* none = new QTreeWidgetItem(QStringList{tr("Nothing here")});
    none->setFlags(Qt::ItemIsEnabled);
    list_->addTopLevelItem(none);
    return;
  }
  for (const IdentifiedFeature& feature : features_) {
    auto* item = new QTreeWidgetItem(QStringList{feature.title});
    if (!feature.symbol.isNull()) item->setIcon(0, QIcon(QPixmap::fromImage(feature.symbol)));
    for (const QString& detail : feature.details)
      item->addChild(new QTreeWidgetItem(QStringList{detail}));
    list_->addTopLevelItem(item);
  }
  list_->topLevelItem(0)->setExpanded(true);
  list_->setCurrentItem(list_->topLevelItem(0));
}
