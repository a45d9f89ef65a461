#pragma once
// What the 検討 window shows, without the window: the engine's lines (one slot per MultiPV
// number) for the position they belong to, turned into rows of text and arrows, the squares the
// first line's move changes, and when to draw again, so that a flood of lines costs at most ten
// redraws a second. Time is the caller's: milliseconds on any steady clock.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/znban.h"
#include "engine/usiline.h"
#include "review/balance.h"

// One line as the window lists it.
struct ReadingRow {
    int line = 0;         // the 0-based MultiPV slot
    std::string score;    // sente's view: "+123", "詰み 7手 先手勝ち"
    std::string depth;    // "12" or "12/20"
    std::string text;     // the reading, cut before its first move that is illegal here
    std::string cutWord;  // that move, "" when every move was played
    // The USI word of the reading's first move, which names the line as lines change places.
    std::string firstMove;
};

// The best move of a line, as an arrow on the board.
struct ReadingArrow {
    Square from = IN_HAND;  // IN_HAND for a drop
    Square to = 0;
    Side side = SENTE;
    int standSlot = 0;  // for a drop: the slot of the dropped kind on its side's stand
    int rank = 0;       // the line's slot
};

class ReadingsModel {
public:
    static constexpr int kMaxLines = 5;
    static constexpr std::int64_t kRedrawIntervalMs = 100;

    // Follows `game`'s position: false when it is the one followed already; otherwise its lines are
    // forgotten and valid() says whether an engine may be given it (problem() says why not).
    bool follow(const ZnBan &game);
    // Forgets which position was followed, so that the next follow starts afresh.
    void forgetPosition() { key_.clear(); }
    const ZnBan &position() const { return position_; }
    // The followed position's SFEN; empty before the first.
    const std::string &positionKey() const { return key_; }
    bool valid() const { return valid_; }
    const std::string &problem() const { return problem_; }
    // What the engine is sent for the followed position: the whole line when the rules allow every
    // move of it, else the position alone.
    const std::string &command() const { return command_; }

    // Forgets every line and the counters; the next line is drawn at once.
    void clearLines();
    // Forgets the lines from slot `count` on, asked for before and out of date now.
    void dropLinesFrom(int count);
    // Takes an info line of a search asked for `lineCount` lines. True when it is a scored line
    // with a reading (kept when its slot is one asked for).
    bool take(const UsiInfo &info, int lineCount);
    const std::optional<UsiInfo> &line(int index) const;
    std::optional<std::int64_t> nodes() const { return nodes_; }
    std::optional<std::int64_t> nps() const { return nps_; }

    struct View {
        std::vector<ReadingRow> rows;
        std::vector<ReadingArrow> arrows;
        // The squares whose balance the first line's move changes.
        std::vector<BalanceChange> changed;
        // The row of the line chosen, wherever it stands now; -1 for none.
        int selected = -1;
    };
    // The first `lineCount` slots as the window shows them. The chosen line is found by its first
    // move; when no line starts with it any more, the choice is forgotten.
    View view(int lineCount);

    // Chooses the line in slot `line` (for the record, and to stay selected as lines change
    // places); a slot with no line chooses none.
    void select(int line);
    // The slot of the chosen line, else 0 (the first line).
    int selectedSlot() const;

    // How long to wait from `now` before drawing (0: at once): the first line of a new position or
    // after a quiet spell shows at once, a burst waits for the next tenth of a second.
    std::int64_t redrawDelay(std::int64_t now);
    // The lines were drawn at `now`.
    void drawn(std::int64_t now) { drawnAt_ = now; }

private:
    ZnBan position_;
    ZnBan scratch_;
    std::string key_;
    bool valid_ = false;
    std::string problem_;
    std::string command_;
    std::array<std::optional<UsiInfo>, kMaxLines> lines_;
    std::optional<std::int64_t> nodes_;
    std::optional<std::int64_t> nps_;
    std::int64_t drawnAt_ = 0;
    // The first move of the chosen line; empty for none.
    std::string selectedMove_;
    bool showNextAtOnce_ = false;
};
