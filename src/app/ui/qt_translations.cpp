#include "app/ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstring>
#include <string_view>

#include "text/texts.h"
#include "widgets/message_box.h"

namespace klv {
namespace {

// Qt's Japanese translations, plus the few texts of Qt 6's file dialogs that
// qtbase_ja has no entry for: the Type column of the file list would show
// "Folder" in English beside Japanese headings.
class JapaneseQtTranslator final : public QTranslator {
 public:
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override {
    if (context != nullptr && sourceText != nullptr && std::strcmp(context, "QAbstractFileIconProvider") == 0) {
      const std::string_view japanese = ToolkitJapanese(sourceText);
      if (!japanese.empty()) return ToQString(japanese);
    }
    return QTranslator::translate(context, sourceText, disambiguation, n);
  }
};

}  // namespace

std::unique_ptr<QTranslator> InstallQtTranslations(Language language) {
  if (language != Language::Japanese) return nullptr;
  auto translator = std::make_unique<JapaneseQtTranslator>();
  if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  QCoreApplication::installTranslator(translator.get());
  return translator;
}

}  // namespace klv
