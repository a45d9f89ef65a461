#pragma once
// The window's modal boxes and file dialogs. The questions a test must answer sit behind small
// interfaces (PromotionAsker in interaction.h, FileChooser here); the program uses the real ones.

#include <QFileDialog>
#include <QString>

#include "ui/interaction.h"

class QMessageBox;
class QWidget;

// The one entry of the open and save dialogs' file-type list.
inline constexpr const char *kRecordFilter = "Nagi形式Ver.0.20 (*.ngr)";

// Asks "%sは成りますか？" in a modal box with Yes (the default) and No.
class MessageBoxPromotionAsker : public PromotionAsker {
public:
    explicit MessageBoxPromotionAsker(QWidget *parent = nullptr) : parent_(parent) {}
    bool askPromotion(const QString &pieceName) override;

private:
    QWidget *parent_;
};

// Chooses the path of a record file to open or save; an empty path means the user cancelled.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString openRecordPath(QWidget *parent) = 0;
    virtual QString saveRecordPath(QWidget *parent) = 0;
};

// The modal open and save dialogs.
class DialogFileChooser : public FileChooser {
public:
    QString openRecordPath(QWidget *parent) override;
    QString saveRecordPath(QWidget *parent) override;
};

// Sets a record dialog up: Qt's own dialog with a file-name field, the one filter, no default
// suffix, no preset directory or file name.
void setUpRecordDialog(QFileDialog &dialog, QFileDialog::AcceptMode mode);

// Sets up the box that tells the version; shown modally by the about command.
void setUpAboutBox(QMessageBox &box);

// The report hook of the checked containers: a modal box titled with the report, OK only.
void showDebugBox(const char *title, const char *text);

// Tells the user about an error that ends the program.
void showExceptionBox(const QString &message);
