#include "ui/standlayout.h"

StandLayout::StandLayout(const std::vector<PieceKind> &sortedKinds) {
    counted_ = int(sortedKinds.size()) > kStandCapacity;
    for (std::size_t index = 0; index < sortedKinds.size(); ++index) {
        const PieceKind kind = sortedKinds[index];
        if (counted_ && !places_.empty() && places_.back().kind == kind)
            ++places_.back().count;
        else
            places_.push_back({kind, int(index), 1});
    }
}

int StandLayout::placeAt(bool upright, int y) const {
    // Divisions truncate toward zero, so the margin before the first place belongs to it.
    const int place = (upright ? y - 8 : 352 - y) / pitch();
    return place >= 0 && place < int(places_.size()) ? place : -1;
}

int StandLayout::handIndexOf(int place) const {
    return place >= 0 && place < int(places_.size()) ? places_[std::size_t(place)].firstIndex : -1;
}

int StandLayout::placeOf(int index) const {
    for (std::size_t place = 0; place < places_.size(); ++place) {
        const StandPlace &shown = places_[place];
        if (index >= shown.firstIndex && index < shown.firstIndex + shown.count) return int(place);
    }
    return -1;
}
