// 棋譜解析 in the window with a scripted engine: results land in the comments and the move list as
// they come while the game stays walkable, a cancel or a fault keeps what was done, and the graph
// follows the cursor and jumps on a click.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QValueAxis>
#include <array>

#include "common/testing.h"
#include "record/evaluation.h"
#include "ui/enginestore.h"
#include "ui/evaluationgraph.h"
#include "ui/gameanalysiswindow.h"
#include "ui/kifuwindow.h"
#include "ui_testing.h"

namespace {

bool waitFor(const std::function<bool()> &done, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) QTest::qWait(5);
    return done();
}

class GameAnalysisWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = makeStartWindow(asker);
        // ▲７六歩 △３四歩 ▲２六歩 △８四歩
        for (const Move &move : {Move{sq(7, 7), sq(7, 6)}, Move{sq(3, 3), sq(3, 4)}, Move{sq(2, 7), sq(2, 6)},
                                 Move{sq(8, 3), sq(8, 4)}})
            ASSERT_EQ(window->record().play(move), "");
        RecordNotes notes;
        notes.commentsAfter(2) = {"元からの注"};
        window->record().reset(notes);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        findControl<QAction>(*window, "KK1")->trigger();
        window->RedrawAll();
    }

    // Runs the analysis with the scripted engine answering `script`; `during` runs after each
    // position is done.
    void analyse(const std::vector<std::string> &script, const std::function<void(int)> &during = {}) {
        QFile file(dir.filePath("script"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (const std::string &line : script) file.write((line + "\n").c_str());
        file.close();
        qputenv("NAGI_ENGINE_SCRIPT", dir.filePath("script").toLocal8Bit());
        GameAnalysisChoice choice;
        choice.engine = SCRIPTED_ENGINE;
        choice.settings.moveTimeMs = 100;
        choice.settings.coefficient = coefficient;
        window->startGameAnalysis(choice);
        TGameAnalysisWindow *run = window->gameAnalysisWindow();
        ASSERT_NE(run, nullptr);
        if (during) QObject::connect(run, &TGameAnalysisWindow::positionDone, run, during);
        ASSERT_TRUE(waitFor([run] { return !run->running(); }));
    }

    const std::vector<std::string> &comments(int ply) {
        return window->record().notes().commentsAfter(static_cast<std::size_t>(ply));
    }

    QTemporaryDir dir;
    double coefficient = 600.0;
    ScriptedAsker asker;
    std::unique_ptr<TZnMainForm> window;
};

TEST_F(GameAnalysisWindowTest, ResultsComeAsTheyAreMadeAndACancelOrFaultKeepsThem) {
    // △３四歩 instead of the engine's △８四歩 turns an even game into sente's +900.
    const std::vector<std::string> scores = {"cp 20 7g7f", "cp 0 8c8d", "cp 900 2g2f", "cp -850", "cp 860"};
    struct Row {
        const char *name;
        std::vector<std::string> script;
        // What the user does once position `at` is done: walk, cancel or change the line.
        int at;
        char action;
        int finished;
        QString message;
        QString status;
        int cursor;
    };
    // clang-format off
    const Row rows[] = {
        {"walked meanwhile", scores, 1, 'w', 5, "解析が終わりました（5 局面）", "解析が終わりました", 1},
        {"cancelled", scores, 2, 'c', 3, "解析をキャンセルしました（3 / 5 局面）", "キャンセル", 4},
        {"engine exits", {"cp 20 7g7f", "cp 0 8c8d", "exit"}, -1, ' ', 2,
         "解析を中止しました: エンジンが探索中に終了しました", "エンジンが探索中に終了しました", 4},
        // The change is seen once the position being analysed is done, whose lines are not kept.
        {"line changed", scores, 1, 't', 3, "棋譜が変わったので解析を止めました", "棋譜が変わったので", 3},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        SetUp();
        analyse(row.script, [&](int ply) {
            if (ply != row.at) return;
            if (row.action == 'w') {
                EXPECT_TRUE(window->record().goTo(1));
                window->RedrawAll();
            }
            if (row.action == 'c')
                findControl<QPushButton>(*window->gameAnalysisWindow(), "CancelButton")->click();
            if (row.action == 't') window->record().takeBack();
        });
        const TGameAnalysisWindow *run = window->gameAnalysisWindow();
        EXPECT_EQ(run->analysis()->finished(), row.finished);
        EXPECT_TRUE(run->message().startsWith(row.message)) << run->message().toStdString();
        EXPECT_TRUE(window->statusText().contains(row.status)) << window->statusText().toStdString();
        EXPECT_EQ(window->record().cursor(), row.cursor);
        // Every position done before the stop has its lines, the others none; the line changed
        // under the analysis keeps only what came before the change.
        const int kept = row.action == 't' ? row.at + 1 : row.finished;
        for (int ply = 0; ply <= window->record().length(); ++ply)
            EXPECT_EQ(evaluationInComments(comments(ply)).has_value(), ply < kept) << ply;
        const QStringList list = window->kifuWindow()->rows();
        EXPECT_EQ(list.value(2), kept > 2 ? "2 △３四歩(33)　大悪手" : "2 △３四歩(33)");
        if (kept > 2) {
            EXPECT_EQ(comments(2)[0], "【大悪手】");
            EXPECT_EQ(comments(2)[2], "元からの注");
        }
    }
}

TEST_F(GameAnalysisWindowTest, GraphShowsTheEvaluationsAndTimelineFollowsTheCursorAndJumpsOnAClick) {
    coefficient = 250.0;  // the curve of the engine the analysis ran with
    analyse({"cp 20 7g7f", "cp 0 8c8d", "mate 3", "cp -4000", "cp 100"});
    findControl<QAction>(*window, "KV1")->trigger();
    TEvaluationGraphWindow *graph = window->graphWindow();
    ASSERT_NE(graph, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(graph));
    // Sente's view (gote's -4000 is sente's +4000), a mate and a large score clamped to the limit.
    EXPECT_EQ(graph->evaluationPoints(), QList<QPointF>({{0, 20}, {1, 0}, {2, 3000}, {3, 3000}, {4, 100}}));
    graph->setShowChance(true);
    EXPECT_NEAR(graph->evaluationPoints()[4].y(), 100.0 * winningChance(Evaluation::score(100), 250.0), 1e-9);
    EXPECT_EQ(graph->evaluationPoints()[2].y(), 100.0);
    for (int line = 0; line < 4; ++line) EXPECT_EQ(graph->timelinePoints(line).size(), 5) << line;
    // △３四歩 turned an even game into a mate: its marker sits on the curve with its reason.
    EXPECT_EQ(graph->markerPoints(MoveLabel::Blunder), QList<QPointF>({{2, 100}}));
    EXPECT_EQ(graph->markerTip(2), "2手目 大悪手\n最善は△８四歩でした");
    EXPECT_EQ(graph->cursor(), 4);
    findControl<QAction>(*window, "KW1")->trigger();
    EXPECT_EQ(graph->cursor(), 0);
    // A click over position 3 walks there.
    QChart *chart = graph->evaluationView()->chart();
    const auto *series = static_cast<QLineSeries *>(chart->series().front());
    const QPointF at = chart->mapToPosition(QPointF(3, 50), const_cast<QLineSeries *>(series));
    const QPoint pixel = graph->evaluationView()->mapFromScene(chart->mapToScene(at));
    QTest::mouseClick(graph->evaluationView()->viewport(), Qt::LeftButton, Qt::NoModifier, pixel);
    EXPECT_EQ(window->record().cursor(), 3);
    EXPECT_EQ(graph->cursor(), 3);
}

// The box shows the user's lines; the analysis stands above it as one line, and editing the box
// leaves the record's analysis lines as they were.
TEST_F(GameAnalysisWindowTest, CommentBoxShowsTheAnalysisAsOneLineAndEditingKeepsItsLines) {
    analyse({"cp 20 7g7f", "cp 0 8c8d", "cp 900 2g2f", "cp -850", "cp 860"});
    ASSERT_TRUE(window->record().goTo(2));
    window->RedrawAll();
    TKifuWindow *kifu = window->kifuWindow();
    EXPECT_EQ(kifu->comment(), "元からの注");
    EXPECT_EQ(kifu->analysisText(),
              "【大悪手】最善は△８四歩でした\n評価値 +900（先手優勢）　深さ 12　▲２六歩");
    const std::vector<std::string> before = comments(2);
    auto *box = findControl<QPlainTextEdit>(*kifu, "CommentView");
    box->setFocus();
    box->selectAll();
    // As an input method hands text over: one key event carrying it.
    QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("書き直した注"));
    QApplication::sendEvent(box, &typed);
    std::vector<std::string> expected = before;
    expected[2] = "書き直した注";
    EXPECT_EQ(comments(2), expected);
}

