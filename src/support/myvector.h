#pragma once
// A standard vector whose element access checks the index and reports a bad one to the developer.

#include <vector>

#include "support/report.h"

template <typename T>
class myvector : public std::vector<T> {
public:
    using std::vector<T>::vector;
    virtual ~myvector() = default;

    // The element at `index`; after a bad index (reported) a scratch element, never memory outside.
    T &at(int index) {
        if (!valid(index)) {
            reportBadIndex("Out of vector index (%d/%d)", index, this->size());
            scratch_ = T();
            return scratch_;
        }
        return (*this)[static_cast<std::size_t>(index)];
    }

    // Read-only access with the same check; a bad index yields an empty element.
    const T &at(int index) const {
        if (!valid(index)) {
            reportBadIndex("Out of vector index (%d/%d)", index, this->size());
            static const T empty{};
            return empty;
        }
        return (*this)[static_cast<std::size_t>(index)];
    }

    // A copy of the element at `index`; a value-initialised T (null for pointers) after a bad index.
    T get(int index) const {
        if (!valid(index)) {
            reportBadIndex("Out of index (%d/%d)", index, this->size());
            return T();
        }
        return (*this)[static_cast<std::size_t>(index)];
    }

private:
    bool valid(int index) const { return index >= 0 && static_cast<std::size_t>(index) < this->size(); }

    T scratch_{};
};
