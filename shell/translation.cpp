#include "translation.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace abys {

QTranslator* installCatalogue(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  const QString name = QString::fromLatin1(kCatalogueName);
  if (!translator->load(name, QStringLiteral(".")) &&
      QLocale::system().language() == QLocale::Japanese) {
    (void)translator->load(name, QCoreApplication::applicationDirPath() +
                                     QString::fromLatin1(kInstalledCatalogueFolder));
  }
  QCoreApplication::installTranslator(translator);
  return translator;
}

}  // namespace abys
