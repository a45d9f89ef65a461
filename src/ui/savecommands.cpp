// 上書き保存, the changed mark of the record and the question before unsaved changes are lost.

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <initializer_list>

#include "support/savefile.h"
#include "enginehost/gamehost.h"
#include "ui/analysiswindow.h"
#include "ui/bookwindow.h"
#include "ui/clockwindow.h"
#include "ui/evaluationgraph.h"
#include "ui/kifuwindow.h"
#include "ui/legendwindow.h"
#include "ui/mainform.h"
#include "ui/windowplace.h"

void TZnMainForm::setSaveQuestions(SaveQuestions *questions) {
    saveQuestions_ = questions ? questions : &boxQuestions_;
}

bool TZnMainForm::settle(RecordDocument::Step step) {
    switch (step) {
        case RecordDocument::Step::Proceed: return true;
        case RecordDocument::Step::AskName: return saveAs();
        default: return false;
    }
}

bool TZnMainForm::saveOver() { return settle(document_.saveOver(*saveQuestions_)); }

bool TZnMainForm::confirmDiscard() { return settle(document_.confirmDiscard(*saveQuestions_)); }

void TZnMainForm::closeEvent(QCloseEvent *event) {
    if (gameRunning() && !(games_.host()->over() || games_.host()->isFinished())) {
        if (!promotionAsker_->askQuestion(QStringLiteral("対局中"),
                                          QStringLiteral("対局中です。対局を中断して終了しますか？"))) {
            event->ignore();
            return;
        }
        // The game so far stays in the record, which the next question may save.
        stopGame();
    }
    if (!confirmDiscard() || (bookWindow_ != nullptr && !bookWindow_->confirmDiscard())) {
        event->ignore();
        return;
    }
    // The windows beside this one go with it, still open: their places are stored now.
    for (QWidget *beside : std::initializer_list<QWidget *>{kifuWindow_, analysis_, graph_, legendWindow_, clockWindow_, bookWindow_})
        storePlace(beside);
    event->accept();
}
