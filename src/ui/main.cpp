// Program start: the process rules, the application with its Japanese texts, the window.

#include <QApplication>
#include <QIcon>
#include <exception>
#include <string_view>

#include "ui/mainform.h"
#include "ui/render.h"
#include "ui/startup.h"

int main(int argc, char **argv) {
    installProcessRules();
    // The one option opens the move list beside the window; anything else is ignored.
    bool kifuWindow = false;
    for (int i = 1; i < argc; ++i) kifuWindow = kifuWindow || std::string_view(argv[i]) == "--kifu";
    // The application object sees the program name only.
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
        if (kifuWindow) window.showKifuWindow();
        TApplication::exec();
    } catch (...) {
        endAfterException(std::current_exception());
    }
    return 0;
}
