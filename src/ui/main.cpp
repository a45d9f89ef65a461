// Program start: the process rules, the application with its Japanese texts, the window.

#include <QApplication>
#include <QIcon>
#include <exception>

#include "ui/mainform.h"
#include "ui/render.h"
#include "ui/startup.h"

int main(int, char **argv) {
    installProcessRules();
    // The program takes no arguments: the application object sees the program name only.
    int argumentCount = 1;
    char *arguments[] = {argv[0], nullptr};
    TApplication application(argumentCount, arguments);
    try {
        installJapaneseTranslations(application);
        installFontSubstitutes();
        QIcon icon(QStringLiteral(":/icons/nagishogi-256.png"));
        icon.addFile(QStringLiteral(":/icons/nagishogi-48.png"));
        TApplication::setWindowIcon(icon);
        TZnMainForm window;
        window.show();
        TApplication::exec();
    } catch (...) {
        endAfterException(std::current_exception());
    }
    return 0;
}
