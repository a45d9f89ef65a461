#include "ui/savequestions.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

struct Choice {
    QString caption;
    QMessageBox::ButtonRole role;
    SaveAnswer answer;
};

SaveAnswer ask(QWidget *parent, const QString &title, const QString &text, std::initializer_list<Choice> choices) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("SaveQuestionBox"));
    QList<std::pair<QAbstractButton *, SaveAnswer>> buttons;
    for (const Choice &choice : choices) {
        QPushButton *button = box.addButton(choice.caption, choice.role);
        buttons.append({button, choice.answer});
        // Whatever an accidental Enter chooses must lose nothing.
        if (choice.answer == SaveAnswer::Cancel) {
            box.setDefaultButton(button);
            box.setEscapeButton(button);
        }
    }
    box.exec();
    for (const auto &[button, answer] : buttons)
        if (box.clickedButton() == button) return answer;
    return SaveAnswer::Cancel;
}

}  // namespace

SaveAnswer MessageBoxSaveQuestions::askUnsavedChanges() {
    return ask(parent_, QStringLiteral("Nagi将棋"), QStringLiteral("棋譜が変更されています。保存しますか？"),
               {{QStringLiteral("保存"), QMessageBox::AcceptRole, SaveAnswer::Save},
                {QStringLiteral("保存しない"), QMessageBox::DestructiveRole, SaveAnswer::Discard},
                {QStringLiteral("キャンセル"), QMessageBox::RejectRole, SaveAnswer::Cancel}});
}

SaveAnswer MessageBoxSaveQuestions::askLossyOverwrite(const QString &fileName, const QString &lost) {
    return ask(parent_, QStringLiteral("上書き保存"), lossyOverwriteQuestion(fileName, lost),
               {{QStringLiteral("保存"), QMessageBox::AcceptRole, SaveAnswer::Save},
                {QStringLiteral("名前を付けて保存"), QMessageBox::ActionRole, SaveAnswer::SaveAs},
                {QStringLiteral("キャンセル"), QMessageBox::RejectRole, SaveAnswer::Cancel}});
}

QString lossyOverwriteQuestion(const QString &fileName, const QString &lost) {
    return QStringLiteral("%1 の形式では%2を保存できません。\nこのまま上書きしますか？").arg(fileName, lost);
}
