// 対局 in the window: the dialog's first choice and its memory, a move the rules refuse told in the
// status bar with nothing changed, the clock window following the side to move, 中断, and a series
// between engines keeping its games.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTimer>

#include "enginehost/gamehost.h"
#include "record/formats.h"
#include "record/sfen.h"
#include "records_testing.h"
#include "support/readfile.h"
#include "ui/clockwindow.h"
#include "ui/enginestore.h"
#include "ui/gamedialog.h"
#include "ui/windowplace.h"
#include "ui_testing.h"

namespace {

bool spinUntil(const std::function<bool()> &done, int timeoutMs = 3000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) QTest::qWait(5);
    return done();
}

TEST(GameDialog, FirstOffersThePersonAsSenteAgainstTheFirstEngineAndThenRemembers) {
    QTemporaryDir dir;
    EngineStore store(dir.filePath("settings.ini"));
    const QStringList engines{QStringLiteral("/opt/a/engine-one"), QStringLiteral("/opt/b/engine-two")};
    GameDialog first(loadGameChoice(store.settings(), engines), engines);
    EXPECT_EQ(findControl<QComboBox>(first, "SentePlayer")->currentText(), "人");
    EXPECT_EQ(findControl<QComboBox>(first, "GotePlayer")->currentData().toString(), engines[0]);
    for (const char *side : {"Sente", "Gote"}) {
        const std::string name(side);
        EXPECT_EQ(findControl<QTimeEdit>(first, (name + "Main").c_str())->time(), QTime(0, 10, 0));
        EXPECT_TRUE(findControl<QRadioButton>(first, (name + "Byoyomi").c_str())->isChecked());
        EXPECT_EQ(findControl<QDoubleSpinBox>(first, (name + "Seconds").c_str())->value(), 30);
    }
    EXPECT_EQ(findControl<QComboBox>(first, "Start")->currentText(), "平手");
    EXPECT_EQ(findControl<QSpinBox>(first, "MaxMoves")->value(), 500);
    EXPECT_EQ(findControl<QComboBox>(first, "Declaration")->currentText(), "27点法");
    EXPECT_FALSE(findControl<QSpinBox>(first, "Games")->isEnabled()) << "a series needs two engines";
    EXPECT_FALSE(findControl<QLineEdit>(first, "Openings")->isEnabled());
    EXPECT_FALSE(findControl<QSpinBox>(first, "Concurrency")->isEnabled());
    EXPECT_FALSE(findControl<QCheckBox>(first, "Sprt")->isChecked()) << "no SPRT until asked for";
    EXPECT_EQ(findControl<QLineEdit>(first, "Folder")->text(), defaultSeriesFolder());
    EXPECT_TRUE(findControl<QLineEdit>(first, "Book")->isEnabled()) << "an engine plays from a book";
    EXPECT_EQ(first.problem(), "");

    // Two engines, a handicap, 加算 for gote only, no declaration, times to the millisecond, two
    // games at once and an SPRT: what comes back is what was chosen.
    findControl<QComboBox>(first, "SentePlayer")->setCurrentIndex(2);
    findControl<QRadioButton>(first, "GoteIncrement")->setChecked(true);
    findControl<QDoubleSpinBox>(first, "GoteSeconds")->setValue(0.3);
    findControl<QDoubleSpinBox>(first, "SenteSeconds")->setValue(1.25);
    findControl<QTimeEdit>(first, "GoteMain")->setTime(QTime(1, 2, 3, 500));
    findControl<QSpinBox>(first, "Concurrency")->setValue(2);
    EXPECT_FALSE(findControl<QDoubleSpinBox>(first, "Sprt_elo1")->isEnabled());
    findControl<QCheckBox>(first, "Sprt")->setChecked(true);
    findControl<QDoubleSpinBox>(first, "Sprt_elo1")->setValue(25);
    findControl<QDoubleSpinBox>(first, "Sprt_alpha")->setValue(0.1);
    findControl<QComboBox>(first, "Start")->setCurrentText("香落ち");
    findControl<QComboBox>(first, "Declaration")->setCurrentIndex(0);
    findControl<QSpinBox>(first, "Games")->setValue(6);
    findControl<QLineEdit>(first, "Folder")->setText(" /srv/games ");
    findControl<QLineEdit>(first, "Openings")->setText("/srv/book.sfen");
    findControl<QLineEdit>(first, "Book")->setText(" /srv/standard_book.db ");
    findControl<QSpinBox>(first, "BookPlies")->setValue(24);
    const GameChoice chosen = first.choice();
    saveGameChoice(store.settings(), chosen);
    const GameChoice again = loadGameChoice(store.settings(), engines);
    EXPECT_EQ(again.engines, (std::array<QString, 2>{engines[1], engines[0]}));
    EXPECT_EQ(again.time[GOTE], (TimeControl{3723500, 0, 300}));
    EXPECT_EQ(again.time[SENTE], (TimeControl{600000, 1250, 0}));
    EXPECT_EQ(again.concurrency, 2);
    EXPECT_EQ(again.sprt, (SprtSettings{0, 25, 0.1, 0.05}));
    EXPECT_EQ(again.start, "香落ち");
    EXPECT_FALSE(again.declaration);
    EXPECT_EQ(again.games, 6);
    EXPECT_EQ(again.folder, "/srv/games");
    EXPECT_EQ(again.openings, "/srv/book.sfen");
    EXPECT_EQ(again.book, "/srv/standard_book.db");
    EXPECT_EQ(again.bookPlies, 24);
    // Settings kept before there were these choices read as one game at a time and no SPRT.
    store.settings().remove("game/concurrency");
    store.settings().remove("game/sprt");
    const GameChoice older = loadGameChoice(store.settings(), engines);
    EXPECT_EQ(older.concurrency, 1);
    EXPECT_FALSE(older.sprt);
    EXPECT_EQ(older.time, again.time);
    // An engine no longer known is a person again.
    EXPECT_EQ(loadGameChoice(store.settings(), {engines[0]}).engines[SENTE], "");

    findControl<QDoubleSpinBox>(first, "Sprt_elo0")->setValue(25);
    EXPECT_EQ(first.problem(), "SPRT の elo1 は elo0 より大きくしてください");
    findControl<QCheckBox>(first, "Sprt")->setChecked(false);
    findControl<QDoubleSpinBox>(first, "SenteSeconds")->setValue(0);
    findControl<QTimeEdit>(first, "SenteMain")->setTime(QTime(0, 0));
    EXPECT_NE(first.problem(), "") << "a side with no time at all";
    findControl<QTimeEdit>(first, "SenteMain")->setTime(QTime(0, 1));
    findControl<QLineEdit>(first, "Folder")->clear();
    EXPECT_EQ(first.problem(), "棋譜の保存先を指定してください");
}

