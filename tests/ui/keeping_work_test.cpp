// The window a player keeps using: 上書き保存 in the file's own format and encoding, the changed
// mark and the questions before work is lost, the counted stand, 盤面反転 and 指せる場所.

#include <QApplication>
#include <QCloseEvent>
#include <QMimeData>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSettings>
#include <QUrl>
#include <algorithm>
#include <functional>

#include "record/formats.h"
#include "records_testing.h"
#include "ui/analysiswindow.h"
#include "ui/destinations.h"
#include "ui/enginestore.h"
#include "ui/clockwindow.h"
#include "ui/evaluationgraph.h"
#include "ui/gamedialog.h"
#include "ui/kifuwindow.h"
#include "ui/legendwindow.h"
#include "ui/render.h"
#include "ui/zoom.h"

using namespace records_testing;

namespace {

constexpr Square sq(int file, int rank) { return static_cast<Square>((rank - 1) * 9 + (file - 1)); }

class KeepingWorkTest : public RecordWindowTest {
protected:
    void TearDown() override {
        window->setFlipped(false);
        RecordWindowTest::TearDown();
    }
    // The file read back as a fresh record.
    RecordNotes readBack(const QString &file) {
        const QByteArray bytes = contentsOf(file);
        ZnBan game;
        RecordNotes notes;
        EXPECT_TRUE(readRecordBytes(game, notes, std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                    QFile::encodeName(file).toStdString())
                        .ok);
        return notes;
    }
    bool marked() const { return window->windowTitle().endsWith(QLatin1Char('*')); }
    TPaintBox *box(const char *name) { return findControl<TPaintBox>(*window, name); }
    void press(TPaintBox *target, QPoint at) { QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at); }
    void saveOver() { trigger("KS2"); }
    // Chooses `file` as the only entry of 最近使ったファイル, as a settings file of an earlier run holds it.
    void openRecent(const QString &file) {
        QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi"))
            .setValue(QStringLiteral("files/recent"), QStringList{file});
        window->restoreViewSettings();
        trigger("Recent1");
    }
    bool listedRecent(const QString &file) {
        const QList<QAction *> items = findControl<QMenu>(*window, "RecentR1")->actions();
        return std::any_of(items.begin(), items.end(),
                           [&](QAction *item) { return item->text().endsWith(file); });
    }
};

// Each record is changed (a comment on its last move) and written back over itself: the same
// format, the same encoding, and the whole record read back.
TEST_F(KeepingWorkTest, SaveOverKeepsTheFilesFormatAndEncoding) {
    const struct {
        const char *name;
        QByteArray bytes;  // empty: the KIF game saved as JKF by the window
        bool utf8;
        RecordFormat format;
    } rows[] = {{"utf8.kifu", bytesOf(kKifText), true, RecordFormat::Kif},
                {"sjis.kif", shiftJis(kKifText), false, RecordFormat::Kif},
                {"utf8.kif", bytesOf("#KIF version=2.0 encoding=UTF-8\r\n" + kKifText), true, RecordFormat::Kif},
                {"sjis.ki2", shiftJis(kKi2Text), false, RecordFormat::Ki2},
                {"game.csa", bytesOf(kCsaText), true, RecordFormat::Csa},
                {"game.jkf", {}, true, RecordFormat::Jkf}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        if (row.bytes.isEmpty()) openKifGame(), save(path(row.name));
        if (!row.bytes.isEmpty()) writeFile(path(row.name), row.bytes);
        open(path(row.name));
        window->record().setComments({"書き足した"});  // on the last move
        saveOver();
        EXPECT_TRUE(asker.saveQuestions.isEmpty()) << asker.saveQuestions.join(',').toStdString();
        EXPECT_EQ(window->windowTitle(), path(row.name));
        // Exactly what the window writes in that format and encoding, and read back with the change.
        std::string expected;
        ASSERT_TRUE(writeRecordBytes(window->game(), window->record().notes(), row.format, expected, !row.utf8).ok);
        EXPECT_EQ(contentsOf(path(row.name)), bytesOf(expected));
        EXPECT_EQ(readBack(path(row.name)).commentsAfter(3), std::vector<std::string>{"書き足した"});
    }
}

