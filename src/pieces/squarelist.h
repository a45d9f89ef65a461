#pragma once
// A list of squares. The squares one piece reaches (at most 20, for a dragon or a horse) stay
// inside the object; a longer list, such as several pieces' squares appended to one list, moves
// to the heap, so that no square is ever lost.

#include <array>
#include <cstring>
#include <vector>

#include "support/types.h"

class SquareList {
public:
    // How many squares fit without a heap allocation.
    static constexpr int INLINE_CAPACITY = 20;

    // Appends a square; the list grows as far as needed.
    void push_back(Square square) {
        if (!spilled() && count_ < INLINE_CAPACITY) {
            items_[static_cast<std::size_t>(count_++)] = square;
            return;
        }
        if (!spilled()) spill();
        more_.push_back(square);
        ++count_;
    }
    void clear() {
        count_ = 0;
        more_.clear();
    }
    int size() const { return count_; }
    bool empty() const { return count_ == 0; }
    Square operator[](int i) const { return begin()[i]; }
    const Square *begin() const { return spilled() ? more_.data() : items_.data(); }
    const Square *end() const { return begin() + count_; }
    bool contains(Square square) const {
        for (Square s : *this)
            if (s == square) return true;
        return false;
    }

    // Replaces the `count` items from `first` on by `replacement`, keeping the rest in order; a
    // range outside the list changes nothing.
    void replace(int first, int count, const SquareList &replacement) {
        const int tail = count_ - first - count;
        if (first < 0 || count < 0 || tail < 0) return;
        const int grown = first + replacement.count_ + tail;
        if (!spilled() && grown <= INLINE_CAPACITY && &replacement != this) {
            std::memmove(items_.data() + first + replacement.count_, items_.data() + first + count,
                         static_cast<std::size_t>(tail));
            std::memcpy(items_.data() + first, replacement.begin(),
                        static_cast<std::size_t>(replacement.count_));
            count_ = grown;
            return;
        }
        std::vector<Square> joined(begin(), begin() + first);
        joined.insert(joined.end(), replacement.begin(), replacement.end());
        joined.insert(joined.end(), begin() + first + count, end());
        clear();
        for (Square square : joined) push_back(square);
    }

private:
    // Once the inline room is used up, `more_` holds every square of the list.
    bool spilled() const { return !more_.empty(); }
    void spill() { more_.assign(items_.begin(), items_.begin() + count_); }

    std::array<Square, INLINE_CAPACITY> items_{};
    int count_ = 0;
    std::vector<Square> more_;
};
