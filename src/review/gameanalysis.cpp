#include "review/gameanalysis.h"

#include <algorithm>
#include <chrono>

#include "core/movegen.h"
#include "core/preview.h"
#include "record/notation.h"

GameLine currentLine(ZnBan &game) {
    GameLine line;
    walkRecord(
        game, [&](const ZnBan &start) { line.start = positionOf(start); },
        [&](const ZnBan &walked, std::size_t index) {
            line.moves.push_back(moveOf(walked.history()[index]));
        });
    return line;
}

GameAnalysis::GameAnalysis(const GameLine &line, const AnalysisSettings &settings)
    : line_(line), settings_(settings) {
    const int moves = static_cast<int>(line_.moves.size());
    first_ = std::clamp(settings.first, 0, moves);
    last_ = std::clamp(settings.last, first_, moves);
    results_.resize(static_cast<std::size_t>(moves) + 1);
    verdicts_.resize(static_cast<std::size_t>(moves) + 1);
    mates_.resize(static_cast<std::size_t>(moves) + 1);
    if (settings.checkMates) mateChecker_ = std::make_unique<MateChecker>(settings.mateLimits);
    if (std::string reason = buildGame(game_, line_.start); !reason.empty()) {
        fail("開始局面を作れません: " + reason);
        return;
    }
    last_ = std::min(last_, playableMoves());
    first_ = std::min(first_, last_);
    if (!advanceTo(first_)) done_ = true;
}

int GameAnalysis::playableMoves() {
    ZnBan scratch;
    copyPosition(game_, scratch);
    for (std::size_t move = 0; move < line_.moves.size(); ++move)
        if (std::string reason = playMove(scratch, line_.moves[move]); !reason.empty()) {
            notes_.push_back(std::to_string(move + 1) + "手目が指せません: " + reason);
            return static_cast<int>(move);
        }
    return static_cast<int>(line_.moves.size());
}

bool GameAnalysis::advanceTo(int ply) {
    while (ply_ < ply) {
        copyPosition(game_, previous_);
        const Move &move = line_.moves[static_cast<std::size_t>(ply_)];
        if (std::string reason = playMove(game_, move); !reason.empty()) {
            error_ = std::to_string(ply_ + 1) + "手目が指せません: " + reason;
            last_ = ply_;
            return false;
        }
        ++ply_;
    }
    return true;
}

void GameAnalysis::moveOn() {
    if (done_) return;
    ++finished_;
    if (ply_ >= last_ || !advanceTo(ply_ + 1)) done_ = true;
}

void GameAnalysis::submit(const EngineReport &report) {
    if (done_) return;
    PositionResult result;
    result.evaluation = senteView(game_.turn(), report.mate, report.score);
    std::vector<Move> reading = report.pv;
    if (reading.empty() && report.bestMove) reading.push_back(*report.bestMove);
    std::size_t legal = 0;
    result.pvText = readingText(game_, reading, &legal);
    // A move outside the rules is an engine fault: with its first move the whole report goes,
    // with a later one the reading is cut and judges no move.
    if (legal == 0 && !reading.empty()) {
        skip("エンジンの最善手が反則です");
        return;
    }
    if (legal < reading.size()) {
        result.readingCut = true;
        notes_.push_back((ply_ == 0 ? std::string("開始局面") : std::to_string(ply_) + "手目") +
                         ": エンジンの読み筋の" + std::to_string(legal + 1) +
                         "手目が反則です（その前までを使います）");
    }
    reading.resize(legal);
    result.pv = std::move(reading);
    result.depth = report.depth;
    result.engine = report.engine;
    for (const ReadingScore &line : report.readings)
        result.readings.emplace_back(line.first, senteView(game_.turn(), line.mate, line.score));
    results_[static_cast<std::size_t>(ply_)] = std::move(result);
    if (mateChecker_) {
        const auto started = std::chrono::steady_clock::now();
        mates_[static_cast<std::size_t>(ply_)] = mateChecker_->mateOf(game_);
        judgeMoveInto(ply_);
        mateMilliseconds_ +=
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
                .count();
    } else {
        judgeMoveInto(ply_);
    }
    moveOn();
}

