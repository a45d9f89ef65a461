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

bool MessageBoxPromotionAsker::askQuestion(const QString &caption, const QString &text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::No);
    plainButtons(box);
    return box.exec() == QMessageBox::Yes;
}

namespace {

ChosenFile runRecordDialog(QWidget *parent, QFileDialog::AcceptMode mode, const char *objectName,
                           const FileChooser &chooser) {
    QFileDialog dialog(parent);
    dialog.setObjectName(QString::fromLatin1(objectName));
    setUpRecordDialog(dialog, mode, chooser.startFolder(), chooser.proposedName(), chooser.proposedFilter());
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty()) return {};
    return {chosen.first(), dialog.selectedNameFilter()};
}

}  // namespace

QStringList recordFilters() {
    QStringList filters;
    for (const RecordFileType &type : kRecordFileTypes) filters << QString::fromUtf8(type.filter);
    return filters;
}

const RecordFileType &recordFileTypeOf(const QString &filter) {
    for (const RecordFileType &type : kRecordFileTypes)
        if (filter == QString::fromUtf8(type.filter)) return type;
    return kRecordFileTypes[0];
}

const RecordFileType &recordFileTypeFor(RecordFormat format) {
    for (const RecordFileType &type : kRecordFileTypes)
        if (type.format == format) return type;
    return kRecordFileTypes[0];
}

ChosenFile DialogFileChooser::openRecordFile(QWidget *parent) {
    return runRecordDialog(parent, QFileDialog::AcceptOpen, "OpenDialog1", *this);
}

ChosenFile DialogFileChooser::saveRecordFile(QWidget *parent) {
    return runRecordDialog(parent, QFileDialog::AcceptSave, "SaveDialog1", *this);
}

void setUpRecordDialog(QFileDialog &dialog, QFileDialog::AcceptMode mode, const QString &folder,
                       const QString &name, const QString &filter) {
    // Qt's own dialog looks the same on every desktop and always has the file-name field.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(recordFilters());
    // Opening looks for any record; saving writes the program's own format unless told otherwise.
    const bool save = mode == QFileDialog::AcceptSave;
    const QString selected = QString::fromUtf8(save ? recordFileTypeOf(filter).filter : kAllRecordsFilter);
    dialog.selectNameFilter(selected);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    dialog.setDefaultSuffix(save ? QString::fromUtf8(recordFileTypeOf(selected).suffix) : QString());
    if (!save) return;
    if (!name.isEmpty()) dialog.selectFile(name);
    // The dialog itself adds the suffix, so that its question before replacing a file names the
    // file that is really written.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &chosen) {
        dialog.setDefaultSuffix(QString::fromUtf8(recordFileTypeOf(chosen).suffix));
    });
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
