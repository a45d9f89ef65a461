// Records that arrive without 開く: the 編集 menu's clipboard commands, files and text dropped on
// the window, and the file named on the command line.

#include <sys/stat.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QTranslator>
#include <QUrl>
#include <functional>

#include "record/kif.h"
#include "records_testing.h"
#include "ui/kifuwindow.h"
#include "ui/render.h"
#include "ui/startup.h"

using namespace records_testing;

namespace {

class ClipboardTest : public RecordWindowTest {
protected:
    void paste(QMimeData *mime) {
        QApplication::clipboard()->setMimeData(mime);
        trigger("KE3");
    }
    void pasteText(const std::string &text) {
        QApplication::clipboard()->setText(QString::fromStdString(text));
        trigger("KE3");
    }
    QString clipboard() const { return QApplication::clipboard()->text(); }
    // Makes the window the active one, whose shortcuts the keys reach.
    void activate() {
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
};

}  // namespace

TEST_F(ClipboardTest, CopiesTheGameAsKifAndThePositionAsSfen) {
    openKifGame();
    ASSERT_TRUE(window->record().goTo(1));
    trigger("KE1");
    EXPECT_EQ(status(), "棋譜をコピーしました");
    // The whole line with its notes, wherever the board stands, and the board stays there.
    ZnBan copied;
    RecordNotes notes;
    ASSERT_TRUE(readKif(copied, notes, clipboard().toStdString()).ok) << clipboard().toStdString();
    EXPECT_EQ(positionSfen(copied), kFinalSfen);
    EXPECT_EQ(notes.header("先手"), "山田");
    EXPECT_EQ(notes.commentsAfter(1), std::vector<std::string>{"角道を開ける"});
    EXPECT_EQ(notes.endWord, "投了");
    EXPECT_EQ(window->record().cursor(), 1);

    trigger("KE2");
    EXPECT_EQ(status(), "局面をコピーしました");
    EXPECT_EQ(clipboard().toStdString(), "lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 2");

    // A position pasted with its own move number is copied back under that number, not from 1.
    pasteText("sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL w - 36 moves 3c3d\n");
    trigger("KE2");
    EXPECT_EQ(clipboard().toStdString(), "lnsgkgsnl/1r5b1/pppppp1pp/6p2/9/2P6/PP1PPPPPP/1B5R1/LNSGKGSNL b - 37");
}

TEST_F(ClipboardTest, PastesEveryTextFormatAsANewGame) {
    const struct {
        const char *format;
        std::string text;
        int moves;
    } rows[] = {
        {"KIF", kKifText, 3},
        {"KI2", kKi2Text, 3},
        {"CSA", kCsaText, 3},
        {"USI", kUsiText, 3},
        {"SFEN", "sfen " + kFinalSfen, 0},
        {"bare SFEN", kFinalSfen + "\n", 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.format);
        trigger("KN1");
        pasteText(row.text);
        EXPECT_EQ(status().rfind("棋譜を読み込みました", 0), 0u) << status();
        EXPECT_EQ(shownPosition(), positionPart(kFinalSfen));
        EXPECT_EQ(window->record().length(), row.moves);
        // A paste has no file name to show.
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋"));
    }
}

TEST_F(ClipboardTest, TheKeysCopyAndPasteAGameWithItsNotes) {
    openKifGame();
    activate();
    QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(status(), "棋譜をコピーしました");
    trigger("KN1");
    ASSERT_EQ(window->record().length(), 0);
    QTest::keyClick(window.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(status(), "棋譜を読み込みました");
    EXPECT_EQ(shown(), kFinalSfen);
    EXPECT_EQ(window->record().notes().startComments, std::vector<std::string>{"開始のコメント"});
}

TEST_F(ClipboardTest, BadPastesSayWhyAndKeepTheGame) {
    openKifGame();
    ASSERT_TRUE(window->record().goTo(2));
    const std::string before = shown();
    const auto image = [] {
        auto mime = new QMimeData;
        mime->setData(QStringLiteral("image/png"), QByteArray("\x89PNG\r\n\x1a\n\0\0", 10));
        return mime;
    };
    const auto huge = [] {
        auto mime = new QMimeData;
        // A record that would read, but is longer than any paste may be.
        std::string text = "V2.2\nPI\n+\n";
        while (text.size() <= std::size_t(TZnMainForm::kMaxPasteBytes)) text += "'コメント\n";
        mime->setText(QString::fromStdString(text));
        return mime;
    };
    const auto text = [](const QByteArray &bytes) {
        auto mime = new QMimeData;
        mime->setData(QStringLiteral("text/plain"), bytes);
        return mime;
    };
    const struct {
        const char *what;
        std::function<QMimeData *()> make;
        const char *reason;
    } rows[] = {
        {"nothing", [] { return new QMimeData; }, "クリップボードが空です"},
        {"empty text", [&] { return text(""); }, "クリップボードが空です"},
        {"only blanks", [&] { return text(" \r\n\t\n"); }, "クリップボードが空です"},
        {"an image", image, "クリップボードの内容が文字ではありません"},
        {"over 4 MiB", huge, "テキストが長すぎます（上限 4 MiB）"},
        {"bytes with zeros", [&] { return text(QByteArray("V2.2\n\0\0\0PI", 11)); }, "バイナリ"},
        {"plain words", [&] { return text("こんにちは\n"); }, "棋譜の形式がわかりません"},
        {"a bad move", [&] { return text("position startpos moves 7g7f 7g7f"); }, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        paste(row.make());
        EXPECT_EQ(status().rfind("棋譜を読み込めませんでした: ", 0), 0u) << status();
        EXPECT_NE(status().find(row.reason), std::string::npos) << status();
        EXPECT_EQ(shown(), before);
        EXPECT_EQ(window->record().cursor(), 2);
        EXPECT_EQ(window->record().notes().header("先手"), "山田");
        EXPECT_EQ(window->windowTitle(), path("game.kifu"));
    }
}

namespace {

class DropTest : public RecordWindowTest {
protected:
    // Drops `mime` on the middle of the board, as a file manager or an editor would.
    bool drop(QMimeData *mime) {
        const QPoint at(200, 200);
        QDragEnterEvent enter(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        const bool accepted = enter.isAccepted();
        if (accepted) {
            QDropEvent event(at, Qt::CopyAction, mime, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &event);
        }
        delete mime;
        return accepted;
    }
    static QMimeData *files(const QStringList &paths) {
        auto mime = new QMimeData;
        QList<QUrl> urls;
        for (const QString &path : paths) urls << QUrl::fromLocalFile(path);
        mime->setUrls(urls);
        return mime;
    }
};

}  // namespace

TEST_F(DropTest, ADroppedFileOpensAsIfChosen) {
    writeFile(path("dropped.csa"), bytesOf(kCsaText));
    ASSERT_TRUE(drop(files({path("dropped.csa")})));
    EXPECT_EQ(status(), "棋譜を読み込みました");
    EXPECT_EQ(window->windowTitle(), path("dropped.csa"));
    EXPECT_EQ(shown(), kFinalSfen);
}

TEST_F(DropTest, DroppedTextIsPasted) {
    auto mime = new QMimeData;
    mime->setText(QString::fromStdString(kKi2Text));
    ASSERT_TRUE(drop(mime));
    EXPECT_EQ(status(), "棋譜を読み込みました");
    EXPECT_EQ(shown(), kFinalSfen);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋"));
}

TEST_F(DropTest, OfSeveralFilesOnlyTheFirstOpens) {
    writeFile(path("first.usi"), bytesOf(kUsiText));
    writeFile(path("second.kifu"), bytesOf(kKifText));
    ASSERT_TRUE(drop(files({path("first.usi"), path("second.kifu"), directory.path()})));
    EXPECT_EQ(status(), "棋譜を読み込みました（ドロップされた3個のうち開くのは最初の1個だけです）");
    EXPECT_EQ(window->windowTitle(), path("first.usi"));
    EXPECT_EQ(window->record().notes().header("先手"), "");
}

TEST_F(DropTest, DropsThatCannotOpenSayWhyAndKeepTheGame) {
    openKifGame();
    const std::string before = shown();
    writeFile(path("vanishing.kif"), shiftJis(kKifText));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.kif")).constData(), 0600), 0);
    const struct {
        const char *what;
        std::function<QMimeData *()> make;
        const char *status;
    } rows[] = {
        {"a folder", [&] { return files({directory.path()}); }, "フォルダです"},
        {"a named pipe", [&] { return files({path("pipe.kif")}); }, "名前付きパイプ"},
        {"a file gone before the read",
         [&] {
             auto mime = files({path("vanishing.kif")});
             QFile::remove(path("vanishing.kif"));
             return mime;
         },
         "ファイルがありません"},
        {"a folder first of two",
         [&] {
             return files({directory.path(), path("game.kifu")});
         },
         "（ドロップされた2個のうち開くのは最初の1個だけです）"},
        {"an address on the network",
         [] {
             auto mime = new QMimeData;
             mime->setUrls({QUrl(QStringLiteral("https://example.com/game.kif"))});
             return mime;
         },
         "このコンピュータのファイルではありません（https://example.com/game.kif）"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(drop(row.make()));
        EXPECT_EQ(status().rfind("棋譜を読み込めませんでした: ", 0), 0u) << status();
        EXPECT_NE(status().find(row.status), std::string::npos) << status();
        EXPECT_EQ(shown(), before);
        EXPECT_EQ(window->record().notes().header("先手"), "山田");
        EXPECT_EQ(window->windowTitle(), path("game.kifu"));
    }
}

TEST_F(DropTest, OnlyFilesAndTextAreTaken) {
    auto image = new QMimeData;
    image->setData(QStringLiteral("image/png"), QByteArray("\x89PNG", 4));
    EXPECT_FALSE(drop(image));
    EXPECT_EQ(window->record().length(), 0);
}

// ---- the command line ----

// What the start loads is loaded once, however often it is asked for: one translator owned by the
// application object, one substitute per Windows face.
TEST(StartOptions, TranslationsAndFontSubstitutesAreInstalledOnce) {
    QCoreApplication &application = *QCoreApplication::instance();
    if (!installJapaneseTranslations(application)) GTEST_SKIP() << "qtbase_ja is not installed";
    EXPECT_TRUE(installJapaneseTranslations(application));
    EXPECT_EQ(application.findChildren<QTranslator *>().size(), 1);
    installFontSubstitutes();
    installFontSubstitutes();
    EXPECT_EQ(QFont::substitutes(QStringLiteral("ＭＳ Ｐ明朝")).size(), 1);
    EXPECT_EQ(QFont::substitutes(QStringLiteral("ＭＳ Ｐゴシック")).size(), 1);
}

TEST(StartOptions, TheFirstWordThatIsNoOptionNamesTheFile) {
    const struct {
        QStringList words;
        bool kifuWindow;
        const char *file;
        const char *engine = "";
    } rows[] = {
        {{}, false, ""},
        {{"--kifu"}, true, ""},
        {{"game.kif"}, false, "game.kif"},
        {{"--kifu", "a.kif", "b.kif"}, true, "a.kif"},
        {{"-x", "a.csa"}, false, "a.csa"},
        {{"--", "--kifu"}, false, "--kifu"},
        {{"file:///tmp/%E6%A3%8B%E8%AD%9C.kif"}, false, "/tmp/棋譜.kif"},
        // The word after --engine is the engine, never the record.
        {{"--engine", "/usr/games/gpsusi", "a.kif"}, false, "a.kif", "/usr/games/gpsusi"},
        {{"a.kif", "--engine", "game.kif"}, false, "a.kif", "game.kif"},
        {{"--engine"}, false, "", ""},
        {{"--", "--engine", "x"}, false, "--engine", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.words.join(' ').toStdString());
        const StartOptions options = parseStartOptions(row.words);
        EXPECT_EQ(options.kifuWindow, row.kifuWindow);
        EXPECT_EQ(options.recordFile, QString::fromUtf8(row.file));
        EXPECT_EQ(options.enginePath, QString::fromUtf8(row.engine));
    }
}

namespace {

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(directory.isValid());
        window = std::make_unique<TZnMainForm>();
    }
    // Starts the window as the program does with these words after its name, and waits for the
    // status the file leaves.
    void start(const QStringList &words) {
        startWindow(*window, parseStartOptions(words));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return window->statusText().startsWith(QStringLiteral("棋譜を")); }, 2000));
    }
    QString path(const char *name) const { return directory.filePath(QString::fromUtf8(name)); }
    std::string status() const { return window->statusText().toStdString(); }

    QTemporaryDir directory;
    std::unique_ptr<TZnMainForm> window;
};

}  // namespace

