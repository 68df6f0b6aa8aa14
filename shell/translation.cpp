#include "translation.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
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
  if (!translator->isEmpty()) installQtCatalogue(*translator);
  return translator;
}

QTranslator* installQtCatalogue(QTranslator& ours) {
  auto* qt = new QTranslator(&ours);
  const QString name = QString::fromLatin1(kQtCatalogueName);
  if (!qt->load(name, QFileInfo(ours.filePath()).absolutePath()) &&
      !qt->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete qt;
    return nullptr;
  }
  QCoreApplication::installTranslator(qt);
  return qt;
}

}  // namespace abys
