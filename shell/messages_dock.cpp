#include "messages_dock.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdarg>

#include "checks.h"
#include "field_types.h"

using namespace abys;

namespace {

QString translated(const char* text) {
  return QCoreApplication::translate("MessagesDock", text);
}

struct CodeText {
  int code;
  const char* text;
};

// What each code of the load and the checks means, in code order.
constexpr CodeText kCodeTexts[] = {
    {kSnapshotFailed, QT_TRANSLATE_NOOP("MessagesDock", "memory ran out; the checks stopped")},
    {kFieldOutOfOrder, QT_TRANSLATE_NOOP("MessagesDock", "field out of order, read on past it")},
    {kDuplicateFeatureId, QT_TRANSLATE_NOOP("MessagesDock", "feature identifier used twice")},
    {kDuplicateVectorId, QT_TRANSLATE_NOOP("MessagesDock", "vector identifier used twice")},
    {kLineOrAreaNotOnEdge,
     QT_TRANSLATE_NOOP("MessagesDock",
                       "line or area feature points to a record other than an edge")},
    {kPointNotOnNode,
     QT_TRANSLATE_NOOP("MessagesDock", "point feature points to a record other than a node")},
    {kMissingTarget, QT_TRANSLATE_NOOP("MessagesDock", "pointer to a record that does not exist")},
    {kRepeatedPointer, QT_TRANSLATE_NOOP("MessagesDock", "the same pointer repeated")},
    {kEdgePointsAtNonNode,
     QT_TRANSLATE_NOOP("MessagesDock", "edge points to a record other than a connected node")},
    {kEdgeTooManyNodes, QT_TRANSLATE_NOOP("MessagesDock", "edge with too many nodes")},
    {kEdgeTooFewNodes, QT_TRANSLATE_NOOP("MessagesDock", "edge with too few nodes")},
    {kLoopEdgeTooShort, QT_TRANSLATE_NOOP("MessagesDock", "loop edge too short")},
    {kFirstNotBeginning, QT_TRANSLATE_NOOP("MessagesDock", "first node is not the beginning node")},
    {kSecondNotEnd, QT_TRANSLATE_NOOP("MessagesDock", "second node is not the end node")},
    {kConnectedNodeHasPointers, QT_TRANSLATE_NOOP("MessagesDock", "connected node with pointers")},
    {kIsolatedNodeHasPointers, QT_TRANSLATE_NOOP("MessagesDock", "isolated node with pointers")},
    {kSoundingsOnEdgeOrNode, QT_TRANSLATE_NOOP("MessagesDock", "soundings on an edge or a node")},
    {kNodeManyCoordinates, QT_TRANSLATE_NOOP("MessagesDock", "node with several coordinates")},
    {kIsolatedNodeNoCoordinates,
     QT_TRANSLATE_NOOP("MessagesDock", "isolated node without coordinates")},
    {kIsolatedNodeBothKinds,
     QT_TRANSLATE_NOOP("MessagesDock", "isolated node with both 2-D and 3-D coordinates")},
    {kConnectedNodeNoCoordinate,
     QT_TRANSLATE_NOOP("MessagesDock", "connected node without a coordinate")},
    {kUnreferencedIsolatedNode,
     QT_TRANSLATE_NOOP("MessagesDock", "isolated node that no feature uses")},
    {kUnreferencedConnectedNode,
     QT_TRANSLATE_NOOP("MessagesDock", "connected node that no edge uses")},
    {kUnreferencedEdge, QT_TRANSLATE_NOOP("MessagesDock", "edge that no feature uses")},
    {kNodeWithoutEdge, QT_TRANSLATE_NOOP("MessagesDock", "node without an edge")},
    {kEdgeOfSeveralLines, QT_TRANSLATE_NOOP("MessagesDock", "edge shared by line features")},
    {kSoundingOfSeveralPoints,
     QT_TRANSLATE_NOOP("MessagesDock", "sounding node shared by point features")},
    {kDuplicateFeature, QT_TRANSLATE_NOOP("MessagesDock", "duplicate feature")},
    {kLinesOnSameEdges, QT_TRANSLATE_NOOP("MessagesDock", "line features on the same edges")},
    {kAreasOnSamePointers, QT_TRANSLATE_NOOP("MessagesDock", "area features on the same edges")},
    {kLineBroken, QT_TRANSLATE_NOOP("MessagesDock", "line feature broken")},
    {kRingBroken, QT_TRANSLATE_NOOP("MessagesDock", "area ring broken")},
    {kFirstRingOpen, QT_TRANSLATE_NOOP("MessagesDock", "first ring of an area not closed")},
    {kLaterRingOpen, QT_TRANSLATE_NOOP("MessagesDock", "later ring of an area not closed")},
    {kNoPointers, QT_TRANSLATE_NOOP("MessagesDock", "feature without spatial pointers")},
};

QString codeMessage(int code) {
  for (const CodeText& entry : kCodeTexts) {
    if (entry.code == code) return translated(entry.text);
  }
  return {};
}

QString s58FindingsText(int count) {
  return QCoreApplication::translate("MessagesDock", "%n S-58 finding(s)", nullptr, count);
}

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString recordsText(const std::vector<RecordKey>& records) {
  QStringList names;
  for (const RecordKey& key : records)
    names << QString::fromStdString(recordName(key)).trimmed();
  return names.join(QLatin1Char(' '));
}

class NavigationKeys : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::ShortcutOverride) return QObject::eventFilter(watched, event);
    switch (static_cast<QKeyEvent*>(event)->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
      case Qt::Key_Home:
      case Qt::Key_End:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
      case Qt::Key_Plus:
      case Qt::Key_Minus:
      case Qt::Key_Equal:
        event->accept();  // delivered as a key press to the widget instead
        return true;
      default:
        return QObject::eventFilter(watched, event);
    }
  }
};

}  // namespace