// An ".ngr" file holds the moves only: overwriting it asks first, naming what would go; キャンセル
// writes nothing, 名前を付けて保存 proposes the file's own name and type, 保存 writes the moves.
TEST_F(KeepingWorkTest, AnOverwriteThatWouldLoseSomethingAsksFirst) {
    openKifGame();
    save(path("moves.ngr"));
    ASSERT_EQ(status().rfind("棋譜を保存しました（変化1個は保存していません）", 0), 0u) << status();
    const QByteArray written = contentsOf(path("moves.ngr"));
    // The window still holds the whole record, which the file does not: saving again asks.
    const QString lost = QStringLiteral("moves.ngr|変化1個・対局情報2件・コメント2行・消費時間3手分・終局「投了」");
    const struct {
        SaveAnswer answer;
        const char *saveAs;  // the name the dialog answers, if it is asked ("": cancelled)
    } rows[] = {{SaveAnswer::Cancel, nullptr},
                {SaveAnswer::SaveAs, ""},
                {SaveAnswer::SaveAs, "whole.kifu"},
                {SaveAnswer::Save, nullptr}};
    for (const auto &row : rows) {
        SCOPED_TRACE(int(row.answer));
        open(path("game.kifu"));
        save(path("moves.ngr"));
        writeFile(path("moves.ngr"), "old bytes\n");
        asker.saveQuestions.clear();
        asker.saveAnswers = {row.answer};
        const bool named = row.saveAs != nullptr && *row.saveAs != '\0';
        if (row.saveAs != nullptr) chooser.saves.push_back({named ? path(row.saveAs) : QString(), {}});
        saveOver();
        EXPECT_EQ(asker.saveQuestions, QStringList{lost});
        EXPECT_EQ(contentsOf(path("moves.ngr")), row.answer == SaveAnswer::Save ? written : "old bytes\n");
        EXPECT_EQ(window->windowTitle(), path(named ? row.saveAs : "moves.ngr"));
    }
}

// 上書き保存 of a record from no file is 保存; a bare name gets the type's extension, so the
// program's own 開く lists it, and the dialog proposes the record's own name and type next time.
TEST_F(KeepingWorkTest, SaveOverWithoutAFileIsSaveAndABareNameGetsItsExtension) {
    press(box("Ban"), squareCentre(7, 7));
    press(box("Ban"), squareCentre(7, 6));
    ASSERT_TRUE(marked());
    chooser.saves.push_back({path("bare"), {}});
    saveOver();
    EXPECT_EQ(window->windowTitle(), path("bare.ngr"));
    EXPECT_TRUE(QFileInfo::exists(path("bare.ngr")));
    EXPECT_FALSE(QFileInfo::exists(path("bare")));

    chooser.saves.push_back({path("bare"), filterWith("KIF")});
    trigger("KS1");
    EXPECT_EQ(window->windowTitle(), path("bare.kif"));
    EXPECT_TRUE(contentsOf(path("bare.kif")).startsWith("#KIF version=2.0 encoding=Shift_JIS"));
    EXPECT_EQ(chooser.proposedName(), QStringLiteral("bare.ngr"));
    EXPECT_EQ(chooser.proposedFilter(), filterWith("Nagi"));
    chooser.saves.push_back({});
    trigger("KS1");
    EXPECT_EQ(chooser.proposedName(), QStringLiteral("bare.kif"));
    EXPECT_EQ(chooser.proposedFilter(), filterWith("KIF"));
    // A save that fails leaves the old file byte for byte and the record marked changed.
    const QByteArray old = contentsOf(path("bare.kif"));
    window->record().setComments({"絵文字😀は Shift_JIS にない"});
    saveOver();
    EXPECT_EQ(status().rfind("棋譜を保存できませんでした: Shift_JIS で書けない文字があります", 0), 0u) << status();
    EXPECT_EQ(contentsOf(path("bare.kif")), old);
    EXPECT_TRUE(window->isModified());
}

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

