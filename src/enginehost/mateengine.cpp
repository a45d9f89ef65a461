#include "enginehost/mateengine.h"

#include <QElapsedTimer>
#include <QProcess>
#include <optional>

#include "engine/pv.h"

namespace {

// Start-up and isready: what a slow engine (gpsusi takes 3 s) needs with room to spare.
constexpr int HANDSHAKE_MS = 15000;
// Beyond the time given, before an engine that has not answered is given up.
constexpr int GRACE_MS = 5000;

// Reads lines until one satisfies `wanted`; that line, or nothing when the time runs out or the
// engine ends first.
// How long one wait for output lasts before a stop is looked at again.
constexpr int STOP_POLL_MS = 20;

template <typename Wanted>
std::optional<std::string> readUntil(QProcess &process, int timeoutMs, const std::atomic<bool> *stop,
                                     Wanted wanted) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        while (process.canReadLine()) {
            std::string line = process.readLine().trimmed().toStdString();
            if (wanted(line)) return line;
        }
        if (process.state() == QProcess::NotRunning) return std::nullopt;
        if (stop != nullptr && stop->load(std::memory_order_relaxed)) return std::nullopt;
        qint64 wait = std::max<qint64>(1, timeoutMs - clock.elapsed());
        if (stop != nullptr) wait = std::min<qint64>(wait, STOP_POLL_MS);
        process.waitForReadyRead(static_cast<int>(wait));
    }
    return std::nullopt;
}

void send(QProcess &process, const std::string &line) { process.write((line + "\n").c_str()); }

EngineMate failed(const std::string &fault) {
    EngineMate mate;
    mate.fault = fault;
    return mate;
}

}  // namespace

EngineMate askEngineMate(const QString &path, const ZnBan &game, std::int64_t milliseconds, int hashMb,
                         const std::atomic<bool> *stop) {
    const auto stopped = [stop] { return stop != nullptr && stop->load(std::memory_order_relaxed); };
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(path, {});
    if (!process.waitForStarted(HANDSHAKE_MS)) return failed("エンジンを起動できません: " + path.toStdString());
    const auto finish = [&process, &stopped](EngineMate mate) {
        if (stopped()) {
            // The one who stopped waits for nothing: the engine goes at once.
            process.kill();
            process.waitForFinished(5000);
            return failed("中止しました");
        }
        send(process, "quit");
        if (!process.waitForFinished(1000)) {
            process.kill();
            process.waitForFinished(5000);
        }
        return mate;
    };
    send(process, "usi");
    if (!readUntil(process, HANDSHAKE_MS, stop, [](const std::string &line) { return line == "usiok"; }))
        return finish(failed("エンジンが usiok を返しません"));
    if (hashMb > 0) send(process, "setoption name USI_Hash value " + std::to_string(hashMb));
    send(process, "isready");
    if (!readUntil(process, HANDSHAKE_MS, stop, [](const std::string &line) { return line == "readyok"; }))
        return finish(failed("エンジンが readyok を返しません"));
    send(process, "usinewgame");
    send(process, positionCommand(game));
    send(process, goMateCommand(milliseconds));
    const int wait = milliseconds > 0 ? static_cast<int>(std::min<std::int64_t>(milliseconds, 1 << 30)) + GRACE_MS : 1 << 30;
    const std::optional<std::string> reply =
        readUntil(process, wait, stop, [](const std::string &line) { return isMateReply(line); });
    if (!reply) return finish(failed("エンジンが詰み探索に答えません"));
    return finish(readMateReply(game, *reply));
}
