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
    if (!record_.chooseNextAlternativeOfMove(step)) return;
    selection_.Reset();
    RedrawAll();
}

void TZnMainForm::promoteBranch() {
    if (refuseDuringGame()) return;
    const bool promoted = record_.promoteToMainLine();
    RedrawAll();
    SetStatusText(promoted ? QStringLiteral("分岐を本譜にしました")
                           : QStringLiteral("この手順はもう本譜です"));
}

void TZnMainForm::deleteAfterCursor() {
    if (refuseDuringGame()) return;
    const int all = record_.movesFromCursor();
    if (all == 0) {
        SetStatusText(QStringLiteral("開始局面には削除する手がありません"));
        return;
    }
    // The player counts the moves of the line shown; the branches below it go too, and are named.
    const int moves = record_.length() - record_.cursor() + 1;
    QString question = QStringLiteral("%1手目以降の%2手を削除しますか？").arg(record_.cursor()).arg(moves);
    if (all > moves) question += QStringLiteral("\nその先の変化の%1手も削除されます。").arg(all - moves);
    if (!promotionAsker_->askQuestion(QStringLiteral("この手以降を削除"), question)) return;
    RecordNotes before = record_.notes();
    const int node = record_.cursorNode();
    record_.removeFromCursor();
    undoNotes_ = std::move(before);
    undoNode_ = node;
    undoRevision_ = record_.revision();
    selection_.Reset();
    RedrawAll();
    SetStatusText(QStringLiteral("%1手を削除しました").arg(moves));
}

void TZnMainForm::undoDeletion() {
    if (refuseDuringGame()) return;
    // Only the deletion is kept, and only while nothing has changed since, so what comes back is
    // never mixed with later work.
    if (!undoNotes_ || record_.revision() != undoRevision_) {
        undoNotes_.reset();
        SetStatusText(QStringLiteral("元に戻せる操作はありません"));
        return;
    }
    record_.restore(std::move(*undoNotes_), undoNode_);
    undoNotes_.reset();
    selection_.Reset();
    RedrawAll();
    SetStatusText(QStringLiteral("削除した手を元に戻しました"));
}

void TZnMainForm::connectKifuWindow() {
    kifuWindow_->addBranchActions(action(MenuAction::PreviousBranch), action(MenuAction::NextBranch));
    connect(kifuWindow_, &TKifuWindow::branchChosen, this, [this](int index) {
        if (index < 0 || !record_.chooseAlternativeOfMove(std::size_t(index))) return;
        selection_.Reset();
        RedrawAll();
    });
    connect(kifuWindow_, &TKifuWindow::commentEdited, this, [this](const QString &text) {
        record_.setComments(linesOf(text));
        updateCaption();
    });
    connect(kifuWindow_, &TKifuWindow::headerEdited, this, [this](const QString &key, const QString &value) {
        RecordNotes &notes = record_.notes();
        const std::string name = key.toStdString();
        // An empty field that never had a header adds none.
        if (value.isEmpty() && notes.header(name).empty()) return;
        notes.setHeader(name, value.toStdString());
        // The revision does not count headers: a deletion undone now would take the edit back too.
        undoNotes_.reset();
        unsavedEdits_ = true;
        updateCaption();
    });
    connect(kifuWindow_, &TKifuWindow::endWordChosen, this, [this](const QString &word) {
        record_.setEndWord(word.toStdString());
        RedrawAll();
    });
}
