// 検討 in the window, with the scripted fake engine: the menu, following the cursor, positions that
// are refused, faults, the best-move arrows, the changed squares and the balance panel, and the
// engine settings kept in a settings file of the test's own.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
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
        ASSERT_TRUE(dir.isValid());
        qunsetenv("FAKE_PV");
        auto store = std::make_unique<EngineStore>(dir.filePath("settings.ini"));
        store->setCommandLineEngine(fake("normal"));
        window->setEngineStore(std::move(store));
    }
    void TearDown() override {
        qunsetenv("FAKE_PV");
        window.reset();
    }

    QString fake(const QString &mode) {
        const QString path = dir.filePath("fake_engine-" + mode);
        if (!QFile::exists(path)) QFile::link(QStringLiteral(FAKE_ENGINE), path);
        return path;
    }
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
        const QImage picture = ban()->grab().toImage();
        return picture.pixelColor(at.toPoint());
    }

    QTemporaryDir dir;
};

TEST_F(AnalysisWindowTest, MenuSitsBeforeHelpWithItsKey) {
    QStringList titles;
    for (QAction *action : window->menuBar()->actions()) titles << action->text();
    const int analysisMenu = titles.indexOf(QStringLiteral("検討(&K)"));
    ASSERT_GE(analysisMenu, 0) << titles.join(' ').toStdString();
    EXPECT_EQ(titles.value(analysisMenu + 1), QStringLiteral("ヘルプ(&H)"));
    EXPECT_EQ(child<QAction>("KZ1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    EXPECT_EQ(child<QAction>("KZ2")->text(), QStringLiteral("エンジン設定(&E)…"));
    EXPECT_FALSE(child<QAction>("KZ3")->isChecked()) << "no arrows before 検討";
}

TEST_F(AnalysisWindowTest, FollowsTheCursorAndDrawsItsArrows) {
    ASSERT_TRUE(window->record().play(MoveSpec{squareAt(6, 2), squareAt(5, 2), false, PAWN}).empty());
    window->RedrawAll();
    const QColor before = boardPixel(squareCentre(static_cast<Square>(squareAt(3, 4))));
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(analysis(), nullptr);
    EXPECT_TRUE(analysis()->windowTitle().startsWith(QStringLiteral("検討")));
    // Gote to move after ▲７六歩: the fake answers △３四歩 and the score is turned to sente's view.
    ASSERT_TRUE(lineStartsWith(QStringLiteral("△３四歩▲７六歩"))) << firstLine(2).toStdString();
    EXPECT_TRUE(analysis()->windowTitle().startsWith(QStringLiteral("検討 - Fake Engine")));
    EXPECT_TRUE(firstLine(0) == "0" || firstLine(0).startsWith('-')) << firstLine(0).toStdString();
    EXPECT_TRUE(child<QAction>("KZ1")->isChecked());
    EXPECT_TRUE(child<QAction>("KZ3")->isChecked()) << "the arrows come on with 検討";
    // The arrow of △３四歩 runs from 3c to 3d.
    ASSERT_TRUE(waitFor([&] { return !analysis()->marks().arrows.empty(); }));
    const BestMoveArrow &arrow = analysis()->marks().arrows.front();
    EXPECT_EQ(arrow.from, squareAt(2, 2));
    EXPECT_EQ(arrow.to, squareAt(3, 2));
    QTest::qWait(50);
    const QPointF middle = (squareCentre(arrow.from) + squareCentre(arrow.to)) / 2;
    EXPECT_EQ(boardPixel(middle).green() > boardPixel(middle).red(), true) << "the arrow is drawn";

    // Walking back to the start restarts the search for sente.
    child<QAction>("KW2")->trigger();
    ASSERT_TRUE(lineStartsWith(QStringLiteral("▲７六歩△３四歩")));
    EXPECT_NE(analysis()->footerLabel()->text().indexOf(QStringLiteral("局面/秒")), -1);
    for (Side side : {SENTE, GOTE})
        EXPECT_TRUE(analysis()->balanceLabel(side)->text().contains(QStringLiteral("優勢")));

    // Stopping takes the arrows away and leaves the board as it was.
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(analysis()->analysing());
    EXPECT_FALSE(child<QAction>("KZ3")->isChecked());
    ASSERT_TRUE(window->record().goForward());
    window->RedrawAll();
    QTest::qWait(50);
    EXPECT_EQ(boardPixel(squareCentre(static_cast<Square>(squareAt(3, 4)))), before);
}

TEST_F(AnalysisWindowTest, ChangedSquaresAreListedAndMarkedWhileTheMouseRests) {
    qputenv("FAKE_PV", "G*5b");
    load("sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G2r 1");
    window->toggleAnalysis();
    ASSERT_TRUE(lineStartsWith(QStringLiteral("▲５二金打")));
    QListWidget *changes = analysis()->changesView();
    ASSERT_TRUE(waitFor([&] { return changes->count() == 6; })) << changes->count();
    EXPECT_EQ(changes->item(1)->text(), QStringLiteral("５一 0対0 → 1対0"));
    // The gold dropped from sente's stand: its arrow starts at the board's edge on the stand's side.
    const BestMoveArrow &arrow = analysis()->marks().arrows.front();
    EXPECT_EQ(arrow.from, IN_HAND);
    EXPECT_GT(arrowStart(arrow).x(), squareCentre(static_cast<Square>(squareAt(0, 0))).x());

    EXPECT_TRUE(analysis()->marks().marked.empty());
    QTest::mouseMove(changes->viewport(), changes->visualItemRect(changes->item(0)).center());
    ASSERT_TRUE(waitFor([&] { return analysis()->marks().marked.size() == 6u; }));
    QTest::qWait(50);
    const QPointF corner = squareCentre(static_cast<Square>(squareAt(0, 4))) - QPointF(14, 14);
    EXPECT_EQ(boardPixel(corner), MarkedSquareColour);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(changes->viewport(), &leave);
    EXPECT_TRUE(analysis()->marks().marked.empty());
    QTest::qWait(50);
    EXPECT_NE(boardPixel(corner), MarkedSquareColour);
}

TEST_F(AnalysisWindowTest, RefusedPositionsAndFaultsSayWhyAndAnalysisStartsAgain) {
    const struct {
        const char *position;  // nullptr: the start
        const char *mode;
        const char *reason;
    } rows[] = {
        {"sfen 4k4/9/4P4/9/4P4/9/9/9/4K4 b - 1", "normal", "二枚"},
        {"sfen 4k4/4G4/9/9/9/9/9/9/4K4 b - 1", "normal", "王手"},
        {"sfen 9/9/4P4/9/9/9/9/9/4K4 b G 1", "normal", "玉が盤上にない"},
        {nullptr, "exit-mid-search", "探索中に終了"},
        {nullptr, "exit-at-start", "起動中に終了"},
        {nullptr, "missing", "見つかりません"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.mode);
        if (row.position != nullptr)
            load(row.position);
        else
            load("startpos");
        const QString mode = QString::fromUtf8(row.mode);
        window->engineStore().setCommandLineEngine(mode == "missing" ? dir.filePath("no-such-engine")
                                                                     : fake(mode));
        window->toggleAnalysis();
        ASSERT_TRUE(waitFor([&] {
            return analysis()->reasonLabel()->text().contains(QString::fromUtf8(row.reason));
        })) << analysis()->reasonLabel()->text().toStdString();
        EXPECT_TRUE(window->statusText().contains(QString::fromUtf8(row.reason)) || row.position != nullptr)
            << window->statusText().toStdString();
        // A refused position shows no line; a crashed engine's last words may stay on view.
        if (row.position != nullptr) {
            EXPECT_EQ(analysis()->linesView()->topLevelItemCount(), 0);
        }
        if (analysis()->analysing()) window->toggleAnalysis();
        EXPECT_FALSE(child<QAction>("KZ1")->isChecked());
    }
    // After all that a good engine on a good position analyses.
    load("startpos");
    window->engineStore().setCommandLineEngine(fake("normal"));
    window->toggleAnalysis();
    EXPECT_TRUE(lineStartsWith(QStringLiteral("▲７六歩")));
}

TEST_F(AnalysisWindowTest, RedrawsAtMostTenTimesASecondUnderAFlood) {
    window->engineStore().setCommandLineEngine(fake("flood"));
    window->toggleAnalysis();
    ASSERT_TRUE(lineStartsWith(QStringLiteral("▲７六歩")));
    const int before = analysis()->redrawCount();
    QTest::qWait(1000);
    const int redraws = analysis()->redrawCount() - before;
    EXPECT_LE(redraws, 11);
    EXPECT_GE(redraws, 5) << "the lines keep coming";
}

TEST(EngineStore, KeepsEnginesAndOptionsButNotTheCommandLineEngine) {
    QTemporaryDir dir;
    const QString file = dir.filePath("settings.ini");
    {
        EngineStore store(file);
        store.setCommandLineEngine("/opt/first");
        store.setAddedEngines({"/opt/added", "/opt/other"});
        store.setChosenEngine("/opt/other");
        store.setOptions("/opt/added", {{"Skill Level", "3"}, {"Book File", "/tmp/a b.bin"}});
        EXPECT_EQ(store.engines().mid(0, 2), (QStringList{"/opt/first", "/opt/other"}));
    }
    EngineStore again(file);
    QStringList expected{"/opt/other"};
    expected << EngineStore::installedEngines() << "/opt/added";
    EXPECT_EQ(again.engines(), expected);
    EXPECT_EQ(again.options("/opt/added").value("Book File"), "/tmp/a b.bin");
    EXPECT_TRUE(again.options("/opt/other").isEmpty());
}

TEST_F(AnalysisWindowTest, OptionsDialogIsMadeFromTheEnginesOptionLines) {
    EngineSettingsDialog settings(window->engineStore());
    ASSERT_GE(settings.list()->count(), 1);
    EXPECT_EQ(settings.list()->item(0)->data(Qt::UserRole).toString(), fake("normal"));
    bool shown = false;
    settings.editOptions([&](EngineOptionsDialog &dialog) {
        shown = true;
        auto skill = qobject_cast<QSpinBox *>(dialog.editor("Skill Level"));
        ASSERT_NE(skill, nullptr);
        EXPECT_EQ(skill->maximum(), 20);
        auto style = qobject_cast<QComboBox *>(dialog.editor("Style"));
        ASSERT_NE(style, nullptr);
        EXPECT_EQ(style->count(), 2);
        EXPECT_NE(qobject_cast<QCheckBox *>(dialog.editor("Ponder")), nullptr);
        EXPECT_NE(qobject_cast<QPushButton *>(dialog.editor("Clear Hash")), nullptr);
        EXPECT_NE(qobject_cast<QLineEdit *>(dialog.editor("Comment")), nullptr);
        ASSERT_NE(dialog.editor("Book File"), nullptr);
        EXPECT_TRUE(dialog.values().isEmpty()) << "nothing differs from the defaults yet";
        skill->setValue(7);
        style->setCurrentText("Risky Play");
        dialog.accept();
    });
    ASSERT_TRUE(waitFor([&] { return shown; }));
    const QMap<QString, QString> stored = window->engineStore().options(fake("normal"));
    EXPECT_EQ(stored, (QMap<QString, QString>{{"Skill Level", "7"}, {"Style", "Risky Play"}}));
    settings.addEngine(dir.filePath("settings.ini"));
    EXPECT_TRUE(settings.message()->text().contains(QStringLiteral("実行できる")));
}

}  // namespace
