#include "engine/referee.h"

#include <utility>

#include "engine/pv.h"
#include "record/sfen.h"

namespace {

// The 持ち時間 header: one time for both sides when they have the same.
std::string timeHeader(const std::array<TimeControl, 2> &time) {
    if (time[SENTE] == time[GOTE]) return "各" + timeControlText(time[SENTE]);
    return "先手" + timeControlText(time[SENTE]) + "・後手" + timeControlText(time[GOTE]);
}

// Why a declaration by the side to move loses under `rule`: the first condition it fails.
std::string declarationShortfall(const ZnBan &game, DeclarationRule rule) {
    const Side side = game.turn();
    const Koma *king = game.king(side);
    const bool kingIn = king != nullptr && king->side() == side && king->square() < SQUARE_COUNT &&
                        (side == SENTE ? rowOf(king->square()) < 3 : rowOf(king->square()) >= 6);
    if (!kingIn) return "入玉宣言: 玉が敵陣にありません";
    if (inCheck(game)) return "入玉宣言: 王手がかかっています";
    if (const int pieces = piecesInEnemyCamp(game, side); pieces < 10)
        return "入玉宣言: 敵陣の駒が10枚に足りません（" + std::to_string(pieces) + "枚）";
    const int needed = rule == DeclarationRule::Points24 ? 24 : side == SENTE ? 28 : 27;
    return "入玉宣言: 点数が足りません（" + std::to_string(declarationPoints(game, side)) + "点、" +
           std::to_string(needed) + "点必要）";
}

}  // namespace

GameReferee::GameReferee(GameRecord &record, GameSettings settings)
    : record_(record),
      settings_(std::move(settings)),
      clock_(settings_.time, settings_.marginMs),
      startMoves_(static_cast<int>(record.game().history().size())),
      bookChooser_(settings_.book.seed) {}

void GameReferee::start(std::int64_t now) {
    RecordNotes &notes = record_.notes();
    if (!settings_.startDate.empty()) notes.setHeader("開始日時", settings_.startDate);
    notes.setHeader("持ち時間", timeHeader(settings_.time));
    notes.setHeader(handicap() ? "下手" : "先手", settings_.names[SENTE]);
    notes.setHeader(handicap() ? "上手" : "後手", settings_.names[GOTE]);
    clock_.startTurn(toMove(), now);
    if (!hasLegalMove(record_.game())) finish(GameEnd::Mate, otherSide(toMove()), {}, now);
}

std::string GameReferee::play(const Move &move, std::int64_t now) {
    if (over()) return "対局は終わっています";
    if (checkFlag(now)) return "時間切れです";
    if (const Refusal refusal = checkMove(record_.game(), move); refusal != Refusal::None)
        return refusalText(refusal);
    const std::int64_t spent = clock_.stopTurn(now);
    if (std::string refused = record_.play(move); !refused.empty()) {
        // The rules allowed what the board refused: nothing was played, so the turn goes on.
        clock_.startTurn(toMove(), now - spent);
        return refused;
    }
    record_.setMs(spent);
    judgeAfterMove(now);
    return {};
}

bool GameReferee::playFromBook(std::int64_t now) {
    // A book move takes no time, so no flag can fall over it.
    if (outOfBook_ || over() || !settings_.book.book || movesPlayed() >= settings_.book.plies) return false;
    const std::optional<BookMove> chosen = bookChooser_.choose(*settings_.book.book, record_.game());
    // The book's moves were checked against the game's rules, so the record refusing one is only
    // a safeguard: the engine thinks from there as it does out of the book.
    if (!chosen || !record_.play(chosen->move).empty()) {
        outOfBook_ = true;
        return false;
    }
    clock_.cancelTurn();
    record_.setMs(0);
    std::vector<std::string> comments = record_.commentsOnPath(record_.cursor());
    comments.emplace_back(BOOK_MOVE_COMMENT);
    record_.setCommentsOnPath(record_.cursor(), std::move(comments));
    judgeAfterMove(now);
    return true;
}

void GameReferee::judgeAfterMove(std::int64_t now) {
    ZnBan &game = record_.game();
    const Side mover = otherSide(game.turn());
    switch (repetition(game)) {
        case Repetition::Draw: return finish(GameEnd::Repetition, std::nullopt, {}, now);
        case Repetition::SenteChecked: return finish(GameEnd::PerpetualCheck, GOTE, {}, now);
        case Repetition::GoteChecked: return finish(GameEnd::PerpetualCheck, SENTE, {}, now);
        case Repetition::None: break;
    }
    if (!hasLegalMove(game)) return finish(GameEnd::Mate, mover, {}, now);
    if (settings_.maxMoves > 0 && movesPlayed() >= settings_.maxMoves)
        return finish(GameEnd::MaxMoves, std::nullopt, {}, now);
    clock_.startTurn(game.turn(), now);
}

void GameReferee::engineAnswer(const UsiBestMove &best, std::int64_t now) {
    if (over() || checkFlag(now)) return;
    if (best.resign) return resign(now);
    if (best.win) {
        // An engine that declares where the game has no declaration has played outside the rules.
        if (!settings_.declaration)
            finish(GameEnd::IllegalMove, otherSide(toMove()), "入玉宣言のない対局での宣言", now);
        else
            declare(now);
        return;
    }
    const std::optional<Move> move = readUsiMoveWord(best.move);
    if (!move) {
        const std::string word = best.move.empty() ? "（空）" : best.move;
        return finish(GameEnd::IllegalMove, otherSide(toMove()), "読めない指し手 " + word, now);
    }
    if (std::string refused = play(*move, now); !refused.empty() && !over())
        finish(GameEnd::IllegalMove, otherSide(toMove()), best.move + ": " + refused, now);
}

