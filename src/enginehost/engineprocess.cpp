#include "enginehost/engineprocess.h"

#include <sys/prctl.h>

#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "support/syserror.h"

namespace {

// Why the program could not be started, in Japanese. Qt gives only the system's words ("execvp:
// Exec format error"), so the error number behind them is found by its text.
QString startFailure(const QString &systemWords) {
    const QString text = systemWords.section(QStringLiteral(": "), -1);
    for (int error = 1; error < 134; ++error) {
        if (text != QString::fromLocal8Bit(std::strerror(error))) continue;
        switch (error) {
            case ENOEXEC: return QStringLiteral("実行できる形式のプログラムではありません");
            case ENOENT: return QStringLiteral("プログラムか、それを動かすインタプリタが見つかりません");
            case EACCES: return QStringLiteral("実行が許可されていません");
            default: return QString::fromStdString(systemErrorText(error));
        }
    }
    return systemWords;
}

}  // namespace

EngineProcess::EngineProcess(QObject *parent) : QObject(parent) {
    clock_.start();
    // Often enough for a watchdog measured in seconds, rarely enough to cost nothing.
    watchdog_.setInterval(100);
    connect(&watchdog_, &QTimer::timeout, this, &EngineProcess::tick);
}

EngineProcess::~EngineProcess() { dropProcess(); }

void EngineProcess::dropProcess() {
    watchdog_.stop();
    if (process_ == nullptr) return;
    process_->disconnect(this);
    if (process_->state() != QProcess::NotRunning) process_->kill();
    // QProcess reaps a killed child as it is destroyed; deleting later would keep a zombie until
    // the event loop comes back.
    delete process_;
    process_ = nullptr;
}

void EngineProcess::start(const QString &path, std::optional<EngineProfile> profile) {
    dropProcess();
    path_ = path;
    splitter_ = UsiLineSplitter();
    endReported_ = faultGiven_ = notedLong_ = notedGarbage_ = notedOverflow_ = notedFlood_ = false;
    floodWindowStart_ = now();
    floodLines_ = 0;
    session_ = std::make_unique<EngineSession>(profile ? *profile : profileFor(path.toStdString()),
                                               static_cast<EngineSessionHost &>(*this));
    const QFileInfo file(path);
    QString problem;
    if (path.isEmpty() || !file.exists())
        problem = QStringLiteral("エンジンが見つかりません: %1").arg(path);
    else if (!file.isFile() || !file.isExecutable())
        problem = QStringLiteral("エンジンを実行できません: %1").arg(path);
    if (!problem.isEmpty()) {
        emit fault(problem);
        session_->processEnded(now());
        endReported_ = true;
        emit ended();
        return;
    }
    process_ = new QProcess(this);
    process_->setProgram(file.absoluteFilePath());
    // Engines look for their evaluation files beside themselves.
    process_->setWorkingDirectory(file.absolutePath());
    process_->setStandardErrorFile(QProcess::nullDevice());
    // Should this program be killed before it can end the engine, the engine goes too: some
    // (gpsusi) do not end when their input closes.
    process_->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
    connect(process_, &QProcess::readyReadStandardOutput, this, &EngineProcess::readOutput);
    connect(process_, &QProcess::finished, this, &EngineProcess::processFinished);
    connect(process_, &QProcess::errorOccurred, this, &EngineProcess::processError);
    process_->start(QIODevice::ReadWrite);
    session_->start(now());
    watchdog_.start();
}

void EngineProcess::analyse(const std::string &positionCommand, const UsiGo &go) {
    if (session_) session_->analyse(positionCommand, go, now());
}

void EngineProcess::newGame() {
    if (session_) session_->newGame(now());
}

void EngineProcess::stopSearch() {
    if (session_) session_->stop(now());
}

void EngineProcess::setOption(const std::string &name, const std::string &value) {
    if (session_) session_->setOption(name, value, now());
}

void EngineProcess::quit() {
    if (session_) session_->quit(now());
}

void EngineProcess::gameOver(const std::string &result) {
    if (session_) session_->gameOver(result, now());
}

void EngineProcess::sendLine(const std::string &line) {
    if (!running()) return;
    // A value holding a line break would reach the engine as two commands, the second one unchecked.
    if (line.find_first_of("\r\n") != std::string::npos) {
        emit note(QStringLiteral("改行を含む行はエンジンに送りません: %1")
                      .arg(QString::fromStdString(line.substr(0, line.find_first_of("\r\n")))));
        return;
    }
    std::string bytes = line;
    bytes += '\n';
    process_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void EngineProcess::killProcess() {
    if (running()) process_->kill();
}

void EngineProcess::searchInfo(const UsiInfo &line) {
    if (line.overflow)
        noteOnce(notedOverflow_, QStringLiteral("エンジンが範囲を超える数を送ったので読み飛ばしました"));
    emit info(line);
}

void EngineProcess::searchEnded(const UsiBestMove &best) { emit bestMove(best); }

void EngineProcess::engineFault(const std::string &reason) {
    if (!faultGiven_) emit fault(QString::fromStdString(reason));
}

void EngineProcess::stateChanged(EngineState state) { emit engineStateChanged(state); }

void EngineProcess::noteOnce(bool &given, const QString &text) {
    if (given) return;
    given = true;
    emit note(text);
}

QString EngineProcess::floodNote() {
    return QStringLiteral("エンジンが毎秒 %1 行を超えて送っています").arg(kFloodLines);
}

void EngineProcess::countLine() {
    if (now() - floodWindowStart_ >= 1000) {
        floodWindowStart_ = now();
        floodLines_ = 0;
    }
    if (++floodLines_ == kFloodLines) noteOnce(notedFlood_, floodNote());
}

void EngineProcess::readOutput() {
    if (process_ == nullptr) return;
    const QByteArray bytes = process_->readAllStandardOutput();
    const std::size_t dropped = splitter_.droppedLines();
    const std::size_t repaired = splitter_.repairedLines();
    splitter_.feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                   [this](std::string &&line) {
                       countLine();
                       if (session_) session_->lineReceived(line, now());
                   });
    if (splitter_.droppedLines() != dropped)
        noteOnce(notedLong_, QStringLiteral("エンジンが 64 KiB を超える行を送ったので捨てました"));
    if (splitter_.repairedLines() != repaired)
        noteOnce(notedGarbage_, QStringLiteral("エンジンが UTF-8 でない文字を送ったので置き換えました"));
}

void EngineProcess::processFinished() {
    if (process_ == nullptr) return;
    // What it printed last still counts.
    readOutput();
    processGone(ProcessExit{process_->exitStatus() == QProcess::CrashExit, process_->exitCode()});
}

void EngineProcess::processError(QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart || process_ == nullptr) return;
    emit fault(QStringLiteral("エンジンを起動できません: %1").arg(startFailure(process_->errorString())));
    // The session would add that the engine ended while starting: one reason is enough.
    faultGiven_ = true;
    processGone();
}

void EngineProcess::processGone(std::optional<ProcessExit> exit) {
    watchdog_.stop();
    if (session_) session_->processEnded(now(), exit);
    process_->deleteLater();
    process_->disconnect(this);
    process_ = nullptr;
    if (!endReported_) {
        endReported_ = true;
        emit ended();
    }
}

void EngineProcess::tick() {
    if (session_) session_->tick(now());
}
