// 上書き保存 in the file's own format and encoding, the question before an overwrite that would
// lose part of the record, and 上書き保存 of a record that has no file yet.

#include "keeping_work_testing.h"
#include "record/formats.h"

using namespace records_testing;

namespace {

// Each record is changed (a comment on its last move) and written back over itself: the same
// format, the same encoding, and the whole record read back.
TEST_F(KeepingWorkTest, SaveOverKeepsTheFilesFormatAndEncoding) {
    const struct {
        const char *name;
        QByteArray bytes;  // empty: the KIF game saved as JKF by the window
        bool utf8;
        RecordFormat format;
    } rows[] = {{"utf8.kifu", bytesOf(kKifText), true, RecordFormat::Kif},
                {"sjis.kif", shiftJis(kKifText), false, RecordFormat::Kif},
                {"utf8.kif", bytesOf("#KIF version=2.0 encoding=UTF-8\r\n" + kKifText), true, RecordFormat::Kif},
                {"sjis.ki2", shiftJis(kKi2Text), false, RecordFormat::Ki2},
                {"game.csa", bytesOf(kCsaText), true, RecordFormat::Csa},
                {"game.jkf", {}, true, RecordFormat::Jkf}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        if (row.bytes.isEmpty()) openKifGame(), save(path(row.name));
        if (!row.bytes.isEmpty()) writeFile(path(row.name), row.bytes);
        open(path(row.name));
        window->record().setComments({"書き足した"});  // on the last move
        saveOver();
        EXPECT_TRUE(asker.saveQuestions.isEmpty()) << asker.saveQuestions.join(',').toStdString();
        EXPECT_EQ(window->windowTitle(), path(row.name));
        // Exactly what the window writes in that format and encoding, and read back with the change.
        std::string expected;
        ASSERT_TRUE(writeRecordBytes(window->game(), window->record().notes(), row.format, expected, !row.utf8).ok);
        EXPECT_EQ(contentsOf(path(row.name)), bytesOf(expected));
        EXPECT_EQ(readBack(path(row.name)).commentsAfter(3), std::vector<std::string>{"書き足した"});
    }
}

// An ".ngr" file holds the moves only: overwriting it asks first, naming what would go; キャンセル
// writes nothing, 名前を付けて保存 proposes the file's own name and type, 保存 writes the moves.
TEST_F(KeepingWorkTest, AnOverwriteThatWouldLoseSomethingAsksFirst) {
    openKifGame();
    save(path("moves.ngr"));
    ASSERT_EQ(status().rfind("棋譜を保存しました（変化1個は保存していません）", 0), 0u) << status();
    const QByteArray written = contentsOf(path("moves.ngr"));
    // The window still holds the whole record, which the file does not: saving again asks.
    const QString lost = QStringLiteral("moves.ngr|変化1個・対局情報2件・コメント2行・消費時間3手分・終局「投了」");
    const struct {
        SaveAnswer answer;
        const char *saveAs;  // the name the dialog answers, if it is asked ("": cancelled)
    } rows[] = {{SaveAnswer::Cancel, nullptr},
                {SaveAnswer::SaveAs, ""},
                {SaveAnswer::SaveAs, "whole.kifu"},
                {SaveAnswer::Save, nullptr}};
    for (const auto &row : rows) {
        SCOPED_TRACE(int(row.answer));
        open(path("game.kifu"));
        save(path("moves.ngr"));
        writeFile(path("moves.ngr"), "old bytes\n");
        asker.saveQuestions.clear();
        asker.saveAnswers = {row.answer};
        const bool named = row.saveAs != nullptr && *row.saveAs != '\0';
        if (row.saveAs != nullptr) chooser.saves.push_back({named ? path(row.saveAs) : QString(), {}});
        saveOver();
        EXPECT_EQ(asker.saveQuestions, QStringList{lost});
        EXPECT_EQ(contentsOf(path("moves.ngr")), row.answer == SaveAnswer::Save ? written : "old bytes\n");
        EXPECT_EQ(window->windowTitle(), path(named ? row.saveAs : "moves.ngr"));
    }
}

// 上書き保存 of a record from no file is 保存; a bare name gets the type's extension, so the
// program's own 開く lists it, and the dialog proposes the record's own name and type next time.
TEST_F(KeepingWorkTest, SaveOverWithoutAFileIsSaveAndABareNameGetsItsExtension) {
    press(box("Ban"), squareCentre(7, 7));
    press(box("Ban"), squareCentre(7, 6));
    ASSERT_TRUE(marked());
    chooser.saves.push_back({path("bare"), {}});
    saveOver();
    EXPECT_EQ(window->windowTitle(), path("bare.ngr"));
    EXPECT_TRUE(QFileInfo::exists(path("bare.ngr")));
    EXPECT_FALSE(QFileInfo::exists(path("bare")));

    chooser.saves.push_back({path("bare"), filterWith("KIF")});
    trigger("KS1");
    EXPECT_EQ(window->windowTitle(), path("bare.kif"));
    EXPECT_TRUE(contentsOf(path("bare.kif")).startsWith("#KIF version=2.0 encoding=Shift_JIS"));
    EXPECT_EQ(chooser.proposedName(), QStringLiteral("bare.ngr"));
    EXPECT_EQ(chooser.proposedFilter(), filterWith("Nagi"));
    chooser.saves.push_back({});
    trigger("KS1");
    EXPECT_EQ(chooser.proposedName(), QStringLiteral("bare.kif"));
    EXPECT_EQ(chooser.proposedFilter(), filterWith("KIF"));
    // A save that fails leaves the old file byte for byte and the record marked changed.
    const QByteArray old = contentsOf(path("bare.kif"));
    window->record().setComments({"絵文字😀は Shift_JIS にない"});
    saveOver();
    EXPECT_EQ(status().rfind("棋譜を保存できませんでした: Shift_JIS で書けない文字があります", 0), 0u) << status();
    EXPECT_EQ(contentsOf(path("bare.kif")), old);
    EXPECT_TRUE(window->isModified());
}

}  // namespace