void GameReferee::resign(std::int64_t now) {
    if (over() || checkFlag(now)) return;
    finish(GameEnd::Resignation, otherSide(toMove()), {}, now);
}

std::string GameReferee::declare(std::int64_t now) {
    if (over() || checkFlag(now)) return "対局は終わっています";
    if (!settings_.declaration) return "この対局には入玉宣言がありません";
    const Side declarer = toMove();
    switch (judgeDeclaration(record_.game(), *settings_.declaration)) {
        case Declaration::Win: finish(GameEnd::DeclarationWon, declarer, {}, now); break;
        case Declaration::Draw: finish(GameEnd::DeclarationDrawn, std::nullopt, {}, now); break;
        case Declaration::Lose:
            finish(GameEnd::DeclarationLost, otherSide(declarer),
                   declarationShortfall(record_.game(), *settings_.declaration), now);
            break;
    }
    return {};
}

void GameReferee::fault(Side side, const std::string &reason, std::int64_t now) {
    if (over()) return;
    finish(GameEnd::Fault, otherSide(side), reason, now);
}

void GameReferee::stop(std::int64_t now) {
    if (!over()) finish(GameEnd::Stopped, std::nullopt, {}, now);
}

bool GameReferee::checkFlag(std::int64_t now) {
    if (over() || !clock_.flagFell(now)) return false;
    finish(GameEnd::Timeout, otherSide(toMove()), {}, now);
    return true;
}

void GameReferee::finish(GameEnd end, std::optional<Side> winner, std::string detail, std::int64_t now) {
    const std::int64_t spent = clock_.stopTurn(now);
    result_.end = end;
    result_.winner = winner;
    result_.detail = std::move(detail);
    result_.moves = movesPlayed();
    if (!result_.detail.empty()) {
        std::vector<std::string> comments = record_.commentsOnPath(record_.cursor());
        comments.push_back(endWordOf(result_, toMove()) + ": " + result_.detail);
        record_.setCommentsOnPath(record_.cursor(), std::move(comments));
    }
    // A move that ended the game took its time already; the end word takes what the side to move
    // spent before it.
    const bool afterMove = end == GameEnd::Mate || end == GameEnd::Repetition ||
                           end == GameEnd::PerpetualCheck || end == GameEnd::MaxMoves;
    record_.setEndWord(endWordOf(result_, toMove()), afterMove ? 0 : spent);
}

std::string GameReferee::positionCommand() {
    std::string command = writeUsi(record_.game(), record_.notes().firstMoveNumber);
    while (!command.empty() && (command.back() == '\n' || command.back() == '\r')) command.pop_back();
    return command;
}

std::string endWordOf(const GameResult &result, Side toMove) {
    const bool moverWins = result.winner && *result.winner == toMove;
    switch (result.end) {
        case GameEnd::None: return {};
        case GameEnd::Mate: return "詰み";
        case GameEnd::Resignation: return "投了";
        case GameEnd::Timeout: return "切れ負け";
        case GameEnd::Repetition: return "千日手";
        case GameEnd::DeclarationWon: return "入玉勝ち";
        case GameEnd::DeclarationDrawn:
        case GameEnd::MaxMoves: return "持将棋";
        case GameEnd::PerpetualCheck:
        case GameEnd::DeclarationLost:
        case GameEnd::IllegalMove:
        case GameEnd::Fault: return moverWins ? "反則勝ち" : "反則負け";
        case GameEnd::Stopped: return "中断";
    }
    return {};
}

std::string endReasonText(const GameResult &result) {
    switch (result.end) {
        case GameEnd::None: return {};
        case GameEnd::Mate: return "詰み";
        case GameEnd::Resignation: return "投了";
        case GameEnd::Timeout: return "時間切れ";
        case GameEnd::Repetition: return "千日手";
        case GameEnd::PerpetualCheck: return "連続王手の千日手";
        case GameEnd::DeclarationWon: return "入玉宣言";
        case GameEnd::DeclarationDrawn: return "入玉宣言（持将棋）";
        case GameEnd::DeclarationLost: return "入玉宣言の条件を満たしていません";
        case GameEnd::MaxMoves: return "最大手数（持将棋）";
        case GameEnd::IllegalMove: return "反則（" + result.detail + "）";
        case GameEnd::Fault: return result.detail;
        case GameEnd::Stopped: return "中断";
    }
    return {};
}

std::string resultSentence(const GameResult &result, const std::array<std::string, 2> &names, bool handicap) {
    const std::string moves = "（" + std::to_string(result.moves) + "手）";
    if (result.end == GameEnd::None) return {};
    if (result.end == GameEnd::Stopped) return "中断しました" + moves;
    if (!result.winner) return endReasonText(result) + "で引き分け" + moves;
    const Side winner = *result.winner;
    const char *side = winner == SENTE ? (handicap ? "下手" : "先手") : (handicap ? "上手" : "後手");
    std::string who = side;
    if (names[winner] != side) who += "（" + names[winner] + "）";
    return who + "の勝ち: " + endReasonText(result) + moves;
}
