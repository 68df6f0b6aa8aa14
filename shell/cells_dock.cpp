#include "cells_dock.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <map>

using namespace abys;

namespace {

enum Column { kName, kBand, kScale, kEdition, kUpdate, kIssued, kStatus, kColumns };

// Numbers sort as numbers, texts as texts.
QTableWidgetItem* item(const QVariant& value) {
  auto* cell = new QTableWidgetItem();
  cell->setData(Qt::DisplayRole, value);
  cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  return cell;
}

QString lastUpdate(const ChartCell& cell) {
  if (cell.state != ChartCell::State::Loaded && cell.state != ChartCell::State::Failed) return {};
  if (cell.result.updatesApplied.empty()) return QStringLiteral("0");
  const std::string& file = cell.result.updatesApplied.back();
  const size_t dot = file.rfind('.');
  return QString::fromStdString(dot == std::string::npos ? file : file.substr(dot + 1));
}

QString issued(const std::string& date) {
  if (date.size() != 8) return QString::fromStdString(date);
  return QString::fromStdString(date.substr(0, 4) + "-" + date.substr(4, 2) + "-" +
                                date.substr(6, 2));
}

}  // namespace

QString lastUpdateApplied(const OpenResult& result) {
  if (result.updatesApplied.empty()) return QStringLiteral("0");
  const std::string& file = result.updatesApplied.back();
  const size_t dot = file.rfind('.');
  return QString::fromStdString(dot == std::string::npos ? file : file.substr(dot + 1));
}

QString statusText(const CellStatus& status) {
  QString text;
  switch (status.state) {
    case CellStatus::State::NotChecked:
      text = CellsDock::tr("not yet checked");
      break;
    case CellStatus::State::Checking:
      text = CellsDock::tr("checking");
      break;
    case CellStatus::State::Passed:
      text = CellsDock::tr("passed");
      break;
    case CellStatus::State::Failed:
      text = CellsDock::tr("failed: %1").arg(status.reason);
      break;
  }
  if (!status.s58Counts.isEmpty()) text += QStringLiteral("; S-58: ") + status.s58Counts;
  return text;
}

QString s58CountsText(const std::vector<S58Finding>& findings) {
  if (findings.empty()) return CellsDock::tr("no findings");
  std::map<int, int> bySeverity;
  for (const S58Finding& finding : findings) {
    if (finding.check != nullptr) ++bySeverity[static_cast<int>(finding.check->severity)];
  }
  QStringList parts;
  for (const auto& [severity, count] : bySeverity) {
    parts << QStringLiteral("%1 %2").arg(count).arg(
        QString::fromLatin1(severityName(static_cast<Severity>(severity))));
  }
  return parts.join(QStringLiteral(", "));
}

CellsDock::CellsDock(QWidget* parent) : QDockWidget(tr("Cells"), parent) {
  setObjectName(QStringLiteral("cellsDock"));
  setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetFloatable);
  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(2, 2, 2, 2);
  filter_ = new QLineEdit(body);
  filter_->setObjectName(QStringLiteral("cellsFilter"));
  filter_->setPlaceholderText(tr("Filter"));
  filter_->setClearButtonEnabled(true);
  column->addWidget(filter_);
  table_ = new QTableWidget(0, kColumns, body);
  table_->setObjectName(QStringLiteral("cellsTable"));
  table_->setHorizontalHeaderLabels({tr("Cell"), tr("Band"), tr("Scale"), tr("Edition"),
                                     tr("Update"), tr("Issued"), tr("Status")});
  table_->verticalHeader()->hide();
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setSortingEnabled(true);
  column->addWidget(table_, 1);
  auto* row = new QHBoxLayout();
  check_ = new QPushButton(tr("Check all"), body);
  check_->setObjectName(QStringLiteral("checkAllButton"));
  progress_ = new QProgressBar(body);
  progress_->setObjectName(QStringLiteral("checkProgress"));
  progress_->hide();
  row->addWidget(check_);
  row->addWidget(progress_, 1);
  column->addLayout(row);
  setWidget(body);
  setMinimumWidth(640);

  connect(filter_, &QLineEdit::textChanged, this, &CellsDock::applyFilter);
  connect(table_, &QTableWidget::currentCellChanged, this, [this](int current) {
    if (current < 0) return;
    const QTableWidgetItem* name = table_->item(current, kName);
    if (name != nullptr) emit cellChosen(name->data(Qt::UserRole).toULongLong());
  });
  connect(check_, &QPushButton::clicked, this, [this] {
    if (checking_) {
      emit cancelRequested();
    } else {
      emit checkAllRequested();
    }
  });
}

