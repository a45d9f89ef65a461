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

// The classic names of KIF and KI2 keep their Shift-JIS; every other name is written in UTF-8.
bool shiftJisName(const QString &path) { return shiftJisFileName(QFileInfo(path).fileName().toStdString()); }

// Whether a KIF or KI2 record read from `bytes` is written back in Shift-JIS: when it was not
// UTF-8, or when it was plain ASCII under a Shift-JIS name.
bool readInShiftJis(std::string_view bytes, const std::string &fileName, RecordFormat format) {
    if (format != RecordFormat::Kif && format != RecordFormat::Ki2) return false;
    if (!isUtf8(bytes)) return true;
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
    return ascii && shiftJisName(QFile::decodeName(QByteArray::fromStdString(fileName)));
}

int commentLines(const RecordNotes &notes, std::size_t moves) {
    std::size_t lines = notes.startComments.size();
    for (std::size_t move = 1; move <= moves; ++move) lines += notes.commentsAfter(move).size();
    return int(lines);
}

int knownTimes(const RecordNotes &notes, std::size_t moves) {
    int known = 0;
    for (std::size_t move = 1; move <= moves; ++move) known += notes.secondsOf(move) >= 0 ? 1 : 0;
    return known;
}

// The headers of `original` whose values `back` no longer has. Values, not names: a format may
// name a header its own way ("下手" comes back as "先手"). 手合割 only names the starting position,
// which every format but SFEN writes out.
int lostHeaders(const RecordNotes &original, const RecordNotes &back) {
    std::map<std::string, int> kept;
    for (const auto &header : back.headers) ++kept[header.second];
    int lost = 0;
    for (const auto &header : original.headers) {
        if (header.first == "手合割") continue;
        int &left = kept[header.second];
        if (left > 0)
            --left;
        else
            ++lost;
    }
    return lost;
}

}  // namespace

// ---- opening ----

bool TZnMainForm::takeRecord(std::string_view bytes, const std::string &fileName, RecordFormat hint,
                             QString &reason) {
    RecordFormat format = detectFormat(bytes, fileName);
    if (format == RecordFormat::Unknown) format = hint;
    RecordNotes notes;
    RecordResult result = readRecordBytes(game_, notes, bytes, fileName, format);
    if (!result.ok) {
        // A record under another format's name (an ".ngr" saved as "game.kif" under Nagi形式)
        // still opens by what it holds; the reason given is the one for its name.
        const RecordFormat held = detectFormat(bytes);
        if (held != RecordFormat::Unknown && held != format &&
            readRecordBytes(game_, notes, bytes, {}, held).ok) {
            result = {true, {}};
            format = held;
        }
    }
    if (!result.ok) {
        reason = fromUtf8(result.reason);
        return false;
    }
    record_.reset(std::move(notes));
    readFormat_ = format == RecordFormat::Unknown ? RecordFormat::Ngr : format;
    readShiftJis_ = readInShiftJis(bytes, fileName, readFormat_);
    return true;
}

void TZnMainForm::showReadRecord(const QString &caption) {
    selection_.Reset();
    if (!caption.isEmpty()) setWindowTitle(caption);
    RedrawAll();
    focusBoard();
    SetStatusText(QStringLiteral("棋譜を読み込みました"));
}