void GameAnalysis::judgeMoveInto(int ply) {
    if (ply == 0) return;
    const std::optional<PositionResult> &before = results_[static_cast<std::size_t>(ply - 1)];
    const std::optional<PositionResult> &after = results_[static_cast<std::size_t>(ply)];
    if (!before || !after) return;
    const Side mover = previous_.turn();
    const Move &played = line_.moves[static_cast<std::size_t>(ply - 1)];
    // A move the search before it read is measured inside that one search, where both scores come
    // from the same depth; two short searches in a row disagree by more than many a mistake loses.
    Evaluation afterMove = after->evaluation;
    for (const auto &[first, evaluation] : before->readings)
        if (first == played) {
            afterMove = evaluation;
            break;
        }
    const auto moverChance = [&](const Evaluation &evaluation) {
        const double chance = winningChance(evaluation, settings_.coefficient);
        return mover == SENTE ? chance : 1.0 - chance;
    };
    MoveVerdict verdict;
    verdict.chanceLost = moverChance(before->evaluation) - moverChance(afterMove);
    // The engine's own choice is never a mistake, whatever its score did one search later.
    const bool bestPlayed = !before->pv.empty() && before->pv.front() == played;
    if (!bestPlayed && !before->readingCut)
        verdict.label =
            labelForMove(moverChance(before->evaluation), moverChance(afterMove), settings_.thresholds);
    if (verdict.label != MoveLabel::None && !before->pv.empty()) {
        const bool mated = after->evaluation.mate && after->evaluation.winner != mover;
        verdict.reason = mistakeReason(previous_, played, before->pv.front(), {after->pv, mated});
    }
    // A game already lost before the move is no place to blame it for the mate that follows.
    constexpr double kLost = 0.05;
    if (mateChecker_)
        judgeMates(ply, verdict, *after,
                   !bestPlayed && !before->readingCut && moverChance(before->evaluation) >= kLost);
    verdicts_[static_cast<std::size_t>(ply)] = std::move(verdict);
}

void GameAnalysis::judgeMates(int ply, MoveVerdict &verdict, const PositionResult &after, bool labelled) {
    const std::optional<PositionMate> &mine = mates_[static_cast<std::size_t>(ply - 1)];
    const std::optional<PositionMate> &theirs = mates_[static_cast<std::size_t>(ply)];
    const Move &played = line_.moves[static_cast<std::size_t>(ply - 1)];
    if (theirs && theirs->mates()) {
        // Proved by the rules, whatever a short search after the move saw.
        verdict.mate = MateNote::Allowed;
        if (labelled) verdict.label = MoveLabel::Blunder;
        if (verdict.label != MoveLabel::None) verdict.reason = allowedMateText(game_, *theirs);
        return;
    }
    if (mine && mine->mates() && !(mine->line.front() == played) &&
        !mateChecker_->keepsMate(previous_, played)) {
        verdict.mate = MateNote::Missed;
        verdict.label = std::max(verdict.label, MoveLabel::Dubious);
        verdict.reason = missedMateText(previous_, *mine);
        return;
    }
    // A threat is looked for only where the move is labelled: elsewhere the search saw nothing
    // better, and a 詰めろ the best move leaves too is no reason.
    if (verdict.label == MoveLabel::None || after.pv.empty()) return;
    ZnBan replied;
    copyPosition(game_, replied);
    if (applyMove(replied, after.pv.front()) && mateChecker_->threatOn(replied).mates()) {
        verdict.mate = MateNote::Threat;
        verdict.reason = threatText(game_, after.pv.front());
    }
}

void GameAnalysis::skip(const std::string &note) {
    if (done_) return;
    notes_.push_back((ply_ == 0 ? std::string("開始局面") : std::to_string(ply_) + "手目") + ": " + note);
    moveOn();
}

void GameAnalysis::fail(const std::string &reason) {
    error_ = reason;
    done_ = true;
}

const std::optional<PositionResult> &GameAnalysis::result(int ply) const {
    static const std::optional<PositionResult> none;
    if (ply < 0 || static_cast<std::size_t>(ply) >= results_.size()) return none;
    return results_[static_cast<std::size_t>(ply)];
}

const std::optional<MoveVerdict> &GameAnalysis::verdict(int ply) const {
    static const std::optional<MoveVerdict> none;
    if (ply < 0 || static_cast<std::size_t>(ply) >= verdicts_.size()) return none;
    return verdicts_[static_cast<std::size_t>(ply)];
}

