// Opening a large book: a book of about BOOK_BENCH_MB megabytes (100 unless set) is generated once
// from random play, written in the file's own order and sorted, and each is opened whole; the
// counters give the file's size, the memory the book holds, and how far the process's peak memory
// rose while opening it. The aim: a 100 MB book opens in about a second within twice its size.
// A book searched on the fly from its sorted file is timed per position looked up.

#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "book/book.h"
#include "core/movegen.h"
#include "core/rules.h"

namespace {

std::uint64_t targetBytes() {
    const char *mb = std::getenv("BOOK_BENCH_MB");
    const long value = mb ? std::atol(mb) : 100;
    return static_cast<std::uint64_t>(value > 0 ? value : 100) << 20;
}

// A line of /proc/self/status in kB ("VmHWM", "VmRSS").
long statusKb(const char *field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.starts_with(prefix)) return std::atol(line.c_str() + prefix.size());
    return 0;
}

// Lets the next VmHWM start from the memory in use now.
void resetPeak() {
    malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct Files {
    std::string unsorted, sorted;
    std::vector<std::string> keys;
    ~Files() {
        if (!std::getenv("BOOK_BENCH_KEEP")) std::filesystem::remove(unsorted);
        if (!std::getenv("BOOK_BENCH_KEEP")) std::filesystem::remove(sorted);
    }
};

// Random games by the rules from the start, each position with up to three of its moves, streamed to a file in
// the order they come; then read and written back sorted.
const Files &files() {
    static const Files made = [] {
        Files out;
        const std::string base = (std::filesystem::temp_directory_path() / ("book_bench_" + std::to_string(getpid()))).string();
        out.unsorted = base + "_unsorted.db";
        out.sorted = base + "_sorted.db";
        std::ofstream file(out.unsorted, std::ios::binary);
        file << BOOK_FORMAT_LINE << '\n';
        std::mt19937 random(36);
        std::uint64_t written = 0;
        const std::uint64_t target = targetBytes();
        std::vector<Move> moves;
        std::string text;
        while (written < target) {
            ZnBan game;
            for (int ply = 0; ply < 120 && written < target; ++ply) {
                moves.clear();
                legalMoves(game, moves);
                if (moves.empty()) break;
                text = "sfen " + bookKey(game) + " " + std::to_string(ply + 1) + "\n";
                const std::size_t shown = 1 + random() % 3;
                for (std::size_t i = 0; i < shown && i < moves.size(); ++i) {
                    const Move &move = moves[random() % moves.size()];
                    text += usiMoveWord(move) + " none " + std::to_string(static_cast<int>(random() % 2000) - 1000) +
                            " " + std::to_string(random() % 40) + " " + std::to_string(1 + random() % 500) + "\n";
                }
                if (out.keys.size() < 1000 && random() % 97 == 0) out.keys.push_back(bookKey(game));
                file << text;
                written += text.size();
                if (!applyMove(game, moves[random() % moves.size()])) break;
            }
        }
        file.close();
        BookOpenOptions options;
        options.read.checkMoves = false;
        BookReadResult read = openBook(out.unsorted, options);
        if (!read.ok || !read.book.save(out.sorted).ok) std::fprintf(stderr, "book_bench: cannot write the books\n");
        return out;
    }();
    return made;
}

void openWhole(benchmark::State &state, const std::string &path) {
    BookOpenOptions options;
    // A large book's moves are checked as its positions are shown.
    options.read.checkMoves = false;
    double peakMb = 0, bookMb = 0, positions = 0;
    for (auto _ : state) {
        state.PauseTiming();
        resetPeak();
        const long before = statusKb("VmRSS");
        state.ResumeTiming();
        BookReadResult read = openBook(path, options);
        benchmark::DoNotOptimize(read.book.size());
        state.PauseTiming();
        peakMb = static_cast<double>(statusKb("VmHWM") - before) / 1024.0;
        bookMb = static_cast<double>(read.book.memoryBytes()) / (1 << 20);
        positions = static_cast<double>(read.book.size());
        if (!read.ok) state.SkipWithError("the book did not open");
        { BookReadResult gone = std::move(read); }
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
    state.counters["book_MB"] = bookMb;
    state.counters["peak_rise_MB"] = peakMb;
    state.counters["positions"] = positions;
}

void BM_OpenSortedBook(benchmark::State &state) { openWhole(state, files().sorted); }
BENCHMARK(BM_OpenSortedBook)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenUnsortedBook(benchmark::State &state) { openWhole(state, files().unsorted); }
BENCHMARK(BM_OpenUnsortedBook)->Unit(benchmark::kMillisecond)->Iterations(3);

// A book too large for memory: each lookup halves the sorted file's byte range.
void BM_FindOnTheFly(benchmark::State &state) {
    BookOpenOptions options;
    options.maxInMemory = 0;
    const BookReadResult read = openBook(files().sorted, options);
    if (!read.ok || !read.book.onTheFly() || files().keys.empty()) {
        state.SkipWithError("the book did not open on the fly");
        return;
    }
    std::size_t next = 0, found = 0;
    for (auto _ : state) {
        found += read.book.find(files().keys[next]).has_value();
        next = (next + 1) % files().keys.size();
    }
    state.counters["found_share"] = benchmark::Counter(static_cast<double>(found), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_FindOnTheFly)->Unit(benchmark::kMicrosecond);

}  // namespace
