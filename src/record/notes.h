#pragma once
// What a game record carries besides its moves: headers, comments, times and how the game ended.
// Every text is UTF-8; the readers decode and the writers encode at their edges.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "record/recordtree.h"

struct RecordNotes {
    // Header lines in the order they were read ("先手" → "羽生"), written back in that order.
    std::vector<std::pair<std::string, std::string>> headers;
    // Comment lines before the first move, without their leading mark.
    std::vector<std::string> startComments;
    // moveComments[i]: the comment lines after move i + 1; may be shorter than the history.
    std::vector<std::vector<std::string>> moveComments;
    // moveMs[i]: the milliseconds move i + 1 took, -1 when unknown; may be shorter than the history.
    std::vector<std::int64_t> moveMs;
    // How the game ended, as the KIF end word ("投了", "中断", ...); empty when the record has none.
    std::string endWord;
    // The milliseconds the end word itself took (the time a player spent before resigning), -1
    // when unknown; it counts towards the mover's running total.
    std::int64_t endMs = -1;
    // Comment lines on the end word itself.
    std::vector<std::string> endComments;
    // The CSA end word the record was read with ("%+ILLEGAL_ACTION"), so that a CSA record writes
    // back the very word where several share one KIF word; empty when the end came from elsewhere.
    std::string csaEndWord;
    // The number the first move carries: an SFEN start may stand in the middle of a game.
    int firstMoveNumber = 1;
    // Every move of the record with its comments, times and end words, branches included. The
    // fields above describe the main line for the formats that hold one; a tree of the start alone
    // means the record is that one line, as the game's history holds it.
    RecordTree tree;

    // The value of the first header named `key`; empty when there is none.
    std::string_view header(std::string_view key) const;
    // Replaces the first header named `key`, or appends it.
    void setHeader(std::string_view key, std::string_view value);
    // The comment lines after move `move` (1-based); 0 gives the comments before the first move.
    const std::vector<std::string> &commentsAfter(std::size_t move) const;
    // The comment lines after move `move`, made to exist.
    std::vector<std::string> &commentsAfter(std::size_t move);
    // The milliseconds move `move` (1-based) took; -1 when unknown.
    std::int64_t msOf(std::size_t move) const;
    // Forgets what belongs to the moves after the first `moves`: their comments and times, and the
    // end word, which described the line that is gone.
    void truncate(std::size_t moves);
};
