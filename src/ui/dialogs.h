#pragma once
// The window's modal boxes and file dialogs. The questions a test must answer sit behind small
// interfaces (PromotionAsker in interaction.h, FileChooser here); the program uses the real ones.

#include <QFileDialog>
#include <QString>
#include <QStringList>

#include "record/formats.h"
#include "ui/interaction.h"

class QMessageBox;
class QWidget;

// The first entry of the open and save dialogs' file-type list, selected when a save opens.
inline constexpr const char *kRecordFilter = "Nagi形式Ver.0.20 (*.ngr)";
// The entry that shows every record, selected when 開く opens.
inline constexpr const char *kAllRecordsFilter =
    "棋譜ファイル (*.ngr *.kif *.kifu *.ki2 *.ki2u *.csa *.sfen *.usi *.jkf)";

// One entry of the record dialogs' file-type list: the format it stands for (Unknown for the
// entries that take several) and the suffix a save under it adds to a name that has none (the
// program's own under the entries of several formats, which write it).
struct RecordFileType {
    const char *filter;
    RecordFormat format;
    const char *suffix;
};

// The record dialogs' file types in the order they are listed: the program's own format first,
// then every record, one entry per format, and every file.
inline constexpr RecordFileType kRecordFileTypes[] = {
    {kRecordFilter, RecordFormat::Ngr, "ngr"},
    {kAllRecordsFilter, RecordFormat::Unknown, "ngr"},
    {"KIF形式 (*.kif *.kifu)", RecordFormat::Kif, "kif"},
    {"KI2形式 (*.ki2)", RecordFormat::Ki2, "ki2"},
    {"CSA形式 (*.csa)", RecordFormat::Csa, "csa"},
    {"SFEN形式 (*.sfen)", RecordFormat::Sfen, "sfen"},
    {"USI形式 (*.usi)", RecordFormat::Usi, "usi"},
    {"JKF形式 (*.jkf)", RecordFormat::Jkf, "jkf"},
    {"すべてのファイル (*)", RecordFormat::Unknown, "ngr"},
};

// The file-type list of the record dialogs.
QStringList recordFilters();

// The entry of kRecordFileTypes whose filter is `filter`; the first (Nagi形式) for an empty or
// unknown filter, as a dialog left at its default.
const RecordFileType &recordFileTypeOf(const QString &filter);
// The first entry of `format`: its own entry, Nagi形式 for ".ngr" and for Unknown.
const RecordFileType &recordFileTypeFor(RecordFormat format);

// Asks "%sは成りますか？" in a modal box with Yes (the default) and No.
class MessageBoxPromotionAsker : public PromotionAsker {
public:
    explicit MessageBoxPromotionAsker(QWidget *parent = nullptr) : parent_(parent) {}
    bool askPromotion(const QString &pieceName) override;
    // A modal box with はい and いいえ, いいえ the default.
    bool askQuestion(const QString &caption, const QString &text) override;

private:
    QWidget *parent_;
};

// A file chosen in a record dialog: its path (empty when the user cancelled) and the entry of the
// file-type list that was selected (empty means the first).
struct ChosenFile {
    QString path;
    QString filter;
};

// Chooses a record file to open or to save.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual ChosenFile openRecordFile(QWidget *parent) = 0;
    virtual ChosenFile saveRecordFile(QWidget *parent) = 0;
    // The folder the next dialog starts in; empty leaves it to the dialog.
    void setStartFolder(const QString &folder) { startFolder_ = folder; }
    const QString &startFolder() const { return startFolder_; }
    // The name and the file type the next save dialog proposes; empty for none and Nagi形式.
    void setProposal(const QString &name, const QString &filter) {
        proposedName_ = name;
        proposedFilter_ = filter;
    }
    const QString &proposedName() const { return proposedName_; }
    const QString &proposedFilter() const { return proposedFilter_; }

private:
    QString startFolder_;
    QString proposedName_;
    QString proposedFilter_;
};

// The modal open and save dialogs.
class DialogFileChooser : public FileChooser {
public:
    ChosenFile openRecordFile(QWidget *parent) override;
    ChosenFile saveRecordFile(QWidget *parent) override;
};

// Sets a record dialog up: Qt's own dialog with a file-name field, the file-type list with 棋譜ファイル
// selected to open and Nagi形式 (or `filter`) to save, starting in `folder` when it is given, with
// `name` as the file name. A save adds the entry's suffix to a bare name.
void setUpRecordDialog(QFileDialog &dialog, QFileDialog::AcceptMode mode, const QString &folder = {},
                       const QString &name = {}, const QString &filter = {});

// Sets up the box that tells the version; shown modally by the about command.
void setUpAboutBox(QMessageBox &box);

// The report hook of the checked containers: a modal box titled with the report, OK only.
void showDebugBox(const char *title, const char *text);

// Tells the user about an error that ends the program.
void showExceptionBox(const QString &message);