// A shown window whose engines and remembered choices live in a folder of the test's own.
class GameWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window->setEngineStore(std::make_unique<EngineStore>(dir.filePath("settings.ini")));
        window->show();
    }
    ScriptedAsker asker;
    std::unique_ptr<TZnMainForm> window = makeStartWindow(asker);
    QTemporaryDir dir;
};

TEST_F(GameWindow, RefusesAMoveOutsideTheRulesAndTheClockFollowsTheTurn) {
    // Sente in check from the rook on 5h, a gold in hand.
    QMimeData mime;
    mime.setText(QStringLiteral("4k4/9/9/9/9/9/9/4r4/4K4 b G 1"));
    ASSERT_TRUE(window->pasteRecordText(&mime));
    GameChoice choice;
    choice.start = kStartHere;
    ASSERT_TRUE(window->startGame(choice));
    ASSERT_TRUE(spinUntil([&] { return window->gameHost() && window->gameHost()->started(); }));
    ASSERT_NE(window->clockWindow(), nullptr);
    EXPECT_EQ(window->clockWindow()->markedSide(), SENTE);
    EXPECT_EQ(window->clockWindow()->timeText(SENTE), "10:00");

    auto *board = findControl<TPaintBox>(*window, "Ban");
    auto *stand = findControl<TPaintBox>(*window, "Dai0");
    QTest::mouseClick(stand, Qt::LeftButton, Qt::NoModifier, QPoint(20, 18));
    QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier, squareCentre(1, 1));
    EXPECT_EQ(window->statusText(), "王手を放置しています");
    EXPECT_EQ(window->game().history().size(), 0u);
    // Walking and taking back wait for the end of the game.
    window->findChild<QAction *>("KB1")->trigger();
    EXPECT_EQ(window->game().hand(SENTE).size(), 1);

    // The king takes the rook: gote's turn, and the clock marks it.
    QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier, squareCentre(5, 9));
    QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier, squareCentre(5, 8));
    EXPECT_EQ(window->game().history().size(), 1u);
    EXPECT_EQ(window->clockWindow()->markedSide(), GOTE);
    EXPECT_EQ(window->clockWindow()->nameText(GOTE), "△後手") << "a short name is not cut";

    // 入玉宣言 asks first (it used to lose the game at once); "no" keeps the game going.
    asker.questionAnswers = {false};
    window->findChild<QAction *>("KR4")->trigger();
    ASSERT_EQ(asker.questions.size(), 1);
    EXPECT_TRUE(asker.questions.front().startsWith("入玉宣言|"));
    EXPECT_EQ(window->statusText(), "入玉宣言を取りやめました");
    EXPECT_FALSE(window->gameHost()->over());
    asker.questions.clear();

    // Closing asks first; "no" keeps the game going.
    asker.questionAnswers = {false};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(asker.questions.size(), 1);
    EXPECT_TRUE(window->gameRunning());

    window->stopGame();
    ASSERT_TRUE(spinUntil([&] { return !window->gameRunning(); }));
    EXPECT_EQ(window->record().notes().endWord, "中断");
    EXPECT_EQ(window->record().notes().header("先手"), "先手");
    EXPECT_FALSE(window->record().notes().header("開始日時").empty());
    EXPECT_EQ(window->clockWindow()->markedSide(), -1);
    EXPECT_TRUE(window->findChild<QAction *>("KB1")->isEnabled());

    // A move after the end is a variation beside it: the game's line keeps its end word.
    QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier, squareCentre(5, 1));
    QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier, squareCentre(5, 2));
    EXPECT_EQ(window->record().length(), 2);
    EXPECT_EQ(window->record().tree().mainLine().size(), 1u);
    EXPECT_EQ(window->record().notes().endWord, "中断");

    // 新規 leaves no time of the last game on the clock.
    window->findChild<QAction *>("KN1")->trigger();
    EXPECT_EQ(window->record().length(), 0);
    for (Side side : {SENTE, GOTE}) {
        EXPECT_EQ(window->clockWindow()->timeText(side), "-:--");
        EXPECT_EQ(window->clockWindow()->byoyomiText(side), "");
    }
}

