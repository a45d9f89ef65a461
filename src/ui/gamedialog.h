#pragma once
// 実行 > 対局…: who plays each side (a person or an engine), each side's time, the start, the move
// limit, the declaration rule and, between two engines, how many games. The dialog remembers the
// last choice; untouched, Enter starts the person as sente against the first engine, 10 minutes
// and 30 seconds 秒読み.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "core/rules.h"
#include "engine/gameclock.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSettings;
class QSpinBox;
class QTimeEdit;

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
};

// The choice remembered in `settings`, else the first game's: the person as sente against the first
// of `engines` (a person when there is none). A remembered engine no longer known becomes a person.
GameChoice loadGameChoice(QSettings &settings, const QStringList &engines);
void saveGameChoice(QSettings &settings, const GameChoice &choice);

class GameDialog : public QDialog {
    Q_OBJECT

public:
    GameDialog(const GameChoice &choice, const QStringList &engines, QWidget *parent = nullptr);
    // What the dialog shows now.
    GameChoice choice() const;
    // Why the choice cannot be played, in Japanese; empty when it can.
    QString problem() const;

    void accept() override;

private:
    struct SideRow {
        QComboBox *player = nullptr;
        QTimeEdit *main = nullptr;
        QRadioButton *byoyomi = nullptr;
        QRadioButton *increment = nullptr;
        QSpinBox *seconds = nullptr;
    };
    void updateGames();

    QStringList engines_;
    std::array<SideRow, 2> sides_;
    QComboBox *start_ = nullptr;
    QSpinBox *maxMoves_ = nullptr;
    QComboBox *declaration_ = nullptr;
    QSpinBox *games_ = nullptr;
    QLineEdit *folder_ = nullptr;
    QPushButton *browse_ = nullptr;
    QLineEdit *openings_ = nullptr;
    QPushButton *browseOpenings_ = nullptr;
    QLabel *message_ = nullptr;
};
