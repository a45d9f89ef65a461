#pragma once
// Analysing a whole game position by position. The driver knows nothing of engines: it names the
// position to analyse next, takes what the engine said about it, and judges each move once the
// positions on both sides of it are analysed. An engine host feeds it step by step; a synchronous
// analyser can drive it with runAnalysis.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/znban.h"
#include "engine/searchreport.h"
#include "record/evaluation.h"
#include "record/play.h"
#include "record/position.h"
#include "review/matecheck.h"
#include "review/mistake.h"

// The moves of a game's current line and the position they start from.
struct GameLine {
    PositionSpec start;
    std::vector<Move> moves;
};

// The line `game` holds, whatever move it stands at; the game ends where it stood.
GameLine currentLine(ZnBan &game);

// What the analysis keeps for one position.
struct PositionResult {
    Evaluation evaluation;
    // The reading, cut before its first move that is illegal here.
    std::vector<Move> pv;
    // Whether the engine's reading held such a move; no move is judged from it then.
    bool readingCut = false;
    // The reading in Japanese notation.
    std::string pvText;
    int depth = 0;
    std::string engine;
    // The first move and the evaluation (sente's view) of each reading of the search, the first
    // included, when the engine gave several.
    std::vector<std::pair<Move, Evaluation>> readings;
};

// What the mate solver found about a move, when it found anything.
enum class MateNote {
    None,
    Allowed,  // the opponent mates after it (…から詰みます)
    Missed,   // the mover had a mate and the move let it go (…で詰みがありました)
    Threat,  // after the opponent's best reply the mover's king is in 詰めろ (…で詰めろになります)
};

// The judgement of one move, from the results of the positions before and after it.
struct MoveVerdict {
    // The chance the mover lost: inside the search before the move when the move was one of its
    // readings, else between the searches before and after it.
    double chanceLost = 0.0;
    MoveLabel label = MoveLabel::None;
    // A short sentence for a labelled move; empty otherwise.
    std::string reason;
    MateNote mate = MateNote::None;
};

struct AnalysisSettings {
    // The first and last position analysed: 0 is the start, n the position after move n; `last`
    // beyond the line's end stops at its end.
    int first = 0;
    int last = 1 << 30;
    // Sente's winning chance is 1 / (1 + exp(-score / coefficient)); set per engine.
    double coefficient = kUsualCoefficient;
    LabelThresholds thresholds;
    // For the engine host: the time of one search and the number of readings asked for; the
    // analysis keeps the first.
    int moveTimeMs = 1000;
    int multiPv = 1;
    // Whether the mate solver checks every position too, and what one of its searches may spend: a
    // mate the move allowed is then proved, a mate it missed and a 詰めろ it left are named.
    bool checkMates = true;
    MateLimits mateLimits = kReviewMateLimits;
};

class GameAnalysis {
public:
    // Sets the line up. When its start cannot be built, error() says why and the analysis is done;
    // when one of its moves cannot be played, notes() says so and the range ends before it.
    GameAnalysis(const GameLine &line, const AnalysisSettings &settings = {});
    GameAnalysis(const GameAnalysis &) = delete;
    GameAnalysis &operator=(const GameAnalysis &) = delete;

    // Whether every position of the range was dealt with, or the analysis was cancelled or failed.
    bool done() const { return done_; }
    // The number of the position to analyse next (0 = the start).
    int nextPly() const { return ply_; }
    // That position, with the moves that lead to it from the line's start in its history.
    const ZnBan &position() const { return game_; }
    // How many positions the range holds, and how many of them were dealt with.
    int total() const { return last_ - first_ + 1; }
    int finished() const { return finished_; }

    // Records the engine's answer for position() and moves on.
    void submit(const EngineReport &report);
    // Moves on without a result for position(), which then gets no comment lines and whose move
    // and next move get no label; `note` says why.
    void skip(const std::string &note);
    // Stops here, keeping every result so far.
    void cancel() { done_ = true; }
    // Stops with a reason, keeping every result so far.
    void fail(const std::string &reason);