// A window over the status bar goes to the nearest place off it inside the screen; one clear of it
// stays. The screen is 1024 x 768; the bar runs along y 740..759 from x 0 to 809, as a window zoomed
// to 200 % at the foot of the screen has it.
TEST(WindowPlace, AWindowOverTheStatusBarMovesToTheNearestPlaceOffIt) {
    const QRect area(0, 0, 1024, 768), bar(0, 740, 810, 20);
    const struct {
        const char *what;
        QRect frame, placed;
    } rows[] = {
        {"clear above it", {0, 500, 400, 150}, {0, 500, 400, 150}},
        {"over it, pushed up from below the screen", {0, 618, 400, 150}, {0, 590, 400, 150}},
        {"over its right end, room to the right", {800, 618, 200, 150}, {810, 618, 200, 150}},
        {"over it, shorter way down", {0, 755, 100, 3}, {0, 760, 100, 3}},
        {"as near above as below: below, off the board", {0, 748, 100, 4}, {0, 760, 100, 4}},
        {"over it, nowhere to go", {0, 0, 1024, 768}, {0, 0, 1024, 768}},
    };
    for (const auto &row : rows) EXPECT_EQ(placeUncovering(row.frame, bar, area), row.placed) << row.what;
}

// The clock window, shown below the window, below one at the foot of the screen (as a window zoomed
// to 200 % stands) or where it was left over the status bar, never covers the status bar, where
// refusals and results are said during the game.
TEST_F(GameWindow, TheClockLeavesTheStatusBarInSight) {
    enum Place { Below, AtTheFoot, StoredOver };
    for (const Place place : {Below, AtTheFoot, StoredOver}) {
        SCOPED_TRACE(int(place));
        ScriptedAsker answers;
        const std::unique_ptr<TZnMainForm> form = makeStartWindow(answers);
        form->setEngineStore(std::make_unique<EngineStore>(dir.filePath("settings.ini")));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        const QRect area = form->screen()->availableGeometry();
        if (place == AtTheFoot) form->move(0, area.bottom() + 1 - form->frameGeometry().height());
        QTest::qWait(10);
        const auto *status = findControl<QStatusBar>(*form, "StatusBar1");
        const QRect bar(status->mapToGlobal(QPoint(0, 0)), status->size());
        QSettings stored(QStringLiteral("Nagi"), QStringLiteral("nagishogi"));
        if (place == StoredOver)
            stored.setValue("windows/clock", QRect(bar.left() + 10, bar.top() - 20, 300, 120));
        else
            stored.remove("windows/clock");
        stored.sync();
        GameChoice choice;
        choice.engines = {QString(), QString()};
        ASSERT_TRUE(form->startGame(choice));
        ASSERT_NE(form->clockWindow(), nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form->clockWindow()));
        const QRect clock = form->clockWindow()->frameGeometry();
        EXPECT_FALSE(clock.intersects(bar)) << clock.top() << ".." << clock.bottom() << " over " << bar.top();
        EXPECT_TRUE(area.contains(clock)) << clock.top() << ".." << clock.bottom();
        form->stopGame();
        ASSERT_TRUE(spinUntil([&] { return !form->gameRunning(); }));
    }
}

