// What the last open said: its load and check log, and the findings of the
// checks and of the S-58 profile, in a dock of the main window; and the one
// line the status read-out gives a failed open.
#pragma once

#include <QDockWidget>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "chart_session.h"

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace abys {

// Everything an open says while it runs: the load messages and the check
// log as text, and each finding of the checks.
class OpenLog : public FindingReporter {
 public:
  // The sink for the load messages.
  LogFn loadLog();
  void announce(const char* text) override;
  void report(const Finding& finding) override;

  const std::string& text() const { return text_; }
  const std::vector<Finding>& findings() const { return findings_; }
  // How many findings of each code there were, kept ones or not.
  const std::map<int, uint64_t>& counts() const { return counts_; }

  // Beyond these the log and the list stop growing; the counts go on.
  static constexpr size_t kMaxTextBytes = size_t{4} << 20;
  static constexpr size_t kMaxFindings = 20000;

 private:
  void append(const std::string& text);

  std::string text_;
  std::vector<Finding> findings_;
  std::map<int, uint64_t> counts_;
};

// Whether a finding of code makes the checks fail (the others are warnings).
bool failsTheChecks(int code);

// One line of the findings list.
struct FindingRow {
  QString code;      // the check's code, or the S-58 check number
  QString severity;  // critical, error or warning
  QString message;
  QString records;  // record names, separated by blanks
  QString object;   // the named feature's class acronym and FOID, when known
  std::optional<FindingPosition> position;
  std::optional<RecordKey> record;                     // the named record
  std::vector<std::vector<FindingPosition>> geometry;  // its lines and rings, when known
};

// The findings of the checks, then those of the S-58 profile.
std::vector<FindingRow> findingRows(const OpenLog& log, const OpenResult& result);

// The status line of an open: why a failed one failed ("FILE: the checks
// failed (503 x2); see Messages"), the S-58 findings of a chart that opened
// with the profile on, else the empty text.
QString openSummary(const QString& fileName, const OpenResult& result, const OpenLog& log);

// Lets widget keep the arrow keys, Home, End, the page keys, + and - while
// it has the focus, rather than the View items whose shortcuts they are.
void keepNavigationKeys(QWidget* widget);

}  // namespace abys

// The dock: the log above, the findings list below. In the global namespace
// so that its translation context is "MessagesDock".
class MessagesDock : public QDockWidget {
  Q_OBJECT

 public:
  explicit MessagesDock(QWidget* parent = nullptr);

  // Shows what the last open said.
  void showOpen(const abys::OpenResult& result, const abys::OpenLog& log);
  void clear();

  // Of a set of cells: the log says text, and the list groups the
  // findings of each cell under its name, in the order of the cells.
  void showSet(const QString& text);
  void appendToLog(const QString& text);
  // The findings of a cell's latest check, in place of those before.
  void setCellFindings(size_t cell, const QString& name, const abys::OpenResult& result,
                       const abys::OpenLog& log);
  // The cell a row of a set's findings belongs to; none for a single cell.
  std::optional<size_t> cellOfRow(int row) const;

  const std::vector<abys::FindingRow>& rows() const { return rows_; }
  QString logText() const;
  // Whether the last open failed its checks with records left to draw.
  void setShowAnywayOffered(bool offered);

 signals:
  // The user chose rows()[row].
  void findingChosen(int row);
  void showAnywayRequested();

 private:
  // What the applied updates did to the features, when any were applied:
  // how many they inserted, modified and deleted, then a line for each
  // feature deleted, naming it and the update file that deleted it.
  static QString updatedFeaturesText(const abys::OpenResult& result);

  QPlainTextEdit* log_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QPushButton* showAnyway_ = nullptr;
  std::vector<abys::FindingRow> rows_;
  std::vector<std::optional<size_t>> rowCells_;  // by row
};
