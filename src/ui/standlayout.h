#pragma once
// Where the pieces of a hand stand on a stand. While every piece fits one glyph each, the stand
// shows them so, in kind order; a hand larger than that shows each kind once with its count, as
// the stands of players' boards do, so that no piece is hidden and every kind can be picked.

#include <vector>

#include "pieces/koma.h"
#include "support/types.h"

// The glyphs one stand shows one piece each; a larger hand is shown counted.
inline constexpr int kStandCapacity = 17;
// The height of a place on the stand: one glyph, or in a counted stand a glyph over its count.
inline constexpr int kStandPitch = 20;
inline constexpr int kCountedStandPitch = 40;

// One place on the stand: the kind it shows, the index of its first piece in the hand sorted by
// kind, and how many pieces it stands for (1 while the stand is not counted).
struct StandPlace {
    PieceKind kind;
    int firstIndex;
    int count;
};

class StandLayout {
public:
    // The layout of a hand given by its kinds in kind order.
    explicit StandLayout(const std::vector<PieceKind> &sortedKinds);

    bool counted() const { return counted_; }
    const std::vector<StandPlace> &places() const { return places_; }
    // The distance from one place to the next.
    int pitch() const { return counted_ ? kCountedStandPitch : kStandPitch; }
    // The place a press at height `y` falls on, -1 for none; an upright stand fills from the top,
    // a turned one from the bottom.
    int placeAt(bool upright, int y) const;
    // The hand index a press on place `place` picks (its kind's first piece), -1 for none.
    int handIndexOf(int place) const;
    // The place that shows the piece at hand index `index`, -1 for none.
    int placeOf(int index) const;

private:
    bool counted_ = false;
    std::vector<StandPlace> places_;
};

// The kinds of `pieces` (pointers to Koma, already in kind order), for a StandLayout.
template <typename Pieces>
std::vector<PieceKind> kindsOf(const Pieces &pieces) {
    std::vector<PieceKind> kinds;
    for (const Koma *piece : pieces) kinds.push_back(piece->kind());
    return kinds;
}
