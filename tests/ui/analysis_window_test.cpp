// 検討 in the window with the scripted fake engine: the menu, following the cursor, the arrows,
// the changed squares and their marks, the balance panel, refused positions and faults, the redraw
// limit, and the engine settings kept in a settings file of the test's own.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "record/sfen.h"
#include "ui/analysiswindow.h"
#include "ui/enginedialogs.h"
#include "ui/enginestore.h"
#include "ui_testing.h"

namespace {

bool waitFor(const std::function<bool()> &done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) QTest::qWait(10);
    return done();
}

class AnalysisWindowTest : public ShownWindowTest {
protected:
    void SetUp() override {
        ShownWindowTest::SetUp();
        qunsetenv("FAKE_PV");
        window->setEngineStore(std::make_unique<EngineStore>(dir.filePath("settings.ini")));
        useEngine("normal");
    }
    void TearDown() override { qunsetenv("FAKE_PV"); }

    QString fake(const QString &mode) {
        const QString path = dir.filePath("fake_engine-" + mode);
        if (mode != "missing" && !QFile::exists(path)) QFile::link(QStringLiteral(FAKE_ENGINE), path);
        return path;
    }
    void useEngine(const QString &mode) { window->engineStore().setCommandLineEngine(fake(mode)); }
    void load(const char *sfen) {
        RecordNotes notes;
        ASSERT_TRUE(readSfen(window->game(), notes, sfen).ok);
        window->record().reset();
        window->RedrawAll();
    }
    TAnalysisWindow *analysis() { return window->analysisWindow(); }
    QString firstLine(int column) {
        QTreeWidgetItem *item = analysis()->linesView()->topLevelItem(0);
        return item == nullptr ? QString() : item->text(column);
    }
    bool lineStartsWith(const QString &text) {
        return waitFor([&] { return firstLine(2).startsWith(text); });
    }
    QColor boardPixel(QPointF at) {
        QTest::qWait(50);
        return ban()->grab().toImage().pixelColor(at.toPoint());
    }

    QTemporaryDir dir;
};

