#include "review/matecheck.h"

#include "core/preview.h"
#include "core/rules.h"
#include "record/notation.h"

namespace {

PositionMate fromResult(const MateResult &result) {
    PositionMate mate;
    mate.answer = result.answer;
    if (result.answer == MateAnswer::Mate) mate.line = result.line;
    return mate;
}

std::string firstMove(const ZnBan &position, const std::vector<Move> &line) {
    return line.empty() ? std::string() : readingText(position, {line.front()});
}

}  // namespace

MateChecker::MateChecker(const MateLimits &limits) : limits_(limits) {}

PositionMate MateChecker::mateOf(const ZnBan &position) {
    // A refused position (no king to mate) answers 不明, which says nothing in a review.
    return fromResult(solver_.solve(position, limits_));
}

PositionMate MateChecker::threatOn(const ZnBan &position) {
    if (inCheck(position)) return {};
    ZnBan passed;
    copyPosition(position, passed);
    passed.setTurn(otherSide(position.turn()));
    return mateOf(passed);
}

bool MateChecker::keepsMate(const ZnBan &before, const Move &played) {
    ZnBan after;
    copyPosition(before, after);
    if (!applyMove(after, played) || !inCheck(after)) return false;
    std::vector<Move> evasions;
    legalMoves(after, evasions);
    ZnBan evaded;
    for (const Move &evasion : evasions) {
        copyPosition(after, evaded);
        if (!applyMove(evaded, evasion) || !mateOf(evaded).mates()) return false;
    }
    // No evasion at all: the move mated.
    return true;
}

std::string missedMateText(const ZnBan &before, const PositionMate &mate) {
    return firstMove(before, mate.line) + "から" + std::to_string(mate.line.size()) + "手で詰みがありました";
}

std::string allowedMateText(const ZnBan &after, const PositionMate &mate) {
    return firstMove(after, mate.line) + "から" + std::to_string(mate.line.size()) + "手で詰みます";
}

std::string threatText(const ZnBan &after, const Move &reply) {
    return readingText(after, {reply}) + "で詰めろになります";
}
