// The main window's part of 詰み探索: the window it opens beside the board.

#include "core/preview.h"
#include "ui/enginestore.h"
#include "ui/mainform.h"
#include "ui/matewindow.h"
#include "ui/windowplace.h"

void TZnMainForm::showMateSearch() {
    if (mateWindow_ == nullptr) {
        mateWindow_ = new TMateWindow(this);
        closeWithEscape(mateWindow_);
        connect(mateWindow_, &TMateWindow::statusMessage, this, &TZnMainForm::SetStatusText);
        connect(mateWindow_, &TMateWindow::lineToRecord, this, &TZnMainForm::addLineToRecord);
        connect(mateWindow_, &TMateWindow::showPosition, this, &TZnMainForm::showMatePosition);
        connect(mateWindow_, &TMateWindow::leaveLine, this, &TZnMainForm::leaveMateLine);
        const QRect frame = frameGeometry();
        showInStoredPlace(mateWindow_, QStringLiteral("mate"), QPoint(frame.right() + 1, frame.top()));
    }
    mateWindow_->show();
    mateWindow_->raise();
    MateLimits limits;
    limits.milliseconds = 10000;
    // An engine marked for mates in the engine settings answers instead of the program's solver.
    mateWindow_->start(document_.game(), limits, engineStore().mateEngine());
}

void TZnMainForm::showMatePosition(const ZnBan &position) {
    if (editingPosition()) return;
    if (mateShown_ == nullptr) {
        mateShown_ = std::make_unique<ShownMateLine>();
        mateShown_->fromKey = document_.game().key();
        mateShown_->fromCount = document_.game().moveCount();
    }
    ::copyPosition(position, mateShown_->position);
    selection_.clearSquareSelection();
    // The board and the attack overlay draw the shown position; the record stays where it is.
    redrawBoard();
    SetStatusText(QStringLiteral("詰み手順 %1手目の局面（盤を押すか ← で棋譜の局面に戻ります）")
                      .arg(mateWindow_ != nullptr ? mateWindow_->shownRow() + 1 : 0));
}

bool TZnMainForm::leaveMateLine() {
    if (mateShown_ == nullptr) return false;
    mateShown_.reset();
    if (mateWindow_ != nullptr) mateWindow_->lineLeft();
    RedrawAll();
    return true;
}