std::vector<std::string> GameAnalysis::commentLines(int ply) const {
    std::vector<std::string> lines;
    const std::optional<PositionResult> &analysed = result(ply);
    if (!analysed) return lines;
    if (const std::optional<MoveVerdict> &judged = verdict(ply); judged && judged->label != MoveLabel::None) {
        lines.push_back(labelLine(labelName(judged->label)));
        if (!judged->reason.empty()) lines.push_back(judged->reason);
    }
    const std::vector<std::string> evaluation =
        evaluationLines(analysed->evaluation, analysed->pvText, analysed->depth, analysed->engine);
    lines.insert(lines.end(), evaluation.begin(), evaluation.end());
    return lines;
}

void GameAnalysis::writeComments(const std::function<std::vector<std::string> &(int ply)> &commentsAt) const {
    for (int ply = 0; ply < static_cast<int>(results_.size()); ++ply)
        if (result(ply)) mergeAnalysisLines(commentsAt(ply), commentLines(ply));
}

void runAnalysis(GameAnalysis &analysis, const PositionAnalyser &analyser,
                 const std::function<bool(const GameAnalysis &)> &progress) {
    while (!analysis.done()) {
        const AnalyserAnswer answer = analyser(analysis.position(), analysis.nextPly());
        switch (answer.kind) {
            case AnalyserAnswer::Kind::Analysed: analysis.submit(answer.report); break;
            case AnalyserAnswer::Kind::Skipped: analysis.skip(answer.reason); break;
            case AnalyserAnswer::Kind::Failed: analysis.fail(answer.reason); break;
        }
        if (progress && !progress(analysis)) analysis.cancel();
    }
}

std::vector<std::array<SideSafety, 2>> kingSafetyTimeline(const GameLine &line) {
    std::vector<std::array<SideSafety, 2>> timeline;
    ZnBan game;
    if (!buildGame(game, line.start).empty()) return timeline;
    for (std::size_t ply = 0;; ++ply) {
        timeline.push_back({sideSafety(game, SENTE), sideSafety(game, GOTE)});
        if (ply == line.moves.size() || !playMove(game, line.moves[ply]).empty()) break;
    }
    return timeline;
}

std::string progressLine(const GameAnalysis &analysis, int ply) {
    std::string line = "解析 ";
    line.append(std::to_string(analysis.finished())).append("/").append(std::to_string(analysis.total()));
    if (ply == 0)
        line += " 開始局面";
    else
        line.append(" ").append(std::to_string(ply)).append("手目");
    const std::optional<PositionResult> &analysed = analysis.result(ply);
    if (!analysed) return line.append(" 飛ばしました");
    const Evaluation &evaluation = analysed->evaluation;
    if (evaluation.mate) {
        line += evaluation.winner == SENTE ? " 詰み 先手勝ち" : " 詰み 後手勝ち";
        if (evaluation.plies > 0) line.append(" ").append(std::to_string(evaluation.plies)).append("手");
    } else {
        line.append(" 評価値 ").append(std::to_string(evaluation.centipawns));
    }
    if (const std::optional<MoveVerdict> &judged = analysis.verdict(ply);
        judged && judged->label != MoveLabel::None)
        line.append(" ").append(labelName(judged->label));
    return line;
}

std::string progressBar(int finished, int total, int width) {
    width = std::max(width, 1);
    total = std::max(total, 0);
    finished = std::clamp(finished, 0, total);
    const int filled =
        total == 0 ? width : static_cast<int>(static_cast<long long>(finished) * width / total);
    std::string bar = "[";
    bar.append(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(width - filled), '.');
    return bar.append("] ").append(std::to_string(finished)).append("/").append(std::to_string(total));
}

std::vector<GraphPoint> evaluationGraph(
    const std::function<const std::vector<std::string> &(int ply)> &commentsAt, int positions, int limit,
    double coefficient) {
    std::vector<GraphPoint> points;
    limit = std::max(limit, 1);
    for (int ply = 0; ply < positions; ++ply) {
        const std::optional<Evaluation> evaluation = evaluationInComments(commentsAt(ply));
        if (!evaluation) continue;
        const int score = evaluation->mate ? (evaluation->winner == SENTE ? limit : -limit)
                                           : std::clamp(evaluation->centipawns, -limit, limit);
        const std::vector<std::string> &comments = commentsAt(ply);
        points.push_back({ply, score, winningChance(*evaluation, coefficient), labelInComments(comments),
                          splitComments(comments).reason});
    }
    return points;
}
