#pragma once
// A series of games between two engines, A and B, without any toolkit: which game comes next, from
// which opening and with whom on which side; how many run at once; the score, the pairs, the SPRT
// and when to stop; the name of each game's record and the summary a script reads. The window's
// 連続対局 and `nagikifu match` drive it and show it; the games themselves are played elsewhere.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/matchscore.h"
#include "engine/openings.h"
#include "engine/referee.h"
#include "engine/sprt.h"

struct SeriesSettings {
    int games = 2;
    // Where the games start. With more than one, or with `paired`, each opening is played twice, A
    // as sente first and as gote second (games 2k-1 and 2k from opening k).
    std::vector<Opening> openings;
    bool paired = false;
    // The openings in the file's order, or shuffled by `seed` (the same seed, the same order).
    bool randomOrder = false;
    std::uint64_t seed = 0;
    int concurrency = 1;
    std::optional<SprtSettings> sprt;
};

// One game to play.
struct SeriesGame {
    int index = 0;  // from 0
    int opening = 0;
    // The side A plays; B plays the other.
    Side sideOfA = SENTE;
};

// One game played, as the summary keeps it.
struct SeriesEntry {
    int index = 0;
    int opening = 0;
    std::array<std::string, 2> names;  // sente's and gote's
    GameResult result;
    std::string file;  // the record's path, empty when none was written
};

enum class SeriesEnd { Running, Done, H0, H1, Stopped, Failed };

class Series {
public:
    // An empty openings list plays every game from the standard start.
    explicit Series(SeriesSettings settings);

    const SeriesSettings &settings() const { return settings_; }
    // The next game to start now: none when `concurrency` games run already, every game has been
    // handed out, or the series is stopping.
    std::optional<SeriesGame> next();
    // A game handed out has ended with `entry` (its names, result and file filled in). A stopped
    // game counts for nothing; a fault counts as a loss of the engine at fault, as the referee
    // decided. The SPRT is judged after each game, or each pair when the games go in pairs.
    void finished(const SeriesEntry &entry);
    // A game handed out could not start (an engine failed to come up). After games were played it
    // is played again, three times at most (a busy machine); otherwise the series fails. True when
    // it is played again.
    bool notStarted(int index);
    // A game handed out ended before it began (stopped while its engines were starting): it counts
    // for nothing and is not played again.
    void abandoned(int index);
    // Stops handing out games; those running should be stopped and reported as such.
    void stop();

    SeriesEnd end() const;
    bool over() const { return end() != SeriesEnd::Running; }
    int running() const { return static_cast<int>(running_.size()); }
    int played() const { return score_.games(); }

    // A's score (B's is its mirror), and the pairs when the games go in pairs.
    const MatchScore &score() const { return score_; }
    const Pentanomial &pentanomial() const { return pentanomial_; }
    bool paired() const { return paired_; }
    // The LLR on the counts so far, 0 without an SPRT.
    double llr() const;
    SprtVerdict verdict() const { return verdict_; }
    const std::vector<SeriesEntry> &entries() const { return entries_; }
    const Opening &opening(int index) const { return openings_[static_cast<std::size_t>(index)]; }

    // The seed of game `index`'s choices from a book: games 2k and 2k+1, which swap the sides,
    // share theirs, so that each line from the book is played from both sides.
    std::uint64_t bookSeed(int index) const;

    // The record's file name of game `index`: "001.kif", with more digits for longer series.
    std::string recordName(int index, const std::string &extension = "kif") const;

private:
    SeriesSettings settings_;
    std::vector<Opening> openings_;
    bool paired_ = false;
    std::vector<int> order_;
    int next_ = 0;
    std::vector<int> running_;
    std::vector<int> retry_;
    // How often each game could not start.
    std::map<int, int> retries_;
    bool stopping_ = false;
    bool failed_ = false;
    MatchScore score_;
    Pentanomial pentanomial_;
    // The points A took in the first game of a pair to finish, by pair, until the other comes in.
    std::map<int, int> halfPair_;
    SprtVerdict verdict_ = SprtVerdict::Continue;
    std::vector<SeriesEntry> entries_;
};

// The summary lines after the table: "Elo: +35.2 ± 40.1 (95 %), LOS: 96.3 %, DrawRatio: 12.0 %",
// "Ptnml(0-2): [1, 4, 10, 3, 2]" for pairs, the SPRT line and its verdict.
std::vector<std::string> seriesSummary(const Series &series);

// Every game and the summary as JSON, for scripts: games (index from 1, opening, sente, gote, result
// "sente"/"gote"/"draw"/"none", winner, reason, plies, file) and the summary (engines, wins, losses,
// draws, Elo and its margin, LOS, draw ratio, pentanomial, SPRT with its LLR, bounds and state).
std::string seriesJson(const Series &series, const std::array<std::string, 2> &engineNames);