#ifdef FAKE_ENGINE
// A new user (nothing stored) who opens the dialog with Ctrl+G and presses Enter plays sente against
// the first engine at 10 minutes and 30 s 秒読み. The G of Ctrl+G, still held as the dialog opens,
// used to reach the focused 先手 list and choose the engine whose name starts with it.
TEST_F(GameWindow, EnterInTheFirstDialogStartsThePersonAgainstTheFirstEngine) {
    const QString engine = dir.filePath("g-fake_engine-normal");
    ASSERT_TRUE(QFile::link(QStringLiteral(FAKE_ENGINE), engine));
    window->engineStore().setCommandLineEngine(engine);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    bool shown = false;
    QTimer::singleShot(0, window.get(), [&] {
        auto *dialog = qobject_cast<GameDialog *>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = true;
        // Activated as a window system activates it, so that the control it gives the focus takes the keys.
        QApplication::setActiveWindow(dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_G);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        if (dialog->isVisible()) dialog->reject();
    });
    QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
    ASSERT_TRUE(shown);
    const GameChoice chosen =
        loadGameChoice(window->engineStore().settings(), window->engineStore().engines());
    EXPECT_EQ(chosen.engines[SENTE].toStdString(), "");
    EXPECT_EQ(chosen.engines[GOTE], engine);
    EXPECT_EQ(chosen.time,
              (std::array<TimeControl, 2>{TimeControl{600000, 30000, 0}, TimeControl{600000, 30000, 0}}));
    ASSERT_TRUE(window->gameRunning());
    window->stopGame();
    ASSERT_TRUE(spinUntil([&] { return !window->gameRunning(); }));
}
#endif

#ifdef FAKE_ENGINE
// A game turns the board for a person playing gote; the next game, played as sente, turns it back
// (it stayed turned).
TEST_F(GameWindow, TheBoardFacesThePersonInEachGame) {
    const QString engine = dir.filePath("fake_engine-normal");
    ASSERT_TRUE(QFile::link(QStringLiteral(FAKE_ENGINE), engine));
    for (const Side person : {GOTE, SENTE, GOTE}) {
        SCOPED_TRACE(int(person));
        GameChoice choice;
        choice.engines[person] = QString();
        choice.engines[otherSide(person)] = engine;
        ASSERT_TRUE(window->startGame(choice));
        EXPECT_EQ(window->flipped(), person == GOTE);
        window->stopGame();
        ASSERT_TRUE(spinUntil([&] { return !window->gameRunning(); }));
        EXPECT_EQ(window->flipped(), person == GOTE) << "the view stays after the game";
    }
}