TEST_F(CommandLineTest, AGoodFileStartsOpen) {
    writeFile(path("start.kif"), shiftJis(kKifText));
    // A path relative to the working folder is shown in full.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(directory.path()));
    start({"--kifu", "start.kif"});
    QDir::setCurrent(previous);
    EXPECT_EQ(status(), "棋譜を読み込みました");
    EXPECT_EQ(window->windowTitle(), QFileInfo(path("start.kif")).absoluteFilePath());
    EXPECT_EQ(positionSfen(window->game()), kFinalSfen);
    ASSERT_NE(window->kifuWindow(), nullptr);
    EXPECT_TRUE(window->kifuWindow()->isVisible());
}

TEST_F(CommandLineTest, AFileThatCannotBeReadStartsTheNewGameAndSaysWhy) {
    writeFile(path("broken.csa"), "V2.2\nPI\n+\n+7776FU\n+2726FU\n");
    ASSERT_EQ(::mkfifo(QFile::encodeName(path("pipe.kif")).constData(), 0600), 0);
    const std::string startPosition = "lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1";
    const struct {
        QString file;
        const char *reason;
    } rows[] = {
        {path("missing.kif"), "ファイルがありません"},
        {path("broken.csa"), ""},
        {directory.path(), "フォルダです"},
        {path("pipe.kif"), "名前付きパイプ"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.file.toStdString());
        window = std::make_unique<TZnMainForm>();
        start({row.file});
        EXPECT_EQ(status().rfind("棋譜を読み込めませんでした: ", 0), 0u) << status();
        EXPECT_NE(status().find(row.reason), std::string::npos) << status();
        EXPECT_EQ(positionSfen(window->game()), startPosition);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋"));
        EXPECT_TRUE(window->isVisible());
    }
}

// The real program, started with a file it cannot read, runs on until it is told to end.
TEST_F(CommandLineTest, TheProgramStartsWhateverTheFile) {
    for (const QString &file : {path("missing.kif"), directory.path()}) {
        SCOPED_TRACE(file.toStdString());
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(NAGI_PROGRAM), {file});
        ASSERT_TRUE(program.waitForStarted(5000));
        EXPECT_FALSE(program.waitForFinished(1500)) << program.readAllStandardError().toStdString();
        program.terminate();
        if (!program.waitForFinished(5000)) program.kill();
        program.waitForFinished(5000);
    }
}
