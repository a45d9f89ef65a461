#pragma once
// What the process-level engine tests share: an event loop run until something happens, the
// children of this process as /proc shows them, and a recorder of what an engine process says.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "engine/profile.h"
#include "enginehost/engineprocess.h"

// How long an installed engine may take to start (to answer usi and isready) in a test: gpsusi
// needs over 20 s on a machine starved by other builds, and answers in about 2 s otherwise, so the
// long limit costs nothing when the machine is idle.
inline constexpr int kInstalledEngineStartMs = 90000;

// The installed engine's own profile with the start limits above.
EngineProfile installedEngineProfile(const QString &path);

// Runs the event loop until `done` holds or `timeoutMs` passes; returns `done()`.
bool spinUntil(const std::function<bool()> &done, int timeoutMs);

// The children of this process: how many there are and how many are zombies.
struct Children {
    int total = 0;
    int zombies = 0;
};
Children childProcesses();

// Keeps everything an EngineProcess reports.
struct EngineRecorder {
    explicit EngineRecorder(EngineProcess &process);
    std::vector<UsiInfo> infos;
    std::vector<UsiBestMove> bests;
    QStringList faults;
    QStringList notes;
    int ends = 0;
};
