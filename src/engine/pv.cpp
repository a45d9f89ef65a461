#include "engine/pv.h"

#include "core/preview.h"
#include "core/rules.h"
#include "record/notation.h"
#include "record/sfen.h"

namespace {

constexpr std::string_view kDropLetters = "KRBGSNLP";

bool squareOfWord(char file, char rank, Square &square) {
    if (file < '1' || file > '9' || rank < 'a' || rank > 'i') return false;
    square = static_cast<Square>(squareAt(rank - 'a', file - '1'));
    return true;
}

}  // namespace

std::optional<Move> readUsiMoveWord(std::string_view word) {
    Move move;
    if (word.size() == 4 && word[1] == '*') {
        const std::size_t kind = kDropLetters.find(word[0]);
        // A king is never dropped in a position an engine is given.
        if (kind == std::string_view::npos || kind == KING) return std::nullopt;
        move.from = IN_HAND;
        move.dropKind = static_cast<PieceKind>(kind);
        if (!squareOfWord(word[2], word[3], move.to)) return std::nullopt;
        return move;
    }
    if (word.size() != 4 && !(word.size() == 5 && word[4] == '+')) return std::nullopt;
    move.promote = word.size() == 5;
    if (!squareOfWord(word[0], word[1], move.from) || !squareOfWord(word[2], word[3], move.to))
        return std::nullopt;
    return move;
}


std::string positionCommand(const ZnBan &game) { return "position sfen " + positionSfen(game); }

std::string lineCommand(const ZnBan &game) {
    const int plies = std::min<int>(game.moveCount(), static_cast<int>(game.history().size()));
    if (plies == 0) return positionCommand(game);
    // An engine that is sent a foul takes the position it leads to as reached by the rules.
    if (const LineFoul foul = firstFoul(game); !foul.judged || foul.ply >= 0) return positionCommand(game);
    ZnBan line;
    lineStart(game, line);
    std::string command = "position sfen " + positionSfen(line) + " moves";
    for (int ply = 0; ply < plies; ++ply)
        command += ' ' + usiMoveWord(moveOf(game.history()[static_cast<std::size_t>(ply)]));
    return command;
}

BoardPv translatePv(const ZnBan &game, const std::vector<std::string> &pv, ZnBan &scratch) {
    copyPosition(game, scratch);
    BoardPv result;
    Square previousTo = IN_HAND;
    for (const std::string &word : pv) {
        const std::optional<Move> move = readUsiMoveWord(word);
        if (!move) {
            result.cutWord = word;
            result.cutReason = "読めない指し手です";
            break;
        }
        const std::string text = readingMoveText(scratch, *move, previousTo);
        if (std::string problem = playMove(scratch, *move); !problem.empty() || text.empty()) {
            result.cutWord = word;
            result.cutReason = problem.empty() ? "指せない手です" : problem;
            break;
        }
        result.moves.push_back(*move);
        result.text += text;
        previousTo = move->to;
    }
    return result;
}

SenteScore senteView(const UsiScore &score, Side toMove) {
    SenteScore view;
    view.mate = score.mate;
    view.mateKnown = score.mateKnown;
    const bool flip = toMove == GOTE;
    // "mate 0" and "mate -0": the side to move is mated already.
    const bool moverWins = score.value > 0;
    view.value = flip ? -score.value : score.value;
    view.senteWins = moverWins != flip;
    view.bound = score.bound;
    if (flip && score.bound != ScoreBound::Exact)
        view.bound = score.bound == ScoreBound::Lower ? ScoreBound::Upper : ScoreBound::Lower;
    return view;
}

std::string scoreText(const SenteScore &score) {
    std::string text;
    if (score.mate) {
        text += "詰み ";
        if (score.mateKnown) text += std::to_string(score.value < 0 ? -score.value : score.value) + "手 ";
        text += score.senteWins ? "先手勝ち" : "後手勝ち";
    } else {
        if (score.value > 0) text += '+';
        text += std::to_string(score.value);
    }
    if (score.bound == ScoreBound::Lower) text += "↑";
    if (score.bound == ScoreBound::Upper) text += "↓";
    return text;
}
