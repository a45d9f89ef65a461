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

void TZnMainForm::createAnalysisMenu() {
    AnalysisA1 = new QMenu(QStringLiteral("検討(&A)"), MainMenu1);
    AnalysisA1->setObjectName(QStringLiteral("AnalysisA1"));
    MainMenu1->insertMenu(HelpH1->menuAction(), AnalysisA1);
    KZ1 = addItem(AnalysisA1, "KZ1", QStringLiteral("検討開始/停止(&S)"));
    KZ1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    KZ1->setCheckable(true);
    KZ3 = addItem(AnalysisA1, "KZ3", QStringLiteral("最善手の矢印(&A)"));
    KZ3->setCheckable(true);
    AnalysisA1->addSeparator();
    KZ2 = addItem(AnalysisA1, "KZ2", QStringLiteral("エンジン設定(&E)…"));
    createGameAnalysisItems();
    connect(KZ1, &QAction::triggered, this, [this] { toggleAnalysis(); });
    connect(KZ2, &QAction::triggered, this, &TZnMainForm::showEngineSettings);
    connect(KZ3, &QAction::toggled, this, [this](bool on) {
        if (analysis_ != nullptr) analysis_->setArrowsOn(on);
    });
}

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
        analysis_->addActions({KZ1, KW1, KW2, KW3, KW4});
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
            KZ1->setChecked(on);
            // The arrows come with 検討 and go with it.
            KZ3->setChecked(on);
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
        KZ1->setChecked(false);
        const QString reason =
            QStringLiteral("エンジンがありません。検討 > エンジン設定… で追加してください");
        SetStatusText(reason);
        return;
    }
    analysis_->startAnalysis(path, engineStore().options(path), game_);
}

void TZnMainForm::addLineToRecord(const std::string &position, const std::vector<Move> &moves) {
    if (position != positionSfen(game_)) {
        SetStatusText(QStringLiteral("局面が変わったので読み筋を棋譜に加えませんでした"));
        return;
    }
    // The line is played as moves at the cursor: an existing branch is followed, the rest is
    // added, nothing is deleted. The board then comes back to where it stood, on the new path.
    const int cursor = record_.cursor();
    int played = 0;
    for (const Move &move : moves) {
        if (!record_.play(move).empty()) break;
        ++played;
    }
    record_.goTo(cursor);
    znFlags.Reset();
    RedrawAll();
    SetStatusText(QStringLiteral("読み筋の%1手を変化として棋譜に加えました").arg(played));
}

void TZnMainForm::followAnalysis() {
    followGameAnalysis();
    if (analysis_ != nullptr && analysis_->analysing()) analysis_->followPosition(game_);
}

void TZnMainForm::showEngineSettings() {
    EngineSettingsDialog dialog(engineStore(), this);
    dialog.exec();
}
