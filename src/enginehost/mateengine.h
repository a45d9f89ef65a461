#pragma once
// The process side of an engine's mate search: one engine started for one position, asked with
// "go mate MS" and its "checkmate" reply read (engine/matereply), then told to quit. It blocks the
// caller, a command-line program, with a watchdog on every step, and kills an engine that does not
// answer.

#include <QString>
#include <atomic>
#include <cstdint>

#include "core/znban.h"
#include "engine/matereply.h"

// Asks the engine at `path` whether the side to move mates in the position the game shows, giving
// it `milliseconds` (0: no limit but the watchdog's). An engine that cannot start, answers nothing
// in time or claims a line that does not mate gives 不明 with the fault named.
// `hashMb`, when not 0, is sent as USI_Hash first (an engine's own default may be gigabytes).
// `stop`, when given, may be set from another thread: the engine is then killed within a few
// milliseconds and the answer is 不明 with the fault "中止しました".
EngineMate askEngineMate(const QString &path, const ZnBan &game, std::int64_t milliseconds, int hashMb = 0,
                         const std::atomic<bool> *stop = nullptr);
