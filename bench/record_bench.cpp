// Reading and writing record files of 100, 1,000 and 10,000 moves. Both must grow linearly with
// the number of moves; a 10,000-move record must load in well under 50 ms.
//
// Every run covers the same 10,000 plies of one random game, cut into records of the given
// length (100 records of 100 moves, 10 of 1,000, one of 10,000), so that the short records are not
// timed on a few hundred moves the caches and branch predictors have learnt by heart. Time per
// iteration is then the cost of 10,000 moves in every row; "per_record" is the cost of one record.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/movegen.h"
#include "record/record.h"

namespace {

constexpr int TOTAL_PLIES = 10000;

// The plies of one random game; kings can be captured and play goes on, so it can be this long.
const std::vector<Move> &randomGame() {
    static const std::vector<Move> moves = [] {
        std::vector<Move> played;
        std::mt19937 random(20261207u);
        ZnBan game;
        std::vector<Move> legal;
        while (played.size() < TOTAL_PLIES) {
            legal.clear();
            generateMoves(game, legal);
            if (legal.empty()) break;
            const Move move = legal[random() % legal.size()];
            if (!applyMove(game, move)) break;
            played.push_back(move);
        }
        return played;
    }();
    return moves;
}

// The current position as the first position of a record, with no moves.
std::string positionText(const ZnBan &game) {
    std::string text;
    auto line = [&text](char sign, const auto &pieces) {
        text += 'P';
        text += sign;
        for (const Koma *piece : pieces) {
            if (piece->square() == IN_HAND) {
                text += "00";
            } else {
                text += static_cast<char>('1' + columnOf(piece->square()));
                text += static_cast<char>('1' + rowOf(piece->square()));
            }
            text += RecordCode[piece->code()];
        }
        text += '\n';
    };
    line('+', game.piecesOnBoard(SENTE));
    line('-', game.piecesOnBoard(GOTE));
    line('+', game.hand(SENTE));
    line('-', game.hand(GOTE));
    text += game.turn() == SENTE ? "+\n" : "-\n";
    return text;
}

// The game cut into records of `length` moves, each starting where the previous one ended.
const std::vector<std::string> &recordsOf(int length) {
    static std::map<int, std::vector<std::string>> cache;
    auto found = cache.find(length);
    if (found != cache.end()) return found->second;
    const std::vector<Move> &moves = randomGame();
    std::vector<std::string> records;
    ZnBan whole;
    for (std::size_t first = 0; first + static_cast<std::size_t>(length) <= moves.size();
         first += static_cast<std::size_t>(length)) {
        ZnBan part;
        std::istringstream in(positionText(whole));
        loadRecord(part, in);
        for (std::size_t i = first; i < first + static_cast<std::size_t>(length); ++i) {
            applyMove(whole, moves[i]);
            applyMove(part, moves[i]);
        }
        std::ostringstream out;
        saveRecord(part, out);
        records.push_back(out.str());
    }
    return cache.emplace(length, std::move(records)).first->second;
}

void setCounters(benchmark::State &state, std::size_t records, std::size_t bytes) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * TOTAL_PLIES);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["per_record"] =
        benchmark::Counter(static_cast<double>(records),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_LoadRecord(benchmark::State &state) {
    const std::vector<std::string> &records = recordsOf(static_cast<int>(state.range(0)));
    if (records.size() * static_cast<std::size_t>(state.range(0)) != TOTAL_PLIES)
        state.SkipWithError("short game");
    std::size_t bytes = 0;
    for (const std::string &text : records) bytes += text.size();
    ZnBan game;
    for (auto _ : state) {
        for (const std::string &text : records) {
            std::istringstream in(text);
            if (!loadRecord(game, in).ok) state.SkipWithError("record refused");
            if (game.moveCount() != state.range(0)) state.SkipWithError("moves refused");
        }
    }
    setCounters(state, records.size(), bytes);
}
BENCHMARK(BM_LoadRecord)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_SaveRecord(benchmark::State &state) {
    const std::vector<std::string> &records = recordsOf(static_cast<int>(state.range(0)));
    std::vector<std::unique_ptr<ZnBan>> games;
    for (const std::string &text : records) {
        games.push_back(std::make_unique<ZnBan>());
        std::istringstream in(text);
        if (!loadRecord(*games.back(), in).ok) state.SkipWithError("record refused");
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = 0;
        for (auto &game : games) {
            std::ostringstream out;
            if (!saveRecord(*game, out).ok) state.SkipWithError("save failed");
            bytes += out.str().size();
        }
    }
    setCounters(state, games.size(), bytes);
}
BENCHMARK(BM_SaveRecord)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
