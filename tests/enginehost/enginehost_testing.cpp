#include "enginehost_testing.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QThread>

EngineProfile installedEngineProfile(const QString &path) {
    EngineProfile profile = profileFor(path.toStdString());
    profile.usiTimeoutMs = profile.readyTimeoutMs = kInstalledEngineStartMs;
    return profile;
}

bool spinUntil(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return done();
}

Children childProcesses() {
    Children children;
    const QString self = QString::number(getpid());
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromLatin1(stat.readAll());
        // "pid (name) state ppid ...": the name may hold spaces, so read after its last ')'.
        const QStringList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1] != self) continue;
        ++children.total;
        if (fields[0] == "Z") ++children.zombies;
    }
    return children;
}

EngineRecorder::EngineRecorder(EngineProcess &process) {
    QObject::connect(&process, &EngineProcess::info, [this](const UsiInfo &info) { infos.push_back(info); });
    QObject::connect(&process, &EngineProcess::bestMove, [this](const UsiBestMove &best) { bests.push_back(best); });
    QObject::connect(&process, &EngineProcess::fault, [this](const QString &reason) { faults << reason; });
    QObject::connect(&process, &EngineProcess::note, [this](const QString &text) { notes << text; });
    QObject::connect(&process, &EngineProcess::ended, [this] { ++ends; });
}