TEST_F(AnalysisWindowTest, FollowsTheCursorWithItsArrowsAndStops) {
    EXPECT_EQ(child<QAction>("KZ1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    EXPECT_FALSE(child<QAction>("KZ3")->isChecked()) << "no arrows before 検討";

    ASSERT_TRUE(window->record().play(Move{squareAt(6, 2), squareAt(5, 2), false, PAWN}).empty());
    window->RedrawAll();
    const QPointF middle = (squareCentre(squareAt(2, 2)) + squareCentre(squareAt(3, 2))) / 2;
    const QColor plain = boardPixel(middle);
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(analysis(), nullptr);
    // Gote to move after ▲３六歩: the fake answers △３四歩, its score turned to sente's view.
    ASSERT_TRUE(lineStartsWith(QStringLiteral("△３四歩▲７六歩"))) << firstLine(2).toStdString();
    EXPECT_TRUE(analysis()->windowTitle().startsWith(QStringLiteral("検討 - Fake Engine")));
    EXPECT_TRUE(firstLine(0) == "0" || firstLine(0).startsWith('-')) << firstLine(0).toStdString();
    EXPECT_TRUE(child<QAction>("KZ1")->isChecked());
    EXPECT_TRUE(child<QAction>("KZ3")->isChecked()) << "the arrows come on with 検討";
    ASSERT_TRUE(waitFor([&] { return !analysis()->marks().arrows.empty(); }));
    EXPECT_EQ(analysis()->marks().arrows.front().from, squareAt(2, 2));
    EXPECT_NE(boardPixel(middle), plain) << "the arrow of △３四歩 is drawn";

    // Walking back to the start restarts the search for sente.
    child<QAction>("KW2")->trigger();
    ASSERT_TRUE(lineStartsWith(QStringLiteral("▲７六歩△３四歩")));
    EXPECT_TRUE(analysis()->footerLabel()->text().contains(QStringLiteral("局面/秒")));
    for (Side side : {SENTE, GOTE})
        EXPECT_TRUE(analysis()->balanceLabel(side)->text().contains(QStringLiteral("マス多い")));

    // Stopping takes the arrows away.
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(analysis()->analysing());
    EXPECT_FALSE(child<QAction>("KZ3")->isChecked());
    ASSERT_TRUE(window->record().goForward());
    window->RedrawAll();
    EXPECT_EQ(boardPixel(middle), plain);
}

TEST_F(AnalysisWindowTest, AddsTheLineAsABranchAndKeepsTheOldOne) {
    GameRecord &record = window->record();
    ASSERT_TRUE(record.play(Move{squareAt(6, 2), squareAt(5, 2), false, PAWN}).empty());
    ASSERT_TRUE(record.play(Move{squareAt(2, 7), squareAt(3, 7), false, PAWN}).empty());
    ASSERT_TRUE(record.goTo(1));
    window->RedrawAll();
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(lineStartsWith(QStringLiteral("△３四歩")));
    // After ▲３六歩 the fake reads △３四歩▲７六歩: a branch beside △８四歩, the board staying.
    QTest::mouseClick(analysis()->addLineButton(), Qt::LeftButton);
    EXPECT_EQ(window->statusText(), QStringLiteral("読み筋の2手を変化として棋譜に加えました"));
    EXPECT_EQ(record.cursor(), 1);
    EXPECT_EQ(record.alternatives().size(), 2u);
    ASSERT_EQ(record.length(), 3);
    EXPECT_EQ(record.game().history()[1].to, squareAt(3, 2));
}

TEST_F(AnalysisWindowTest, ALongReadingShowsWholeInATooltipAndAClickedLineStaysChosen) {
    qputenv("FAKE_PV", "7g7f 3c3d 2g2f 8c8d 2f2e 8d8e 6i7h 4a3b 2e2d 2c2d 2h2d 8e8f 8g8f 8b8f");
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(lineStartsWith(QStringLiteral("▲７六歩△３四歩▲２六歩")));
    QTreeWidget *lines = analysis()->linesView();
    EXPECT_EQ(lines->topLevelItem(0)->toolTip(2), lines->topLevelItem(0)->text(2));
    QTest::mouseClick(lines->viewport(), Qt::LeftButton, Qt::NoModifier,
                      lines->visualItemRect(lines->topLevelItem(0)).center());
    // The rows are made again at each redraw; the clicked line is selected in the new ones.
    const int redraws = analysis()->redrawCount();
    ASSERT_TRUE(waitFor([&] { return analysis()->redrawCount() > redraws + 1; }));
    ASSERT_NE(lines->topLevelItem(0), nullptr);
    EXPECT_TRUE(lines->topLevelItem(0)->isSelected());
    // A short reading fits its cell and needs no tooltip.
    qputenv("FAKE_PV", "7g7f");
    child<QAction>("KZ1")->trigger();
    child<QAction>("KZ1")->trigger();
    ASSERT_TRUE(waitFor([&] { return firstLine(2) == QStringLiteral("▲７六歩"); }));
    EXPECT_TRUE(lines->topLevelItem(0)->toolTip(2).isEmpty());
}

TEST_F(AnalysisWindowTest, ChangedSquaresAreListedAndMarkedWhileTheMouseRests) {
    qputenv("FAKE_PV", "G*5b");
    load("sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1");
    window->toggleAnalysis();
    ASSERT_TRUE(lineStartsWith(QStringLiteral("▲５二金打")));
    QListWidget *changes = analysis()->changesView();
    ASSERT_TRUE(waitFor([&] { return changes->count() == 6; })) << changes->count();
    EXPECT_EQ(changes->item(1)->text(), QStringLiteral("５一 0対0 → 1対0"));
    // The gold comes from sente's stand: its arrow starts right of the board's first file.
    const BestMoveArrow &arrow = analysis()->marks().arrows.front();
    EXPECT_EQ(arrow.from, IN_HAND);
    EXPECT_GT(arrowStart(arrow).x(), squareCentre(squareAt(0, 0)).x());

    const QPointF corner = squareCentre(squareAt(0, 4)) - QPointF(14, 14);
    EXPECT_NE(boardPixel(corner), MarkedSquareColour);
    QTest::mouseMove(changes->viewport(), changes->visualItemRect(changes->item(0)).center());
    ASSERT_TRUE(waitFor([&] { return analysis()->marks().marked.size() == 6u; }));
    EXPECT_EQ(boardPixel(corner), MarkedSquareColour);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(changes->viewport(), &leave);
    EXPECT_NE(boardPixel(corner), MarkedSquareColour);
}

TEST_F(AnalysisWindowTest, RefusedPositionsAndFaultsSayWhyAndAnalysisStartsAgain) {
    const struct {
        const char *position, *mode, *reason;
    } rows[] = {
        {"sfen 4k4/9/4P4/9/4P4/9/9/9/4K4 b - 1", "normal", "二枚"},
        {"sfen 4k4/4G4/9/9/9/9/9/9/4K4 b - 1", "normal", "王手"},
        {"sfen 9/9/4P4/9/9/9/9/9/4K4 b G 1", "normal", "玉が盤上にない"},
        // No legal move: nothing to search, and no engine left waiting on it.
        {"sfen 4k4/4G4/4P4/9/9/9/9/9/4K4 w - 1", "normal", "詰み"},
        {"startpos", "exit-mid-search", "探索中に終了"},
        {"startpos", "exit-at-start", "起動中に終了"},
        {"startpos", "missing", "見つかりません"},
        {"startpos", "illegal", "「5e5d」"},
        {"startpos", "garbage", "UTF-8"},
        {"startpos", "normal", "検討中"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.mode);
        load(row.position);
        useEngine(row.mode);
        window->toggleAnalysis();
        const QString reason = QString::fromUtf8(row.reason);
        ASSERT_TRUE(waitFor([&] { return analysis()->reasonLabel()->text().contains(reason); }))
            << analysis()->reasonLabel()->text().toStdString();
        EXPECT_TRUE(window->statusText().contains(reason) || reason == QStringLiteral("検討中"));
        // A refused position shows no line; a crashed engine's last words may stay on view.
        if (QByteArray(row.position).startsWith("sfen")) {
            EXPECT_EQ(analysis()->linesView()->topLevelItemCount(), 0);
        }
        EXPECT_EQ(analysis()->analysing(), child<QAction>("KZ1")->isChecked());
        if (analysis()->analysing()) window->toggleAnalysis();
    }
}

TEST_F(AnalysisWindowTest, RedrawsAtMostTenTimesASecondUnderAFlood) {
    useEngine("flood");
    window->toggleAnalysis();
    ASSERT_TRUE(lineStartsWith(QStringLiteral("▲７六歩")));
    const int before = analysis()->redrawCount();
    QTest::qWait(1000);
    EXPECT_LE(analysis()->redrawCount() - before, 11);
    EXPECT_GE(analysis()->redrawCount() - before, 5) << "the lines keep coming";
}

// 候補手 follows the engine: one line from an engine that gives one, and the count asked for again
// from the next engine that gives several (it stayed at one).
TEST_F(AnalysisWindowTest, TheLineCountComesBackWithAnEngineOfSeveralLines) {
    useEngine("gpsusi");
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(analysis(), nullptr);
    auto *count = analysis()->findChild<QSpinBox *>();
    ASSERT_NE(count, nullptr);
    ASSERT_TRUE(waitFor([&] { return !count->isEnabled(); })) << "a gpsusi gives one line";
    EXPECT_EQ(analysis()->lineCount(), 1);
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    useEngine("normal");
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_TRUE(waitFor([&] { return count->isEnabled(); }));
    EXPECT_EQ(analysis()->lineCount(), 3);
}

// Each engine's line, its path with the notes after it, is in sight whole in エンジン設定.
TEST_F(AnalysisWindowTest, TheEngineListShowsEachLineWhole) {
    EngineSettingsDialog settings(window->engineStore());
    settings.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&settings));
    const QListWidget *list = settings.list();
    ASSERT_GE(list->count(), 1);
    for (int row = 0; row < list->count(); ++row)
        EXPECT_LE(list->visualItemRect(list->item(row)).right(), list->viewport()->width())
            << list->item(row)->text().toStdString();
}

