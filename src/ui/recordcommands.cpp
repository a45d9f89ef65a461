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
#include <QSaveFile>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <map>
#include <utility>

#include "record/kif.h"
#include "record/sfen.h"
#include "support/readfile.h"
#include "support/syserror.h"
#include "ui/kifuwindow.h"
#include "ui/mainform.h"
#include "ui/znflags.h"

namespace {

QString fromUtf8(const std::string &text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

std::string nativeName(const QString &path) { return QFile::encodeName(path).toStdString(); }

// The system's reason for the last failure when it left one, else Qt's.
QString failureText(int systemError, const QFileDevice &file) {
    return systemError != 0 ? fromUtf8(systemErrorText(systemError)) : file.errorString();
}

// Nagi形式 writes the program's own format whatever the name says, as it always has. Under the
// other entries an extension that names a format decides, so that the file opens again by its
// name; then the entry's own format; then the program's own.
RecordFormat saveFormatOf(const QString &path, const RecordFileType &type) {
    if (type.format == RecordFormat::Ngr) return RecordFormat::Ngr;
    const RecordFormat named = formatOfFileName(nativeName(QFileInfo(path).fileName()));
    if (named != RecordFormat::Unknown) return named;
    return type.format != RecordFormat::Unknown ? type.format : RecordFormat::Ngr;
}

// The classic names of KIF and KI2 keep their Shift-JIS; every other name is written in UTF-8.
bool shiftJisName(const QString &path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QStringLiteral("kif") || suffix == QStringLiteral("ki2");
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
            readRecordBytes(game_, notes, bytes, {}, held).ok)
            result = {true, {}};
    }
    if (!result.ok) {
        reason = fromUtf8(result.reason);
        return false;
    }
    record_.reset(std::move(notes));
    return true;
}

void TZnMainForm::showReadRecord(const QString &caption) {
    znFlags.Reset();
    if (!caption.isEmpty()) setWindowTitle(caption);
    RedrawAll();
    SetStatusText(QStringLiteral("棋譜を読み込みました"));
}

bool TZnMainForm::openRecordFile(const QString &path, RecordFormat hint) {
    const FileBytes file = readRegularFile(nativeName(path), std::size_t(kMaxRecordBytes));
    QString reason;
    if (!file.ok) {
        reason = fromUtf8(file.reason);
    } else if (takeRecord(file.bytes, nativeName(path), hint, reason)) {
        showReadRecord(path);
        return true;
    }
    SetStatusText(QStringLiteral("棋譜を読み込めませんでした: ") + reason);
    return false;
}

bool TZnMainForm::openRecordText(const QMimeData *mime) {
    QString reason;
    if (mime == nullptr || mime->formats().isEmpty()) {
        reason = QStringLiteral("貼り付けるものがありません");
    } else if (!mime->hasText()) {
        reason = QStringLiteral("テキストではないデータです（%1）").arg(mime->formats().first());
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
            showReadRecord(QString());
            return true;
        }
    }
    SetStatusText(QStringLiteral("棋譜を読み込めませんでした: ") + reason);
    return false;
}

