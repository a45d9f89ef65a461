// Opening and saving where the world is hostile: paths that are not files, limits on the process,
// read-only and full disks, allocations that fail. The window answers at once with a Japanese
// reason, loses nothing, and reads back whatever it writes.
//
// Cases that need a process of their own (a size limit, a memory limit, other rights, a private
// mount) run as death tests: the child prints what the window showed and the parent matches it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "common/socket_file.h"
#include "common/testing.h"
#include "ui/startup.h"
#include "ui_testing.h"

namespace {

// Dialogs the test did not prepare are cancelled, as a user would close them.
ScriptedChooser cancellingChooser() {
    ScriptedChooser chooser;
    chooser.unexpectedFails = false;
    return chooser;
}

QByteArray contentsOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The bytes of address space the process holds now.
rlim_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    unsigned long long pages = 0;
    statm >> pages;
    return static_cast<rlim_t>(pages * static_cast<unsigned long long>(::sysconf(_SC_PAGESIZE)));
}

// Releases, every two seconds, whoever waits to read the named pipe at `path`: a fault that
// blocks on the pipe then fails the test by its time instead of hanging it.
class PipeReleaser {
public:
    explicit PipeReleaser(std::string path)
        : thread_([this, path = std::move(path)] {
              auto last = std::chrono::steady_clock::now();
              while (!stop_) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
                  if (std::chrono::steady_clock::now() - last < std::chrono::seconds(2)) continue;
                  last = std::chrono::steady_clock::now();
                  const int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                  if (writer >= 0) ::close(writer);
              }
          }) {}
    ~PipeReleaser() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class RecordFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        window = makeStartWindow(asker);
        window->setFileChooser(&chooser);
        ASSERT_TRUE(directory.isValid());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    // Ends a death test's child with status 0 after printing `answer` for the parent to match.
    // The child's folder goes first: the child ends without running its destructors.
    [[noreturn]] void answerAndExit(const QString &answer) {
        directory.remove();
        std::fprintf(stderr, "\n%s\n", answer.toUtf8().constData());
        std::fflush(stderr);
        std::_Exit(0);
    }

    QString path(const char *name) const { return directory.filePath(QString::fromLatin1(name)); }
    std::string nativePath(const char *name) const { return QFile::encodeName(path(name)).toStdString(); }
    QString status() const { return window->statusText(); }
    std::string position() const { return positionKey(window->game()); }

    void open(const QString &file) {
        chooser.openPaths.push_back(file);
        findControl<QAction>(*window, "K4")->trigger();
    }
    void save(const QString &file) {
        chooser.savePaths.push_back(file);
        findControl<QAction>(*window, "KS1")->trigger();
    }

    // Both rooks go back and forth: a game of any length, `moves` long.
    void playRookShuffle(int moves) {
        const Square path[4][2] = {
            {sq(2, 8), sq(3, 8)}, {sq(8, 2), sq(7, 2)}, {sq(3, 8), sq(2, 8)}, {sq(7, 2), sq(8, 2)}};
        for (int move = 0; move < moves; ++move) {
            const auto &step = path[move % 4];
            ASSERT_TRUE(window->game().play({step[0], step[1], false})) << "move " << move;
        }
        window->RedrawAll();
    }

    ScriptedAsker asker;
    ScriptedChooser chooser = cancellingChooser();
    QTemporaryDir directory;
    std::unique_ptr<TZnMainForm> window;
};

}  // namespace

