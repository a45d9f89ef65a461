#include "enginehost/gameanalyser.h"

#include <algorithm>

#include "core/rules.h"
#include "engine/position_check.h"
#include "engine/pv.h"

GameAnalyser::GameAnalyser(GameAnalysis &analysis, const AnalysisSettings &settings, QObject *parent)
    : QObject(parent), analysis_(analysis), settings_(settings) {
    searchLimit_.setSingleShot(true);
    connect(&searchLimit_, &QTimer::timeout, this, &GameAnalyser::searchTooLong);
    connect(&process_, &EngineProcess::info, this, [this](const UsiInfo &info) {
        if (searching_) report_.info(info);
    });
    connect(&process_, &EngineProcess::bestMove, this, [this](const UsiBestMove &best) {
        if (searching_) report_.bestMove(best);
    });
    connect(&process_, &EngineProcess::fault, this, &GameAnalyser::engineFault);
    connect(&process_, &EngineProcess::note, this, &GameAnalyser::note);
    connect(&process_, &EngineProcess::ended, this, &GameAnalyser::engineEnded);
    connect(&process_, &EngineProcess::engineStateChanged, this, &GameAnalyser::stateChanged);
}

GameAnalyser::~GameAnalyser() { process_.disconnect(this); }

void GameAnalyser::start(const QString &path, std::optional<EngineProfile> profile) {
    running_ = true;
    ending_ = false;
    linesAsked_ = false;
    if (analysis_.done()) return;
    process_.start(path, profile);
    if (!running_) return;
    for (const auto &[name, value] : options_) process_.setOption(name, value);
    next();
}

void GameAnalyser::next() {
    while (!analysis_.done()) {
        std::string problem = analysisProblem(analysis_.position());
        // A position with no legal move has nothing to search: the side to move has lost.
        if (problem.empty() && rulesProblem(analysis_.position()).empty() &&
            !hasLegalMove(analysis_.position()))
            problem = "詰みの局面です";
        if (problem.empty()) break;
        const int ply = analysis_.nextPly();
        analysis_.skip(problem);
        emit positionDone(ply);
    }
    if (analysis_.done()) {
        finishAnalysis();
        return;
    }
    report_.clear();
    searching_ = analysis_.nextPly();
    began_ = false;
    process_.analyse(lineCommand(analysis_.position()), UsiGo::moveTime(settings_.moveTimeMs));
}

void GameAnalyser::stateChanged(EngineState state) {
    // After "usiok" the profile is final: an engine that named itself as one the program knows has
    // taken that engine's, with its own way of asking for several readings.
    if (state == EngineState::Readying && !linesAsked_ && process_.session() != nullptr) {
        linesAsked_ = true;
        const EngineProfile &profile = process_.session()->profile();
        const int lines = std::clamp(settings_.multiPv, 1, std::max(profile.maxLines, 1));
        if (lines > 1 && !profile.multiPvOption.empty())
            process_.setOption(profile.multiPvOption, std::to_string(lines));
    }
    if (!searching_) return;
    if (state == EngineState::Searching && !began_) {
        began_ = true;
        // A search the engine forgets to end is stopped, timed from its start and not from the
        // request, which waits while the engine starts; the session's own watchdog then kills an
        // engine that does not answer the stop.
        searchLimit_.start(std::max(settings_.moveTimeMs, 1000) + settings_.moveTimeMs + 5000);
    }
    // The search ended, by its bestmove or by the stop the limit sent.
    if (state == EngineState::Idle && began_) searchFinished();
}

void GameAnalyser::searchFinished() {
    searchLimit_.stop();
    const int ply = *searching_;
    searching_.reset();
    if (analysis_.done()) {
        finishAnalysis();
        return;
    }
    std::string why;
    const std::string name = process_.session() ? process_.session()->engineName() : std::string();
    if (const std::optional<EngineReport> report = report_.report(name, why))
        analysis_.submit(*report);
    else
        analysis_.skip(why);
    emit positionDone(ply);
    next();
}

void GameAnalyser::searchTooLong() {
    if (searching_ && began_) process_.stopSearch();
}

void GameAnalyser::cancel() {
    if (!running_) return;
    analysis_.cancel();
    finishAnalysis();
}

void GameAnalyser::engineFault(const QString &reason) {
    if (!analysis_.done()) analysis_.fail(reason.toStdString());
}

void GameAnalyser::engineEnded() {
    searchLimit_.stop();
    searching_.reset();
    if (!analysis_.done()) analysis_.fail("エンジンが終了しました");
    if (!running_) return;
    running_ = false;
    emit finished();
}

void GameAnalyser::finishAnalysis() {
    searchLimit_.stop();
    searching_.reset();
    if (ending_) return;
    ending_ = true;
    if (process_.running())
        process_.quit();
    else
        engineEnded();
}
