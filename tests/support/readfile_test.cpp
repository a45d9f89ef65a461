// Reading whole files: regular files are read byte for byte, anything that could make the reader
// wait (a named pipe, a device, a socket) is refused without being read.

#include "support/readfile.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/socket_file.h"

namespace {

namespace fs = std::filesystem;

class ReadRegularFile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "readfile_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        directory = pattern;
    }
    void TearDown() override { fs::remove_all(directory); }

    std::string path(const char *name) const { return (directory / name).string(); }
    std::string write(const char *name, const std::string &bytes) const {
        std::ofstream out(path(name), std::ios::binary);
        out << bytes;
        return path(name);
    }

    fs::path directory;
};

TEST_F(ReadRegularFile, ReadsEveryByteOfARegularFile) {
    const std::string rows[] = {"", "P+\r\n", std::string("a\0b\xff", 4), std::string(100000, 'x')};
    for (const std::string &bytes : rows) {
        const FileBytes read = readRegularFile(write("file", bytes));
        EXPECT_TRUE(read.ok) << read.reason;
        EXPECT_EQ(read.bytes, bytes);
        EXPECT_EQ(read.reason, "");
    }
}

TEST_F(ReadRegularFile, RefusesAFileOverTheLimitAndReadsOneAtIt) {
    const std::string file = write("file", std::string(1000, 'x'));
    EXPECT_TRUE(readRegularFile(file, 1000).ok);
    const FileBytes over = readRegularFile(file, 999);
    EXPECT_FALSE(over.ok);
    EXPECT_EQ(over.bytes, "");
    EXPECT_NE(over.reason.find("大きすぎます"), std::string::npos) << over.reason;
    EXPECT_NE(readRegularFile(write("big", std::string(3 * 1024 * 1024, 'x')), 2 * 1024 * 1024)
                  .reason.find("上限 2 MiB"),
              std::string::npos);
}

// Each of these would block an ordinary open or read, or never end.
TEST_F(ReadRegularFile, RefusesWhatIsNotARegularFile) {
    ASSERT_EQ(::mkfifo(path("pipe").c_str(), 0600), 0);
    const std::string socketPath = path("socket");
    const BoundSocket socket(socketPath);
    ASSERT_TRUE(socket.bound()) << socket.problem();
    fs::create_symlink(path("pipe"), path("link-to-pipe"));
    fs::create_symlink("/dev/zero", path("link-to-zero"));

    const struct {
        std::string path;
        const char *reason;
    } rows[] = {
        {path("pipe"), "名前付きパイプ"},   {path("link-to-pipe"), "名前付きパイプ"},
        {socketPath, "ソケット"},           {"/dev/zero", "デバイス"},
        {path("link-to-zero"), "デバイス"}, {directory.string(), "フォルダ"},
    };
    for (const auto &row : rows) {
        const FileBytes read = readRegularFile(row.path);
        EXPECT_FALSE(read.ok) << row.path;
        EXPECT_NE(read.reason.find(row.reason), std::string::npos) << row.path << ": " << read.reason;
        EXPECT_EQ(whyNotARegularFile(row.path), read.reason);
    }
    // A regular file, a link to one, and nothing at all may be read or written as files.
    fs::create_symlink(write("file", "P+"), path("link-to-file"));
    for (const char *name : {"file", "link-to-file", "missing"})
        EXPECT_EQ(whyNotARegularFile(path(name)), "") << name;
}

TEST_F(ReadRegularFile, SystemErrorsAreGivenInJapanese) {
    EXPECT_EQ(readRegularFile(path("missing")).reason, "ファイルがありません");
    const std::string file = write("file", "P+\r\n");
    EXPECT_NE(readRegularFile(file + "/below").reason.find("フォルダではありません"), std::string::npos);

    // No descriptor left to open the file with.
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &previous), 0);
    const int lowest = ::dup(0);
    ASSERT_GE(lowest, 0);
    ::close(lowest);
    rlimit none = previous;
    none.rlim_cur = static_cast<rlim_t>(lowest);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &none), 0);
    const FileBytes read = readRegularFile(file);
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &previous), 0);
    EXPECT_FALSE(read.ok);
    EXPECT_NE(read.reason.find("開いているファイルが多すぎます"), std::string::npos) << read.reason;
}

// Root reads everything; a child that gives up root's rights meets the permission as a user does.
TEST_F(ReadRegularFile, AFileWithoutReadPermissionIsRefusedInJapanese) {
    const std::string file = write("secret", "P+\r\n");
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    ASSERT_EQ(::chmod(directory.c_str(), 0755), 0);
    const auto refused = [&file] {
        const FileBytes read = readRegularFile(file);
        return !read.ok && read.reason == "ファイルを開けません (アクセスが許可されていません)";
    };
    if (::geteuid() != 0) {
        EXPECT_TRUE(refused()) << readRegularFile(file).reason;
        return;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        ::_exit(refused() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "cannot give up root's rights here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
