#include "record/notes.h"

std::string_view RecordNotes::header(std::string_view key) const {
    for (const auto &[name, value] : headers)
        if (name == key) return value;
    return {};
}

void RecordNotes::setHeader(std::string_view key, std::string_view value) {
    for (auto &[name, old] : headers) {
        if (name == key) {
            old = value;
            return;
        }
    }
    headers.emplace_back(std::string(key), std::string(value));
}

const std::vector<std::string> &RecordNotes::commentsAfter(std::size_t move) const {
    static const std::vector<std::string> none;
    if (move == 0) return startComments;
    return move <= moveComments.size() ? moveComments[move - 1] : none;
}

std::vector<std::string> &RecordNotes::commentsAfter(std::size_t move) {
    if (move == 0) return startComments;
    if (moveComments.size() < move) moveComments.resize(move);
    return moveComments[move - 1];
}

std::int64_t RecordNotes::msOf(std::size_t move) const {
    return move >= 1 && move <= moveMs.size() ? moveMs[move - 1] : -1;
}

void RecordNotes::truncate(std::size_t moves) {
    if (moveComments.size() > moves) moveComments.resize(moves);
    if (moveMs.size() > moves) moveMs.resize(moves);
    endWord.clear();
    endMs = -1;
    endComments.clear();
    csaEndWord.clear();
}