void TZnMainForm::K4Click() {
    const ChosenFile chosen = fileChooser_->openRecordFile(this);
    if (chosen.path.isEmpty()) return;
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

// ---- saving ----

void TZnMainForm::KS1Click() {
    const ChosenFile chosen = fileChooser_->saveRecordFile(this);
    if (chosen.path.isEmpty()) return;
    const RecordFormat format = saveFormatOf(chosen.path, recordFileTypeOf(chosen.filter));
    QString reason, lost;
    if (!writeRecordFile(chosen.path, format, reason, lost)) {
        SetStatusText(QStringLiteral("棋譜を保存できませんでした: ") + reason);
        return;
    }
    SetStatusText(QStringLiteral("棋譜を保存しました") + lost);
    setWindowTitle(chosen.path);
}

bool TZnMainForm::describeLoss(const std::string &bytes, const std::string &fileName, RecordFormat format,
                               QString &lost, QString &reason) {
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
    if (const int branches = branchesLeftOut(notes, format); branches > 0)
        lost.prepend(QStringLiteral("（変化%1個は保存していません）").arg(branches));
    return true;
}

bool TZnMainForm::writeRecordFile(const QString &path, RecordFormat format, QString &reason, QString &lost) {
    // The whole record is made first, so a writer that fails touches no file.
    std::string bytes;
    const RecordResult result = writeRecordBytes(game_, record_.notes(), format, bytes, shiftJisName(path));
    if (!result.ok) {
        reason = fromUtf8(result.reason);
        return false;
    }
    if (bytes.size() > std::size_t(kMaxRecordBytes)) {
        reason = QStringLiteral("棋譜が長すぎます (上限 %1 MiB)").arg(kMaxRecordBytes / (1024 * 1024));
        return false;
    }
    if (!describeLoss(bytes, nativeName(path), format, lost, reason)) return false;
    // QSaveFile would put the record in place of a device or a pipe (through a link, too).
    if (const std::string refused = whyNotARegularFile(nativeName(path)); !refused.empty()) {
        reason = fromUtf8(refused);
        return false;
    }
    // QSaveFile writes beside the target and replaces it only when every byte is written, so a
    // failed save never destroys the file that was there. Qt words the system's errors in
    // English or not at all, so each step keeps errno for the reason.
    QSaveFile file(path);
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) {
        reason = QStringLiteral("ファイルを作れません (%1)").arg(failureText(errno, file));
        return false;
    }
    const auto expected = qint64(bytes.size());
    errno = 0;
    if (file.write(bytes.data(), expected) != expected || !file.flush()) {
        reason = QStringLiteral("ファイルに書き込めません (%1)").arg(failureText(errno, file));
        file.cancelWriting();
        return false;
    }
    // A write that stops part way (a full disk, a size limit) can flush without an error: only
    // the size on disk tells, and a short file must not replace the old one.
    if (file.size() != expected) {
        reason = QStringLiteral("ファイルに書き込めません (%1 バイト中 %2 バイトしか書けませんでした)")
                     .arg(expected)
                     .arg(file.size());
        file.cancelWriting();
        return false;
    }
    errno = 0;
    if (!file.commit()) {
        reason = QStringLiteral("ファイルに書き込めません (%1)").arg(failureText(errno, file));
        return false;
    }
    return true;
}

// ---- the clipboard ----

void TZnMainForm::createEditMenu() {
    EditE1 = new QMenu(QStringLiteral("編集(&E)"), MainMenu1);
    EditE1->setObjectName(QStringLiteral("EditE1"));
    MainMenu1->insertMenu(ViewV1->menuAction(), EditE1);
    KE1 = addItem(EditE1, "KE1", QStringLiteral("棋譜をコピー(&C)"));
    KE2 = addItem(EditE1, "KE2", QStringLiteral("局面をコピー（SFEN）(&S)"));
    EditE1->addSeparator();
    KE3 = addItem(EditE1, "KE3", QStringLiteral("貼り付け(&P)"));
    KE1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    KE3->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(KE1, &QAction::triggered, this, &TZnMainForm::KE1Click);
    connect(KE2, &QAction::triggered, this, &TZnMainForm::KE2Click);
    connect(KE3, &QAction::triggered, this, &TZnMainForm::KE3Click);
}

void TZnMainForm::KE1Click() {
    // The whole line with its notes, wherever the board stands; UTF-8 text needs no encoding line.
    const std::string text = writeKif(game_, record_.notes());
    if (text.empty()) {
        SetStatusText(QStringLiteral("棋譜をコピーできませんでした: 棋譜を作れませんでした"));
        return;
    }
    QApplication::clipboard()->setText(fromUtf8(text));
    SetStatusText(QStringLiteral("棋譜をコピーしました"));
}

void TZnMainForm::KE2Click() {
    QApplication::clipboard()->setText(fromUtf8(positionSfen(game_)));
    SetStatusText(QStringLiteral("局面をコピーしました"));
}

void TZnMainForm::KE3Click() { openRecordText(QApplication::clipboard()->mimeData()); }

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
