// Program start: the process rules, the application with its Japanese texts, the window.

#include <QApplication>
#include <QFile>
#include <QSize>
#include <QStringList>
#include <exception>

#include "ui/mainform.h"
#include "ui/startup.h"
#include "ui/zoom.h"

int main(int argc, char **argv) {
    installProcessRules();
    // File names arrive in the system's encoding, whatever Qt would make of them.
    QStringList words;
    for (int i = 1; i < argc; ++i) words << QFile::decodeName(argv[i]);
    // The application object sees the program name only.
    const int zoomPercent = applyStoredZoom();
    int argumentCount = 1;
    char *arguments[] = {argv[0], nullptr};
    TApplication application(argumentCount, arguments);
    try {
        const StartOptions options = parseStartOptions(words);
        prepareApplication(application);
        TZnMainForm window;
        // Room for the frame the window manager adds around the window.
        if (restartAtFittingZoom(zoomPercent, window.sizeHint() + QSize(16, 48), words)) return 0;
        startWindow(window, options);
        TApplication::exec();
    } catch (...) {
        application.endAfterException(std::current_exception());
    }
    return 0;
}
