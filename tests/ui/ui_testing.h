#pragma once
// Helpers shared by the window tests.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QTest>
#include <deque>
#include <memory>

#include "ui/gamechoice.h"
#include "ui/interaction.h"
#include "ui/mainform.h"
#include "ui/paintbox.h"
#include "ui/startup.h"
#include "ui/znflags.h"

// Answers promotion questions from a script and remembers which pieces were asked about; answers
// the questions before unsaved work is lost from `saveAnswers`, 保存しない (and キャンセル for an
// overwrite) when it runs out.
class ScriptedAsker : public PromotionAsker, public SaveQuestions {
public:
    SaveAnswer askUnsavedChanges() override {
        return answerSave(QStringLiteral("unsaved"), SaveAnswer::Discard);
    }
    SaveAnswer askLossyOverwrite(const QString &file, const QString &lost) override {
        return answerSave(file + QLatin1Char('|') + lost, SaveAnswer::Cancel);
    }
    SaveAnswer answerSave(const QString &question, SaveAnswer otherwise) {
        saveQuestions.push_back(question);
        const SaveAnswer answer = saveAnswers.empty() ? otherwise : saveAnswers.front();
        if (!saveAnswers.empty()) saveAnswers.pop_front();
        return answer;
    }
    std::deque<SaveAnswer> saveAnswers;
    // "unsaved", or "file|what would be lost" for each overwrite question.
    QStringList saveQuestions;

    bool askPromotion(const QString &name) override {
        asked.push_back(name);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected promotion question for " << name.toStdString();
            return false;
        }
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // Answers yes/no questions from `questionAnswers` (no when it runs out, failing the test).
    bool askQuestion(const QString &caption, const QString &text) override {
        questions.push_back(caption + QLatin1Char('|') + text);
        EXPECT_FALSE(questionAnswers.empty()) << "unexpected question " << text.toStdString();
        const bool answer = !questionAnswers.empty() && questionAnswers.front();
        if (!questionAnswers.empty()) questionAnswers.pop_front();
        return answer;
    }
    std::deque<bool> answers;
    QStringList asked;
    std::deque<bool> questionAnswers;
    // Every question asked, as "caption|text".
    QStringList questions;
};

#ifdef FAKE_ENGINE
// The fake engine linked into `folder` under the names `sente` and `gote`, whose endings say how
// each plays ("fake_engine-illegal", "fake_engine-normal"), as the choice's two engines.
inline bool linkFakeEngines(GameChoice &choice, const QString &folder, const char *sente, const char *gote) {
    for (Side side : {SENTE, GOTE}) {
        choice.engines[side] = QDir(folder).filePath(QString::fromLatin1(side == SENTE ? sente : gote));
        if (!QFile::link(QStringLiteral(FAKE_ENGINE), choice.engines[side])) return false;
    }
    return true;
}
#endif

// The centre of a board square in the board's pixels, in the usual notation (file and rank 1..9).
inline QPoint squareCentre(int file, int rank) {
    return {276 - 32 * (file - 1) + 16, 56 + 32 * (rank - 1) + 16};
}

// A fresh window in the state the program starts in, answering promotion questions through `asker`.
inline std::unique_ptr<TZnMainForm> makeStartWindow(PromotionAsker &asker) {
    installJapaneseTranslations(*QCoreApplication::instance());
    auto window = std::make_unique<TZnMainForm>();
    window->setPromotionAsker(&asker);
    // An asker that does not answer them leaves changes unsaved, as a player who answers 保存しない.
    static ScriptedAsker discarding;
    auto questions = dynamic_cast<SaveQuestions *>(&asker);
    window->setSaveQuestions(questions != nullptr ? questions : &discarding);
    return window;
}

// The control of the window with that object name; a missing one fails the test.
template <typename T>
T *findControl(const QWidget &window, const char *name) {
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Answers the open and save dialogs with prepared paths; an empty path is a cancelled dialog.
class ScriptedChooser : public FileChooser {
public:
    ChosenFile openRecordFile(QWidget *) override { return {next(openPaths), {}}; }
    ChosenFile saveRecordFile(QWidget *) override { return {next(savePaths), {}}; }
    std::deque<QString> openPaths;
    std::deque<QString> savePaths;
    // Whether a dialog the test did not prepare fails the test, or is simply cancelled.
    bool unexpectedFails = true;

private:
    QString next(std::deque<QString> &paths) const {
        if (paths.empty()) {
            if (unexpectedFails) ADD_FAILURE() << "a file dialog was opened that the test did not expect";
            return {};
        }
        QString path = paths.front();
        paths.pop_front();
        return path;
    }
};

// A window shown as the program starts it, with its first picture drawn.
class ShownWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = makeStartWindow(asker);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->RedrawAll();
    }

    template <typename T>
    T *child(const char *name) {
        return findControl<T>(*window, name);
    }
    TPaintBox *ban() { return child<TPaintBox>("Ban"); }

    ScriptedAsker asker;
    std::unique_ptr<TZnMainForm> window;
};
