#pragma once
// A game analysis run by one engine process: one timed search per position, positions an engine
// may not be given skipped with a note, and any fault of the engine ending the analysis with its
// reason while every result so far is kept. Nothing here waits; the owner's event loop carries it.

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "analysis/gameanalysis.h"
#include "engine/searchreport.h"
#include "enginehost/engineprocess.h"

class GameAnalyser : public QObject {
    Q_OBJECT

public:
    // Analyses with `analysis`, which must outlive the analyser; its settings give the search time
    // and the number of readings.
    GameAnalyser(GameAnalysis &analysis, const AnalysisSettings &settings, QObject *parent = nullptr);
    ~GameAnalyser() override;

    // Starts the engine at `path` (with `profile`, or the one its name calls for) and the analysis.
    void start(const QString &path, std::optional<EngineProfile> profile = std::nullopt);
    // Options the user set for the engine, sent after those of its profile; before start().
    void setEngineOptions(std::vector<std::pair<std::string, std::string>> options) {
        options_ = std::move(options);
    }
    // Stops after the position being analysed, keeping what was done.
    void cancel();
    // Whether the engine is still being used or ended.
    bool running() const { return running_; }
    const GameAnalysis &analysis() const { return analysis_; }

signals:
    // Position `ply` was analysed or skipped.
    void positionDone(int ply);
    // Something odd the engine did that did not stop the analysis.
    void note(const QString &text);
    // The analysis is over (done, cancelled or failed: analysis().error() says which) and the
    // engine has ended.
    void finished();

private:
    void next();
    void searchFinished();
    void engineFault(const QString &reason);
    void engineEnded();
    void stateChanged(EngineState state);
    void searchTooLong();
    void finishAnalysis();

    GameAnalysis &analysis_;
    AnalysisSettings settings_;
    EngineProcess process_;
    SearchReport report_;
    QTimer searchLimit_;
    // The ply whose search was sent, and whether the engine has begun it.
    std::optional<int> searching_;
    bool began_ = false;
    bool running_ = false;
    bool ending_ = false;
    // Whether the number of readings was asked for, once the engine's profile was final.
    bool linesAsked_ = false;
    std::vector<std::pair<std::string, std::string>> options_;
};
