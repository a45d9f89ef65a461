#include "ui/startup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

bool installJapaneseTranslations(QCoreApplication &application) {
    // Owned by the application object, so it goes (and may be loaded again) with it.
    static QPointer<QTranslator> installed;
    if (installed) return true;
    // The program's texts are all Japanese, whatever the user's locale, so its buttons are too.
    auto translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}
