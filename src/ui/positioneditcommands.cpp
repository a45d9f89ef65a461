// 編集 > 局面編集: the main window's side of the position editor. The record and the game stay as
// they are while the edit lasts; the board shows the session's own game, and only Enter, once the
// position passes the check and the old record was offered for saving, replaces them.

#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "record/position.h"
#include "ui/mainform.h"
#include "ui/positioneditwidgets.h"
#include "ui/windowactions.h"
#include "ui/windowplace.h"

bool TZnMainForm::editingPosition() const { return positionEdit_ != nullptr; }

ZnBan &TZnMainForm::shownGame() {
    if (positionEdit_ != nullptr) return positionEdit_->game();
    return mateShown_ != nullptr ? mateShown_->position : document_.game();
}

void TZnMainForm::startPositionEdit() {
    if (positionEdit_ != nullptr) return;
    if (gameRunning()) {
        SetStatusText(QStringLiteral("対局中は局面編集できません（実行 > 中断 で対局を止められます）"));
        return;
    }
    const PositionEditWidgets widgets{this, Ban, Dai0, Dai1, Panel1, &selection_, &display_};
    positionEdit_ = new PositionEditSession(widgets, positionOf(document_.game()), this);
    connect(positionEdit_, &PositionEditSession::changed, this, &TZnMainForm::RedrawAll);
    connect(positionEdit_, &PositionEditSession::message, this, &TZnMainForm::SetStatusText);
    connect(positionEdit_, &PositionEditSession::finishRequested, this, &TZnMainForm::finishPositionEdit);
    connect(positionEdit_, &PositionEditSession::cancelRequested, this, &TZnMainForm::cancelPositionEdit);
    lockForPositionEdit(true);
    menuBar()->insertMenu(menu(WindowMenu::Help)->menuAction(), positionEdit_->menu());
    ModeLabel->setText(QStringLiteral("局面編集"));
    TPositionEditWindow *box = positionEdit_->boxWindow();
    const QRect frame = frameGeometry();
    showInStoredPlace(box, QStringLiteral("piecebox"), QPoint(frame.right() + 1, frame.top()));
    box->show();
    RedrawAll();
    SetStatusText(QStringLiteral("局面編集中です（Enter: 編集終了、Esc: 取り消し）"));
    focusBoard();
}

void TZnMainForm::lockForPositionEdit(bool locked) {
    if (!locked) {
        for (const QPointer<QAction> &item : editLocked_)
            if (item) item->setEnabled(true);
        editLocked_.clear();
        return;
    }
    // Whatever would change the record, walk it or reach an engine waits for the end of the edit;
    // the display and its layers follow the position being edited.
    std::vector<QAction *> actions;
    for (WindowMenu name : {WindowMenu::File, WindowMenu::Edit, WindowMenu::Run, WindowMenu::Kifu,
                            WindowMenu::Analysis, WindowMenu::BoardPopup}) {
        if (menu(name) == nullptr) continue;
        std::vector<QMenu *> open{menu(name)};
        while (!open.empty()) {
            QMenu *each = open.back();
            open.pop_back();
            for (QAction *item : each->actions()) {
                if (item->menu() != nullptr) open.push_back(item->menu());
                actions.push_back(item);
            }
        }
    }
    for (MenuAction name : {MenuAction::First, MenuAction::Previous, MenuAction::Next, MenuAction::Last})
        actions.push_back(action(name));
    for (QAction *item : actions)
        if (item != nullptr && !item->isSeparator() && item->isEnabled()) {
            item->setEnabled(false);
            editLocked_.emplace_back(item);
        }
}

void TZnMainForm::endPositionEdit() {
    lockForPositionEdit(false);
    if (TPositionEditWindow *box = positionEdit_->boxWindow()) storePlace(box);
    // Ended by one of its own commands: it goes once that command has returned.
    positionEdit_->disconnect(this);
    positionEdit_->close();
    positionEdit_->deleteLater();
    positionEdit_ = nullptr;
    ModeLabel->setText(QStringLiteral("対局モード"));
    selection_.Reset();
}

void TZnMainForm::finishPositionEdit() {
    if (positionEdit_ == nullptr) return;
    ZnBan built;
    const std::string reason = positionEdit_->editor().build(built);
    if (!reason.empty()) {
        SetStatusText(QStringLiteral("編集を終了できません: ") + QString::fromStdString(reason));
        return;
    }
    if (!confirmDiscard()) {
        SetStatusText(QStringLiteral("局面編集を続けます"));
        return;
    }
    endPositionEdit();
    document_.startFrom(built);
    RedrawAll();
    SetStatusText(QStringLiteral("編集した局面から新しい棋譜を始めました"));
    focusBoard();
}

void TZnMainForm::cancelPositionEdit() {
    if (positionEdit_ == nullptr) return;
    endPositionEdit();
    RedrawAll();
    SetStatusText(QStringLiteral("局面編集を取り消しました"));
    focusBoard();
}
