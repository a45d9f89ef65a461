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
#include "ui/clockwindow.h"
#include "ui/evaluationgraph.h"
#include "ui/kifuwindow.h"
#include "ui/legendwindow.h"
#include "ui/mainform.h"
#include "ui/windowplace.h"

void TZnMainForm::setSaveQuestions(SaveQuestions *questions) {
    saveQuestions_ = questions ? questions : &boxQuestions_;
}

bool TZnMainForm::isModified() const { return unsavedEdits_ || record_.revision() != savedRevision_; }

void TZnMainForm::markSaved(const QString &path, RecordFormat format, bool shiftJis) {
    recordFormat_ = format;
    recordShiftJis_ = shiftJis;
    savedRevision_ = record_.revision();
    unsavedEdits_ = false;
    if (!path.isEmpty()) {
        setRecordPath(path);
        rememberRecent(path);
    }
    updateCaption();
}

void TZnMainForm::updateCaption() {
    QString caption = recordPath_.isEmpty() ? QStringLiteral("Nagi将棋") : recordPath_;
    if (isModified()) caption += QLatin1Char('*');
    if (caption != windowTitle()) setWindowTitle(caption);
}

bool TZnMainForm::saveOver() {
    if (recordPath_.isEmpty()) return saveAs();
    std::string bytes;
    QString reason, lost;
    QStringList items;
    if (!encodeRecord(recordPath_, recordFormat_, recordShiftJis_, bytes, reason, lost, &items)) {
        SetStatusText(QStringLiteral("棋譜を保存できませんでした: ") + reason);
        return false;
    }
    if (!items.isEmpty()) {
        const QString name = QFileInfo(recordPath_).fileName();
        switch (saveQuestions_->askLossyOverwrite(name, items.join(QStringLiteral("・")))) {
            case SaveAnswer::Save: break;
            case SaveAnswer::SaveAs: return saveAs();
            default: SetStatusText(QStringLiteral("保存を取りやめました")); return false;
        }
    }
    const SaveResult saved = saveFileSafely(QFile::encodeName(recordPath_).toStdString(), bytes);
    if (!saved.ok) {
        SetStatusText(QStringLiteral("棋譜を保存できませんでした: ") +
                      QString::fromUtf8(saved.reason.data(), qsizetype(saved.reason.size())));
        return false;
    }
    markSaved(recordPath_, recordFormat_, recordShiftJis_);
    SetStatusText(QStringLiteral("棋譜を保存しました") + lost);
    return true;
}

bool TZnMainForm::confirmDiscard() {
    if (!isModified()) return true;
    switch (saveQuestions_->askUnsavedChanges()) {
        case SaveAnswer::Save: return saveOver();
        case SaveAnswer::Discard: return true;
        default: return false;
    }
}

void TZnMainForm::closeEvent(QCloseEvent *event) {
    if (gameRunning() && !(gameHost_->over() || gameHost_->isFinished())) {
        if (!promotionAsker_->askQuestion(QStringLiteral("対局中"),
                                          QStringLiteral("対局中です。対局を中断して終了しますか？"))) {
            event->ignore();
            return;
        }
        // The game so far stays in the record, which the next question may save.
        stopGame();
    }
    if (!confirmDiscard()) {
        event->ignore();
        return;
    }
    // The windows beside this one go with it, still open: their places are stored now.
    for (QWidget *beside : std::initializer_list<QWidget *>{kifuWindow_, analysis_, graph_, legendWindow_, clockWindow_})
        storePlace(beside);
    event->accept();
}
