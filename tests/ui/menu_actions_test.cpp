// Every menu item by its name does its own command: what the player sees change after choosing it.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

#include "record/position.h"
#include "records_testing.h"
#include "ui/analysiswindow.h"
#include "ui/enginestore.h"
#include "ui/evaluationgraph.h"
#include "ui/kifuwindow.h"
#include "ui/legendwindow.h"
#include "ui_testing.h"

namespace {

using namespace records_testing;

// The rows of the table below reach the window through the fixture.
class MenuActionsTest : public ShownWindowTest {
public:
    using ShownWindowTest::asker;
    using ShownWindowTest::ban;
    using ShownWindowTest::window;

    void SetUp() override {
        ShownWindowTest::SetUp();
        ASSERT_TRUE(directory.isValid());
        chooser.unexpectedFails = false;
        window->setFileChooser(&chooser);
    }

    // The three moves of the USI line, the cursor at the end.
    void pasteThreeMoves() {
        QApplication::clipboard()->setText(QString::fromStdString(kUsiText));
        window->action(MenuAction::Paste)->trigger();
        ASSERT_EQ(window->record().length(), 3);
    }
    // A second answer at move 3 (２六歩 beside ２二角成), followed.
    void addBranchAtMoveThree() {
        pasteThreeMoves();
        window->record().goTo(2);
        QTest::mouseClick(ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(2, 7));
        QTest::mouseClick(ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(2, 6));
        ASSERT_EQ(window->record().alternativesOfMove().size(), 2u);
        ASSERT_EQ(window->record().chosenAlternativeOfMove(), 1u);
    }
    // Chooses `name`, closing the modal dialog it opens; the class of that dialog, empty for none.
    QString triggerClosingDialog(MenuAction name) {
        QString seen;
        QTimer::singleShot(0, [&seen] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                seen = QString::fromLatin1(modal->metaObject()->className());
                modal->close();
            }
        });
        window->action(name)->trigger();
        QCoreApplication::processEvents();
        return seen;
    }
    std::string sfen() const { return positionSfen(window->game()); }

    ScriptedChooser chooser;
    QTemporaryDir directory;
};

struct Row {
    MenuAction name;
    std::function<void(MenuActionsTest &)> prepare;
    std::function<void(MenuActionsTest &)> check;
};

