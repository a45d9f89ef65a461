#pragma once
// The clock of a game by the rules: each side's 持ち時間, then 秒読み for every move, or 加算
// (Fischer) credited as each turn begins. Time comes from outside in milliseconds on a steady clock,
// so that a redraw never costs a player time and tests drive it without waiting.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "support/types.h"

struct TimeControl {
    std::int64_t mainMs = 10 * 60 * 1000;
    std::int64_t byoyomiMs = 30 * 1000;
    std::int64_t incrementMs = 0;
    bool operator==(const TimeControl &) const = default;
};

// "10分 秒読み30秒", "1時間 加算10秒", "0分 秒読み0.3秒".
std::string timeControlText(const TimeControl &control);
// Reads seconds written as a decimal ("30", "0.3", "1.25") into milliseconds, a fourth decimal place
// and beyond rounded; false for anything else: a sign, an exponent, no digit, more than ten days.
bool readSecondsAsMs(std::string_view text, std::int64_t &ms);
// Why the control cannot be played (no time at all, both 秒読み and 加算, a negative or too large
// value), in Japanese; empty when it can.
std::string timeControlProblem(const TimeControl &control);

class GameClock {
public:
    // `marginMs`: how far past its time a side may answer before it loses (an engine's process
    // gets a second; a person none).
    GameClock(const std::array<TimeControl, 2> &controls, const std::array<std::int64_t, 2> &marginMs);

    // Begins the turn of `side`: its 加算 is credited now.
    void startTurn(Side side, std::int64_t now);
    // Ends the turn running; returns the milliseconds it took. The clock then waits for startTurn.
    std::int64_t stopTurn(std::int64_t now);
    // Ends the turn running as if it had never begun: no time taken, its 加算 taken back (a move
    // from a book costs its side nothing).
    void cancelTurn();
    bool running() const { return running_; }
    Side side() const { return side_; }

    // The milliseconds the running turn has taken.
    std::int64_t spentMs(std::int64_t now) const { return running_ ? now - turnStart_ : 0; }
    // The 持ち時間 `side` has left at `now`, never below zero.
    std::int64_t remainingMs(Side side, std::int64_t now) const;
    // The 秒読み `side` has left for the running move (its full 秒読み when not yet in it or not
    // to move), never below zero.
    std::int64_t byoyomiLeftMs(Side side, std::int64_t now) const;
    // When the running turn's time runs out, margin included; empty when nothing runs.
    std::optional<std::int64_t> flagTime() const;
    // Whether the side to move has run out of time at `now`, margin included.
    bool flagFell(std::int64_t now) const;
    // What the engine to move is told of the clocks: each side's 持ち時間 as the running turn began
    // (before its credit), and the mover's 秒読み or both sides' 加算.
    struct Reading {
        std::int64_t senteMs = 0, goteMs = 0, byoyomiMs = 0, senteIncMs = 0, goteIncMs = 0;
    };
    Reading reading() const;
    const TimeControl &control(Side side) const { return controls_[side & 1]; }

private:
    std::array<TimeControl, 2> controls_;
    std::array<std::int64_t, 2> margins_;
    std::array<std::int64_t, 2> remaining_;
    bool running_ = false;
    Side side_ = SENTE;
    std::int64_t turnStart_ = 0;
};
