#include "engine/profile.h"

#include <algorithm>

namespace {

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string_view fileName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

EngineProfile fairyStockfish() {
    EngineProfile profile;
    profile.key = "fairy-stockfish";
    profile.multiPvOption = "MultiPV";
    // It spends only part of a byoyomi: the time asked for is the time searched.
    profile.moveTimeCommand = true;
    // Shogi is its default, but another front end may have left a different variant in its log.
    profile.startOptions = {{"UCI_Variant", "shogi"}};
    // With "go btime 300 wtime 60000" it searches sente's move for seconds.
    profile.clockSidesSwapped = true;
    return profile;
}

EngineProfile gpsusi() {
    EngineProfile profile;
    profile.key = "gpsusi";
    // "go movetime" ends the process; "go infinite" is safe and "stop" answers it.
    // Its book answers at once; analysis wants the search.
    profile.startOptions = {{"BookDepth", "0"}};
    // Its several lines are a score window with no tag per line: the window shows one.
    profile.maxLines = 1;
    // It is slow to start, much slower on a busy machine (over 10 s to "readyok" under load).
    profile.usiTimeoutMs = 20000;
    profile.readyTimeoutMs = 30000;
    // A mate it finds comes as "score cp 1148897" or so, never as "score mate".
    profile.mateCentipawns = 1000000;
    return profile;
}

std::string ms(std::int64_t value) { return std::to_string(std::max<std::int64_t>(value, 0)); }

}  // namespace

std::string goCommand(const EngineProfile &profile, const UsiGo &go) {
    switch (go.kind) {
        case UsiGo::Kind::Infinite: break;
        case UsiGo::Kind::MoveTime: {
            const std::string time = std::to_string(std::max<std::int64_t>(go.moveTimeMs, 1));
            if (profile.moveTimeCommand) return "go movetime " + time;
            return "go btime 0 wtime 0 byoyomi " + time;
        }
        case UsiGo::Kind::Clocks: {
            std::string command = "go btime " + ms(go.senteMs) + " wtime " + ms(go.goteMs);
            if (go.senteIncMs > 0 || go.goteIncMs > 0)
                return command + " binc " + ms(go.senteIncMs) + " winc " + ms(go.goteIncMs);
            return command + " byoyomi " + ms(go.byoyomiMs);
        }
    }
    return "go infinite";
}

EngineProfile profileFor(std::string_view path, std::string_view idName) {
    const std::string_view name = fileName(path);
    if (contains(name, "fairy-stockfish") || contains(idName, "Fairy-Stockfish")) return fairyStockfish();
    if (contains(name, "gpsusi") || contains(idName, "gpsshogi")) return gpsusi();
    EngineProfile profile;
    profile.key = "generic";
    profile.multiPvOption = "MultiPV";
    return profile;
}
