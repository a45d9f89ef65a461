#pragma once
// 実行 > 対局…: who plays each side (a person or an engine), each side's time, the start, the move
// limit, the declaration rule, the book the engines open from and, between two engines, how many
// games, how many at once and an SPRT that may stop them. Times go to the millisecond (秒読み 0.3).
// The dialog remembers the last choice; untouched, Enter starts the person as sente against the
// first engine, 10 minutes and 30 seconds 秒読み.

#include <QDialog>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "ui/gamechoice.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSettings;
class QSpinBox;
class QTimeEdit;


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
        QDoubleSpinBox *seconds = nullptr;
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
    QLineEdit *book_ = nullptr;
    QPushButton *browseBook_ = nullptr;
    QSpinBox *bookPlies_ = nullptr;
    QSpinBox *concurrency_ = nullptr;
    QCheckBox *sprt_ = nullptr;
    std::array<QDoubleSpinBox *, 4> sprtValues_{};
    QLabel *message_ = nullptr;
};
