#pragma once
// What differs from one engine to another, kept as data: how long it may take to start, how a
// search is started and stopped, which options go first and how several lines are asked for. How
// long a search runs is not the engine's but the request's: see UsiGo.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct EngineProfile {
    // "fairy-stockfish", "gpsusi" or "generic".
    std::string key;
    // How long the engine may take, in milliseconds, to answer "usi" with "usiok", "isready" with
    // "readyok" and "stop" with "bestmove", and to end after "quit".
    std::int64_t usiTimeoutMs = 10000;
    std::int64_t readyTimeoutMs = 10000;
    std::int64_t stopTimeoutMs = 5000;
    std::int64_t quitTimeoutMs = 5000;
    // Whether a time per move goes as "go movetime", for an engine that spends only part of a
    // byoyomi; otherwise as a byoyomi with no main time, which every engine takes (some end the
    // process on "go movetime").
    bool moveTimeCommand = false;
    // The command that ends a search early.
    std::string stopCommand = "stop";
    // Options sent right after "usiok", before the user's own.
    std::vector<std::pair<std::string, std::string>> startOptions;
    // The option that asks for several lines; empty when the engine cannot give more than one.
    std::string multiPvOption;
    // The most lines the window asks this engine for.
    int maxLines = 5;
    // A centipawn score this large or larger (either sign) is the engine's way of saying it found a
    // mate of unknown length; 0 when it says mate itself.
    std::int64_t mateCentipawns = 0;
    // How far past its time the engine's move may arrive in a game before it loses on time: the
    // pipe and the process take their share.
    std::int64_t moveMarginMs = 1000;
    // Whether the engine reads sente's clock from "wtime" and gote's from "btime", the chess way
    // round (fairy-stockfish 11.1 does).
    bool clockSidesSwapped = false;
};

// How long one search runs, given with each request rather than fixed for the engine: without end
// until stopped (the 検討 window), a fixed time per move (game analysis), or the players' clocks
// (a game against the engine). Times are in milliseconds.
struct UsiGo {
    enum class Kind { Infinite, MoveTime, Clocks };
    Kind kind = Kind::Infinite;
    // MoveTime: the time for this one move.
    std::int64_t moveTimeMs = 0;
    // Clocks: each side's time left ("btime" is sente's), then either a byoyomi once it is spent
    // or, when either increment is set, a Fischer increment per move ("binc", "winc").
    std::int64_t senteMs = 0, goteMs = 0, byoyomiMs = 0, senteIncMs = 0, goteIncMs = 0;

    static UsiGo infinite() { return {}; }
    static UsiGo moveTime(std::int64_t ms) { return {Kind::MoveTime, ms}; }
    static UsiGo clocks(std::int64_t senteMs, std::int64_t goteMs, std::int64_t byoyomiMs,
                        std::int64_t senteIncMs = 0, std::int64_t goteIncMs = 0) {
        return {Kind::Clocks, 0, senteMs, goteMs, byoyomiMs, senteIncMs, goteIncMs};
    }
    bool operator==(const UsiGo &) const = default;
};

// The "go" command that starts a search of `go` on the engine of `profile`.
std::string goCommand(const EngineProfile &profile, const UsiGo &go);

// The profile of the engine at `path` (by its file name) or, once known, by its "id name"; the
// generic profile when neither is one the program knows.
EngineProfile profileFor(std::string_view path, std::string_view idName = {});
