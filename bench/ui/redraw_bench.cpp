// A full redraw of the board and both stands into the off-screen image, as every paint of the
// board does it, at device pixel ratios 1 and 2.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdint>
#include <vector>

#include "core/movegen.h"
#include "ui/layers.h"
#include "ui/render.h"
#include "ui/znflags.h"

namespace {

// The benchmarks' second argument, in the numbers their names have always carried: 0 none,
// 2 利き収支分布, 3 利き集中分布.
AttackDisplay attackDisplayOf(std::int64_t argument) {
    return argument == 2 ? AttackDisplay::Balance : argument == 3 ? AttackDisplay::Concentration : AttackDisplay::None;
}

void redraw(QImage &image, const BoardFonts &fonts, ZnBan &game, const ZnFlags &flags, AttackDisplay mode) {
    DrawBoardBase(image, fonts, game, mode);
    DrawBoardPieces(image, fonts, game, flags);
    ClearStandImage(image);
    DrawStand(image, fonts, game, SENTE, flags);
    ClearStandImage(image);
    DrawStand(image, fonts, game, GOTE, flags);
}

// A middle game reached by a fixed rule: take something whenever possible, otherwise play a move
// picked by the ply number. Both hands end up holding pieces.
void playCapturingGame(ZnBan &game, int plies) {
    std::vector<Move> moves;
    for (int ply = 0; ply < plies; ++ply) {
        moves.clear();
        generateMoves(game, moves);
        if (moves.empty()) return;
        const Move *chosen = &moves[static_cast<std::size_t>(ply * 7919) % moves.size()];
        for (const Move &move : moves) {
            if (move.from != IN_HAND && game.pieceAt(move.to) != nullptr) {
                chosen = &move;
                break;
            }
        }
        applyMove(game, *chosen);
    }
}

void BM_RedrawStartingPosition(benchmark::State &state) {
    ZnBan game;
    ZnFlags flags;
    flags.SelectSquare(60);
    const BoardFonts fonts;
    QImage &image = flags.image(static_cast<qreal>(state.range(0)));
    for (auto _ : state) {
        redraw(image, fonts, game, flags, AttackDisplay::None);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_RedrawStartingPosition)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->Repetitions(5);

void BM_RedrawWithHandsAndOverlay(benchmark::State &state) {
    ZnBan game;
    playCapturingGame(game, 160);
    ZnFlags flags;
    flags.SelectHand(0);
    const BoardFonts fonts;
    QImage &image = flags.image(static_cast<qreal>(state.range(0)));
    const AttackDisplay mode = attackDisplayOf(state.range(1));
    for (auto _ : state) {
        redraw(image, fonts, game, flags, mode);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["inHand"] = game.hand(SENTE).size() + game.hand(GOTE).size();
    state.counters["onBoard"] =
        static_cast<double>(game.piecesOnBoard(SENTE).size() + game.piecesOnBoard(GOTE).size());
}
BENCHMARK(BM_RedrawWithHandsAndOverlay)
    ->Args({1, 2})
    ->Args({1, 3})
    ->Args({2, 2})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5);

LayerSettings everyLayer() {
    LayerSettings all;
    all.counts = all.attackers = all.exchange = all.preview = all.lastMove = true;
    return all;
}

// The square with the most attackers of both sides, for the lines drawn to it.
Square busiestSquare(const ZnBan &game) {
    Square busiest = 0;
    for (int square = 1; square < SQUARE_COUNT; ++square)
        if (game.attackCount(SENTE, static_cast<Square>(square)) +
                game.attackCount(GOTE, static_cast<Square>(square)) >
            game.attackCount(SENTE, busiest) + game.attackCount(GOTE, busiest))
            busiest = static_cast<Square>(square);
    return busiest;
}

void redrawWithLayers(QImage &image, ZnBan &game, const ZnFlags &flags, BoardLayers &layers,
                      const DisplaySettings &display) {
    layers.drawBoard(image, game, flags, display);
    ClearStandImage(image);
    DrawStand(image, layers.fonts(), game, SENTE, flags);
    ClearStandImage(image);
    DrawStand(image, layers.fonts(), game, GOTE, flags);
}

// Every layer on, the mouse on the busiest square, nothing selected: counts, lines, exchange
// frames and the last move, over the overlay, with both stands.
void BM_RedrawEveryLayer(benchmark::State &state) {
    ZnBan game;
    playCapturingGame(game, 160);
    ZnFlags flags;
    BoardLayers layers;
    DisplaySettings display;
    display.layers = everyLayer();
    layers.setHoveredSquare(busiestSquare(game));
    QImage &image = flags.image(static_cast<qreal>(state.range(0)));
    display.attacks = attackDisplayOf(state.range(1));
    for (auto _ : state) {
        redrawWithLayers(image, game, flags, layers, display);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["lines"] =
        game.attackCount(SENTE, busiestSquare(game)) + game.attackCount(GOTE, busiestSquare(game));
}
BENCHMARK(BM_RedrawEveryLayer)
    ->Args({1, 2})
    ->Args({1, 3})
    ->Args({2, 2})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5);

// One preview as the mouse rests on a destination: the copy of the position, the move, the redraw
// with every layer on and the take-back.
void BM_PreviewOneMove(benchmark::State &state) {
    ZnBan game;
    playCapturingGame(game, 160);
    std::vector<Move> moves;
    generateMoves(game, moves);
    // A capture if there is one, since it changes most; otherwise any move of a board piece.
    const Move *chosen = nullptr;
    for (const Move &move : moves) {
        if (move.from == IN_HAND || move.promote) continue;
        if (chosen == nullptr || game.pieceAt(move.to) != nullptr) chosen = &move;
    }
    if (chosen == nullptr) {
        state.SkipWithError("no move to preview");
        return;
    }
    ZnFlags flags;
    flags.SelectSquare(chosen->from);
    BoardLayers layers;
    DisplaySettings display;
    display.layers = everyLayer();
    layers.setHoveredSquare(chosen->to);
    QImage &image = flags.image(static_cast<qreal>(state.range(0)));
    display.attacks = attackDisplayOf(state.range(1));
    for (auto _ : state) {
        redrawWithLayers(image, game, flags, layers, display);
        benchmark::DoNotOptimize(image.constBits());
    }
    if (!layers.previewShown()) state.SkipWithError("the move was not previewed");
    state.counters["capture"] = game.pieceAt(chosen->to) != nullptr;
}
BENCHMARK(BM_PreviewOneMove)
    ->Args({1, 2})
    ->Args({1, 3})
    ->Args({2, 2})
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5);

}  // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutes();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