// A series between two engines: sides swapped after each game, the score kept for the first
// choice's sente engine, and every game kept in the series' folder, since the next replaces the record.
TEST_F(GameWindow, ASeriesBetweenEnginesKeepsEveryGameInItsFolder) {
    GameChoice choice;
    choice.games = 2;
    choice.folder = dir.filePath("games");
    ASSERT_TRUE(linkFakeEngines(choice, dir.path(), "fake_engine-illegal", "fake_engine-normal"));
    ASSERT_TRUE(window->startGame(choice));
    ASSERT_TRUE(spinUntil([&] { return window->findChild<QMessageBox *>("GameOverBox") != nullptr; }, 20000));
    ASSERT_TRUE(spinUntil([&] { return !window->gameRunning(); }));
    // The engine playing 5e5d loses as sente and then as gote.
    EXPECT_TRUE(window->lastResult().startsWith("第2局") &&
                window->lastResult().endsWith("（fake_engine-illegal 0勝2敗0分）"))
        << window->lastResult().toStdString();
    EXPECT_TRUE(window->seriesFolder().startsWith(dir.filePath("games/")) &&
                window->findChild<QMessageBox *>("GameOverBox")->text().contains(window->seriesFolder()));
    for (const auto &[file, illegalSide] : {std::pair{"001.kif", "先手"}, std::pair{"002.kif", "後手"}}) {
        const FileBytes bytes = readRegularFile(QDir(window->seriesFolder()).filePath(file).toStdString());
        ZnBan board;
        RecordNotes notes;
        ASSERT_TRUE(bytes.ok && readRecordBytes(board, notes, bytes.bytes, file).ok) << file;
        EXPECT_EQ(notes.endWord, "反則負け");
        EXPECT_EQ(notes.header(illegalSide), "Fake Engine illegal");
    }
}

// The same series from an openings file runs through the series runner as nagikifu match does:
// each game starts from the opening's moves, the sides swapped within the pair, the book's move
// after them marked 定跡; a file with a line that is no position, or a missing book, starts nothing
// and says why.
TEST_F(GameWindow, ASeriesStartsEachGameFromTheOpeningsFile) {
    GameChoice choice;
    choice.games = 2;
    choice.folder = dir.filePath("games");
    choice.openings = dir.filePath("book.txt");
    ASSERT_TRUE(linkFakeEngines(choice, dir.path(), "fake_engine-alpha", "fake_engine-beta"));
    records_testing::writeFile(choice.openings, "startpos moves 2g2f 8c8d\nstartpos moves 5e5d\n");
    EXPECT_FALSE(window->startGame(choice));
    EXPECT_TRUE(window->statusText().contains("book.txt:2")) << window->statusText().toStdString();
    choice.book = dir.filePath("moves.db");
    EXPECT_FALSE(window->startGame(choice));
    EXPECT_TRUE(window->statusText().startsWith("定跡を使えません: " + choice.book))
        << window->statusText().toStdString();
    records_testing::writeFile(choice.book,
                               "#YANEURAOU-DB2016 1.00\nsfen lnsgkgsnl/1r5b1/p1ppppppp/1p7/9/7P1/"
                               "PPPPPPP1P/1B5R1/LNSGKGSNL b - 3\n7g7f\n");
    records_testing::writeFile(choice.openings, "startpos moves 2g2f 8c8d\n");
    ASSERT_TRUE(window->startGame(choice));
    ASSERT_TRUE(spinUntil([&] { return window->findChild<QMessageBox *>("GameOverBox") != nullptr; }, 20000));
    ASSERT_TRUE(spinUntil([&] { return !window->gameRunning(); }));
    // Sente loses each game (its third move repeats its first): alpha once, beta once.
    EXPECT_TRUE(window->lastResult().endsWith("（fake_engine-alpha 1勝1敗0分）"))
        << window->lastResult().toStdString();
    for (const auto &[file, alphaSide] : {std::pair{"001.kif", "先手"}, std::pair{"002.kif", "後手"}}) {
        const FileBytes bytes = readRegularFile(QDir(window->seriesFolder()).filePath(file).toStdString());
        ZnBan board;
        RecordNotes notes;
        ASSERT_TRUE(bytes.ok && readRecordBytes(board, notes, bytes.bytes, file).ok) << file;
        EXPECT_EQ(notes.header(alphaSide), "Fake Engine alpha");
        EXPECT_EQ(writeUsi(board), "position startpos moves 2g2f 8c8d 7g7f 3c3d\n") << file;
    }
    EXPECT_EQ(window->record().commentsOnPath(3), std::vector<std::string>{"定跡"});
    EXPECT_TRUE(window->record().commentsOnPath(2).empty());
}

#endif

}  // namespace