void CellsDock::clear() {
  table_->setRowCount(0);
  statuses_.clear();
  setChecking(false);
}

void CellsDock::showCells(const ChartSession& session) {
  clear();
  table_->setSortingEnabled(false);
  table_->setRowCount(static_cast<int>(session.cellCount()));
  statuses_.assign(session.cellCount(), {});
  for (size_t i = 0; i < session.cellCount(); ++i) {
    auto* name = item(QString());
    name->setData(Qt::UserRole, static_cast<qulonglong>(i));
    table_->setItem(static_cast<int>(i), kName, name);
    for (int c = kBand; c < kColumns; ++c)
      table_->setItem(static_cast<int>(i), c, item(QString()));
    updateCell(session, i);
  }
  // In the set's order until a header is clicked.
  table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  table_->setSortingEnabled(true);
  table_->resizeColumnsToContents();
}

int CellsDock::rowOf(size_t index) const {
  for (int row = 0; row < table_->rowCount(); ++row) {
    const QTableWidgetItem* name = table_->item(row, kName);
    if (name != nullptr && name->data(Qt::UserRole).toULongLong() == index) return row;
  }
  return -1;
}

void CellsDock::updateCell(const ChartSession& session, size_t index) {
  if (index >= session.cellCount() || index >= statuses_.size()) return;
  const int row = rowOf(index);
  if (row < 0) return;
  const ChartCell& cell = session.cell(index);
  const bool sorting = table_->isSortingEnabled();
  table_->setSortingEnabled(false);
  table_->item(row, kName)->setText(QString::fromStdString(cell.header.name));
  table_->item(row, kName)->setToolTip(QString::fromStdString(cell.input.path));
  table_->item(row, kBand)->setData(Qt::DisplayRole, cell.header.usageBand);
  table_->item(row, kScale)->setData(Qt::DisplayRole, static_cast<qulonglong>(cell.header.scale));
  table_->item(row, kEdition)->setText(QString::fromStdString(cell.header.edition));
  const QString update = lastUpdate(cell);
  if (!update.isEmpty() || statuses_[index].lastUpdate.isEmpty())
    table_->item(row, kUpdate)->setText(update.isEmpty() ? statuses_[index].lastUpdate : update);
  table_->item(row, kIssued)->setText(issued(cell.header.issueDate));
  // A cell built for the view has had its checks.
  CellStatus& status = statuses_[index];
  if (status.state == CellStatus::State::NotChecked) {
    if (cell.state == ChartCell::State::Loaded && cell.result.opened()) {
      status.state = CellStatus::State::Passed;
    } else if (cell.state == ChartCell::State::Failed || cell.result.shownAnyway) {
      status.state = CellStatus::State::Failed;
      status.reason = QString::fromStdString(failureReason(cell.result));
    }
    if (cell.result.s58 && status.state != CellStatus::State::NotChecked)
      status.s58Counts = s58CountsText(*cell.result.s58);
  }
  table_->item(row, kStatus)->setText(statusText(status));
  table_->setSortingEnabled(sorting);
  applyFilter();
}

void CellsDock::setStatus(size_t index, const CellStatus& status) {
  if (index >= statuses_.size()) return;
  statuses_[index] = status;
  const int row = rowOf(index);
  if (row >= 0) {
    table_->item(row, kStatus)->setText(statusText(status));
    if (!status.lastUpdate.isEmpty()) table_->item(row, kUpdate)->setText(status.lastUpdate);
  }
  applyFilter();
}

void CellsDock::setChecking(bool checking, int total) {
  if (checking_ && !checking) table_->resizeColumnsToContents();
  checking_ = checking;
  check_->setText(checking ? tr("Cancel") : tr("Check all"));
  progress_->setVisible(checking);
  progress_->setRange(0, total);
  progress_->setValue(0);
}

void CellsDock::setChecked(int done) {
  progress_->setValue(done);
}

void CellsDock::applyFilter() {
  const QString text = filter_->text().trimmed();
  for (int row = 0; row < table_->rowCount(); ++row) {
    bool shown = text.isEmpty();
    for (int c = 0; c < kColumns && !shown; ++c) {
      const QTableWidgetItem* cell = table_->item(row, c);
      shown = cell != nullptr && cell->text().contains(text, Qt::CaseInsensitive);
    }
    table_->setRowHidden(row, !shown);
  }
}

std::vector<size_t> CellsDock::shownCells() const {
  std::vector<size_t> cells;
  for (int row = 0; row < table_->rowCount(); ++row) {
    if (table_->isRowHidden(row)) continue;
    cells.push_back(table_->item(row, kName)->data(Qt::UserRole).toULongLong());
  }
  return cells;
}
