// The cells of the open chart, a row each: name, usage band, compilation
// scale, edition and last update applied, issue date and check status;
// sortable by any column and filtered by a text. Choosing a row asks for
// the view on that cell; Check all asks for a check of every cell, which
// the dock follows row by row and which can be cancelled.
#pragma once

#include <QDockWidget>
#include <QString>
#include <vector>

#include "chart_session.h"

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

// What the Status column says of a cell.
struct CellStatus {
  enum class State { NotChecked, Checking, Passed, Failed };
  State state = State::NotChecked;
  QString reason;      // why it failed
  QString s58Counts;   // the S-58 findings by class, when the profile ran
  QString lastUpdate;  // the number of the last update file the check applied
};

// The number of the last update file applied ("0" for none): the extension
// of the last one.
QString lastUpdateApplied(const abys::OpenResult& result);

// The Status column's text: "not yet checked", "checking", "passed",
// "failed: REASON", each followed by "; S-58: ..." when there are counts.
QString statusText(const CellStatus& status);

// The S-58 findings of a check counted by class: "2 critical, 5 errors,
// 1 warning"; "no findings" for none.
QString s58CountsText(const std::vector<abys::S58Finding>& findings);

// In the global namespace so that its translation context is "CellsDock".
class CellsDock : public QDockWidget {
  Q_OBJECT

 public:
  explicit CellsDock(QWidget* parent = nullptr);

  // One row per cell of session, each not yet checked.
  void showCells(const abys::ChartSession& session);
  void clear();
  // The row of cell index follows what the session now knows of it.
  void updateCell(const abys::ChartSession& session, size_t index);
  void setStatus(size_t index, const CellStatus& status);
  const CellStatus& status(size_t index) const { return statuses_.at(index); }
  // Checking all: the button turns to Cancel and the bar counts the cells.
  void setChecking(bool checking, int total = 0);
  void setChecked(int done);

  // Rows shown (those the filter leaves), in the order shown: each the
  // cell's index.
  std::vector<size_t> shownCells() const;
  QTableWidget* table() const { return table_; }
  QLineEdit* filter() const { return filter_; }

 signals:
  void cellChosen(size_t index);
  void checkAllRequested();
  void cancelRequested();

 private:
  void applyFilter();
  int rowOf(size_t index) const;

  QLineEdit* filter_ = nullptr;
  QTableWidget* table_ = nullptr;
  QPushButton* check_ = nullptr;
  QProgressBar* progress_ = nullptr;
  std::vector<CellStatus> statuses_;
  bool checking_ = false;
};
