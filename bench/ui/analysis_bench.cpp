// 検討 under load: the longest stall of the event loop while a fake engine prints 10,000 lines a
// second, and the time from a walking key press to the first line of the new position shown with
// fairy-stockfish.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>

#include "record/sfen.h"
#include "ui/analysiswindow.h"
#include "ui/enginestore.h"
#include "ui/mainform.h"

namespace {

bool spin(const std::function<bool()> &done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
    return done();
}

// A window analysing with the engine at `path`, on a short opening.
std::unique_ptr<TZnMainForm> analysingWindow(const QString &path, QTemporaryDir &dir) {
    auto window = std::make_unique<TZnMainForm>();
    auto store = std::make_unique<EngineStore>(dir.filePath("settings.ini"));
    store->setCommandLineEngine(path);
    window->setEngineStore(std::move(store));
    RecordNotes notes;
    readSfen(window->game(), notes, "startpos moves 7g7f 3c3d 2g2f 8c8d");
    window->record().reset();
    window->show();
    window->RedrawAll();
    window->toggleAnalysis();
    return window;
}

void BM_LongestStallUnderAFlood(benchmark::State &state) {
#ifdef FAKE_ENGINE
    QTemporaryDir dir;
    const QString path = dir.filePath("fake_engine-flood");
    QFile::link(QStringLiteral(FAKE_ENGINE), path);
    auto window = analysingWindow(path, dir);
    if (!spin([&] { return window->analysisWindow()->linesView()->topLevelItemCount() > 0; }, 5000)) {
        state.SkipWithError("no lines from the fake engine");
        return;
    }
    qint64 longest = 0;
    for (auto _ : state) {
        // A timer that wants to run every millisecond: the gaps between its runs are the stalls.
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        ticker.start();
        last = clock.nsecsElapsed();
        QEventLoop loop;
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    state.counters["longest_stall_ms"] = double(longest) / 1e6;
    state.counters["redraws"] = window->analysisWindow()->redrawCount();
#else
    state.SkipWithError("built without the fake engine");
#endif
}
BENCHMARK(BM_LongestStallUnderAFlood)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_KeyPressToFirstLine(benchmark::State &state) {
    const QString path = QStringLiteral("/usr/games/fairy-stockfish");
    if (!QFileInfo(path).isExecutable()) {
        state.SkipWithError("fairy-stockfish is not installed");
        return;
    }
    QTemporaryDir dir;
    auto window = analysingWindow(path, dir);
    QTreeWidget *lines = window->analysisWindow()->linesView();
    if (!spin([&] { return lines->topLevelItemCount() > 0; }, 10000)) {
        state.SkipWithError("no lines from fairy-stockfish");
        return;
    }
    QAction *back = window->findChild<QAction *>(QStringLiteral("KW2"));
    QAction *forward = window->findChild<QAction *>(QStringLiteral("KW3"));
    qint64 worst = 0;
    for (auto _ : state) {
        // Let the engine think a while in this position, as a user would.
        spin([] { return false; }, 200);
        QElapsedTimer clock;
        clock.start();
        (window->record().atEnd() ? back : forward)->trigger();
        if (!spin([&] { return lines->topLevelItemCount() > 0; }, 5000)) {
            state.SkipWithError("no line for the new position");
            return;
        }
        const qint64 elapsed = clock.nsecsElapsed();
        worst = std::max(worst, elapsed);
        state.SetIterationTime(double(elapsed) / 1e9);
    }
    state.counters["worst_ms"] = double(worst) / 1e6;
}
BENCHMARK(BM_KeyPressToFirstLine)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
