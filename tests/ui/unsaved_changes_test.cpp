// The changed mark of the caption, and the question before unsaved changes go by 新規, 開く,
// 最近使ったファイル, a drop or closing the window.

#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QUrl>
#include <functional>

#include "keeping_work_testing.h"
#include "ui/kifuwindow.h"

using namespace records_testing;

namespace {

// Every kind of change marks the caption, and a save clears it.
TEST_F(KeepingWorkTest, EveryChangeMarksTheCaption) {
    openKifGame();
    window->showKifuWindow();
    TKifuWindow *kifu = window->kifuWindow();
    const struct {
        const char *what;
        std::function<void()> change;
    } rows[] = {
        {"a move", [&] { window->record().play({sq(5, 1), sq(4, 2), false, PAWN}), window->RedrawAll(); }},
        {"a take-back", [&] { trigger("KW4"), trigger("KB1"); }},
        {"a comment", [&] { QTest::keyClicks(kifu->findChild<QPlainTextEdit *>("CommentView"), "x"); }},
        {"the game information", [&] { QTest::keyClicks(kifu->findChild<QLineEdit *>("EventEdit"), "x"); }},
        {"a branch made the main line", [&] { window->record().goTo(1), window->record().choose(1), trigger("KH1"); }},
        {"a deletion", [&] {
             // The question counts the line shown (７六歩 and the ８四歩 made the main line above),
             // and names the moves of the branch below it (３四歩 and ２二角成).
             asker.questionAnswers = {true};
             ASSERT_TRUE(window->record().goTo(1));
             trigger("KD1");
             EXPECT_EQ(asker.questions.back(),
                       "この手以降を削除|1手目以降の2手を削除しますか？\nその先の変化の2手も削除されます。");
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        save(path("marked.kifu"));
        ASSERT_FALSE(marked());
        row.change();
        EXPECT_TRUE(marked()) << window->windowTitle().toStdString();
    }
    saveOver();
    EXPECT_FALSE(marked());
}

// 新規, 開く, a drop and closing the window ask before unsaved changes go; 保存 saves first,
// 保存しない goes on, キャンセル leaves everything as it was.
TEST_F(KeepingWorkTest, EachWayOfLosingChangesAsksFirst) {
    writeFile(path("other.csa"), bytesOf(kCsaText));
    const struct {
        const char *what;
        std::function<void()> act;
        std::function<bool()> wentOn;
    } actions[] = {
        {"新規", [&] { trigger("KN1"); }, [&] { return window->record().length() == 0; }},
        {"開く", [&] { chooser.opens.push_back({path("other.csa"), {}}), trigger("K4"), chooser.opens.clear(); },
         [&] { return window->windowTitle() == path("other.csa"); }},
        {"最近使ったファイル", [&] { openRecent(path("other.csa")); },
         [&] { return window->windowTitle() == path("other.csa"); }},
        {"a drop", [&] {
             QMimeData mime;
             mime.setUrls({QUrl::fromLocalFile(path("other.csa"))});
             QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(window.get(), &enter);
             QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(window.get(), &drop);
         },
         [&] { return window->windowTitle() == path("other.csa"); }},
        {"closing", [&] {
             QCloseEvent close;
             QApplication::sendEvent(window.get(), &close);
             if (close.isAccepted()) window->hide();
         },
         [&] { return !window->isVisible(); }},
    };
    for (const auto &action : actions) {
        for (SaveAnswer answer : {SaveAnswer::Cancel, SaveAnswer::Discard, SaveAnswer::Save}) {
            SCOPED_TRACE(::testing::Message() << action.what << " " << int(answer));
            window->show();
            writeFile(path("game.kifu"), bytesOf(kKifText));
            open(path("game.kifu"));
            window->record().setComments({"未保存"});  // on the last move
            asker.saveQuestions.clear();
            asker.saveAnswers = {answer};
            action.act();
            EXPECT_EQ(asker.saveQuestions, QStringList{QStringLiteral("unsaved")});
            EXPECT_EQ(action.wentOn(), answer != SaveAnswer::Cancel);
            EXPECT_EQ(readBack(path("game.kifu")).commentsAfter(3).size(), answer == SaveAnswer::Save ? 1u : 0u);
            EXPECT_TRUE(answer != SaveAnswer::Cancel || window->isModified());
        }
    }
    // Nothing changed: nothing asked.
    asker.saveQuestions.clear();
    trigger("KN1");
    EXPECT_TRUE(asker.saveQuestions.isEmpty());
    // A recent file that has gone leaves the list with a word; a folder is refused as 開く refuses it.
    const struct {
        QString file;
        const char *word;
        bool listed;
    } recent[] = {{path("gone.kif"), "ファイルがもうありません", false}, {directory.path(), "フォルダです", true}};
    for (const auto &row : recent) {
        SCOPED_TRACE(row.word);
        openRecent(row.file);
        EXPECT_TRUE(window->statusText().contains(QString::fromUtf8(row.word))) << status();
        EXPECT_EQ(listedRecent(row.file), row.listed);
        EXPECT_EQ(window->record().length(), 0);
    }
    QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi")).remove(QStringLiteral("files/recent"));
}

}  // namespace
