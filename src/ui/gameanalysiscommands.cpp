// The main window's part of 棋譜解析: the menu items, the run whose results go into the record's
// comments as they come, and the evaluation graph that follows the cursor.

#include <QAction>
#include <QMenu>

#include "ui/enginestore.h"
#include "ui/evaluationgraph.h"
#include "ui/gameanalysiswindow.h"
#include "ui/kifuwindow.h"
#include "ui/mainform.h"
#include "ui/windowplace.h"

void TZnMainForm::askGameAnalysis() {
    if (refuseDuringGame()) return;
    GameAnalysisDialog dialog(engineStore().engines(), document_.record().length(), this);
    dialog.useStore(engineStore());
    if (dialog.exec() != QDialog::Accepted) return;
    dialog.remember(engineStore());
    GameAnalysisChoice choice = dialog.choice();
    choice.options = engineStore().options(choice.engine);
    startGameAnalysis(choice);
}

void TZnMainForm::startGameAnalysis(const GameAnalysisChoice &choice) {
    if (gameAnalysis_ == nullptr) {
        gameAnalysis_ = new TGameAnalysisWindow(this);
        const QRect frame = frameGeometry();
        gameAnalysis_->move(frame.left(), frame.bottom() + 1);
        connect(gameAnalysis_, &TGameAnalysisWindow::positionDone, this,
                &TZnMainForm::gameAnalysisPositionDone);
        connect(gameAnalysis_, &TGameAnalysisWindow::graphRequested, this, &TZnMainForm::showEvaluationGraph);
        connect(gameAnalysis_, &TGameAnalysisWindow::finished, this,
                [this] { SetStatusText(gameAnalysis_->message().section(QLatin1Char('\n'), 0, 0)); });
    }
    gameAnalysis_->show();
    gameAnalysis_->raise();
    graphFollowing_.analysedRevision = document_.record().revision();
    // The graph's winning chance follows the curve the labels were judged on.
    graphFollowing_.coefficient = choice.settings.coefficient;
    graphFollowing_.stale = true;
    if (!gameAnalysis_->start(currentLine(document_.game()), choice)) SetStatusText(gameAnalysis_->message());
}

void TZnMainForm::gameAnalysisPositionDone(int ply) {
    // The results belong to the line they were made from; a line changed since has other moves.
    if (document_.record().revision() != graphFollowing_.analysedRevision) {
        gameAnalysis_->stop(QStringLiteral("棋譜が変わったので解析を止めました"));
        return;
    }
    const GameAnalysis *analysis = gameAnalysis_->analysis();
    std::vector<std::string> comments = document_.record().commentsOnPath(ply);
    mergeAnalysisLines(comments, analysis->commentLines(ply));
    document_.record().setCommentsOnPath(ply, std::move(comments));
    // Comments are not moves: the analysis goes on over the same line.
    graphFollowing_.analysedRevision = document_.record().revision();
    graphFollowing_.stale = true;
    if (kifuWindow_ != nullptr) kifuWindow_->follow(document_.record());
    followGameAnalysis();
}

void TZnMainForm::showEvaluationGraph() {
    if (graph_ == nullptr) {
        graph_ = new TEvaluationGraphWindow(this);
        // Right of the move list, which stands right of the main window.
        const QRect frame = frameGeometry();
        const bool list = kifuWindow_ != nullptr && kifuWindow_->isVisible();
        closeWithEscape(graph_);
        showInStoredPlace(
            graph_, QStringLiteral("graph"),
            QPoint(list ? kifuWindow_->frameGeometry().right() + 1 : frame.right() + 1, frame.top()));
        connect(graph_, &TEvaluationGraphWindow::moveChosen, this, [this](int ply) {
            if (document_.record().goTo(qBound(0, ply, document_.record().length()))) RedrawAll();
        });
        graphFollowing_.stale = true;
    }
    graph_->show();
    graph_->raise();
    followGameAnalysis();
}

void TZnMainForm::followGameAnalysis() {
    if (graph_ == nullptr || !graph_->isVisible()) return;
    if (graphFollowing_.stale || graphFollowing_.graphRevision != document_.record().revision()) {
        const int positions = document_.record().length() + 1;
        const std::vector<GraphPoint> points = evaluationGraph(
            [this](int ply) -> const std::vector<std::string> & { return document_.record().commentsOnPath(ply); },
            positions, TEvaluationGraphWindow::kLimit, graphFollowing_.coefficient);
        graph_->setData(points, positions, kingSafetyTimeline(currentLine(document_.game())));
        graphFollowing_.graphRevision = document_.record().revision();
        graphFollowing_.stale = false;
    }
    graph_->setCursor(document_.record().cursor());
}
