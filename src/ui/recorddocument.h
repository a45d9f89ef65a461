#pragma once
// The record the window shows, apart from the window: the game and its record tree with the
// cursor, the file it came from or went to (path, format, encoding), whether it has changed since,
// the one deletion that can be undone, and the decisions before work could be lost. Qt Core only:
// the window shows it and forwards commands, and tests drive it without one.

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <string_view>

#include "core/znban.h"
#include "record/formats.h"
#include "record/gamerecord.h"
#include "support/readfile.h"
#include "ui/savequestions.h"

class RecordDocument : public QObject {
    Q_OBJECT

public:
    explicit RecordDocument(QObject *parent = nullptr);

    // Files larger than this are refused before they are read, and no longer record is saved:
    // whatever is written, reads back.
    static constexpr qint64 kMaxRecordBytes = qint64(MAX_READ_BYTES);

    ZnBan &game() { return game_; }
    const ZnBan &game() const { return game_; }
    GameRecord &record() { return record_; }
    const GameRecord &record() const { return record_; }

    // The file the record was last read from or written to, absolute; empty for none.
    const QString &path() const { return path_; }
    // How that file is written back: its format and, for KIF and KI2, whether in Shift-JIS.
    RecordFormat format() const { return format_; }
    bool shiftJis() const { return shiftJis_; }
    // The folder dialogs start in: the record's, else the last one a file was chosen or dropped
    // from; empty before either.
    QString folder() const;
    void setLastFolder(const QString &folder);

    // Whether the record differs from its file (a record from no file: whether it has changed since
    // it was made or pasted).
    bool isModified() const;
    // The window's caption: the file (else the program's name), with "*" while it has changes.
    QString caption() const;

    // A new game from the start, no file.
    void newRecord();
    // Starts a new record from `game`, a position set up by hand (taken by swapping): work of its
    // own, so closing or 新規 offers it for saving.
    void startFrom(ZnBan &game);
    // Reads the file at `path`: the format by its name, else by its contents, else `hint`. On
    // failure `reason` says why and nothing changes.
    bool openFile(const QString &path, RecordFormat hint, QString &reason);
    // Reads pasted or dropped text (UTF-8) as a new record from no file.
    bool openText(std::string_view bytes, QString &reason);

    // What ending the record now would need from the player: nothing (Proceed), a decision the
    // player refused (Stop), or a file name for the save they asked for (AskName).
    enum class Step { Proceed, Stop, AskName };
    // Before the record is replaced or the window closes: when it has changes, asks `questions`
    // whether to save them, and saves over its file when asked to.
    Step confirmDiscard(SaveQuestions &questions);
    // 上書き保存: writes the record over its own file in that file's format and encoding, asking
    // first when the format cannot hold all of it. Proceed when written, AskName with no file yet
    // or when the player chose another name, Stop when it failed or was called off (message says).
    Step saveOver(SaveQuestions &questions);
    // Writes the whole record at `path` in `format`, the encoding by the name, and makes that the
    // record's file; false when it fails (message says why).
    bool saveAs(const QString &path, RecordFormat format);
    // Writes the record at `path` as KIF without making it the record's file (a series keeps each
    // game so); the reason when it fails, else empty.
    QString saveCopy(const QString &path);

    // The bytes of the whole record in `format`, and what they leave out (`lost` as the status
    // text has it, `lostItems` one item each); false with `reason` when they cannot be made.
    bool encode(const QString &path, RecordFormat format, bool shiftJis, std::string &bytes, QString &reason,
                QString &lost, QStringList *lostItems = nullptr);

    // この手以降を削除: the cursor's move and all after it; how many went. It can be undone once,
    // while nothing else changes.
    int deleteFromCursor();
    // 元に戻す: false when there is nothing to undo (any change since the deletion forgets it).
    bool undoDeletion();
    // The comment of the cursor's move, and a header of the game information.
    void setComment(std::vector<std::string> lines);
    void setHeader(const std::string &key, const std::string &value);
    // After the game was replaced from outside (a game by the rules starting): the record belongs
    // to no file, and no deletion can be undone.
    void detachFromFile();
    // A file written with the record by someone else (a network game saved as it ended) is now the
    // record's file, so that nothing asks to save it again.
    void takeSavedFile(const QString &path, RecordFormat format);
    // Tells everything that follows the record that it changed (moves played on the board).
    void touch();

signals:
    // The record, its cursor or its notes changed.
    void changed();
    // The caption changed (the file, or whether there are changes).
    void captionChanged(const QString &caption);
    // A file was read or written and is now the record's: the recent files remember it.
    void fileTaken(const QString &path);
    // What the status bar says about the last command: read, saved, refused and why.
    void message(const QString &text);

private:
    bool takeRecord(std::string_view bytes, const std::string &fileName, RecordFormat hint, QString &reason);
    bool describeLoss(const std::string &bytes, const std::string &fileName, RecordFormat format, QString &lost,
                      QString &reason, QStringList *lostItems) const;
    void setPath(const QString &path);
    void markSaved(const QString &path, RecordFormat format, bool shiftJis);
    void announce();

    ZnBan game_;
    // Refers to game_, so it is made after it and goes before it.
    GameRecord record_{game_};
    QString path_;
    QString lastFolder_;
    RecordFormat format_ = RecordFormat::Ngr;
    bool shiftJis_ = false;
    // The format the last read record was in, and its encoding.
    RecordFormat readFormat_ = RecordFormat::Ngr;
    bool readShiftJis_ = false;
    // The record's revision when it last matched its file, and whether it has changes the revision
    // does not count: game information edited.
    std::uint64_t savedRevision_ = 0;
    bool unsavedEdits_ = false;
    // The record as it was before the last deletion, its cursor's node, and the revision the
    // deletion left; any later change of the record makes it stale.
    std::optional<RecordNotes> undoNotes_;
    int undoNode_ = 0;
    std::uint64_t undoRevision_ = 0;
    QString shownCaption_;
};