    // Why the analysis stopped early; empty when it did not.
    const std::string &error() const { return error_; }
    // The notes of the skipped positions, "12手目: ..." each, and of a move of the line that cannot
    // be played.
    const std::vector<std::string> &notes() const { return notes_; }
    // The result of position `ply`, if it was analysed.
    const std::optional<PositionResult> &result(int ply) const;
    // The judgement of move `ply` (1-based), if the positions on both sides of it were analysed.
    const std::optional<MoveVerdict> &verdict(int ply) const;
    // The comment lines the analysis gives position `ply`: for a labelled move the label and the
    // reason, then the evaluation lines; empty when it was not analysed.
    std::vector<std::string> commentLines(int ply) const;
    // The time the mate solver took over the whole analysis so far, in milliseconds.
    std::int64_t mateMilliseconds() const { return mateMilliseconds_; }
    // Merges the comment lines of every analysed position into `commentsAt(ply)`, which gives the
    // comment lines kept for that position (0 = before the first move).
    void writeComments(const std::function<std::vector<std::string> &(int ply)> &commentsAt) const;

private:
    // Plays the moves up to position `ply`; false when the line cannot get there.
    bool advanceTo(int ply);
    // The number of moves of the line that can be played one after another from its start.
    int playableMoves();
    void judgeMoveInto(int ply);
    // What the solver adds to the verdict of move `ply`: a proved mate for the opponent, a missed
    // mate, a 詰めろ after the opponent's reply; `labelled` says whether the move may be labelled.
    void judgeMates(int ply, MoveVerdict &verdict, const PositionResult &after, bool labelled);
    void moveOn();

    GameLine line_;
    AnalysisSettings settings_;
    ZnBan game_;
    // The position before the current one, for judging the move between them.
    ZnBan previous_;
    int first_ = 0;
    int last_ = 0;
    int ply_ = 0;
    int finished_ = 0;
    bool done_ = false;
    std::string error_;
    std::vector<std::string> notes_;
    std::vector<std::optional<PositionResult>> results_;
    std::vector<std::optional<MoveVerdict>> verdicts_;
    // The solver's answer for the side to move of each analysed position, when it checks mates.
    std::unique_ptr<MateChecker> mateChecker_;
    std::vector<std::optional<PositionMate>> mates_;
    std::int64_t mateMilliseconds_ = 0;
};

// What a synchronous analyser made of one position.
struct AnalyserAnswer {
    enum class Kind { Analysed, Skipped, Failed };
    Kind kind = Kind::Analysed;
    // The report when analysed.
    EngineReport report;
    // Why the position was skipped or the engine failed.
    std::string reason;
};

// Analyses one position for runAnalysis; `ply` is its number in the line.
using PositionAnalyser = std::function<AnalyserAnswer(const ZnBan &position, int ply)>;

// Drives `analysis` to its end with `analyser`; `progress` (when set) hears after each position
// and may return false to cancel.
void runAnalysis(GameAnalysis &analysis, const PositionAnalyser &analyser,
                 const std::function<bool(const GameAnalysis &)> &progress = {});

// One line of progress for a log, after position `ply` was dealt with: "解析 13/121 12手目 評価値
// -123 悪手", "解析 1/121 開始局面 詰み 先手勝ち 7手" or "解析 5/121 4手目 飛ばしました".
std::string progressLine(const GameAnalysis &analysis, int ply);

// A progress bar for a terminal, `width` cells wide: "[######..........] 35/121".
std::string progressBar(int finished, int total, int width = 30);

// One point of the evaluation graph.
struct GraphPoint {
    // The position: 0 is the start, n the position after move n.
    int ply = 0;
    // Sente's view, clamped to ±limit; a mate stands at the limit.
    int centipawns = 0;
    // Sente's winning chance.
    double chance = 0.5;
    // The label of the move that led here and its reason, as the comments give them.
    MoveLabel label = MoveLabel::None;
    std::string reason;
    bool operator==(const GraphPoint &) const = default;
};

// The points of the positions 0..positions-1 whose comment lines, given by `commentsAt`, hold an
// evaluation in any of the forms evaluationInComments reads, with the label and reason they hold.
std::vector<GraphPoint> evaluationGraph(
    const std::function<const std::vector<std::string> &(int ply)> &commentsAt, int positions,
    int limit = 3000, double coefficient = kUsualCoefficient);

// For every position of the line (start first) and each side: the enemy attacks around its king
// and its pieces an exchange would lose. Stops at a move that cannot be played.
std::vector<std::array<SideSafety, 2>> kingSafetyTimeline(const GameLine &line);
