// The record document without a window: its caption and changed mark, opening, saving, the
// questions before work is lost, and the one deletion that can be undone.

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <deque>

#include "records_testing.h"
#include "ui/recorddocument.h"

namespace {

using namespace records_testing;
using Step = RecordDocument::Step;

// Answers the questions from a list and counts them.
class ListedAnswers : public SaveQuestions {
public:
    SaveAnswer askUnsavedChanges() override { return next("unsaved"); }
    SaveAnswer askLossyOverwrite(const QString &file, const QString &lost) override {
        return next(file + QLatin1Char('|') + lost);
    }
    SaveAnswer next(const QString &question) {
        asked << question;
        if (answers.empty()) return SaveAnswer::Cancel;
        const SaveAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::deque<SaveAnswer> answers;
    QStringList asked;
};

class RecordDocumentTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(directory.isValid()); }
    QString path(const char *name) const { return directory.filePath(QString::fromLatin1(name)); }
    // The three moves of the USI line, pasted: a record from no file.
    void pasteThreeMoves() {
        QString reason;
        ASSERT_TRUE(document.openText(kUsiText, reason)) << reason.toStdString();
    }
    void change() { document.setComment({"注"}); }

    QTemporaryDir directory;
    RecordDocument document;
    ListedAnswers questions;
};

TEST_F(RecordDocumentTest, TheCaptionNamesTheFileAndMarksChanges) {
    QSignalSpy captions(&document, &RecordDocument::captionChanged);
    QSignalSpy files(&document, &RecordDocument::fileTaken);
    EXPECT_EQ(document.caption(), "Nagi将棋");
    pasteThreeMoves();
    EXPECT_FALSE(document.isModified());  // the clipboard still holds it
    change();
    EXPECT_TRUE(document.isModified());
    EXPECT_EQ(document.caption(), "Nagi将棋*");
    ASSERT_TRUE(document.saveAs(path("game.kif"), RecordFormat::Kif));
    const QString absolute = QFileInfo(path("game.kif")).absoluteFilePath();
    EXPECT_EQ(document.caption(), absolute);
    EXPECT_EQ(document.path(), absolute);
    EXPECT_EQ(document.format(), RecordFormat::Kif);
    EXPECT_TRUE(document.shiftJis());  // the classic KIF name keeps Shift-JIS
    EXPECT_EQ(files.count(), 1);
    // Each caption is told once, when it changes.
    ASSERT_EQ(captions.count(), 2);
    EXPECT_EQ(captions.at(0).at(0).toString(), "Nagi将棋*");
    EXPECT_EQ(captions.at(1).at(0).toString(), absolute);
    document.newRecord();
    EXPECT_EQ(document.caption(), "Nagi将棋");
    EXPECT_EQ(document.record().length(), 0);
    EXPECT_EQ(document.folder(), QFileInfo(absolute).absolutePath());  // the last folder stays
}

