#include "translation.h"

#include <QCoreApplication>
#include <QTranslator>

namespace abys {

QTranslator* installCatalogue(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  (void)translator->load(QString::fromLatin1(kCatalogueName), QStringLiteral("."));
  QCoreApplication::installTranslator(translator);
  return translator;
}

}  // namespace abys
