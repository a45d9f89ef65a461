#pragma once
// What a game (or a series of games) is to be: who plays each side, the time, the start, the move
// limit, the declaration rule and the number of games; chosen in 実行 > 対局… and remembered.

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "core/rules.h"
#include "engine/gameclock.h"
#include "engine/sprt.h"

class QSettings;

// The start that is the position on the board now.
inline const QString kStartHere = QStringLiteral("現在の局面");

// ~/Documents/Nagi将棋/連続対局, or what the system calls the documents folder.
QString defaultSeriesFolder();

struct GameChoice {
    // The engine of each side, sente's first; empty for a person.
    std::array<QString, 2> engines;
    std::array<TimeControl, 2> time{};
    // "平手", a handicap's KIF name, or kStartHere.
    QString start = QStringLiteral("平手");
    int maxMoves = 500;
    // Empty when the game has no declaration.
    std::optional<DeclarationRule> declaration = DeclarationRule::Points27;
    // Games in a series between two engines, sides swapped after each.
    int games = 1;
    // Where a series keeps its games, each series in a folder of its own below it.
    QString folder = defaultSeriesFolder();
    // The openings a series starts from, each played from both sides (as `nagikifu match
    // --openings` reads them); empty: every game from `start`.
    QString openings;
    // The book (the standard text format) each engine takes its first moves from, up to `bookPlies`
    // moves of the game counted from its start; empty for none.
    QString book;
    int bookPlies = 16;
    // Games of a series played at once, each on a board of its own (1: one by one on the window's).
    int concurrency = 1;
    // The sequential test that may stop a series early; empty for none.
    std::optional<SprtSettings> sprt;
};

// The choice remembered in `settings`, else the first game's: the person as sente against the first
// of `engines` (a person when there is none). A remembered engine no longer known becomes a person.
GameChoice loadGameChoice(QSettings &settings, const QStringList &engines);
void saveGameChoice(QSettings &settings, const GameChoice &choice);
