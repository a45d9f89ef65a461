#pragma once
// What every record-format fuzz target checks, whatever the format. A text the reader accepts must
// give a consistent game that writes, reads back as the same game and writes the same bytes again,
// and that takes back to its first position; a text it refuses must leave the game and the notes
// untouched and say why in valid UTF-8. Any other outcome aborts, which libFuzzer reports as a crash.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/testing.h"
#include "core/verify.h"
#include "record/encoding.h"
#include "record/notes.h"
#include "record/record.h"
#include "support/report.h"

namespace formatfuzz {

using Reader = std::function<RecordResult(ZnBan &, RecordNotes &, std::string_view)>;
using Writer = std::function<std::string(ZnBan &, const RecordNotes &)>;

[[noreturn]] inline void fail(const char *what, const std::string &detail) {
    std::fprintf(stderr, "format fuzz: %s: %s\n", what, detail.c_str());
    std::abort();
}

// A bad square reaching the board is a reader fault, never a consequence of the input.
inline void abortOnReport(const char *title, const char *text) { fail(text, title); }

inline bool sameNotes(const RecordNotes &a, const RecordNotes &b) {
    return a.headers == b.headers && a.startComments == b.startComments && a.moveComments == b.moveComments &&
           a.moveMs == b.moveMs && a.endWord == b.endWord && sameTree(a.tree, b.tree);
}

struct Snapshot {
    std::string key;
    std::vector<int> counts;
    std::size_t records;
    explicit Snapshot(const ZnBan &game)
        : key(positionKey(game)), counts(attackCounts(game)), records(game.history().size()) {}
    bool operator==(const Snapshot &) const = default;
};

// The game and notes a refused text must leave alone: a game with a capture, a promotion and a drop
// behind it, and notes of every kind.
inline void prepare(ZnBan &game, RecordNotes &notes) {
    const bool played = game.play({60, 51, false}) && game.play({20, 29, false}) &&
                        game.play({70, 10, true}) && game.play({2, 10, false}) &&
                        applyMove(game, Move{IN_HAND, 40, false, BISHOP});
    if (!played) fail("opening refused", positionKey(game));
    notes = RecordNotes{};
    notes.setHeader("先手", "元の棋譜");
    notes.commentsAfter(2).push_back("コメント");
    notes.moveMs = {1000, 2000, 3000};
    notes.endWord = "中断";
}

// Runs every check on one input. `reread` reads what `write` wrote.
inline void check(std::string_view input, const Reader &read, const Writer &write, const Reader &reread) {
    static ZnBan *current = nullptr;
    static RecordNotes *currentNotes = nullptr;
    if (current == nullptr) {
        setReportHook(abortOnReport);
        current = new ZnBan;
        currentNotes = new RecordNotes;
        prepare(*current, *currentNotes);
    }
    ZnBan &game = *current;
    RecordNotes &notes = *currentNotes;
    const Snapshot before(game);
    const RecordNotes notesBefore = notes;

    const RecordResult result = read(game, notes, input);
    if (!result.ok) {
        if (result.reason.empty() || !isUtf8(result.reason))
            fail("refusal without a readable reason", result.reason);
        if (!(Snapshot(game) == before)) fail("refused text changed the game", positionKey(game));
        if (!sameNotes(notes, notesBefore)) fail("refused text changed the notes", result.reason);
        return;
    }
    if (!result.reason.empty()) fail("success with a reason", result.reason);
    if (const std::string problem = findInconsistency(game); !problem.empty())
        fail("read game inconsistent", problem);

    const Snapshot loaded(game);
    const std::string first = write(game, notes);
    if (!(Snapshot(game) == loaded)) fail("writing changed the game", positionKey(game));
    ZnBan again;
    RecordNotes againNotes;
    const RecordResult reread2 = reread(again, againNotes, first);
    if (!reread2.ok) fail("written text refused", reread2.reason + "\n" + first);
    if (positionKey(again) != positionKey(game) || attackCounts(again) != attackCounts(game))
        fail("written text reads as another game", first);
    if (const std::string second = write(again, againNotes); second != first)
        fail("second write differs", first + "\n----\n" + second);

    while (game.moveCount() > 0)
        if (!game.undoMove()) fail("undo refused", positionKey(game));
    if (const std::string problem = findInconsistency(game); !problem.empty())
        fail("undone game broken", problem);
    // The next input is read into a game that holds something again.
    ZnBan fresh;
    game.swap(fresh);
    prepare(game, notes);
}

}  // namespace formatfuzz
