#include "ui/startup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>
#include <QUrl>
#include <csignal>
#include <exception>
#include <new>

#include "support/report.h"
#include "ui/dialogs.h"
#include "ui/enginestore.h"
#include "ui/mainform.h"
#include "ui/render.h"

void installProcessRules() {
    installOutOfMemoryRule();
    // Saving checks every write, so a file that reaches the limit is a failed save, not a lost game.
    std::signal(SIGXFSZ, SIG_IGN);
}

bool TApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        endAfterException(std::current_exception());
    }
    return false;
}

void TApplication::endAfterException(std::exception_ptr error) {
    QString message;
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc &) {
        // Qt reports its own failed allocations by throwing: the rule is the same as for ours.
        endOutOfMemory();
    } catch (const std::exception &escaped) {
        message = QString::fromLocal8Bit(escaped.what());
    } catch (...) {
        message = QStringLiteral("不明なエラーが発生しました");
    }
    if (ending_) return;
    ending_ = true;
    showExceptionBox(message);
    QCoreApplication::exit(0);
}

bool installJapaneseTranslations(QCoreApplication &application) {
    // Owned by the application object, so it goes (and may be loaded again) with it; its name
    // tells a second call that it is there.
    const QString name = QStringLiteral("qtbase_ja");
    if (application.findChild<QTranslator *>(name, Qt::FindDirectChildrenOnly) != nullptr) return true;
    // The program's texts are all Japanese, whatever the user's locale, so its buttons are too.
    auto translator = new QTranslator(&application);
    translator->setObjectName(name);
    if (!translator->load(name, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

StartOptions parseStartOptions(const QStringList &words) {
    StartOptions options;
    bool optionsEnded = false;
    bool engineNext = false;
    for (const QString &word : words) {
        if (engineNext) {
            options.enginePath = word;
            engineNext = false;
        } else if (!optionsEnded && word == QStringLiteral("--engine")) {
            engineNext = true;
        } else if (!optionsEnded && word == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && word == QStringLiteral("--kifu")) {
            options.kifuWindow = true;
        } else if (!optionsEnded && word.startsWith(QLatin1Char('-'))) {
            continue;
        } else if (options.recordFile.isEmpty()) {
            // Some launchers pass an address where the desktop entry asks for a path.
            const QUrl address(word);
            options.recordFile = word.startsWith(QStringLiteral("file:")) && address.isLocalFile()
                                     ? address.toLocalFile()
                                     : word;
        }
    }
    return options;
}

void prepareApplication(QApplication &application) {
    installJapaneseTranslations(application);
    installFontSubstitutes();
    QIcon icon(QStringLiteral(":/icons/nagishogi-256.png"));
    icon.addFile(QStringLiteral(":/icons/nagishogi-48.png"));
    QApplication::setWindowIcon(icon);
}

void startWindow(TZnMainForm &window, const StartOptions &options) {
    if (!options.enginePath.isEmpty())
        window.engineStore().setCommandLineEngine(QFileInfo(options.enginePath).absoluteFilePath());
    window.restoreViewSettings();
    window.show();
    if (options.kifuWindow) window.showKifuWindow();
    if (!options.recordFile.isEmpty()) window.openAtStart(options.recordFile);
}
