#pragma once
// What the program sets up once: the rules of the process, the application object, and what it
// loads after the application object exists and before the window.

#include <QApplication>
#include <exception>

class QCoreApplication;

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
};

// Ends the program after `error` escaped from an event handler or from the start-up code.
void endAfterException(std::exception_ptr error);

// Loads Qt's own Japanese texts, so that standard buttons read はい, いいえ, キャンセル, 開く,
// 保存; false when the translation file is not installed (the buttons then stay English).
// Repeated calls load nothing more.
bool installJapaneseTranslations(QCoreApplication &application);
