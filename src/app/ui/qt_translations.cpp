#include "app/ui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstring>

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
      struct Missing {
        const char* english;
        const char* japanese;
      };
      static constexpr Missing kMissing[] = {
          {"Folder", "フォルダ"}, {"Drive", "ドライブ"}, {"Shortcut", "ショートカット"}, {"Unknown", "不明"}};
      for (const Missing& text : kMissing) {
        if (std::strcmp(sourceText, text.english) == 0) return QString::fromUtf8(text.japanese);
      }
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
