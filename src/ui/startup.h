#pragma once
// What the program sets up once: the rules of the process, the application object, and what it
// loads after the application object exists and before the window.

#include <QApplication>
#include <QString>
#include <QStringList>
#include <exception>

class QCoreApplication;
class TZnMainForm;

// The process-wide rules, set before anything else: a failed allocation ends the program by the
// out-of-memory rule, and a write past the file-size limit fails (and is reported) instead of
// ending the program by its signal.
void installProcessRules();

// The program's application object. An exception that escapes an event handler ends the program:
// a failed allocation by the out-of-memory rule, anything else after a box that tells what happened.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override;

    // Ends the program after `error` escaped from an event handler or from the start-up code. The
    // box is shown once: an error escaping while it is up ends the program without another.
    void endAfterException(std::exception_ptr error);

private:
    bool ending_ = false;
};

// Loads Qt's own Japanese texts, so that standard buttons read はい, いいえ, キャンセル, 開く,
// 保存; false when the translation file is not installed (the buttons then stay English).
// Repeated calls load nothing more.
bool installJapaneseTranslations(QCoreApplication &application);

// What the command line asks for.
struct StartOptions {
    // "--kifu": the move list opens beside the window.
    bool kifuWindow = false;
    // The record file to open (the first word that is not an option); empty for none.
    QString recordFile;
    // "--engine PATH": the engine 検討 uses first in this run, never stored.
    QString enginePath = {};
};

// Reads the words after the program name: "--kifu", "--engine PATH", then the first other word (or
// the first after "--") names a record file, given as a path or a "file:" address. Other options are
// ignored.
StartOptions parseStartOptions(const QStringList &words);

// Loads what the program needs before its window: Qt's Japanese texts, the font substitutes and
// the window icon.
void prepareApplication(QApplication &application);

// Shows the window as the program starts: the move list when asked, and the record file opened
// after the first paint. A file that cannot be read leaves the new game on the board and the
// reason in the status bar.
void startWindow(TZnMainForm &window, const StartOptions &options);
