#include "engine/searchreport.h"

#include "engine/pv.h"

void SearchReport::info(const UsiInfo &line) {
    if (!line.score || (line.multipv && *line.multipv != 1)) return;
    if (line.score->bound == ScoreBound::Exact)
        exact_ = line;
    else
        bounded_ = line;
}

void SearchReport::bestMove(const UsiBestMove &best) { best_ = best; }

std::optional<EngineReport> SearchReport::report(const std::string &engineName, std::string &why) const {
    EngineReport report;
    report.engine = engineName;
    if (best_ && !best_->resign && !best_->win) report.bestMove = readUsiMoveWord(best_->move);
    const std::optional<UsiInfo> &line = exact_ ? exact_ : bounded_;
    if (line) {
        report.mate = line->score->mate;
        report.score = line->score->value;
        report.depth = line->depth.value_or(0);
        for (const std::string &word : line->pv) {
            const std::optional<MoveSpec> move = readUsiMoveWord(word);
            if (!move) break;
            report.pv.push_back(*move);
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