TEST_F(RecordDocumentTest, TheQuestionBeforeChangesAreLost) {
    struct Row {
        const char *name;
        bool saved;        // the record has a file
        bool changed;
        std::deque<SaveAnswer> answers;
        Step step;
        int questions;
        bool modifiedAfter;
    };
    const Row rows[] = {
        {"unchanged: nothing asked", true, false, {}, Step::Proceed, 0, false},
        {"discarded", true, true, {SaveAnswer::Discard}, Step::Proceed, 1, true},
        {"cancelled", true, true, {SaveAnswer::Cancel}, Step::Stop, 1, true},
        {"saved over its file", true, true, {SaveAnswer::Save}, Step::Proceed, 1, false},
        {"saved, but no file yet", false, true, {SaveAnswer::Save}, Step::AskName, 1, true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        document.newRecord();
        pasteThreeMoves();
        if (row.saved) {
            ASSERT_TRUE(document.saveAs(path("game.kif"), RecordFormat::Kif));
        }
        if (row.changed) change();
        questions.asked.clear();
        questions.answers = row.answers;
        EXPECT_EQ(document.confirmDiscard(questions), row.step);
        EXPECT_EQ(questions.asked.size(), row.questions);
        EXPECT_EQ(document.isModified(), row.modifiedAfter);
    }
}

TEST_F(RecordDocumentTest, SavingOverAFormatThatLosesPartAsksFirst) {
    QSignalSpy messages(&document, &RecordDocument::message);
    pasteThreeMoves();
    EXPECT_EQ(document.saveOver(questions), Step::AskName);  // no file yet
    ASSERT_TRUE(document.saveAs(path("game.usi"), RecordFormat::Usi));
    document.setHeader("棋戦", "テスト杯");
    change();
    // Whatever stands in the file is only replaced by a save that goes ahead.
    const QByteArray before = "position startpos\n";
    writeFile(path("game.usi"), before);
    const struct {
        SaveAnswer answer;
        Step step;
        const char *message;
    } rows[] = {
        {SaveAnswer::Cancel, Step::Stop, "保存を取りやめました"},
        {SaveAnswer::SaveAs, Step::AskName, nullptr},
        {SaveAnswer::Save, Step::Proceed, "棋譜を保存しました（この形式に入らない"},
    };
    for (const auto &row : rows) {
        questions.asked.clear();
        questions.answers = {row.answer};
        messages.clear();
        EXPECT_EQ(document.saveOver(questions), row.step);
        ASSERT_EQ(questions.asked.size(), 1);
        EXPECT_TRUE(questions.asked.front().startsWith("game.usi|")) << questions.asked.front().toStdString();
        if (row.message == nullptr) {
            EXPECT_EQ(messages.count(), 0);
        } else {
            ASSERT_EQ(messages.count(), 1);
            EXPECT_TRUE(messages.at(0).at(0).toString().startsWith(QString::fromUtf8(row.message)));
        }
        EXPECT_EQ(contentsOf(path("game.usi")) == before, row.step != Step::Proceed);
    }
    EXPECT_FALSE(document.isModified());
}

TEST_F(RecordDocumentTest, AFailedOpenOrSaveChangesNothing) {
    pasteThreeMoves();
    change();
    QString reason;
    EXPECT_FALSE(document.openFile(path("missing.kif"), RecordFormat::Unknown, reason));
    EXPECT_FALSE(reason.isEmpty());
    writeFile(path("broken.csa"), "V2.2\nPI\n+\n+7776FU\n+2726FU\n");
    EXPECT_FALSE(document.openFile(path("broken.csa"), RecordFormat::Unknown, reason));
    // A folder cannot be written over.
    EXPECT_FALSE(document.saveAs(directory.path(), RecordFormat::Ngr));
    EXPECT_EQ(document.record().length(), 3);
    EXPECT_TRUE(document.isModified());
    EXPECT_TRUE(document.path().isEmpty());
}

TEST_F(RecordDocumentTest, ADeletionIsUndoneOnceAndOnlyWhileNothingChanged) {
    struct Row {
        const char *name;
        void (*between)(RecordDocument &);
        bool undone;
    };
    const Row rows[] = {
        {"at once", [](RecordDocument &) {}, true},
        {"after a comment", [](RecordDocument &d) { d.setComment({"後"}); }, false},
        {"after a header", [](RecordDocument &d) { d.setHeader("先手", "名人"); }, false},
        {"after a new record", [](RecordDocument &d) { d.newRecord(); }, false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        pasteThreeMoves();
        ASSERT_TRUE(document.record().goTo(1));
        EXPECT_EQ(document.deleteFromCursor(), 3);
        EXPECT_EQ(document.record().length(), 0);
        row.between(document);
        EXPECT_EQ(document.undoDeletion(), row.undone);
        if (row.undone) {
            EXPECT_EQ(document.record().length(), 3);
            EXPECT_FALSE(document.undoDeletion());  // once
        }
    }
}

TEST_F(RecordDocumentTest, AHeaderEditCountsAsAChange) {
    pasteThreeMoves();
    document.setHeader("棋戦", "");  // an empty field that never had a header adds none
    EXPECT_FALSE(document.isModified());
    document.setHeader("棋戦", "テスト杯");
    EXPECT_TRUE(document.isModified());
    ASSERT_TRUE(document.saveAs(path("game.kifu"), RecordFormat::Kif));
    EXPECT_FALSE(document.isModified());
    EXPECT_FALSE(document.shiftJis());  // .kifu is UTF-8
}

}  // namespace
