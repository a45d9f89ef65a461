#pragma once
// The move list (棋譜) in a window of its own beside the main window: one row per move, the row at
// the game record's cursor selected, the comment of the current move below, and buttons that walk.

#include <QAbstractListModel>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "record/gamerecord.h"

class QAction;
class QListView;
class QPlainTextEdit;
class QPushButton;

// The rows of the list, made once per change of the line; the view asks only for those it shows.
class KifuListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    // Replaces every row.
    void setRows(const std::vector<std::string> &rows);
    // The label an analysis gave each row's move ("悪手"), shown after it; empty for none.
    void setLabels(const QStringList &labels);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    QStringList rows_;
    QStringList labels_;
};

class TKifuWindow : public QWidget {
    Q_OBJECT

public:
    explicit TKifuWindow(QWidget *parent = nullptr);

    // Lets the four buttons run the walking commands, and their shortcuts work in this window too.
    void setWalkActions(QAction *first, QAction *back, QAction *forward, QAction *last);

    // Brings the list up to date: the rows are made again only when the line changed, then the row
    // at the cursor is selected and its comment shown. Does nothing while the window is hidden.
    void follow(GameRecord &record);

    // The selected row: 0 for the starting position, n for move n; -1 when none.
    int selectedRow() const;
    // The rows as the list shows them.
    QStringList rows() const;
    // The comment shown below the list.
    QString comment() const;

signals:
    // The user chose the row of move `move` (0 = the starting position).
    void moveChosen(int move);

private:
    void currentRowChanged(const QModelIndex &current);
    // Selects `row` without jumping the game.
    void selectRow(int row);

    KifuListModel *model_ = nullptr;
    QListView *KifuList = nullptr;
    QPlainTextEdit *CommentView = nullptr;
    QPushButton *FirstButton = nullptr;
    QPushButton *BackButton = nullptr;
    QPushButton *ForwardButton = nullptr;
    QPushButton *LastButton = nullptr;

    // What the rows were made from; a line of another length or revision makes them again.
    std::uint64_t revision_ = 0;
    int length_ = -1;
    // The row of the cursor the window last followed.
    int cursorRow_ = 0;
    // True while the window itself moves the selection, which must not jump the game.
    bool following_ = false;
};
