#pragma once
// An engine's answer to "go mate": "checkmate <moves>", "checkmate nomate", "checkmate timeout" or
// "checkmate notimplemented". A line is replayed by the rules before it counts as a mate: an illegal
// or non-mating line is the engine's fault, never shown as a mate.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/mate.h"

// "go mate MS", or "go mate infinite" for 0.
std::string goMateCommand(std::int64_t milliseconds);

// Whether `line` is the engine's answer to "go mate" (it starts with the word "checkmate").
bool isMateReply(std::string_view line);

struct EngineMate {
    MateAnswer answer = MateAnswer::Unknown;
    std::vector<Move> line;
    // Why a reply that claims a mate was not taken as one, in Japanese; empty otherwise.
    std::string fault;
};

// Reads the reply for the position the game shows: the three answers as the solver gives them, with
// "timeout", "notimplemented" and anything else 不明.
EngineMate readMateReply(const ZnBan &game, std::string_view line);
