#pragma once
// A game by the rules between two players, each a person or an engine: the one place that decides
// whether a move stands, whose flag has fallen and how the game ended. It plays the moves into a
// record with the time each took, and closes the record with the end word. The window and the
// match runner only drive it; time comes from outside, in milliseconds on a steady clock.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "book/bookplay.h"
#include "core/rules.h"
#include "engine/gameclock.h"
#include "engine/usiline.h"
#include "record/gamerecord.h"

enum class GameEnd {
    None,
    Mate,              // 詰み: the side to move has no legal move
    Resignation,       // 投了
    Timeout,           // 切れ負け
    Repetition,        // 千日手, a draw
    PerpetualCheck,    // 連続王手の千日手: the checking side loses
    DeclarationWon,    // 入玉宣言 by the rule
    DeclarationDrawn,  // 入玉宣言 with the points of a draw (24点法)
    DeclarationLost,   // 入玉宣言 the rule refuses
    MaxMoves,          // 持将棋 at the move limit
    IllegalMove,       // an engine's move outside the rules
    Fault,             // an engine that died or stopped answering
    Stopped,           // 中断: no result
};

struct GameResult {
    GameEnd end = GameEnd::None;
    // The winner; empty for a draw or a stopped game.
    std::optional<Side> winner;
    // What went wrong, for an illegal move or a fault; empty otherwise.
    std::string detail;
    // The moves played in this game.
    int moves = 0;
};

// The opening moves a game takes from a book before its engines think.
struct GameBook {
    // None for a game without a book.
    std::shared_ptr<const Book> book;
    // How many moves of the game may come from the book, counted from the position the game starts
    // in (after an opening's moves, when it starts from one).
    int plies = 0;
    // The seed of the choice among a position's moves: the same seed, the same moves.
    std::uint64_t seed = 0;
};

// The comment a move taken from a book carries in the record.
inline constexpr std::string_view BOOK_MOVE_COMMENT = "定跡";

struct GameSettings {
    // The players' names, sente's first: an engine's "id name", else 先手/後手.
    std::array<std::string, 2> names{"先手", "後手"};
    std::array<TimeControl, 2> time{};
    // How far past its time each side may answer: the margin of an engine's process, 0 for a person.
    std::array<std::int64_t, 2> marginMs{};
    // The game ends as 持将棋 once this many moves were played; 0 for no limit.
    int maxMoves = 500;
    // The declaration rule (入玉宣言); empty when the game has none.
    std::optional<DeclarationRule> declaration = DeclarationRule::Points27;
    // 開始日時 as the record writes it ("2026/12/08 09:40:00"); empty leaves the header out.
    std::string startDate;
    GameBook book;
};

class GameReferee {
public:
    // Plays into `record`, whose game stands at the end of its line in the position the game starts
    // from; the record must outlive the referee.
    GameReferee(GameRecord &record, GameSettings settings);

    // Writes the headers and starts the clock of the side to move; a side with no move at all has
    // lost at once.
    void start(std::int64_t now);
    bool over() const { return result_.end != GameEnd::None; }
    const GameResult &result() const { return result_; }
    const GameSettings &settings() const { return settings_; }
    const GameClock &clock() const { return clock_; }
    Side toMove() const { return record_.game().turn(); }
    // Whether the game starts from a handicap position, whose sides are 下手 and 上手.
    bool handicap() const { return !record_.handicapName().empty() && record_.handicapName() != "平手"; }
    // Moves played since the start.
    int movesPlayed() const { return static_cast<int>(record_.game().history().size()) - startMoves_; }

    // The side to move plays `move`. Empty when it stands; otherwise the reason in Japanese, with
    // nothing changed (a person is told and tries again). A move after the flag fell loses on time.
    std::string play(const Move &move, std::int64_t now);
    // An engine's answer for the side to move: its move, 投了, or a declaration ("win"). A move that
    // cannot be read or played loses the game (反則負け).
    void engineAnswer(const UsiBestMove &best, std::int64_t now);
    // The side to move plays a move of the game's book, when the game is within its book's plies
    // and its position is in the book with a move played at least once: chosen in proportion to
    // the counts, it costs no clock time and carries the comment 定跡. Once a position is out of
    // the book no later move comes from it. True when a move was played.
    bool playFromBook(std::int64_t now);
    // The side to move resigns.
    void resign(std::int64_t now);
    // The side to move declares (入玉宣言): won, drawn or lost by the rule. A game without the rule
    // refuses it with the reason, nothing changed.
    std::string declare(std::int64_t now);
    // `side`'s engine failed (`reason`): it loses, whether to move or not.
    void fault(Side side, const std::string &reason, std::int64_t now);
    // 中断: the game ends with no result.
    void stop(std::int64_t now);
    // Ends the game on time when the side to move's flag has fallen; true when it did.
    bool checkFlag(std::int64_t now);

    // "position startpos|sfen ... moves ..." with the whole game, for the engine to move.
    std::string positionCommand();

private:
    // Ends the game: the clock stops, the record gets its end word, its time and `comment`.
    void finish(GameEnd end, std::optional<Side> winner, std::string detail, std::int64_t now);
    // After a move: mate, repetition or the move limit, else the other side's turn.
    void judgeAfterMove(std::int64_t now);

    GameRecord &record_;
    GameSettings settings_;
    GameClock clock_;
    GameResult result_;
    int startMoves_ = 0;
    BookChooser bookChooser_;
    bool outOfBook_ = false;
};

// The KIF end word of a result, seen from the side to move when it ended ("詰み", "反則勝ち", ...);
// empty for a game not over.
std::string endWordOf(const GameResult &result, Side toMove);
// Why the game ended, in a few words ("詰み", "時間切れ", "連続王手の千日手", ...).
std::string endReasonText(const GameResult &result);
// The sentence the window shows: "先手（Fairy-Stockfish）の勝ち: 詰み（87手）", "千日手で引き分け（120手）",
// "中断しました（30手）"; the sides are 下手 and 上手 in a handicap game.
std::string resultSentence(const GameResult &result, const std::array<std::string, 2> &names,
                           bool handicap = false);