// Beyond what a stand shows one glyph each, each kind shows once with its count; every kind is
// picked and dropped from it, and a hand that fits keeps the plain picture.
TEST_F(KeepingWorkTest, AFullStandShowsEveryKindAndDropsIt) {
    writeFile(path("full.sfen"), "sfen 4k4/9/9/9/9/9/9/9/4K4 b 2R2B4G4S4N4L18P 1\n");
    open(path("full.sfen"));
    const PieceKind kinds[] = {ROOK, BISHOP, GOLD, SILVER, KNIGHT, LANCE, PAWN};
    const QImage full = box("Dai0")->picture();
    for (int place = 0; place < 7; ++place) {
        SCOPED_TRACE(place);
        // The count stands under the glyph, in black ink where a one-glyph stand has none.
        bool ink = false;
        for (int x = 4; x < 28; ++x)
            for (int y = 25; y < 39; ++y) ink = ink || full.pixelColor(x, 40 * place + y) == QColor(Qt::black);
        EXPECT_TRUE(ink);
        press(box("Dai0"), QPoint(16, 8 + 40 * place + 7));
        press(box("Ban"), squareCentre(9 - place, 5));
        const Koma *dropped = window->game().pieceAt(sq(9 - place, 5));
        ASSERT_NE(dropped, nullptr);
        EXPECT_EQ(dropped->kind(), kinds[place]);
        // Gote answers with a king move, so that sente drops again.
        const bool even = place % 2 == 0;
        press(box("Ban"), even ? squareCentre(5, 1) : squareCentre(4, 2));
        press(box("Ban"), even ? squareCentre(4, 2) : squareCentre(5, 1));
        ASSERT_EQ(window->game().turn(), SENTE);
    }
    EXPECT_EQ(window->game().hand(SENTE).size(), 31);
}

// Seen from gote's side, a press on each corner square picks the piece shown there, the labels and
// stands turn too, and turning back gives the plain picture pixel for pixel.
TEST_F(KeepingWorkTest, TheFlippedBoardPicksWhatItShowsAndTurnsBackExactly) {
    window->RedrawAll();
    const QImage plain = box("Ban")->picture(), right = box("Dai0")->picture();
    trigger("KT1");
    EXPECT_NE(box("Ban")->picture(), plain);
    // Gote's lance on 1一 now stands at the bottom left, sente's on 9九 at the top right.
    const struct {
        QPoint at;
        int file, rank;
    } corners[] = {
        {{20 + 16, 312 + 16}, 1, 1}, {{276 + 16, 312 + 16}, 9, 1}, {{20 + 16, 56 + 16}, 1, 9}, {{276 + 16, 56 + 16}, 9, 9}};
    for (const auto &corner : corners) {
        SCOPED_TRACE(::testing::Message() << corner.file << corner.rank);
        window->game().setTurn(corner.rank == 1 ? GOTE : SENTE);
        window->selection().Reset();
        press(box("Ban"), corner.at);
        ASSERT_TRUE(window->selection().squareSelected());
        EXPECT_EQ(window->selection().selectedSquare(), sq(corner.file, corner.rank));
    }
    window->game().setTurn(SENTE);
    window->selection().Reset();
    trigger("KT1");
    EXPECT_EQ(box("Ban")->picture(), plain);
    EXPECT_EQ(box("Dai0")->picture(), right);
}

