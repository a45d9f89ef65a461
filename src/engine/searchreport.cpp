#include "engine/searchreport.h"

#include "engine/pv.h"

namespace {

// More readings than any engine is asked for are not kept.
constexpr int kMostReadings = 500;

}  // namespace

void SearchReport::info(const UsiInfo &line) {
    const int number = line.multipv.value_or(1);
    if (!line.score || number < 1 || number > kMostReadings) return;
    Lines &kept = lines_[number];
    if (line.score->bound == ScoreBound::Exact)
        kept.exact = line;
    else
        kept.bounded = line;
}

void SearchReport::bestMove(const UsiBestMove &best) { best_ = best; }

std::optional<EngineReport> SearchReport::report(const std::string &engineName, std::string &why) const {
    EngineReport report;
    report.engine = engineName;
    if (best_ && !best_->resign && !best_->win) report.bestMove = readUsiMoveWord(best_->move);
    const auto first = lines_.find(1);
    if (first != lines_.end()) {
        const std::optional<UsiInfo> &line = first->second.best();
        report.mate = line->score->mate;
        report.score = line->score->value;
        report.depth = line->depth.value_or(0);
        for (const std::string &word : line->pv) {
            const std::optional<Move> move = readUsiMoveWord(word);
            if (!move) break;
            report.pv.push_back(*move);
        }
        for (const auto &[number, kept] : lines_) {
            const UsiInfo &reading = *kept.best();
            const std::optional<Move> move =
                reading.pv.empty() ? std::nullopt : readUsiMoveWord(reading.pv.front());
            if (move) report.readings.push_back({*move, reading.score->mate, reading.score->value});
        }
        return report;
    }
    // An engine that gives up or claims the win says who wins without a score line.
    if (best_ && (best_->resign || best_->win)) {
        report.mate = true;
        report.score = best_->win ? 1 : 0;
        return report;
    }
    why = best_ ? "エンジンが評価値を示さずに指し手を返しました" : "エンジンが評価値を返しませんでした";
    return std::nullopt;
}
