#pragma once
// 連続対局: a window of its own that follows the series the game controller runs: the score of the
// first engine, every game counted, Elo with its interval, the pentanomial counts, the SPRT's LLR line
// and the verdict that stops the series, with a button that stops it by hand.

#include <QWidget>

class GameController;
class QLabel;
class QListWidget;
class QPushButton;

class TSeriesWindow : public QWidget {
    Q_OBJECT

public:
    TSeriesWindow(GameController &games, QWidget *parent = nullptr);

    // Reads the controller's series again.
    void refresh();
    // The texts shown: the score line, the summary lines (Elo, LOS, pentanomial, LLR, verdict) and
    // the state ("対局中", "終了: H1 accepted", ...).
    QString scoreText() const;
    QString summaryText() const;
    QString stateText() const;

private:
    GameController &games_;
    QLabel *score_ = nullptr;
    QLabel *summary_ = nullptr;
    QLabel *state_ = nullptr;
    QListWidget *gameList_ = nullptr;
    QPushButton *stop_ = nullptr;
};