// A named pipe, a socket, a device, and links to them: opening one must neither wait for a writer
// nor read without end, and the game on the board stays.
TEST_F(RecordFilesTest, PathsThatAreNotFilesAreRefusedAtOnce) {
    ASSERT_EQ(::mkfifo(nativePath("pipe.ngr").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(nativePath("pipe.ngr").c_str(), nativePath("link-to-pipe.ngr").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/zero", nativePath("link-to-zero.ngr").c_str()), 0);
    const BoundSocket socket(nativePath("socket.ngr"));
    ASSERT_TRUE(socket.bound()) << socket.problem();
    PipeReleaser releaser(nativePath("pipe.ngr"));

    playRookShuffle(3);
    const std::string before = position();
    const struct {
        QString path;
        const char *reason;
    } rows[] = {
        {path("pipe.ngr"), "名前付きパイプ"},   {path("link-to-pipe.ngr"), "名前付きパイプ"},
        {path("socket.ngr"), "ソケット"},       {QStringLiteral("/dev/zero"), "デバイス"},
        {path("link-to-zero.ngr"), "デバイス"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        QElapsedTimer clock;
        clock.start();
        open(row.path);
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_TRUE(status().startsWith(QStringLiteral("棋譜を読み込めませんでした: ")))
            << status().toStdString();
        EXPECT_TRUE(status().contains(QString::fromUtf8(row.reason))) << status().toStdString();
        EXPECT_EQ(position(), before);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋"));
    }
}

// Saving must not replace what is not a file with a record, nor write into it.
TEST_F(RecordFilesTest, SavingOverWhatIsNotAFileIsRefused) {
    // A device of the test's own (a copy of /dev/null), so that a fault replaces nothing outside.
    ASSERT_EQ(::mkfifo(nativePath("pipe.ngr").c_str(), 0600), 0);
    const bool device = ::mknod(nativePath("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    ASSERT_EQ(::symlink(nativePath(device ? "null" : "pipe.ngr").c_str(), nativePath("link.ngr").c_str()), 0);
    PipeReleaser releaser(nativePath("pipe.ngr"));
    playRookShuffle(3);
    const struct {
        QString path;
        const char *reason;
    } rows[] = {{path("pipe.ngr"), "名前付きパイプ"},
                {path("link.ngr"), device ? "デバイス" : "名前付きパイプ"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        QElapsedTimer clock;
        clock.start();
        save(row.path);
        EXPECT_LT(clock.elapsed(), 1000);
        EXPECT_TRUE(status().startsWith(QStringLiteral("棋譜を保存できませんでした: ")))
            << status().toStdString();
        EXPECT_TRUE(status().contains(QString::fromUtf8(row.reason))) << status().toStdString();
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋"));
    }
    struct stat status {};
    ASSERT_EQ(::lstat(nativePath("pipe.ngr").c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    if (device) {
        ASSERT_EQ(::lstat(nativePath("null").c_str(), &status), 0);
        EXPECT_TRUE(S_ISCHR(status.st_mode));
    }
    // Nothing but what the test made: no record and no temporary file beside them.
    EXPECT_EQ(QDir(directory.path())
                  .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              device ? 3 : 2);
}

// The program ignores the signal a file-size limit sends, so the write fails with an error the
// save reports; the signal is left as the program sets it, not set by the test.
TEST_F(RecordFilesTest, AFileSizeLimitFailsTheSaveInsteadOfEndingTheProgram) {
    const auto child = [this] {
        installProcessRules();
        const QByteArray original = "an earlier record that must survive\n";
        if (!writeFile(path("old.ngr"), original)) answerAndExit(QStringLiteral("no file"));
        playRookShuffle(400);
        rlimit previous{};
        ::getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limit = previous;
        limit.rlim_cur = 64;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        save(path("old.ngr"));
        // The answer goes to a file too.
        ::setrlimit(RLIMIT_FSIZE, &previous);
        answerAndExit(
            status() + (contentsOf(path("old.ngr")) == original ? " | old file kept" : " | old file lost") +
            " | " + QDir(directory.path()).entryList(QDir::Files).join(',') + " | " + window->windowTitle());
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0),
                "棋譜を保存できませんでした: .*ファイルが大きすぎます.* \\| old file kept \\| old.ngr \\| "
                "Nagi将棋\n");
}

// Opening a small record must not ask for a buffer the size of the largest record it would take.
TEST_F(RecordFilesTest, OpeningASmallRecordNeedsLittleMemory) {
    const auto child = [this] {
        installProcessRules();
        playRookShuffle(100);
        save(path("small.ngr"));
        window->game().newGame();
        // Room for the game and the record, far less than a 4 MiB buffer.
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = addressSpaceInUse() + 2 * 1024 * 1024;
        ::setrlimit(RLIMIT_AS, &limit);
        open(path("small.ngr"));
        answerAndExit(status() + QStringLiteral(" | %1 moves").arg(window->game().moveCount()));
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0), "棋譜を読み込みました \\| 100 moves\n");
}

// An allocation that fails inside Qt throws instead of calling the new handler; an event handler
// that meets it must still end the program by the out-of-memory rule, not with a box.
TEST_F(RecordFilesTest, AFailedAllocationInAnEventEndsByTheOutOfMemoryRule) {
    struct Greedy : QObject {
        bool event(QEvent *event) override {
            if (event->type() != QEvent::User) return QObject::event(event);
            QByteArray huge(qsizetype(1) << 50, Qt::Uninitialized);
            return huge.size() > 0;
        }
    };
    const auto child = [this] {
        directory.remove();
        installProcessRules();
        // A box shown instead is closed again, so that the wrong ending shows rather than hangs.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [] {
            if (QWidget *box = QApplication::activeModalWidget()) box->close();
        });
        closer.start(50);
        Greedy greedy;
        QCoreApplication::postEvent(&greedy, new QEvent(QEvent::User));
        QCoreApplication::processEvents();
        QTest::qWait(500);
        answerAndExit(QStringLiteral("the program went on"));
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(1), "(^|\n)out of memory\n");
}

// A game of more than 4 MiB of record: what the window saves, it opens again.
TEST_F(RecordFilesTest, ALongGameSavedOpensAgain) {
    constexpr int moves = 470000;  // 9 bytes a move: just over 4 MiB
    playRookShuffle(moves);
    const std::string saved = position();
    save(path("long.ngr"));
    ASSERT_EQ(status(), QStringLiteral("棋譜を保存しました"));
    ASSERT_GT(QFileInfo(path("long.ngr")).size(), 4 * 1024 * 1024);

    findControl<QAction>(*window, "KN1")->trigger();
    open(path("long.ngr"));
    EXPECT_EQ(status(), QStringLiteral("棋譜を読み込みました"));
    EXPECT_EQ(window->game().moveCount(), moves);
    EXPECT_EQ(position(), saved);
}

TEST_F(RecordFilesTest, SystemReasonsAreGivenInJapanese) {
    ASSERT_TRUE(writeFile(path("plain"), "not a folder"));
    const struct {
        bool saving;
        QString path;
        const char *reason;
    } rows[] = {
        {true, path("no-such-folder/game.ngr"), "ファイルまたはフォルダがありません"},
        {true, directory.path(), "フォルダです"},
        {true, path("plain/game.ngr"), "フォルダではありません"},
        {false, path("missing.ngr"), "ファイルがありません"},
        {false, directory.path(), "フォルダです"},
        {false, path("plain/game.ngr"), "フォルダではありません"},
    };
    playRookShuffle(2);
    const std::string before = position();
    for (const auto &row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        if (row.saving)
            save(row.path);
        else
            open(row.path);
        EXPECT_TRUE(status().contains(QString::fromUtf8(row.reason))) << status().toStdString();
        EXPECT_EQ(position(), before);
    }
}

// Without the rights to a folder (root gives them up in a child), both commands say so.
TEST_F(RecordFilesTest, AFolderWithoutRightsIsNamedInJapanese) {
    const auto child = [this] {
        save(path("game.ngr"));
        const bool root = ::geteuid() == 0;
        // Effective ids only, so that root takes its rights back to clean up.
        if (root && (::setegid(65534) != 0 || ::seteuid(65534) != 0))
            answerAndExit(QStringLiteral("rights kept"));
        if (!root) ::chmod(QFile::encodeName(directory.path()).constData(), 0);
        open(path("game.ngr"));
        const QString opening = status();
        save(path("other.ngr"));
        const QString saving = status();
        if (root && (::seteuid(0) != 0 || ::setegid(0) != 0))
            answerAndExit(QStringLiteral("rights not back"));
        if (!root) ::chmod(QFile::encodeName(directory.path()).constData(), 0700);
        answerAndExit(opening + " | " + saving);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0),
                "読み込めませんでした: .*アクセスが許可されていません.* \\| 棋譜を保存できませんでした: "
                ".*アクセスが許可されていません");
}

namespace {

// Whether this process may mount a file system of its own in a private mount namespace.
bool canMountPrivately() {
    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        const bool mounted = ::unshare(CLONE_NEWNS) == 0 &&
                             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                             ::mount("tmpfs", "/tmp", "tmpfs", MS_RDONLY, "size=16k") == 0;
        ::_exit(mounted ? 0 : 1);
    }
    int status = 0;
    return ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

// A read-only and a full file system, each a small tmpfs in the child's own mount namespace.
TEST_F(RecordFilesTest, ReadOnlyAndFullDisksAreNamedInJapanese) {
    if (!canMountPrivately()) GTEST_SKIP() << "no private mounts here";
    const auto child = [this] {
        QDir(directory.path()).mkdir(QStringLiteral("read-only"));
        QDir(directory.path()).mkdir(QStringLiteral("full"));
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", nativePath("read-only").c_str(), "tmpfs", MS_RDONLY, "size=64k") != 0 ||
            ::mount("tmpfs", nativePath("full").c_str(), "tmpfs", 0, "size=4k") != 0)
            answerAndExit(QStringLiteral("not mounted"));
        playRookShuffle(2000);
        save(path("read-only/game.ngr"));
        const QString readOnly = status();
        save(path("full/game.ngr"));
        const QString full = status();
        const QString left = QDir(path("full")).entryList(QDir::Files | QDir::Hidden).join(',');
        ::umount2(nativePath("read-only").c_str(), MNT_DETACH);
        ::umount2(nativePath("full").c_str(), MNT_DETACH);
        answerAndExit(readOnly + " | " + full + " | " + left);
    };
    EXPECT_EXIT(child(), ::testing::ExitedWithCode(0),
                "保存できませんでした: .*読み取り専用の場所です.* \\| 棋譜を保存できませんでした: "
                ".*ディスクの空き容量が足りません.* \\| \n");
}