namespace abys {

void keepNavigationKeys(QWidget* widget) {
  widget->installEventFilter(new NavigationKeys(widget));
}

LogFn OpenLog::loadLog() {
  return [this](const char* format, std::va_list args) { append(formatMessage(format, args)); };
}

void OpenLog::append(const std::string& text) {
  if (text_.size() >= kMaxTextBytes) return;
  text_ += text;
}

void OpenLog::announce(const char* text) {
  append(text);
}

void OpenLog::report(const Finding& finding) {
  ++counts_[finding.code];
  if (findings_.size() >= kMaxFindings) return;
  findings_.push_back(finding);
  std::string line = formatMessage("Error:%3d  Name: %s", finding.code,
                                   finding.record ? recordName(*finding.record).c_str() : "");
  if (finding.other) line += " Name: " + recordName(*finding.other);
  append(line + "\n");
}

bool failsTheChecks(int code) {
  static constexpr int kFailing[] = {kSnapshotFailed,
                                     kDuplicateFeatureId,
                                     kDuplicateVectorId,
                                     kLineOrAreaNotOnEdge,
                                     kPointNotOnNode,
                                     kMissingTarget,
                                     kEdgePointsAtNonNode,
                                     kEdgeTooManyNodes,
                                     kEdgeTooFewNodes,
                                     kNodeManyCoordinates,
                                     kIsolatedNodeNoCoordinates,
                                     kIsolatedNodeBothKinds,
                                     kConnectedNodeNoCoordinate,
                                     kLineBroken,
                                     kRingBroken,
                                     kFirstRingOpen,
                                     kLaterRingOpen};
  return std::find(std::begin(kFailing), std::end(kFailing), code) != std::end(kFailing);
}

std::vector<FindingRow> findingRows(const OpenLog& log, const OpenResult& result) {
  std::vector<FindingRow> rows;
  for (const Finding& finding : log.findings()) {
    FindingRow row;
    row.code = QString::number(finding.code);
    // A field out of order fails the load, read on past it or not.
    row.severity = failsTheChecks(finding.code) || finding.code == kFieldOutOfOrder
                       ? QStringLiteral("error")
                       : QStringLiteral("warning");
    row.message = codeMessage(finding.code);
    std::vector<RecordKey> records;
    if (finding.record) records.push_back(*finding.record);
    if (finding.other) records.push_back(*finding.other);
    row.records = recordsText(records);
    row.position = finding.position;
    row.record = finding.record;
    rows.push_back(std::move(row));
  }
  if (!result.s58) return rows;
  for (const S58Finding& finding : *result.s58) {
    FindingRow row;
    if (finding.check != nullptr) {
      row.code = fromUtf8(finding.check->number);
      row.severity = QString::fromLatin1(severityName(finding.check->severity));
      row.message = fromUtf8(finding.check->message);
    }
    row.records = recordsText(finding.records);
    row.object = fromUtf8(finding.object);
    if (!finding.foid.empty()) {
      row.object +=
          (row.object.isEmpty() ? QString() : QStringLiteral(" ")) + fromUtf8(finding.foid);
    }
    row.position = finding.position;
    if (!finding.records.empty()) row.record = finding.records.front();
    if (finding.geometry.kind == S58Geometry::Kind::MultiPoint) {
      // Points of one record are marked each on its own, not joined.
      for (const FindingPosition& point : finding.geometry.parts.front())
        row.geometry.push_back({point});
    } else {
      row.geometry = finding.geometry.parts;
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

QString openSummary(const QString& fileName, const OpenResult& result, const OpenLog& log) {
  QString what;
  switch (result.outcome) {
    case OpenOutcome::CannotOpen:
      what = translated(QT_TRANSLATE_NOOP("MessagesDock", "the file cannot be opened"));
      break;
    case OpenOutcome::NothingLoaded:
      what = translated(QT_TRANSLATE_NOOP("MessagesDock", "no S-57 record could be read"));
      break;
    case OpenOutcome::Cancelled:
      what = translated(QT_TRANSLATE_NOOP("MessagesDock", "an update file cancelled the cell"));
      break;
    case OpenOutcome::ChecksFailed: {
      QStringList codes;
      for (const auto& [code, count] : log.counts()) {
        if (!failsTheChecks(code)) continue;
        codes << (count > 1 ? QStringLiteral("%1 x%2").arg(code).arg(count)
                            : QString::number(code));
      }
      if (codes.isEmpty()) codes << QString::number(result.checkStatus);
      what = translated(QT_TRANSLATE_NOOP("MessagesDock", "the checks failed (%1)"))
                 .arg(codes.join(QStringLiteral(", ")));
      break;
    }
    case OpenOutcome::Opened:
      if (result.orderErrors > 0) {
        what = QCoreApplication::translate("MessagesDock",
                                           "read on past fields out of order in %n record(s)",
                                           nullptr, result.orderErrors);
        if (result.s58 && !result.s58->empty())
          what += QStringLiteral(", ") + s58FindingsText(static_cast<int>(result.s58->size()));
        break;
      }
      if (!result.s58 || result.s58->empty()) return {};
      what = s58FindingsText(static_cast<int>(result.s58->size()));
      break;
  }
  if (result.shownAnyway) {
    return translated(QT_TRANSLATE_NOOP("MessagesDock",
                                        "%1: %2; drawn as far as it can be; see "
                                        "Messages"))
        .arg(fileName, what);
  }
  return translated(QT_TRANSLATE_NOOP("MessagesDock", "%1: %2; see Messages")).arg(fileName, what);
}

}  // namespace abys

MessagesDock::MessagesDock(QWidget* parent) : QDockWidget(tr("Messages"), parent) {
  setObjectName(QStringLiteral("messagesDock"));
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable);
  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(2, 2, 2, 2);
  auto* split = new QSplitter(Qt::Vertical, body);
  log_ = new QPlainTextEdit(split);
  log_->setObjectName(QStringLiteral("messagesLog"));
  log_->setReadOnly(true);
  log_->setLineWrapMode(QPlainTextEdit::NoWrap);
  list_ = new QTreeWidget(split);
  list_->setObjectName(QStringLiteral("findingsList"));
  list_->setRootIsDecorated(false);
  list_->setUniformRowHeights(true);
  list_->setHeaderLabels({tr("Code"), tr("Class"), tr("Message"), tr("Records"), tr("Object")});
  list_->header()->setStretchLastSection(true);
  keepNavigationKeys(log_);
  keepNavigationKeys(list_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 2);
  column->addWidget(split);
  showAnyway_ = new QPushButton(tr("Show chart anyway"), body);
  showAnyway_->setObjectName(QStringLiteral("showAnywayButton"));
  showAnyway_->setVisible(false);
  column->addWidget(showAnyway_);
  setWidget(body);
  setMinimumWidth(360);

  connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (item == nullptr) return;
    emit findingChosen(item->data(0, Qt::UserRole).toInt());
  });
  connect(showAnyway_, &QPushButton::clicked, this, &MessagesDock::showAnywayRequested);
}

