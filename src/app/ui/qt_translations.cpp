#include "app/ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace klv {

std::unique_ptr<QTranslator> InstallQtTranslations(Language language) {
  if (language != Language::Japanese) return nullptr;
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  QCoreApplication::installTranslator(translator.get());
  return translator;
}

}  // namespace klv