// The store keeps what the user set but never the command-line engine; the options dialog is made
// from the engine's option lines and keeps only what differs from their defaults.
TEST_F(AnalysisWindowTest, SettingsAndTheOptionsDialog) {
    EngineSettingsDialog settings(window->engineStore());
    ASSERT_GE(settings.list()->count(), 1);
    bool shown = false;
    settings.editOptions([&](EngineOptionsDialog &dialog) {
        shown = true;
        auto skill = qobject_cast<QSpinBox *>(dialog.editor("Skill Level"));
        auto style = qobject_cast<QComboBox *>(dialog.editor("Style"));
        ASSERT_TRUE(skill && style && dialog.editor("Book File"));
        EXPECT_EQ(std::make_pair(skill->maximum(), style->count()), std::make_pair(20, 2));
        EXPECT_NE(qobject_cast<QPushButton *>(dialog.editor("Clear Hash")), nullptr);
        EXPECT_TRUE(dialog.values().isEmpty()) << "nothing differs from the defaults yet";
        skill->setValue(7);
        style->setCurrentText("Risky Play");
        dialog.accept();
    });
    ASSERT_TRUE(waitFor([&] { return shown; }));
    settings.addEngine(dir.filePath("settings.ini"));
    EXPECT_TRUE(settings.message()->text().contains(QStringLiteral("実行できる")));
    settings.addEngine(fake("flood"));
    window->engineStore().setChosenEngine(fake("flood"));

    EngineStore again(dir.filePath("settings.ini"));
    EXPECT_EQ(again.options(fake("normal")),
              (QMap<QString, QString>{{"Skill Level", "7"}, {"Style", "Risky Play"}}));
    EXPECT_EQ(again.engines(), QStringList{fake("flood")} + EngineStore::installedEngines());
}

}  // namespace
