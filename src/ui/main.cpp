// Program start: the out-of-memory rule, the application with its Japanese texts, the window.

#include <QApplication>
#include <QIcon>
#include <exception>
#include <string_view>

#include "support/report.h"
#include "ui/dialogs.h"
#include "ui/mainform.h"
#include "ui/render.h"
#include "ui/startup.h"

namespace {

// An exception that escapes an event handler is shown, and then the program ends.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            endWithMessage(QString::fromLocal8Bit(error.what()));
        } catch (...) {
            endWithMessage(QStringLiteral("不明なエラーが発生しました"));
        }
        return false;
    }

private:
    void endWithMessage(const QString &message) {
        if (ending_) return;
        ending_ = true;
        showExceptionBox(message);
        exit(0);
    }

    bool ending_ = false;
};

}  // namespace

int main(int argc, char **argv) {
    installOutOfMemoryRule();
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
    } catch (const std::exception &error) {
        showExceptionBox(QString::fromLocal8Bit(error.what()));
    }
    return 0;
}
