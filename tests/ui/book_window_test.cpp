// The 定跡 window: it follows the record's cursor, a double click plays a move (as a branch where the
// record has another), each edit is taken back by 元に戻す, and its arrows are off until switched on.

#include <QAction>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>

#include "record/play.h"
#include "ui/bookwindow.h"
#include "ui_testing.h"

namespace {

const char *const kBook =
    "#YANEURAOU-DB2016 1.00\n"
    "sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1\n"
    "7g7f none 0 0 3\n"
    "2g2f none 0 0 1\n"
    "sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 2\n"
    "3c3d none 12 20 2 #角道\n";

class BookWindowTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        QFile file(folder.filePath(QStringLiteral("book.db")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kBook);
        file.close();
        books = window->bookWindow();
        ASSERT_NE(books, nullptr);
        ASSERT_TRUE(books->openBook(file.fileName())) << books->statusText().toStdString();
        window->RedrawAll();
    }
    QStringList column(int index) const {
        QStringList texts;
        for (int row = 0; row < books->table()->rowCount(); ++row) texts << books->table()->item(row, index)->text();
        return texts;
    }
    void play(const char *word) {
        Move move;
        ASSERT_TRUE(readUsiWord(word, move));
        ASSERT_EQ(window->record().play(Move{move.from, move.to, move.promote, PAWN}), "");
        window->RedrawAll();
    }
    QTemporaryDir folder;
    TBookWindow *books = nullptr;
};

TEST_F(BookWindowTest, FollowsTheRecordsCursor) {
    child<QAction>("KBK1")->trigger();
    EXPECT_TRUE(books->isVisible());
    EXPECT_EQ(column(TBookWindow::MoveColumn), (QStringList{"▲７六歩(77)", "▲２六歩(27)"}));
    EXPECT_EQ(column(TBookWindow::ShareColumn), (QStringList{"75.0%", "25.0%"}));
    play("7g7f");
    EXPECT_EQ(column(TBookWindow::MoveColumn), QStringList{"△３四歩(33)"});
    EXPECT_EQ(column(TBookWindow::ValueColumn), QStringList{"12"});
    EXPECT_EQ(column(TBookWindow::CommentColumn), QStringList{"角道"});
    play("3c3d");
    EXPECT_EQ(books->table()->rowCount(), 0);
    window->record().goTo(1);
    window->RedrawAll();
    EXPECT_EQ(column(TBookWindow::MoveColumn), QStringList{"△３四歩(33)"});
}

// A double click on 2g2f at the start, where the record plays 7g7f, adds it as a branch and shows it.
TEST_F(BookWindowTest, DoubleClickPlaysAsABranch) {
    play("7g7f");
    window->record().goTo(0);
    window->RedrawAll();
    child<QAction>("KBK1")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(books));
    QTableWidget *table = books->table();
    const QRect cell = table->visualItemRect(table->item(1, TBookWindow::MoveColumn));
    // A double click follows the press and release of its first click, as a real one does.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    EXPECT_EQ(window->game().moveCount(), 1);
    ASSERT_EQ(window->record().tree().node(RecordTree::START).children.size(), 2u);
    EXPECT_EQ(window->game().history()[0].to, static_cast<Square>(squareAt(5, 1)));
}

