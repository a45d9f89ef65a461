#pragma once
// The lines a USI engine prints, read into values: every line type the protocol knows, with option
// names read up to the next keyword (they may hold spaces) and every number read without overflow.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class UsiLineType { Empty, Id, Option, UsiOk, ReadyOk, Info, BestMove, Unknown };

enum class OptionType { Check, Spin, Combo, Button, String, Filename, Unknown };

// One "option" line.
struct UsiOption {
    std::string name;
    OptionType type = OptionType::Unknown;
    std::string defaultValue;
    std::optional<std::int64_t> min;
    std::optional<std::int64_t> max;
    std::vector<std::string> vars;
};

enum class ScoreBound { Exact, Lower, Upper };

// The score of an info line, from the side to move's view.
struct UsiScore {
    bool mate = false;
    // Centipawns, or with `mate` the plies to mate: positive when the side to move mates.
    std::int64_t value = 0;
    // With `mate`: whether the line gave a number ("mate +" and "mate -" give none).
    bool mateKnown = true;
    ScoreBound bound = ScoreBound::Exact;
};

// One "info" line; a field the line leaves out (or whose number overflows) stays empty.
struct UsiInfo {
    std::optional<int> depth;
    std::optional<int> seldepth;
    std::optional<std::int64_t> time;
    std::optional<std::int64_t> nodes;
    std::optional<std::int64_t> nps;
    std::optional<int> hashfull;
    std::optional<int> multipv;
    std::optional<UsiScore> score;
    std::vector<std::string> pv;
    std::string currmove;
    std::string text;  // after "string": the rest of the line
    // Whether a number on the line was out of range and left out.
    bool overflow = false;
};

// One "bestmove" line.
struct UsiBestMove {
    std::string move;
    std::string ponder;
    bool resign = false;
    bool win = false;
};

struct UsiLine {
    UsiLineType type = UsiLineType::Empty;
    // For "id": the key ("name", "author") and the rest of the line.
    std::string idKey;
    std::string idValue;
    UsiOption option;
    UsiInfo info;
    UsiBestMove best;
};

// Reads one line (without its end) as an engine prints it. Never fails: a line it cannot place is
// Unknown, a field it cannot read is left out.
UsiLine parseUsiLine(std::string_view line);

// Reads a decimal integer with an optional sign; empty when it is not one or does not fit.
std::optional<std::int64_t> parseInteger(std::string_view word);

// Cuts the bytes an engine writes into lines. A line longer than kMaxLineBytes is dropped whole,
// invalid UTF-8 becomes U+FFFD, and "\r\n" ends a line like "\n"; neither stops what follows.
class UsiLineSplitter {
public:
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;

    // Adds `bytes` and calls `line` for every line they complete.
    void feed(std::string_view bytes, const std::function<void(std::string &&line)> &line);
    // How many lines were dropped for their length.
    std::size_t droppedLines() const { return dropped_; }
    // How many lines had invalid UTF-8 replaced.
    std::size_t repairedLines() const { return repaired_; }

private:
    void finishLine(const std::function<void(std::string &&line)> &line);

    std::string pending_;
    bool discarding_ = false;
    std::size_t dropped_ = 0;
    std::size_t repaired_ = 0;
};

// `text` with every invalid UTF-8 sequence replaced by U+FFFD; `changed` tells whether any was.
std::string repairUtf8(std::string_view text, bool &changed);