bool TZnMainForm::openRecordFile(const QString &path, RecordFormat hint) {
    if (refuseDuringGame()) return false;
    const FileBytes file = readRegularFile(nativeName(path), std::size_t(kMaxRecordBytes));
    QString reason;
    if (!file.ok) {
        reason = fromUtf8(file.reason);
    } else if (takeRecord(file.bytes, nativeName(path), hint, reason)) {
        setRecordPath(path);
        markSaved(path, readFormat_, readShiftJis_);
        showReadRecord(path);
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
        } else if (takeRecord(std::string_view(bytes.constData(), std::size_t(bytes.size())), {},
                              RecordFormat::Unknown, reason)) {
            setRecordPath(QString());
            // The clipboard or the drop still holds it: only changes made from here on count.
            markSaved(QString(), RecordFormat::Ngr, false);
            showReadRecord(QString());
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
    lastFolder_ = QFileInfo(chosen.path).absolutePath();
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

void TZnMainForm::setRecordPath(const QString &path) {
    recordPath_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (!path.isEmpty()) lastFolder_ = QFileInfo(path).absolutePath();
}

QString TZnMainForm::recordFolder() const {
    return recordPath_.isEmpty() ? lastFolder_ : QFileInfo(recordPath_).absolutePath();
}

// ---- saving ----

bool TZnMainForm::saveAs() {
    fileChooser_->setStartFolder(recordFolder());
    // The record's own name and type, so that Enter writes it back as it was.
    if (recordPath_.isEmpty())
        fileChooser_->setProposal(QString(), QString());
    else
        fileChooser_->setProposal(QFileInfo(recordPath_).fileName(),
                                  QString::fromUtf8(recordFileTypeFor(recordFormat_).filter));
    const ChosenFile chosen = fileChooser_->saveRecordFile(this);
    if (chosen.path.isEmpty()) return false;
    const RecordFormat format = saveFormatOf(chosen.path, recordFileTypeOf(chosen.filter));
    // A bare name would be hidden by the program's own 開く, which lists records by extension.
    // A folder keeps its name, so that the save is refused rather than written beside it.
    QString path = chosen.path;
    if (QFileInfo(path).suffix().isEmpty() && !QFileInfo(path).isDir())
        path += QLatin1Char('.') + QString::fromLatin1(recordFileTypeFor(format).suffix);
    lastFolder_ = QFileInfo(path).absolutePath();
    QString reason, lost;
    if (!writeRecordFile(path, format, reason, lost)) {
        SetStatusText(QStringLiteral("棋譜を保存できませんでした: ") + reason);
        return false;
    }
    setRecordPath(path);
    markSaved(path, format, shiftJisName(path));
    SetStatusText(QStringLiteral("棋譜を保存しました") + lost);
    return true;
}

bool TZnMainForm::describeLoss(const std::string &bytes, const std::string &fileName, RecordFormat format,
                               QString &lost, QString &reason, QStringList *lostItems) {
    const RecordNotes &notes = record_.notes();
    // A format of one line holds the main line, whatever path the window shows.
    const std::size_t moves = record_.tree().mainLine().size();
    // The program's own format holds every move and nothing else; reading a long game back
    // would only repeat what it wrote.
    ZnBan back;
    RecordNotes backNotes;
    std::size_t backMoves = moves;
    if (format != RecordFormat::Ngr) {
        const RecordResult read = readRecordBytes(back, backNotes, bytes, fileName, format);
        if (!read.ok) {
            reason = QStringLiteral("書き出した棋譜を読み直せません（%1）").arg(fromUtf8(read.reason));
            return false;
        }
        backMoves = back.history().size();
    }
    QStringList items;
    if (backMoves < moves) items << QStringLiteral("指し手%1手").arg(moves - backMoves);
    if (const int headers = lostHeaders(notes, backNotes); headers > 0)
        items << QStringLiteral("対局情報%1件").arg(headers);
    if (const int comments = commentLines(notes, moves) - commentLines(backNotes, backMoves); comments > 0)
        items << QStringLiteral("コメント%1行").arg(comments);
    if (const int times = knownTimes(notes, moves) - knownTimes(backNotes, backMoves); times > 0)
        items << QStringLiteral("消費時間%1手分").arg(times);
    if (!notes.endWord.empty() && backNotes.endWord.empty())
        items << QStringLiteral("終局「%1」").arg(fromUtf8(notes.endWord));
    lost = items.isEmpty() ? QString()
                           : QStringLiteral("（この形式に入らない%1は保存していません）")
                                 .arg(items.join(QStringLiteral("・")));
    const int branches = branchesLeftOut(notes, format);
    if (branches > 0) lost.prepend(QStringLiteral("（変化%1個は保存していません）").arg(branches));
    if (lostItems != nullptr) {
        *lostItems = items;
        if (branches > 0) lostItems->prepend(QStringLiteral("変化%1個").arg(branches));
    }
    return true;
}

bool TZnMainForm::encodeRecord(const QString &path, RecordFormat format, bool shiftJis, std::string &bytes,
                               QString &reason, QString &lost, QStringList *lostItems) {
    const RecordResult result = writeRecordBytes(game_, record_.notes(), format, bytes, shiftJis);
    if (!result.ok) {
        reason = fromUtf8(result.reason);
        return false;
    }
    if (bytes.size() > std::size_t(kMaxRecordBytes)) {
        reason = fromUtf8(recordTooLong(std::size_t(kMaxRecordBytes)));
        return false;
    }
    return describeLoss(bytes, nativeName(path), format, lost, reason, lostItems);
}

bool TZnMainForm::writeRecordFile(const QString &path, RecordFormat format, QString &reason, QString &lost) {
    // The whole record is made first, so a writer that fails touches no file.
    std::string bytes;
    if (!encodeRecord(path, format, shiftJisName(path), bytes, reason, lost)) return false;
    // Written beside the target and renamed over it only when every byte is on the disk, so a
    // failed save never destroys the file that was there; a device or a pipe is refused.
    const SaveResult saved = saveFileSafely(nativeName(path), bytes);
    if (!saved.ok) reason = fromUtf8(saved.reason);
    return saved.ok;
}

// ---- the clipboard ----

void TZnMainForm::copyRecord() {
    // The whole line with its notes, wherever the board stands; UTF-8 text needs no encoding line.
    const std::string text = writeKif(game_, record_.notes());
    if (text.empty()) {
        SetStatusText(QStringLiteral("棋譜をコピーできませんでした: 棋譜を作れませんでした"));
        return;
    }
    QApplication::clipboard()->setText(fromUtf8(text));
    SetStatusText(QStringLiteral("棋譜をコピーしました"));
}

void TZnMainForm::copyPosition() {
    QApplication::clipboard()->setText(fromUtf8(positionSfen(game_, record_.notes().firstMoveNumber)));
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