TEST_F(MenuActionsTest, EachItemDoesItsCommand) {
    using T = MenuActionsTest;
    const auto cursorIs = [](int move) { return [move](T &t) { EXPECT_EQ(t.window->record().cursor(), move); }; };
    const auto walkedBack = [](T &t) {
        t.pasteThreeMoves();
        t.window->record().goTo(1);
    };
    const Row rows[] = {
        {MenuAction::NewGame, &T::pasteThreeMoves, [](T &t) { EXPECT_EQ(t.window->record().length(), 0); }},
        {MenuAction::Open,
         [](T &t) {
             writeFile(t.directory.filePath("game.kif"), bytesOf(kKifText));
             t.chooser.openPaths.push_back(t.directory.filePath("game.kif"));
         },
         [](T &t) { EXPECT_EQ(t.window->recordPath(), QFileInfo(t.directory.filePath("game.kif")).absoluteFilePath()); }},
        // With no file yet 上書き保存 asks for one, as 保存 does.
        {MenuAction::SaveOver, [](T &t) { t.chooser.savePaths.push_back(t.directory.filePath("over.ngr")); },
         [](T &t) { EXPECT_TRUE(QFileInfo::exists(t.directory.filePath("over.ngr"))); }},
        {MenuAction::SaveAs, [](T &t) { t.chooser.savePaths.push_back(t.directory.filePath("as.ngr")); },
         [](T &t) { EXPECT_TRUE(QFileInfo::exists(t.directory.filePath("as.ngr"))); }},
        {MenuAction::Exit, nullptr, [](T &t) { EXPECT_FALSE(t.window->isVisible()); }},
        {MenuAction::TakeBack, &T::pasteThreeMoves, cursorIs(2)},
        {MenuAction::BoardTakeBack, &T::pasteThreeMoves, cursorIs(2)},
        {MenuAction::CopyRecord, &T::pasteThreeMoves,
         [](T &) { EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("２二角成"))); }},
        {MenuAction::CopyPosition, &T::pasteThreeMoves,
         [](T &) { EXPECT_EQ(QApplication::clipboard()->text().toStdString(), kFinalSfen); }},
        {MenuAction::Paste, [](T &) { QApplication::clipboard()->setText(QString::fromStdString(kUsiText)); },
         [](T &t) { EXPECT_EQ(t.sfen(), kFinalSfen); }},
        {MenuAction::KifuWindow, nullptr,
         [](T &t) { EXPECT_TRUE(t.window->kifuWindow() != nullptr && t.window->kifuWindow()->isVisible()); }},
        {MenuAction::First, &T::pasteThreeMoves, cursorIs(0)},
        {MenuAction::Previous, &T::pasteThreeMoves, cursorIs(2)},
        {MenuAction::Next, walkedBack, cursorIs(2)},
        {MenuAction::Last, walkedBack, cursorIs(3)},
        {MenuAction::EvaluationGraph, nullptr,
         [](T &t) { EXPECT_TRUE(t.window->graphWindow() != nullptr && t.window->graphWindow()->isVisible()); }},
        {MenuAction::CountsLayer, nullptr, [](T &t) { EXPECT_TRUE(t.window->display().layers.counts); }},
        {MenuAction::AttackersLayer, nullptr, [](T &t) { EXPECT_TRUE(t.window->display().layers.attackers); }},
        {MenuAction::ExchangeLayer, nullptr, [](T &t) { EXPECT_TRUE(t.window->display().layers.exchange); }},
        {MenuAction::PreviewLayer, nullptr, [](T &t) { EXPECT_TRUE(t.window->display().layers.preview); }},
        {MenuAction::LastMoveLayer, nullptr, [](T &t) { EXPECT_TRUE(t.window->display().layers.lastMove); }},
        {MenuAction::DestinationsLayer, nullptr,
         [](T &t) { EXPECT_TRUE(t.window->display().layers.destinations); }},
        {MenuAction::Flip, nullptr, [](T &t) { EXPECT_TRUE(t.window->flipped()); }},
        {MenuAction::PreviousBranch, &T::addBranchAtMoveThree,
         [](T &t) { EXPECT_EQ(t.window->record().chosenAlternativeOfMove(), 0u); }},
        {MenuAction::NextBranch,
         [](T &t) {
             t.addBranchAtMoveThree();
             t.window->record().chooseAlternativeOfMove(0);
         },
         [](T &t) { EXPECT_EQ(t.window->record().chosenAlternativeOfMove(), 1u); }},
        {MenuAction::PromoteBranch, &T::addBranchAtMoveThree,
         [](T &t) { EXPECT_EQ(t.window->record().alternativesOfMove().front(), "▲２六歩(27)"); }},
        {MenuAction::DeleteAfter,
         [walkedBack](T &t) {
             walkedBack(t);
             t.asker.questionAnswers.push_back(true);  // この手以降を削除しますか？
         }, [](T &t) { EXPECT_EQ(t.window->record().length(), 0); }},
        {MenuAction::UndoDelete,
         [](T &t) {
             t.pasteThreeMoves();
             t.window->record().goTo(1);
             t.asker.questionAnswers.push_back(true);
             t.window->action(MenuAction::DeleteAfter)->trigger();
         },
         [](T &t) { EXPECT_EQ(t.window->record().length(), 3); }},
        // 検討 starts with the scripted engine and shows its window; the item follows.
        {MenuAction::Analysis,
         [](T &t) {
             t.window->setEngineStore(std::make_unique<EngineStore>(t.directory.filePath("engines.ini")));
             t.window->engineStore().setCommandLineEngine(QStringLiteral(FAKE_ENGINE));
         },
         [](T &t) {
             ASSERT_TRUE(t.window->analysisWindow() != nullptr);
             EXPECT_TRUE(t.window->analysisWindow()->isVisible());
             EXPECT_TRUE(t.window->action(MenuAction::Analysis)->isChecked());
             t.window->action(MenuAction::Analysis)->trigger();
             EXPECT_FALSE(t.window->action(MenuAction::Analysis)->isChecked());
         }},
        {MenuAction::Arrows, nullptr, [](T &t) { EXPECT_TRUE(t.window->action(MenuAction::Arrows)->isChecked()); }},
        {MenuAction::Legend, nullptr,
         [](T &t) { EXPECT_TRUE(t.window->legendWindow() != nullptr && t.window->legendWindow()->isVisible()); }},
        {MenuAction::BoardCancel, [](T &t) { QTest::mouseClick(t.ban(), Qt::LeftButton, Qt::NoModifier, squareCentre(7, 7)); },
         [](T &t) { EXPECT_FALSE(t.window->selection().squareSelected()); }},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(static_cast<int>(row.name));
        SetUp();
        if (row.prepare) row.prepare(*this);
        ASSERT_TRUE(window->action(row.name)->isEnabled());
        window->action(row.name)->trigger();
        row.check(*this);
    }
    // The items that open a dialog of their own.
    const struct {
        MenuAction name;
        const char *dialog;
    } dialogs[] = {
        {MenuAction::PlayGame, "GameDialog"},
        {MenuAction::EngineSettings, "EngineSettingsDialog"},
        {MenuAction::GameAnalysis, "GameAnalysisDialog"},
        {MenuAction::About, "QMessageBox"},
    };
    for (const auto &row : dialogs) {
        SetUp();
        EXPECT_EQ(triggerClosingDialog(row.name), QString::fromLatin1(row.dialog));
    }
}

}  // namespace
