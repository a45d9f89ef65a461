// The window's commands on game records: opening and saving files in every format, the
// clipboard, dropped files and text, and the file named when the program starts.

#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <map>
#include <utility>

#include "record/encoding.h"
#include "record/kif.h"
#include "record/sfen.h"
#include "support/readfile.h"
#include "support/savefile.h"
#include "ui/kifuwindow.h"
#include "ui/mainform.h"
#include "ui/znflags.h"

namespace {

QString fromUtf8(const std::string &text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

std::string nativeName(const QString &path) { return QFile::encodeName(path).toStdString(); }

// A typed extension that names a record format decides, whatever the entry, so that the file is
// what its name says and opens again by it, here and elsewhere. A name with no extension or an
// unknown one takes the entry's own format, and under Nagi形式 or an entry of several formats the
// program's own.
RecordFormat saveFormatOf(const QString &path, const RecordFileType &type) {
    const RecordFormat named = formatOfFileName(nativeName(QFileInfo(path).fileName()));
    if (named != RecordFormat::Unknown) return named;
    return type.format != RecordFormat::Unknown ? type.format : RecordFormat::Ngr;
}

}  // namespace

// ---- opening ----

void TZnMainForm::showReadRecord() {
    selection_.Reset();
    RedrawAll();
    focusBoard();
    SetStatusText(QStringLiteral("棋譜を読み込みました"));
}

bool TZnMainForm::openRecordFile(const QString &path, RecordFormat hint) {
    if (refuseDuringGame()) return false;
    QString reason;
    if (document_.openFile(path, hint, reason)) {
        showReadRecord();
        return true;
    }
    SetStatusText(QStringLiteral("棋譜を読み込めませんでした: ") + reason);
    return false;
}

bool TZnMainForm::openRecordText(const QMimeData *mime) {
    return readRecordMime(mime, QStringLiteral("ドロップされたデータ"));
}

bool TZnMainForm::pasteRecordText(const QMimeData *mime) {
    return readRecordMime(mime, QStringLiteral("クリップボード"));
}

bool TZnMainForm::readRecordMime(const QMimeData *mime, const QString &source) {
    if (refuseDuringGame()) return false;
    QString reason;
    if (mime == nullptr || mime->formats().isEmpty() ||
        (mime->hasText() && mime->text().trimmed().isEmpty())) {
        reason = QStringLiteral("%1が空です").arg(source);
    } else if (!mime->hasText()) {
        // The data's own type names ("application/x-qt-image") mean nothing to a player.
        reason = QStringLiteral("%1の内容が文字ではありません").arg(source);
    } else {
        const QString text = mime->text();
        const QString tooLong =
            QStringLiteral("テキストが長すぎます（上限 %1 MiB）").arg(kMaxPasteBytes / (1024 * 1024));
        // Each character is at least one byte of UTF-8: a text that long need not be converted.
        if (text.size() > kMaxPasteBytes) {
            reason = tooLong;
        } else if (const QByteArray bytes = text.toUtf8(); bytes.size() > kMaxPasteBytes) {
            reason = tooLong;
        } else if (document_.openText(std::string_view(bytes.constData(), std::size_t(bytes.size())), reason)) {
            showReadRecord();
            return true;
        }
    }
    SetStatusText(QStringLiteral("棋譜を読み込めませんでした: ") + reason);
    return false;
}

void TZnMainForm::askOpenRecord() {
    if (!confirmDiscard()) return;
    fileChooser_->setStartFolder(recordFolder());
    fileChooser_->setProposal(QString(), QString());
    const ChosenFile chosen = fileChooser_->openRecordFile(this);
    if (chosen.path.isEmpty()) return;
    document_.setLastFolder(QFileInfo(chosen.path).absolutePath());
    openRecordFile(chosen.path, recordFileTypeOf(chosen.filter).format);
}

void TZnMainForm::openAtStart(const QString &path) {
    startFile_ = QFileInfo(path).absoluteFilePath();
    if (painted_) QTimer::singleShot(0, this, &TZnMainForm::openStartFile);
}

void TZnMainForm::openStartFile() {
    const QString path = std::exchange(startFile_, QString());
    if (!path.isEmpty()) openRecordFile(path);
}

QString TZnMainForm::recordFolder() const { return document_.folder(); }

// ---- saving ----

bool TZnMainForm::saveAs() {
    fileChooser_->setStartFolder(recordFolder());
    // The record's own name and type, so that Enter writes it back as it was.
    if (recordPath().isEmpty())
        fileChooser_->setProposal(QString(), QString());
    else
        fileChooser_->setProposal(QFileInfo(recordPath()).fileName(),
                                  QString::fromUtf8(recordFileTypeFor(document_.format()).filter));
    const ChosenFile chosen = fileChooser_->saveRecordFile(this);
    if (chosen.path.isEmpty()) return false;
    const RecordFormat format = saveFormatOf(chosen.path, recordFileTypeOf(chosen.filter));
    // A bare name would be hidden by the program's own 開く, which lists records by extension.
    // A folder keeps its name, so that the save is refused rather than written beside it.
    QString path = chosen.path;
    if (QFileInfo(path).suffix().isEmpty() && !QFileInfo(path).isDir())
        path += QLatin1Char('.') + QString::fromLatin1(recordFileTypeFor(format).suffix);
    return document_.saveAs(path, format);
}

// ---- the clipboard ----

void TZnMainForm::copyRecord() {
    // The whole line with its notes, wherever the board stands; UTF-8 text needs no encoding line.
    const std::string text = writeKif(document_.game(), document_.record().notes());
    if (text.empty()) {
        SetStatusText(QStringLiteral("棋譜をコピーできませんでした: 棋譜を作れませんでした"));
        return;
    }
    QApplication::clipboard()->setText(fromUtf8(text));
    SetStatusText(QStringLiteral("棋譜をコピーしました"));
}

void TZnMainForm::copyPosition() {
    QApplication::clipboard()->setText(fromUtf8(positionSfen(document_.game(), document_.record().notes().firstMoveNumber)));
    SetStatusText(QStringLiteral("局面をコピーしました"));
}

void TZnMainForm::pasteRecord() {
    if (!confirmDiscard()) return;
    pasteRecordText(QApplication::clipboard()->mimeData());
}

// ---- drops ----

void TZnMainForm::dragEnterEvent(QDragEnterEvent *event) {
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText()) event->acceptProposedAction();
}

void TZnMainForm::dragMoveEvent(QDragMoveEvent *event) {
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText()) event->acceptProposedAction();
}

void TZnMainForm::dropEvent(QDropEvent *event) {
    const QMimeData *mime = event->mimeData();
    event->acceptProposedAction();
    if (!confirmDiscard()) return;
    const QList<QUrl> urls = mime->urls();
    if (urls.isEmpty()) {
        openRecordText(mime);
        return;
    }
    const QUrl &first = urls.first();
    if (first.isLocalFile())
        openRecordFile(first.toLocalFile());
    else
        SetStatusText(
            QStringLiteral("棋譜を読み込めませんでした: このコンピュータのファイルではありません（%1）")
                .arg(first.toDisplayString()));
    if (urls.size() > 1)
        SetStatusText(
            statusText() +
            QStringLiteral("（ドロップされた%1個のうち開くのは最初の1個だけです）").arg(urls.size()));
}
