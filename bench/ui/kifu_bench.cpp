// The move list window with a 10,000-move game: a jump as a key press makes it (the walk, the
// redraw of the board and stands, the list's selection following), making the 10,001 rows again
// after the line changed, and painting the list in the middle of the game.

#include <benchmark/benchmark.h>

#include <QAction>
#include <QListView>
#include <random>
#include <vector>

#include "core/movegen.h"
#include "ui/kifuwindow.h"
#include "ui/mainform.h"

namespace {

constexpr int PLIES = 10000;

// The window with a random game of PLIES moves and its move list open.
TZnMainForm &windowWithLongGame(benchmark::State &state) {
    static TZnMainForm *window = [] {
        auto made = new TZnMainForm;
        std::mt19937 random(20261207u);
        std::vector<Move> legal;
        while (made->game().moveCount() < PLIES) {
            legal.clear();
            generateMoves(made->game(), legal);
            if (legal.empty() || !applyMove(made->game(), legal[random() % legal.size()])) break;
        }
        made->record().reset();
        made->show();
        made->showKifuWindow();
        made->RedrawAll();
        return made;
    }();
    if (window->record().length() != PLIES) state.SkipWithError("the random game ended early");
    return *window;
}

void trigger(TZnMainForm &window, const char *item) {
    window.findChild<QAction *>(QString::fromLatin1(item))->trigger();
}

// Home and End alternately: a walk over the whole line, each time with everything redrawn.
void BM_JumpEndToEndWithTheList(benchmark::State &state) {
    TZnMainForm &window = windowWithLongGame(state);
    for (auto _ : state) {
        trigger(window, window.record().atEnd() ? "KW1" : "KW4");
        if (window.kifuWindow()->selectedRow() != window.record().cursor())
            state.SkipWithError("list behind");
    }
    trigger(window, "KW4");
}
BENCHMARK(BM_JumpEndToEndWithTheList)->Unit(benchmark::kMillisecond);

// One step forward or back in the middle, with everything redrawn.
void BM_OneStepWithTheList(benchmark::State &state) {
    TZnMainForm &window = windowWithLongGame(state);
    window.record().goTo(PLIES / 2);
    window.RedrawAll();
    bool forward = true;
    for (auto _ : state) {
        trigger(window, forward ? "KW3" : "KW2");
        forward = !forward;
    }
    trigger(window, "KW4");
}
BENCHMARK(BM_OneStepWithTheList)->Unit(benchmark::kMicrosecond);

// The line changed: every row is made again in one walk and the view is reset.
void BM_RowsMadeAgain(benchmark::State &state) {
    TZnMainForm &window = windowWithLongGame(state);
    for (auto _ : state) {
        window.record().reset(window.record().notes());
        window.RedrawAll();
    }
}
BENCHMARK(BM_RowsMadeAgain)->Unit(benchmark::kMillisecond);

// Painting the list window at move 5,000: only the rows in sight are asked for.
void BM_PaintTheList(benchmark::State &state) {
    TZnMainForm &window = windowWithLongGame(state);
    window.record().goTo(PLIES / 2);
    window.RedrawAll();
    for (auto _ : state) {
        const QPixmap picture = window.kifuWindow()->grab();
        benchmark::DoNotOptimize(picture.cacheKey());
    }
    trigger(window, "KW4");
}
BENCHMARK(BM_PaintTheList)->Unit(benchmark::kMillisecond);

}  // namespace