void MessagesDock::clear() {
  list_->clear();
  list_->setRootIsDecorated(false);
  log_->clear();
  rows_.clear();
  rowCells_.clear();
  showAnyway_->setVisible(false);
}

void MessagesDock::showOpen(const OpenResult& result, const OpenLog& log) {
  clear();
  rows_ = findingRows(log, result);
  rowCells_.assign(rows_.size(), std::nullopt);
  QString text = QString::fromStdString(log.text());
  if (log.findings().size() >= OpenLog::kMaxFindings)
    text += tr("(only the first %1 findings are listed)").arg(OpenLog::kMaxFindings) + '\n';
  text += updatedFeaturesText(result);
  if (result.s58)
    text += tr("S-58 checks: %n finding(s)", nullptr, static_cast<int>(result.s58->size())) + '\n';
  log_->setPlainText(text);
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows_.size()));
  for (size_t i = 0; i < rows_.size(); ++i) {
    const FindingRow& row = rows_[i];
    auto* item = new QTreeWidgetItem(
        QStringList{row.code, row.severity, row.message, row.records, row.object});
    item->setData(0, Qt::UserRole, static_cast<int>(i));
    items << item;
  }
  list_->addTopLevelItems(items);
  for (int column = 0; column < 4; ++column)
    list_->resizeColumnToContents(column);
}

