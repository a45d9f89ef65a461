// The main window's part of 詰み探索: the window it opens beside the board.

#include "ui/mainform.h"
#include "ui/matewindow.h"
#include "ui/windowplace.h"

void TZnMainForm::showMateSearch() {
    if (mateWindow_ == nullptr) {
        mateWindow_ = new TMateWindow(this);
        closeWithEscape(mateWindow_);
        connect(mateWindow_, &TMateWindow::statusMessage, this, &TZnMainForm::SetStatusText);
        connect(mateWindow_, &TMateWindow::lineToRecord, this, &TZnMainForm::addLineToRecord);
        const QRect frame = frameGeometry();
        showInStoredPlace(mateWindow_, QStringLiteral("mate"), QPoint(frame.right() + 1, frame.top()));
    }
    mateWindow_->show();
    mateWindow_->raise();
    MateLimits limits;
    limits.milliseconds = 10000;
    mateWindow_->start(document_.game(), limits);
}
