#include "depth_settings.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QPushButton>
#include <QSettings>

using namespace abys;

namespace {

constexpr double kMaxDepth = 12000.0;

QDoubleSpinBox* depthField(double value, QWidget* parent) {
  auto* field = new QDoubleSpinBox(parent);
  field->setRange(0.0, kMaxDepth);
  field->setDecimals(1);
  field->setValue(value);
  return field;
}

const QString kOrganization = QStringLiteral("ABYS");
const QString kApplication = QStringLiteral("abys");

bool ordered(const DepthContours& c) {
  return inOrder(c) && c.deep <= kMaxDepth;
}

}  // namespace

DepthSettingsDialog::DepthSettingsDialog(const DepthContours& contours, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Depth settings"));
  shallow_ = depthField(contours.shallow, this);
  safety_ = depthField(contours.safety, this);
  deep_ = depthField(contours.deep, this);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* form = new QFormLayout(this);
  form->addRow(tr("Shallow contour (m):"), shallow_);
  form->addRow(tr("Safety contour (m):"), safety_);
  form->addRow(tr("Deep contour (m):"), deep_);
  form->addRow(buttons_);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  for (QDoubleSpinBox* field : {shallow_, safety_, deep_}) {
    connect(field, &QDoubleSpinBox::valueChanged, this, &DepthSettingsDialog::updateAcceptable);
  }
  updateAcceptable();
}

DepthContours DepthSettingsDialog::contours() const {
  return {shallow_->value(), safety_->value(), deep_->value()};
}

void DepthSettingsDialog::updateAcceptable() {
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(ordered(contours()));
}

namespace abys {

DepthContours loadDepthContours() {
  const QSettings stored(kOrganization, kApplication);
  const DepthContours defaults;
  const DepthContours read{
      stored.value(QStringLiteral("depths/shallow"), defaults.shallow).toDouble(),
      stored.value(QStringLiteral("depths/safety"), defaults.safety).toDouble(),
      stored.value(QStringLiteral("depths/deep"), defaults.deep).toDouble()};
  return ordered(read) ? read : defaults;
}

void saveDepthContours(const DepthContours& contours) {
  QSettings stored(kOrganization, kApplication);
  stored.setValue(QStringLiteral("depths/shallow"), contours.shallow);
  stored.setValue(QStringLiteral("depths/safety"), contours.safety);
  stored.setValue(QStringLiteral("depths/deep"), contours.deep);
}

bool loadApplyUpdates() {
  return QSettings(kOrganization, kApplication)
      .value(QStringLiteral("updates/apply"), true)
      .toBool();
}

void saveApplyUpdates(bool apply) {
  QSettings(kOrganization, kApplication).setValue(QStringLiteral("updates/apply"), apply);
}

}  // namespace abys
