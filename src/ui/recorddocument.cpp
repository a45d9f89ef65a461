#include "ui/recorddocument.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <utility>

#include "record/encoding.h"
#include "support/savefile.h"

namespace {

const QString kProgramName = QStringLiteral("Nagi将棋");

QString fromUtf8(const std::string &text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

std::string nativeName(const QString &path) { return QFile::encodeName(path).toStdString(); }

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
    for (std::size_t move = 1; move <= moves; ++move) known += notes.msOf(move) >= 0 ? 1 : 0;
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

RecordDocument::RecordDocument(QObject *parent) : QObject(parent) {
    savedRevision_ = record_.revision();
    shownCaption_ = caption();
}

QString RecordDocument::folder() const { return path_.isEmpty() ? lastFolder_ : QFileInfo(path_).absolutePath(); }

void RecordDocument::setLastFolder(const QString &folder) { lastFolder_ = folder; }

bool RecordDocument::isModified() const { return unsavedEdits_ || record_.revision() != savedRevision_; }

QString RecordDocument::caption() const {
    QString text = path_.isEmpty() ? kProgramName : path_;
    if (isModified()) text += QLatin1Char('*');
    return text;
}

void RecordDocument::announce() {
    emit changed();
    const QString now = caption();
    if (now == shownCaption_) return;
    shownCaption_ = now;
    emit captionChanged(now);
}

void RecordDocument::touch() { announce(); }

void RecordDocument::setPath(const QString &path) {
    path_ = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
    if (!path.isEmpty()) lastFolder_ = QFileInfo(path).absolutePath();
}

void RecordDocument::markSaved(const QString &path, RecordFormat format, bool shiftJis) {
    format_ = format;
    shiftJis_ = shiftJis;
    savedRevision_ = record_.revision();
    unsavedEdits_ = false;
    if (!path.isEmpty()) {
        setPath(path);
        emit fileTaken(path_);
    }
    announce();
}

// ---- opening ----

void RecordDocument::newRecord() {
    game_.newGame();
    record_.reset();
    undoNotes_.reset();
    setPath(QString());
    markSaved(QString(), RecordFormat::Ngr, false);
}

void RecordDocument::startFrom(ZnBan &game) {
    game_.swap(game);
    record_.reset();
    undoNotes_.reset();
    setPath(QString());
    markSaved(QString(), RecordFormat::Ngr, false);
    unsavedEdits_ = true;
    announce();
}

bool RecordDocument::takeRecord(std::string_view bytes, const std::string &fileName, RecordFormat hint,
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
    undoNotes_.reset();
    readFormat_ = format == RecordFormat::Unknown ? RecordFormat::Ngr : format;
    readShiftJis_ = readInShiftJis(bytes, fileName, readFormat_);
    return true;
}

bool RecordDocument::openFile(const QString &path, RecordFormat hint, QString &reason) {
    const FileBytes file = readRegularFile(nativeName(path), std::size_t(kMaxRecordBytes));
    if (!file.ok) {
        reason = fromUtf8(file.reason);
        return false;
    }
    if (!takeRecord(file.bytes, nativeName(path), hint, reason)) return false;
    setPath(path);
    markSaved(path, readFormat_, readShiftJis_);
    return true;
}

bool RecordDocument::openText(std::string_view bytes, QString &reason) {
    if (!takeRecord(bytes, {}, RecordFormat::Unknown, reason)) return false;
    setPath(QString());
    // The clipboard or the drop still holds it: only changes made from here on count.
    markSaved(QString(), RecordFormat::Ngr, false);
    return true;
}

// ---- saving ----

RecordDocument::Step RecordDocument::confirmDiscard(SaveQuestions &questions) {
    if (!isModified()) return Step::Proceed;
    switch (questions.askUnsavedChanges()) {
        case SaveAnswer::Save: return saveOver(questions);
        case SaveAnswer::Discard: return Step::Proceed;
        default: return Step::Stop;
    }
}

RecordDocument::Step RecordDocument::saveOver(SaveQuestions &questions) {
    if (path_.isEmpty()) return Step::AskName;
    std::string bytes;
    QString reason, lost;
    QStringList items;
    if (!encode(path_, format_, shiftJis_, bytes, reason, lost, &items)) {
        emit message(QStringLiteral("棋譜を保存できませんでした: ") + reason);
        return Step::Stop;
    }
    if (!items.isEmpty()) {
        switch (questions.askLossyOverwrite(QFileInfo(path_).fileName(), items.join(QStringLiteral("・")))) {
            case SaveAnswer::Save: break;
            case SaveAnswer::SaveAs: return Step::AskName;
            default: emit message(QStringLiteral("保存を取りやめました")); return Step::Stop;
        }
    }
    const SaveResult saved = saveFileSafely(nativeName(path_), bytes);
    if (!saved.ok) {
        emit message(QStringLiteral("棋譜を保存できませんでした: ") + fromUtf8(saved.reason));
        return Step::Stop;
    }
    markSaved(path_, format_, shiftJis_);
    emit message(QStringLiteral("棋譜を保存しました") + lost);
    return Step::Proceed;
}

bool RecordDocument::saveAs(const QString &path, RecordFormat format) {
    lastFolder_ = QFileInfo(path).absolutePath();
    // The whole record is made first, so a writer that fails touches no file.
    std::string bytes;
    QString reason, lost;
    const bool shiftJis = shiftJisName(path);
    if (encode(path, format, shiftJis, bytes, reason, lost)) {
        // Written beside the target and renamed over it only when every byte is on the disk, so a
        // failed save never destroys the file that was there; a device or a pipe is refused.
        const SaveResult saved = saveFileSafely(nativeName(path), bytes);
        if (saved.ok) {
            markSaved(path, format, shiftJis);
            emit message(QStringLiteral("棋譜を保存しました") + lost);
            return true;
        }
        reason = fromUtf8(saved.reason);
    }
    emit message(QStringLiteral("棋譜を保存できませんでした: ") + reason);
    return false;
}

QString RecordDocument::saveCopy(const QString &path) {
    std::string bytes;
    QString reason, lost;
    if (encode(path, RecordFormat::Kif, shiftJisName(path), bytes, reason, lost)) {
        const SaveResult saved = saveFileSafely(nativeName(path), bytes);
        if (saved.ok) return {};
        reason = fromUtf8(saved.reason);
    }
    return reason;
}

bool RecordDocument::encode(const QString &path, RecordFormat format, bool shiftJis, std::string &bytes,
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

bool RecordDocument::describeLoss(const std::string &bytes, const std::string &fileName, RecordFormat format,
                                  QString &lost, QString &reason, QStringList *lostItems) const {
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

// ---- editing ----

int RecordDocument::deleteFromCursor() {
    RecordNotes before = record_.notes();
    const int node = record_.cursorNode();
    const int moves = record_.removeFromCursor();
    if (moves == 0) return 0;
    undoNotes_ = std::move(before);
    undoNode_ = node;
    undoRevision_ = record_.revision();
    announce();
    return moves;
}

bool RecordDocument::undoDeletion() {
    // Only the deletion is kept, and only while nothing has changed since, so what comes back is
    // never mixed with later work.
    if (!undoNotes_ || record_.revision() != undoRevision_) {
        undoNotes_.reset();
        return false;
    }
    record_.restore(std::move(*undoNotes_), undoNode_);
    undoNotes_.reset();
    announce();
    return true;
}

void RecordDocument::setComment(std::vector<std::string> lines) {
    record_.setComments(std::move(lines));
    announce();
}

void RecordDocument::setHeader(const std::string &key, const std::string &value) {
    RecordNotes &notes = record_.notes();
    // An empty field that never had a header adds none.
    if (value.empty() && notes.header(key).empty()) return;
    notes.setHeader(key, value);
    // The revision does not count headers: a deletion undone now would take the edit back too.
    undoNotes_.reset();
    unsavedEdits_ = true;
    announce();
}

void RecordDocument::takeSavedFile(const QString &path, RecordFormat format) { markSaved(path, format, false); }

void RecordDocument::detachFromFile() {
    undoNotes_.reset();
    setPath(QString());
    announce();
}
