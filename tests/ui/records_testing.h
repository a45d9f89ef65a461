#pragma once
// What the tests of the window's record commands share: one short game written in every format,
// a file chooser that answers with a path and a file type, and a window to run them in.

#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <memory>
#include <string>

#include "record/encoding.h"
#include "record/sfen.h"
#include "ui/dialogs.h"
#include "ui_testing.h"

namespace records_testing {

// Three moves (７六歩, ３四歩, ２二角成) with headers, comments, times, an end word and one branch.
inline const std::string kKifText =
    "先手：山田\r\n後手：田中\r\n手合割：平手\r\n手数----指手---------消費時間--\r\n*開始のコメント\r\n"
    "   1 ７六歩(77)   ( 0:05/00:00:05)\r\n*角道を開ける\r\n   2 ３四歩(33)   ( 0:03/00:00:03)\r\n"
    "   3 ２二角成(88) ( 0:10/00:00:15)\r\n   4 投了\r\nまで3手で先手の勝ち\r\n\r\n変化：2手\r\n"
    "   2 ８四歩(83)   ( 0:00/00:00:00)\r\n";
inline const std::string kKi2Text =
    "先手：山田\n後手：田中\n▲７六歩    △３四歩    ▲２二角成\nまで3手で先手の勝ち\n";
inline const std::string kCsaText =
    "V2.2\nN+山田\nN-田中\nPI\n+\n+7776FU\nT5\n-3334FU\nT3\n+8822UM\n%TORYO\n";
inline const std::string kUsiText = "position startpos moves 7g7f 3c3d 8h2b+\n";
// The position after the three moves, gote to move.
inline const std::string kFinalSfen = "lnsgkgsnl/1r5+B1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/7R1/LNSGKGSNL w B 4";

// An SFEN without its move number, which a position read from SFEN does not keep.
inline std::string positionPart(const std::string &sfen) { return sfen.substr(0, sfen.rfind(' ')); }

inline QByteArray bytesOf(const std::string &text) { return QByteArray(text.data(), qsizetype(text.size())); }

inline QByteArray shiftJis(const std::string &utf8) {
    std::string bytes;
    EXPECT_TRUE(encodeCp932(utf8, bytes));
    return bytesOf(bytes);
}

inline QByteArray contentsOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// Answers the open and save dialogs with prepared paths and file types (an empty type is the
// first, which the dialogs preselect); any dialog the test did not prepare fails it.
class TypedChooser : public FileChooser {
public:
    ChosenFile openRecordFile(QWidget *) override { return next(opens); }
    ChosenFile saveRecordFile(QWidget *) override { return next(saves); }
    std::deque<ChosenFile> opens;
    std::deque<ChosenFile> saves;

private:
    static ChosenFile next(std::deque<ChosenFile> &files) {
        if (files.empty()) {
            ADD_FAILURE() << "a file dialog was opened that the test did not expect";
            return {};
        }
        ChosenFile file = files.front();
        files.pop_front();
        return file;
    }
};

// The file-type entry of the record dialogs that mentions `pattern` first ("*.kif", "(*)").
inline QString filterWith(const char *pattern) {
    for (const QString &filter : recordFilters())
        if (filter.contains(QString::fromLatin1(pattern))) return filter;
    ADD_FAILURE() << "no file type with " << pattern;
    return {};
}

class RecordWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = makeStartWindow(asker);
        window->setFileChooser(&chooser);
        ASSERT_TRUE(directory.isValid());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override { EXPECT_TRUE(chooser.opens.empty() && chooser.saves.empty()); }

    QString path(const char *name) const { return directory.filePath(QString::fromUtf8(name)); }
    std::string status() const { return window->statusText().toStdString(); }
    std::string shown() const { return positionSfen(window->game()); }
    std::string shownPosition() const { return positionPart(shown()); }
    void trigger(const char *item) { findControl<QAction>(*window, item)->trigger(); }

    void open(const QString &file, const QString &filter = {}) {
        chooser.opens.push_back({file, filter});
        trigger("K4");
    }
    void save(const QString &file, const QString &filter = {}) {
        chooser.saves.push_back({file, filter});
        trigger("KS1");
    }
    // Opens the KIF game with all its notes.
    void openKifGame() {
        writeFile(path("game.kifu"), bytesOf(kKifText));
        open(path("game.kifu"));
        ASSERT_EQ(status(), "棋譜を読み込みました");
        ASSERT_EQ(window->record().tree().branchCount(), 1);
        ASSERT_EQ(shown(), kFinalSfen);
    }

    ScriptedAsker asker;
    TypedChooser chooser;
    QTemporaryDir directory;
    std::unique_ptr<TZnMainForm> window;
};

}  // namespace records_testing
