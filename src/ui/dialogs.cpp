#include "ui/dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {

// Message-box buttons carry text only, as the boxes of the program always have.
void plainButtons(QMessageBox &box) {
    for (QAbstractButton *button : box.buttons()) button->setIcon(QIcon());
}

}  // namespace

bool MessageBoxPromotionAsker::askPromotion(const QString &pieceName) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("成/不成の選択"),
                    QStringLiteral("%1は成りますか？").arg(pieceName), QMessageBox::Yes | QMessageBox::No,
                    parent_);
    box.setDefaultButton(QMessageBox::Yes);
    plainButtons(box);
    return box.exec() == QMessageBox::Yes;
}

namespace {

QString runRecordDialog(QWidget *parent, QFileDialog::AcceptMode mode, const char *objectName) {
    QFileDialog dialog(parent);
    dialog.setObjectName(QString::fromLatin1(objectName));
    setUpRecordDialog(dialog, mode);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace

QString DialogFileChooser::openRecordPath(QWidget *parent) {
    return runRecordDialog(parent, QFileDialog::AcceptOpen, "OpenDialog1");
}

QString DialogFileChooser::saveRecordPath(QWidget *parent) {
    return runRecordDialog(parent, QFileDialog::AcceptSave, "SaveDialog1");
}

void setUpRecordDialog(QFileDialog &dialog, QFileDialog::AcceptMode mode) {
    // Qt's own dialog looks the same on every desktop and always has the file-name field.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters({QString::fromUtf8(kRecordFilter)});
    dialog.setDefaultSuffix(QString());
}

void setUpAboutBox(QMessageBox &box) {
    box.setIcon(QMessageBox::NoIcon);
    box.setWindowTitle(QStringLiteral("Nagi将棋 for Windows"));
    box.setText(QStringLiteral("Nagi将棋 Version 0.20\n\nCopyright (C) Nagi将棋 開発者一同"));
    box.setStandardButtons(QMessageBox::Ok);
    plainButtons(box);
}

void showDebugBox(const char *title, const char *text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(title), QString::fromUtf8(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    plainButtons(box);
    box.exec();
}

void showExceptionBox(const QString &message) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Nagi将棋"), message, QMessageBox::Ok);
    plainButtons(box);
    box.exec();
}
