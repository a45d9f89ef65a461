// Reading and writing the standard record formats: the same 200 seeded random games (standard,
// handicap and set-up starts, 80 to 240 plies, a time on every move) as KIF, KI2, CSA and USI text.
// items_per_second is plies per second. The readers are expected to reach 1.8 M plies/s for KIF,
// more for CSA and USI.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "common/seeded_games.h"
#include "record/csa.h"
#include "record/formats.h"
#include "record/ki2.h"
#include "record/kif.h"
#include "record/sfen.h"

namespace {

constexpr unsigned GAMES = 200;

struct Corpus {
    std::vector<std::unique_ptr<ZnBan>> games;
    std::vector<RecordNotes> notes;
    std::vector<std::string> kif, kifShiftJis, ki2, csa, usi;
    std::int64_t plies = 0;
};

const Corpus &corpus() {
    static const Corpus built = [] {
        Corpus c;
        for (unsigned seed = 1; seed <= GAMES; ++seed) {
            auto game = std::make_unique<ZnBan>();
            playSeededGame(*game, seed, 80 + static_cast<int>(seed * 37 % 161));
            RecordNotes notes;
            notes.setHeader("先手", "先手の人");
            notes.setHeader("後手", "後手の人");
            for (std::size_t move = 0; move < game->history().size(); ++move)
                notes.moveMs.push_back(std::int64_t((move * 7 + seed) % 60) * 1000);
            notes.endWord = "投了";
            c.plies += static_cast<std::int64_t>(game->history().size());
            c.kif.push_back(writeKif(*game, notes));
            std::string bytes;
            writeRecordBytes(*game, notes, RecordFormat::Kif, bytes, true);
            c.kifShiftJis.push_back(bytes);
            c.ki2.push_back(writeKi2(*game, notes));
            c.csa.push_back(writeCsa(*game, notes));
            c.usi.push_back(writeUsi(*game));
            c.games.push_back(std::move(game));
            c.notes.push_back(std::move(notes));
        }
        return c;
    }();
    return built;
}

void finish(benchmark::State &state, const std::vector<std::string> &texts) {
    std::int64_t bytes = 0;
    for (const std::string &text : texts) bytes += static_cast<std::int64_t>(text.size());
    state.SetItemsProcessed(state.iterations() * corpus().plies);
    state.SetBytesProcessed(state.iterations() * bytes);
}

template <typename Read>
void readAll(benchmark::State &state, const std::vector<std::string> &texts, Read read) {
    const Corpus &c = corpus();
    ZnBan game;
    RecordNotes notes;
    for (auto _ : state) {
        for (std::size_t i = 0; i < texts.size(); ++i) {
            if (!read(game, notes, texts[i]).ok) state.SkipWithError("record refused");
            if (game.history().size() != c.games[i]->history().size()) state.SkipWithError("moves lost");
        }
        benchmark::DoNotOptimize(game.moveCount());
    }
    finish(state, texts);
}

void BM_ReadKif(benchmark::State &state) { readAll(state, corpus().kif, readKif); }
BENCHMARK(BM_ReadKif)->Unit(benchmark::kMillisecond);

// The same records as Shift-JIS ".kif" bytes, decoded through iconv on the way in.
void BM_ReadKifShiftJisBytes(benchmark::State &state) {
    readAll(state, corpus().kifShiftJis, [](ZnBan &game, RecordNotes &notes, std::string_view bytes) {
        return readRecordBytes(game, notes, bytes, "game.kif");
    });
}
BENCHMARK(BM_ReadKifShiftJisBytes)->Unit(benchmark::kMillisecond);

void BM_ReadKi2(benchmark::State &state) { readAll(state, corpus().ki2, readKi2); }
BENCHMARK(BM_ReadKi2)->Unit(benchmark::kMillisecond);

void BM_ReadCsa(benchmark::State &state) { readAll(state, corpus().csa, readCsa); }
BENCHMARK(BM_ReadCsa)->Unit(benchmark::kMillisecond);

void BM_ReadUsi(benchmark::State &state) { readAll(state, corpus().usi, readSfen); }
BENCHMARK(BM_ReadUsi)->Unit(benchmark::kMillisecond);

template <typename Write>
void writeAll(benchmark::State &state, Write write) {
    const Corpus &c = corpus();
    std::vector<std::string> texts(c.games.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < c.games.size(); ++i) texts[i] = write(*c.games[i], c.notes[i]);
        benchmark::DoNotOptimize(texts.data());
    }
    finish(state, texts);
}

void BM_WriteKif(benchmark::State &state) { writeAll(state, writeKif); }
BENCHMARK(BM_WriteKif)->Unit(benchmark::kMillisecond);

void BM_WriteCsa(benchmark::State &state) { writeAll(state, writeCsa); }
BENCHMARK(BM_WriteCsa)->Unit(benchmark::kMillisecond);

void BM_WriteUsi(benchmark::State &state) {
    writeAll(state, [](ZnBan &game, const RecordNotes &) { return writeUsi(game); });
}
BENCHMARK(BM_WriteUsi)->Unit(benchmark::kMillisecond);

}  // namespace