TEST(EvaluationGraph, MarkersTakeTheirLabelsColourAndBothChartsShareTheXAxis) {
    TEvaluationGraphWindow graph;
    const std::vector<GraphPoint> points = {{0, 0, 0.5, MoveLabel::None, ""},
                                            {1, -2000, 0.1, MoveLabel::Blunder, "△５五歩で銀を取られます"},
                                            {2, -2000, 0.1, MoveLabel::None, ""},
                                            {3, 1500, 0.9, MoveLabel::Dubious, ""}};
    std::vector<std::array<SideSafety, 2>> timeline(4);
    timeline[2] = {SideSafety{6, 3}, SideSafety{1, 0}};
    graph.setData(points, 4, timeline);
    graph.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&graph));
    EXPECT_EQ(graph.markerTip(3), "3手目 疑問手");
    // Move for move on one x, within the pixel whole-pixel margins allow: the y labels (-3000
    // against 0) differ in width, the plots must not.
    const auto aligned = [&](int ply) {
        return std::abs(graph.evaluationX(ply) - graph.timelineX(ply)) < 1.0;
    };
    EXPECT_TRUE(waitFor([&] { return aligned(0) && aligned(3); }, 3000));

    // The picture: each marker's centre in its label's colour, sente's strip under ply 2 in blue.
    const QImage picture = graph.grab().toImage();
    const auto pixelAt = [&](QChartView *view, QAbstractSeries *series, QPointF value) {
        QChart *chart = view->chart();
        const QPoint at = view->mapFromScene(chart->mapToScene(chart->mapToPosition(value, series)));
        return picture.pixelColor(view->viewport()->mapTo(&graph, at));
    };
    QChart *evaluation = graph.evaluationView()->chart();
    EXPECT_EQ(pixelAt(graph.evaluationView(), evaluation->series().front(), {1, -2000}), QColor(200, 0, 90));
    EXPECT_EQ(pixelAt(graph.evaluationView(), evaluation->series().front(), {3, 1500}), QColor(230, 180, 0));
    QChart *safety = graph.timelineView()->chart();
    const auto *axis = static_cast<QValueAxis *>(safety->axes(Qt::Vertical).front());
    const QColor strip = pixelAt(graph.timelineView(), safety->series().front(), {2, axis->min() * 0.9});
    EXPECT_TRUE(strip.blue() > 150 && strip.red() < 150) << strip.name().toStdString();
    EXPECT_EQ(pixelAt(graph.timelineView(), safety->series().front(), {1, axis->min() * 0.9}), Qt::white);
    // Resting the mouse on a marker shows its tip; off the markers, none.
    const auto tipAt = [&](QPointF value) {
        QChartView *view = graph.evaluationView();
        const QPoint at = view->mapFromScene(
            evaluation->mapToScene(evaluation->mapToPosition(value, evaluation->series().front())));
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &help);
    };
    tipAt({1, -2000});
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "1手目 大悪手\n△５五歩で銀を取られます");
    tipAt({2, -2000});
    EXPECT_TRUE(waitFor([] { return !QToolTip::isVisible(); }, 2000));
}

