#pragma once
// 表示 > 定跡: a window beside the board listing the open book's moves for the position shown, with
// their share of the count, count, value, depth and comment. A double click plays a move; the
// buttons and the cells edit the book, and 元に戻す takes each edit back. The window holds the book
// itself (新規, 開く, 保存, 名前を付けて保存 and 棋譜から作成 of the 定跡 menu act on it).

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "book/book.h"
#include "book/bookbuild.h"
#include "ui/analysislayer.h"
#include "ui/savequestions.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class TBookWindow : public QWidget {
    Q_OBJECT

public:
    explicit TBookWindow(QWidget *parent = nullptr);

    // The columns of the list.
    enum Column { MoveColumn, ShareColumn, CountColumn, ValueColumn, DepthColumn, CommentColumn };

    const Book &book() const { return book_; }
    // The file the book was read from or written to; empty for a new book.
    const QString &path() const { return path_; }
    bool isModified() const { return modified_; }

    // When the book has unsaved changes, asks whether to save them; true when the caller may go on.
    bool confirmDiscard();
    // 新規: an empty book, after the question about unsaved changes.
    bool newBook();
    // Opens the book at `path` (a book too large for memory is searched in its file, read-only).
    bool openBook(const QString &path);
    // Writes the book over its file, or to `path`; false with the reason in statusText().
    bool saveBook();
    bool saveBookAs(const QString &path);
    // Adds the counts of the records at `paths` (files or folders) to the book.
    bool buildFrom(const QStringList &paths, const BookBuildOptions &options);

    // Shows the moves of the position `game` shows; `next` is the move the record plays there, if any,
    // which 追加 adds.
    void follow(const ZnBan &game, std::optional<Move> next);
    // The arrows of the shown position's moves, most played first.
    std::vector<BestMoveArrow> arrows() const;

    // The edits, each one undoable: the record's next move added, a row deleted or moved, a cell
    // (count, value, depth, comment) set from its text, the position's comment set. A row moves
    // only where a save keeps it: past a move of the same count and value, or into the file's order
    // (by count, then value); otherwise it stays and the reason is told.
    bool addNextMove();
    bool deleteMove(int row);
    bool moveRow(int row, int step);
    bool setCell(int row, int column, const QString &text);
    bool setPositionComment(const QString &text);
    // 元に戻す: takes back the last edit; false when there is none.
    bool undo();
    bool canUndo() const { return !undo_.empty(); }

    QTableWidget *table() const { return table_; }
    // The last thing the window had to say (what was read, saved or refused).
    const QString &statusText() const { return status_; }
    // Replaces the question about unsaved changes (tests); null restores the box.
    void setSaveQuestion(std::function<SaveAnswer()> ask) { ask_ = std::move(ask); }
    // Replaces the save dialog (tests); it returns the chosen path, empty for none.
    void setSaveChooser(std::function<QString()> choose) { chooseSave_ = std::move(choose); }

signals:
    // A double click on a move: play it.
    void playRequested(Move move);
    // The book or the shown moves changed: the arrows and the caption may need drawing again.
    void bookChanged();
    void statusChanged(const QString &text);

private:
    void say(const QString &text);
    // Replaces the shown position's entry, remembering the old one for 元に戻す.
    bool edit(BookEntry entry);
    bool editable();
    void refresh();
    void updateTitle();

    Book book_;
    QString path_;
    bool modified_ = false;
    std::vector<std::pair<std::string, std::optional<BookEntry>>> undo_;
    // The shown position: its key, ply, the game for naming moves, its entry with the moves the
    // rules refuse left out.
    std::string key_;
    int ply_ = 1;
    std::optional<Move> next_;
    const ZnBan *game_ = nullptr;
    std::optional<BookEntry> entry_;
    std::vector<BookMove> shownMoves_;
    std::vector<BestMoveArrow> arrows_;
    bool filling_ = false;
    QString status_;
    std::function<SaveAnswer()> ask_;
    std::function<QString()> chooseSave_;

    QLabel *title_ = nullptr;
    QTableWidget *table_ = nullptr;
    QLineEdit *comment_ = nullptr;
};