void MessagesDock::showSet(const QString& text) {
  clear();
  list_->setRootIsDecorated(true);
  log_->setPlainText(text);
}

void MessagesDock::appendToLog(const QString& text) {
  log_->appendPlainText(text);
}

void MessagesDock::setCellFindings(size_t cell, const QString& name, const OpenResult& result,
                                   const OpenLog& log) {
  constexpr int kCellRole = Qt::UserRole + 1;
  // The group of the cell's earlier check goes; its rows stay unlisted.
  int at = list_->topLevelItemCount();
  for (int i = 0; i < list_->topLevelItemCount(); ++i) {
    const size_t other = list_->topLevelItem(i)->data(0, kCellRole).toULongLong();
    if (other == cell) {
      delete list_->takeTopLevelItem(i);
      at = i;
      break;
    }
    if (other > cell) {
      at = i;
      break;
    }
  }
  std::vector<FindingRow> rows = findingRows(log, result);
  if (rows.empty()) return;
  // The cell's name and count across the columns.
  auto* group = new QTreeWidgetItem(QStringList{
      name + QStringLiteral(": ") + tr("%n finding(s)", nullptr, static_cast<int>(rows.size()))});
  group->setData(0, Qt::UserRole, -1);
  group->setData(0, kCellRole, static_cast<qulonglong>(cell));
  for (FindingRow& row : rows) {
    auto* item = new QTreeWidgetItem(
        group, QStringList{row.code, row.severity, row.message, row.records, row.object});
    item->setData(0, Qt::UserRole, static_cast<int>(rows_.size()));
    rows_.push_back(std::move(row));
    rowCells_.push_back(cell);
  }
  list_->insertTopLevelItem(at, group);
  group->setFirstColumnSpanned(true);
}

std::optional<size_t> MessagesDock::cellOfRow(int row) const {
  if (row < 0 || static_cast<size_t>(row) >= rowCells_.size()) return std::nullopt;
  return rowCells_[static_cast<size_t>(row)];
}

QString MessagesDock::logText() const {
  return log_->toPlainText();
}

void MessagesDock::setShowAnywayOffered(bool offered) {
  showAnyway_->setVisible(offered);
}

QString MessagesDock::updatedFeaturesText(const OpenResult& result) {
  if (result.updatesApplied.empty()) return {};
  QString deleted;
  for (const ChangedFeature& feature : result.changedFeatures) {
    if (feature.change != FeatureChange::Deleted) continue;
    deleted += tr("Deleted by %1: %2")
                   .arg(QString::fromStdString(feature.file),
                        QString::fromStdString(changedFeatureName(feature))) +
               '\n';
  }
  const std::vector<ChangedFeature>& changed = result.changedFeatures;
  return tr("Features the updates inserted: %1, modified: %2, deleted: %3")
             .arg(countChanged(changed, FeatureChange::Inserted))
             .arg(countChanged(changed, FeatureChange::Modified))
             .arg(countChanged(changed, FeatureChange::Deleted)) +
         '\n' + deleted;
}
