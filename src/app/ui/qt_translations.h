#pragma once
// Qt's own texts (the Yes/No/Cancel buttons, the file dialogs, the standard
// context menus) in the program's user-interface language, so that a
// Japanese screen carries no English beside the program's own texts.
#include <memory>

#include "text/texts.h"

class QTranslator;

namespace klv {

// Installs Qt's translations for language into the application and returns
// the translator, which must live as long as they are used. Nothing for
// English, or when the translations are not installed (the texts stay
// English then; the Debian package qt6-translations-l10n holds them).
std::unique_ptr<QTranslator> InstallQtTranslations(Language language);

}  // namespace klv