// 指せる場所 marks the squares the selection may reach, by the free board's rules or a game's.
TEST_F(KeepingWorkTest, DestinationsMarkWhereTheSelectionMayGo) {
    window->RedrawAll();
    const QImage plain = box("Ban")->picture();
    trigger("KQ1");
    EXPECT_EQ(box("Ban")->picture(), plain);  // nothing selected
    press(box("Ban"), squareCentre(2, 8));    // the rook: 1八 and 3八 to 7八
    EXPECT_EQ(freeBoardDestinations(window->game(), window->selection()),
              (std::vector<Square>{sq(1, 8), sq(3, 8), sq(4, 8), sq(5, 8), sq(6, 8), sq(7, 8)}));
    const QImage marked = box("Ban")->picture();
    const QPoint dot(squareLeft(sq(5, 8)) + 16, squareTop(sq(5, 8)) + 16);
    EXPECT_NE(marked.pixelColor(dot), plain.pixelColor(dot));
    const QPoint far(squareLeft(sq(5, 5)) + 16, squareTop(sq(5, 5)) + 16);
    EXPECT_EQ(marked.pixelColor(far), plain.pixelColor(far));
    // A game's own rule replaces the free board's.
    window->setDestinationRule([](const ZnBan &, const ZnFlags &) { return std::vector<Square>{sq(5, 5)}; });
    EXPECT_NE(box("Ban")->picture().pixelColor(far), plain.pixelColor(far));
    EXPECT_EQ(box("Ban")->picture().pixelColor(dot), plain.pixelColor(dot));
    window->setDestinationRule({});
}

// The legend, the move list, 検討, the graph and the clock open inside the screen even beside a window at its
// right edge, and Esc closes each. The next window opens each where it was left, and one left
// beyond a smaller screen comes back inside it.
TEST_F(KeepingWorkTest, SmallWindowsOpenWhereTheyWereLeftInsideTheScreenAndCloseWithEscape) {
    const QRect area = window->screen()->availableGeometry();
    window->move(area.right() - window->frameGeometry().width(), area.top());
    const struct {
        const char *what;
        std::function<QWidget *(TZnMainForm &)> open;
    } rows[] = {
        {"legend", [](TZnMainForm &form) -> QWidget * { return form.showLegendWindow(), form.legendWindow(); }},
        {"move list", [](TZnMainForm &form) -> QWidget * { return form.showKifuWindow(), form.kifuWindow(); }},
        {"graph", [](TZnMainForm &form) -> QWidget * { return form.showEvaluationGraph(), form.graphWindow(); }},
        {"clock", [](TZnMainForm &form) -> QWidget * {
             // Two people, so that no engine starts; the clock stays open after the game.
             EXPECT_TRUE(form.startGame(GameChoice()));
             form.stopGame();
             for (int wait = 0; wait < 400 && form.gameRunning(); ++wait) QTest::qWait(5);
             return form.clockWindow();
         }},
        {"検討", [this](TZnMainForm &form) -> QWidget * {
             // An engine that cannot start: the window opens all the same, and nothing runs.
             form.engineStore().setCommandLineEngine(path("no-engine"));
             form.toggleAnalysis();
             return form.analysisWindow();
         }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        QWidget *shown = row.open(*window);
        EXPECT_TRUE(area.contains(shown->frameGeometry()));
        for (const QRect left : {QRect(area.topLeft() + QPoint(10, 20), QSize(320, 400)),
                                 QRect(area.bottomRight() + QPoint(400, 300), area.size() * 2)}) {
            shown->setGeometry(left);
            const QRect kept = shown->geometry();
            QTest::keyClick(shown, Qt::Key_Escape);
            EXPECT_FALSE(shown->isVisible());
            auto next = makeStartWindow(asker);
            QWidget *again = row.open(*next);
            if (area.contains(kept))
                EXPECT_EQ(again->geometry(), kept);
            else
                EXPECT_TRUE(area.contains(again->frameGeometry())) << again->frameGeometry().x();
            again->close();
        }
    }
    // The windows of later tests open where they would for a new player.
    QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi")).remove(QStringLiteral("windows"));
}

// A zoom stored on a larger monitor comes down to the largest that fits the screen.
TEST(ZoomFit, TheLargestZoomThatFitsTheScreenIsKept) {
    const struct {
        int stored;
        QSize screen;
        int kept;
    } rows[] = {
        {200, {1920, 1200}, 150}, {200, {2560, 1600}, 200}, {150, {1280, 1024}, 150},
        {200, {1280, 800}, 125},  {125, {800, 600}, 100},   {100, {3840, 2160}, 100},
    };
    for (const auto &row : rows)
        EXPECT_EQ(fittingZoomPercent(row.stored, QSize(780, 640), row.screen), row.kept)
            << row.stored << " " << row.screen.width();
}

}  // namespace
