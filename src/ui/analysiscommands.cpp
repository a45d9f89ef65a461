// The main window's part of engine analysis: the 検討 menu, the window it opens and the board
// marks it draws.

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "record/sfen.h"
#include "ui/analysiswindow.h"
#include "ui/enginedialogs.h"
#include "ui/enginestore.h"
#include "ui/mainform.h"
#include "ui/windowplace.h"

EngineStore &TZnMainForm::engineStore() {
    if (!engineStore_) engineStore_ = std::make_unique<EngineStore>();
    return *engineStore_;
}

void TZnMainForm::setEngineStore(std::unique_ptr<EngineStore> store) { engineStore_ = std::move(store); }

void TZnMainForm::toggleAnalysis() {
    if (refuseDuringGame()) return;
    if (analysis_ == nullptr) {
        analysis_ = new TAnalysisWindow(this);
        closeWithEscape(analysis_);
        // Its keys work from the 検討 window too: start/stop and walking through the record.
        for (MenuAction name : {MenuAction::Analysis, MenuAction::First, MenuAction::Previous, MenuAction::Next,
                                MenuAction::Last})
            analysis_->addAction(action(name));
        // Queued: the board may be painting when the marks change.
        connect(
            analysis_, &TAnalysisWindow::marksChanged, this,
            [this] {
                layers_.analysisMarks() = analysis_->marks();
                redrawBoard();
            },
            Qt::QueuedConnection);
        connect(analysis_, &TAnalysisWindow::statusMessage, this, &TZnMainForm::SetStatusText);
        connect(analysis_, &TAnalysisWindow::lineToRecord, this, &TZnMainForm::addLineToRecord);
        connect(analysis_, &TAnalysisWindow::analysingChanged, this, [this](bool on) {
            action(MenuAction::Analysis)->setChecked(on);
            // The arrows come with 検討 and go with it.
            action(MenuAction::Arrows)->setChecked(on);
        });
        // Below the main window, unless the player put it elsewhere before.
        const QRect frame = frameGeometry();
        showInStoredPlace(analysis_, QStringLiteral("analysis"), QPoint(frame.left(), frame.bottom() + 1));
    }
    if (analysis_->analysing()) {
        analysis_->stopAnalysis();
        return;
    }
    const QString path = engineStore().firstEngine();
    analysis_->show();
    analysis_->raise();
    if (path.isEmpty()) {
        action(MenuAction::Analysis)->setChecked(false);
        const QString reason =
            QStringLiteral("エンジンがありません。検討 > エンジン設定… で追加してください");
        SetStatusText(reason);
        return;
    }
    analysis_->startAnalysis(path, engineStore().options(path), document_.game());
}

void TZnMainForm::addLineToRecord(const std::string &position, const std::vector<Move> &moves) {
    if (position != positionSfen(document_.game())) {
        SetStatusText(QStringLiteral("局面が変わったので読み筋を棋譜に加えませんでした"));
        return;
    }
    // The line is played as moves at the cursor: an existing branch is followed, the rest is
    // added, nothing is deleted. The board then comes back to where it stood, on the new path.
    const int cursor = document_.record().cursor();
    int played = 0;
    for (const Move &move : moves) {
        if (!document_.record().play(move).empty()) break;
        ++played;
    }
    document_.record().goTo(cursor);
    selection_.Reset();
    RedrawAll();
    SetStatusText(QStringLiteral("読み筋の%1手を変化として棋譜に加えました").arg(played));
}

void TZnMainForm::followAnalysis() {
    followGameAnalysis();
    if (analysis_ != nullptr && analysis_->analysing()) analysis_->followPosition(document_.game());
}

void TZnMainForm::showEngineSettings() {
    EngineSettingsDialog dialog(engineStore(), this);
    dialog.exec();
}
