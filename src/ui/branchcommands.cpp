// The 棋譜 menu and the move list's edits: branches chosen, promoted and deleted, comments and game
// information written into the record.

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <string>
#include <vector>

#include "ui/kifuwindow.h"
#include "ui/mainform.h"
#include "ui/znflags.h"

namespace {

std::vector<std::string> linesOf(const QString &text) {
    std::vector<std::string> lines;
    if (text.isEmpty()) return lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
    return lines;
}

}  // namespace

void TZnMainForm::chooseBranch(int step) {
    if (refuseDuringGame()) return;
    if (!document_.record().chooseNextAlternativeOfMove(step)) return;
    selection_.Reset();
    RedrawAll();
}

void TZnMainForm::promoteBranch() {
    if (refuseDuringGame()) return;
    const bool promoted = document_.record().promoteToMainLine();
    RedrawAll();
    SetStatusText(promoted ? QStringLiteral("分岐を本譜にしました")
                           : QStringLiteral("この手順はもう本譜です"));
}

void TZnMainForm::deleteAfterCursor() {
    if (refuseDuringGame()) return;
    const int all = document_.record().movesFromCursor();
    if (all == 0) {
        SetStatusText(QStringLiteral("開始局面には削除する手がありません"));
        return;
    }
    // The player counts the moves of the line shown; the branches below it go too, and are named.
    const int moves = document_.record().length() - document_.record().cursor() + 1;
    QString question = QStringLiteral("%1手目以降の%2手を削除しますか？").arg(document_.record().cursor()).arg(moves);
    if (all > moves) question += QStringLiteral("\nその先の変化の%1手も削除されます。").arg(all - moves);
    if (!promotionAsker_->askQuestion(QStringLiteral("この手以降を削除"), question)) return;
    document_.deleteFromCursor();
    selection_.Reset();
    RedrawAll();
    SetStatusText(QStringLiteral("%1手を削除しました").arg(moves));
}

void TZnMainForm::undoDeletion() {
    if (refuseDuringGame()) return;
    if (!document_.undoDeletion()) {
        SetStatusText(QStringLiteral("元に戻せる操作はありません"));
        return;
    }
    selection_.Reset();
    RedrawAll();
    SetStatusText(QStringLiteral("削除した手を元に戻しました"));
}

void TZnMainForm::connectKifuWindow() {
    kifuWindow_->addBranchActions(action(MenuAction::PreviousBranch), action(MenuAction::NextBranch));
    connect(kifuWindow_, &TKifuWindow::branchChosen, this, [this](int index) {
        if (index < 0 || !document_.record().chooseAlternativeOfMove(std::size_t(index))) return;
        selection_.Reset();
        RedrawAll();
    });
    connect(kifuWindow_, &TKifuWindow::commentEdited, this, [this](const QString &text) {
        document_.setComment(linesOf(text));
    });
    connect(kifuWindow_, &TKifuWindow::headerEdited, this, [this](const QString &key, const QString &value) {
        document_.setHeader(key.toStdString(), value.toStdString());
    });
    connect(kifuWindow_, &TKifuWindow::endWordChosen, this, [this](const QString &word) {
        document_.record().setEndWord(word.toStdString());
        RedrawAll();
    });
}
