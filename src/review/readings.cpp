#include "review/readings.h"

#include <algorithm>

#include "core/position_check.h"
#include "core/preview.h"
#include "core/rules.h"
#include "engine/pv.h"
#include "record/sfen.h"

bool ReadingsModel::follow(const ZnBan &game) {
    std::string key = positionSfen(game);
    if (key == key_) return false;
    key_ = std::move(key);
    copyPosition(game, position_);
    clearLines();
    selectedMove_.clear();
    problem_ = analysisProblem(position_);
    // A position with no legal move is never sent: the side to move has lost, and an engine would
    // search it for nothing.
    if (problem_.empty() && rulesProblem(position_).empty() && !hasLegalMove(position_)) problem_ = "詰み";
    valid_ = problem_.empty();
    command_ = valid_ ? lineCommand(game) : std::string();
    return true;
}

void ReadingsModel::clearLines() {
    lines_.fill(std::nullopt);
    nodes_.reset();
    nps_.reset();
    // The emptied lines are no reason to keep the new position's first line waiting.
    showNextAtOnce_ = true;
}

void ReadingsModel::dropLinesFrom(int count) {
    for (int index = std::max(count, 0); index < kMaxLines; ++index)
        lines_[static_cast<std::size_t>(index)].reset();
}

bool ReadingsModel::take(const UsiInfo &info, int lineCount) {
    if (info.nodes) nodes_ = info.nodes;
    if (info.nps) nps_ = info.nps;
    if (!info.score || info.pv.empty()) return false;
    const int index = info.multipv.value_or(1) - 1;
    if (index >= 0 && index < std::min(lineCount, kMaxLines)) lines_[static_cast<std::size_t>(index)] = info;
    return true;
}

const std::optional<UsiInfo> &ReadingsModel::line(int index) const {
    static const std::optional<UsiInfo> none;
    return index >= 0 && index < kMaxLines ? lines_[static_cast<std::size_t>(index)] : none;
}

ReadingsModel::View ReadingsModel::view(int lineCount) {
    View view;
    for (int index = 0; index < std::min(lineCount, kMaxLines); ++index) {
        const std::optional<UsiInfo> &info = lines_[static_cast<std::size_t>(index)];
        if (!info || !info->score) continue;
        const BoardPv pv = translatePv(position_, info->pv, scratch_);
        ReadingRow row;
        row.line = index;
        row.score = scoreText(senteView(*info->score, position_.turn()));
        if (info->depth) row.depth = std::to_string(*info->depth);
        if (info->seldepth) {
            row.depth += '/';
            row.depth += std::to_string(*info->seldepth);
        }
        row.text = pv.text;
        row.cutWord = pv.cutWord;
        row.firstMove = info->pv.front();
        if (!selectedMove_.empty() && row.firstMove == selectedMove_) view.selected = int(view.rows.size());
        view.rows.push_back(std::move(row));
        if (pv.moves.empty()) continue;
        const Move &first = pv.moves.front();
        ReadingArrow arrow;
        arrow.from = first.from;
        arrow.to = first.to;
        arrow.side = position_.turn();
        arrow.standSlot = first.from == IN_HAND ? std::max(0, dropPosition(position_, first.dropKind)) : 0;
        arrow.rank = index;
        view.arrows.push_back(arrow);
        if (index == 0) {
            ZnBan after;
            copyPosition(position_, after);
            if (playMove(after, first).empty()) view.changed = changedBalances(position_, after);
        }
    }
    if (view.selected < 0) selectedMove_.clear();
    return view;
}

void ReadingsModel::select(int line) {
    const std::optional<UsiInfo> &info = this->line(line);
    selectedMove_ = info && !info->pv.empty() ? info->pv.front() : std::string();
}

int ReadingsModel::selectedSlot() const {
    if (selectedMove_.empty()) return 0;
    for (int index = 0; index < kMaxLines; ++index) {
        const std::optional<UsiInfo> &info = lines_[static_cast<std::size_t>(index)];
        if (info && !info->pv.empty() && info->pv.front() == selectedMove_) return index;
    }
    return 0;
}

std::int64_t ReadingsModel::redrawDelay(std::int64_t now) {
    const std::int64_t waited = now - drawnAt_;
    const std::int64_t delay =
        showNextAtOnce_ || waited >= kRedrawIntervalMs ? 0 : kRedrawIntervalMs - waited;
    showNextAtOnce_ = false;
    return delay;
}