// Each edit changes the book and 元に戻す takes it back, one at a time, to the book as it was read.
TEST_F(BookWindowTest, EachEditIsUndone) {
    const std::string read = books->book().text();
    play("7g7f");
    window->record().goTo(0);
    window->RedrawAll();
    EXPECT_FALSE(books->isModified());
    const std::vector<std::pair<std::function<bool()>, QStringList>> edits = {
        // The list keeps the book's order (上へ and 下へ change it); the file is sorted when written.
        {[&] { return books->setCell(1, TBookWindow::CountColumn, "10"); }, {"▲７六歩(77)", "▲２六歩(27)"}},
        {[&] { return books->moveRow(0, 1); }, {"▲２六歩(27)", "▲７六歩(77)"}},
        {[&] { return books->deleteMove(0); }, {"▲７六歩(77)"}},
        // The record's next move, 7g7f, is in the book: its count goes up.
        {[&] { return books->addNextMove(); }, {"▲７六歩(77)"}},
        {[&] { return books->setPositionComment("初手"); }, {"▲７六歩(77)"}},
        {[&] { return books->setCell(0, TBookWindow::ValueColumn, "x"); }, {"▲７六歩(77)"}},
    };
    std::vector<std::string> after;
    for (const auto &[edit, moves] : edits) {
        const bool done = edit();
        EXPECT_EQ(column(TBookWindow::MoveColumn), moves);
        if (done) after.push_back(books->book().text());
    }
    // The value "x" is refused; the others each changed the book.
    ASSERT_EQ(after.size(), edits.size() - 1);
    EXPECT_EQ(column(TBookWindow::CountColumn), QStringList{"4"});
    EXPECT_TRUE(books->isModified());
    for (std::size_t i = after.size(); i-- > 1;) {
        EXPECT_EQ(books->book().text(), after[i]);
        ASSERT_TRUE(books->undo());
        EXPECT_EQ(books->book().text(), after[i - 1]);
    }
    ASSERT_TRUE(books->undo());
    EXPECT_EQ(books->book().text(), read);
    EXPECT_FALSE(books->undo());
    // An unsaved book is not dropped unasked: キャンセル keeps it, 保存しない lets 新規 go on.
    books->setSaveQuestion([] { return SaveAnswer::Cancel; });
    EXPECT_FALSE(books->newBook());
    EXPECT_EQ(books->book().size(), 2u);
    books->setSaveQuestion([] { return SaveAnswer::Discard; });
    EXPECT_TRUE(books->newBook());
    EXPECT_EQ(books->book().size(), 0u);
}

// 上へ and 下へ move a row only where a save keeps it (moves by count, then value, the book's order
// among equals); otherwise the row stays and the status bar says why.
TEST_F(BookWindowTest, MovesARowOnlyWhereASaveKeepsIt) {
    const struct {
        std::function<bool()> edit;
        bool done;
        const char *shownFirst, *savedFirst, *says;
    } steps[] = {
        {[&] { return books->moveRow(1, -1); }, false, "▲７六歩(77)", "7g7f", "回数の多い手より上には移せません"},
        {[&] { return books->setCell(1, TBookWindow::CountColumn, "3"); }, true, "▲７六歩(77)", "7g7f", ""},
        {[&] { return books->moveRow(1, -1); }, true, "▲２六歩(27)", "2g2f", ""},
        // 2g2f's value falls below 7g7f's: the list stays, and is told how it will be saved.
        {[&] { return books->setCell(0, TBookWindow::ValueColumn, "-5"); }, true, "▲２六歩(27)", "7g7f", "保存すると"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.says);
        EXPECT_EQ(step.edit(), step.done);
        EXPECT_EQ(column(TBookWindow::MoveColumn).value(0), step.shownFirst);
        EXPECT_TRUE(books->statusText().contains(QString::fromUtf8(step.says))) << books->statusText().toStdString();
        const BookReadResult saved = readBook(books->book().text());
        EXPECT_EQ(usiMoveWord(saved.book.find(bookKey(window->game()))->moves.front().move), step.savedFirst);
    }
}

// The arrows are a layer of 表示, off at start: the board is the plain one until it is switched on.
TEST_F(BookWindowTest, ArrowsOnlyWhenSwitchedOn) {
    QAction *arrows = child<QAction>("KBK2");
    ASSERT_FALSE(arrows->isChecked());
    const QImage plain = ban()->grab().toImage();
    books->newBook();
    window->RedrawAll();
    EXPECT_EQ(ban()->grab().toImage(), plain);
    ASSERT_TRUE(books->openBook(folder.filePath(QStringLiteral("book.db"))));
    arrows->trigger();
    EXPECT_NE(ban()->grab().toImage(), plain);
    EXPECT_EQ(books->arrows().size(), 2u);
    arrows->trigger();
    EXPECT_EQ(ban()->grab().toImage(), plain);
}

}  // namespace
