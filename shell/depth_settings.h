// The three safety contours: the dialog that edits them and their place in
// the user's settings; and the setting that applies update files.
#pragma once

#include <QDialog>

#include "display_state.h"

class QDoubleSpinBox;
class QDialogButtonBox;

// In the global namespace so that its translation context is
// "DepthSettingsDialog".
class DepthSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit DepthSettingsDialog(const abys::DepthContours& contours, QWidget* parent = nullptr);
  // What the fields hold; OK is offered only while shallow <= safety <= deep.
  abys::DepthContours contours() const;

 private:
  void updateAcceptable();

  QDoubleSpinBox* shallow_ = nullptr;
  QDoubleSpinBox* safety_ = nullptr;
  QDoubleSpinBox* deep_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};

namespace abys {

// The contours kept in the user's settings (QSettings "ABYS"/"abys", group
// "depths"); the defaults for those never set or out of order.
DepthContours loadDepthContours();
void saveDepthContours(const DepthContours& contours);

// Whether opening a NAME.000 applies the update files beside it (key
// "updates/apply"; on when never set).
bool loadApplyUpdates();
void saveApplyUpdates(bool apply);

}  // namespace abys