TEST_F(GameAnalysisWindowTest, DialogStartsWithTheStoredCoefficientOfEachEngineAndStoresWhatWasUsed) {
    window->setEngineStore(std::make_unique<EngineStore>(dir.filePath("settings.ini")));
    EngineStore &store = window->engineStore();
    const QString scripted = QStringLiteral(SCRIPTED_ENGINE), other = QStringLiteral("/usr/games/other");
    store.setAddedEngines({other, scripted});
    store.setCoefficient(other, 420.0);
    store.setThresholds({0.05, 0.15, 0.45});
    // The engine chosen, the coefficient and 大悪手 threshold the dialog then shows, those typed in.
    struct Row {
        QString engine;
        double shown, shownBlunder, typed, typedBlunder;
    };
    const Row rows[] = {{other, 420.0, 0.45, 420.0, 0.45},
                        {scripted, 600.0, 0.45, 900.0, 0.5},
                        {scripted, 900.0, 0.5, 700.0, 0.5}};
    for (const Row &row : rows) {
        QTimer::singleShot(0, window.get(), [&] {
            auto *dialog = qobject_cast<GameAnalysisDialog *>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            findControl<QComboBox>(*dialog, "EngineBox")->setCurrentText(row.engine);
            const std::array boxes{findControl<QDoubleSpinBox>(*dialog, "CoefficientBox"),
                                   findControl<QDoubleSpinBox>(*dialog, "BlunderBox")};
            EXPECT_EQ(std::pair(boxes[0]->value(), boxes[1]->value()),
                      std::pair(row.shown, row.shownBlunder));
            boxes[0]->setValue(row.typed);
            boxes[1]->setValue(row.typedBlunder);
            dialog->accept();
        });
        window->askGameAnalysis();
        ASSERT_TRUE(waitFor([this] { return !window->gameAnalysisWindow()->running(); }));
    }
    const EngineStore again(dir.filePath("settings.ini"));
    EXPECT_EQ(std::pair(again.coefficient(other), again.coefficient(scripted)), std::pair(420.0, 700.0));
    EXPECT_EQ(std::pair(again.thresholds().mistake, again.thresholds().blunder), std::pair(0.15, 0.5));
}

}  // namespace
