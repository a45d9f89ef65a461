#pragma once
// The move list (棋譜) in a window of its own beside the main window: one row per move of the current
// path, the row at the game record's cursor selected, under 分岐 the alternatives of the selected
// move, buttons that walk, the editable comment of the current move and the game information.

#include <QAbstractListModel>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "record/evaluation.h"
#include "record/gamerecord.h"

class QAction;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
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

    // Lets the branch commands' keys (Alt+↑, Alt+↓) work in this window too.
    void addBranchActions(QAction *previous, QAction *next);

    // Brings the window up to date: the rows are made again only when the path changed, then the
    // row at the cursor is selected, the alternatives of its move listed and its comment shown, and
    // the game information filled in. Does nothing while the window is hidden.
    void follow(GameRecord &record);

    // The selected row: 0 for the starting position, n for move n; -1 when none.
    int selectedRow() const;
    // The rows as the list shows them.
    QStringList rows() const;
    // The comment shown below the list: the lines the user writes, without an analysis's lines.
    QString comment() const;
    // What an analysis said of the current move, above the comment: the label and reason, then
    // the evaluation as one line; empty when it said nothing.
    QString analysisText() const;
    // The alternatives of the selected move as listed, and the row of the one played (-1 when none).
    QStringList branches() const;
    int branchRow() const;

signals:
    // The user chose the row of move `move` (0 = the starting position).
    void moveChosen(int move);
    // The user chose alternative `index` of the selected move.
    void branchChosen(int index);
    // The user changed the comment of the current move; `text` is all its lines, an analysis's
    // lines kept as they were.
    void commentEdited(const QString &text);
    // The user changed the game information `key` (a header name) to `value`.
    void headerEdited(const QString &key, const QString &value);
    // The user chose how the current path ends; empty for no end word.
    void endWordChosen(const QString &word);

private:
    void createInfoGroup();
    // Fills the game information from the record's headers, leaving alone the field being edited.
    void followInfo(const GameRecord &record);
    void followBranches(GameRecord &record);
    void currentRowChanged(const QModelIndex &current);
    // Selects `row` without jumping the game.
    void selectRow(int row);

    KifuListModel *model_ = nullptr;
    QListView *KifuList = nullptr;
    QListWidget *BranchList = nullptr;
    QLabel *AnalysisView = nullptr;
    QPlainTextEdit *CommentView = nullptr;
    // The current move's comment lines taken apart; the edit box holds only the other lines.
    CommentParts commentParts_;
    QFormLayout *InfoForm = nullptr;
    QLineEdit *SenteEdit = nullptr;
    QLineEdit *GoteEdit = nullptr;
    QLineEdit *StartTimeEdit = nullptr;
    QLineEdit *EventEdit = nullptr;
    QLineEdit *SiteEdit = nullptr;
    QLineEdit *TimeLimitEdit = nullptr;
    QLineEdit *HandicapEdit = nullptr;
    QComboBox *ResultBox = nullptr;
    // The header names the two player fields stand for: 先手/後手, or 下手/上手 in handicap games.
    QString senteKey_ = QStringLiteral("先手");
    QString goteKey_ = QStringLiteral("後手");
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
