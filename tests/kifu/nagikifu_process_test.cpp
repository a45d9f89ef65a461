// The converter as a process in a hostile world: inputs that are not files, outputs that are not
// files or are the input, limits on the process, a full disk, streams that are closed or cannot
// be written, and records at the limits of their formats. Each case checks the exit status and
// the reason, that every file that was there keeps its bytes, and that no temporary file is left.

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/hostile_paths.h"
#include "record/formats.h"

namespace {

namespace fs = std::filesystem;

// The program under test; NAGIKIFU_PROGRAM in the environment runs another build of it.
std::string program() {
    const char *other = std::getenv("NAGIKIFU_PROGRAM");
    return other != nullptr && *other != '\0' ? other : NAGIKIFU_PROGRAM;
}

std::string bytesOf(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeBytes(const fs::path &path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A file's bytes as a snapshot keeps them: whole when short, else their size and hash.
std::string fileEntry(const std::string &bytes) {
    if (bytes.size() <= 4096) return "file " + bytes;
    return "file of " + std::to_string(bytes.size()) + " bytes, hash " +
           std::to_string(std::hash<std::string>{}(bytes));
}

// Each entry of a folder and what it is: a file's bytes, a link's target, or its kind.
std::map<std::string, std::string> snapshot(const fs::path &folder) {
    std::map<std::string, std::string> entries;
    for (const auto &entry : fs::directory_iterator(folder)) {
        const fs::file_status status = entry.symlink_status();
        std::string &what = entries[entry.path().filename().string()];
        if (fs::is_symlink(status))
            what = "link to " + fs::read_symlink(entry.path()).string();
        else if (fs::is_regular_file(status))
            what = fileEntry(bytesOf(entry.path()));
        else
            what = "kind " + std::to_string(static_cast<int>(status.type()));
    }
    return entries;
}

// How one run starts: the arguments, where the standard streams go, and its limits.
struct Launch {
    std::vector<std::string> args;
    std::string input = "/dev/null";  // empty: standard input closed
    std::string output;               // empty: captured
    rlim_t fileSize = RLIM_INFINITY;
    rlim_t addressSpace = RLIM_INFINITY;
    std::string tmpfs;  // a folder that gets a 4 KiB tmpfs of its own
};

struct Ending {
    int status = -1;  // the exit status; -1 when a signal ended it or it was stopped
    int signal = 0;
    bool hung = false;
    std::string out, err;
    std::string leftInTmpfs;  // the names in the tmpfs folder when the run ended
};

void listFolder(const std::string &folder, const std::string &into) {
    std::string names;
    if (DIR *entries = ::opendir(folder.c_str())) {
        while (const dirent *entry = ::readdir(entries))
            if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
                names += std::string(entry->d_name) + ' ';
        ::closedir(entries);
    }
    writeBytes(into, names);
}

// Runs the program in a child process and waits at most five seconds for it.
Ending runProcess(const Launch &launch, const fs::path &scratch) {
    const std::string path = program(), out = (scratch / "out").string(), left = (scratch / "left").string();
    std::vector<char *> argv{const_cast<char *>(path.c_str())};
    for (const std::string &arg : launch.args) argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    fs::remove(left);
    // Standard error goes through a pipe, which no file-size limit cuts short.
    int errors[2];
    if (::pipe2(errors, O_CLOEXEC) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::setpgid(0, 0);
        const int in = launch.input.empty() ? -1 : ::open(launch.input.c_str(), O_RDONLY);
        const std::string &outPath = launch.output.empty() ? out : launch.output;
        // Read and write, so that a named pipe opens without waiting for a reader.
        const int o = ::open(outPath.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
        if (o < 0 || ::dup2(o, 1) < 0 || ::dup2(errors[1], 2) < 0) ::_exit(120);
        if (in >= 0 ? ::dup2(in, 0) < 0 : ::close(0) != 0) ::_exit(121);
        const rlimit size{launch.fileSize, launch.fileSize}, space{launch.addressSpace, launch.addressSpace};
        if ((launch.fileSize != RLIM_INFINITY && ::setrlimit(RLIMIT_FSIZE, &size) != 0) ||
            (launch.addressSpace != RLIM_INFINITY && ::setrlimit(RLIMIT_AS, &space) != 0))
            ::_exit(122);
        if (launch.tmpfs.empty()) {
            ::execv(path.c_str(), argv.data());
            ::_exit(123);
        }
        // The mount lives as long as this process: list what the run left before it goes.
        if (!mountPrivateTmpfs(launch.tmpfs, 4 * 1024)) ::_exit(124);
        const pid_t run = ::fork();
        if (run == 0) {
            ::execv(path.c_str(), argv.data());
            ::_exit(123);
        }
        int status = 0;
        ::waitpid(run, &status, 0);
        listFolder(launch.tmpfs, left);
        ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
    }
    ::close(errors[1]);
    Ending ending;
    int status = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ending.hung = true;
            ::kill(-child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    char buffer[4096];
    for (ssize_t got; (got = ::read(errors[0], buffer, sizeof buffer)) > 0;)
        ending.err.append(buffer, static_cast<std::size_t>(got));
    ::close(errors[0]);
    if (!ending.hung && WIFEXITED(status)) ending.status = WEXITSTATUS(status);
    if (!ending.hung && WIFSIGNALED(status)) ending.signal = WTERMSIG(status);
    ending.out = bytesOf(out);
    ending.leftInTmpfs = bytesOf(left);
    return ending;
}

const std::string kKif =
    "手合割：平手\n手数----指手---------消費時間--\n   1 ７六歩(77)   ( 0:05/00:00:05)\n"
    "   2 ３四歩(33)   ( 0:03/00:00:03)\n   3 ２二角成(88) ( 0:10/00:00:15)\n";

// A game of `moves` plies, both rooks going back and forth, as one USI line.
std::string rookShuffle(int moves) {
    const char *steps[] = {" 2h3h", " 8b7b", " 3h2h", " 7b8b"};
    std::string line = "position startpos moves";
    line.reserve(line.size() + 5 * static_cast<std::size_t>(moves) + 1);
    for (int move = 0; move < moves; ++move) line += steps[move % 4];
    return line + '\n';
}

// The bytes a format's writer gives for a record, or empty when it fails.
std::string written(const std::string &record, RecordFormat format, bool shiftJis = false) {
    ZnBan game;
    RecordNotes notes;
    std::string bytes;
    if (readRecordBytes(game, notes, record).ok) writeRecordBytes(game, notes, format, bytes, shiftJis);
    return bytes;
}

class NagikifuProcess : public ::testing::Test {
public:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "nagikifu_process_XXXXXX";
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        fs::create_directory(root / "work");
        fs::create_directory(root / "scratch");
    }
    void TearDown() override { fs::remove_all(root); }
    std::string at(const std::string &name) const { return (root / "work" / name).string(); }

    fs::path root;
};

struct Row {
    const char *what;
    // Makes the files of the case in the work folder; false when the machine does not allow it.
    std::function<bool(const NagikifuProcess &, Launch &)> prepare;
    int status;
    const char *reason;  // a part of standard error; empty when it must stay empty
    // The entries the run may change, each with the bytes it must then hold.
    std::map<std::string, std::string> changed = {};
};

TEST_F(NagikifuProcess, RefusesWhatItCannotReadOrWriteSafelyAndLosesNothing) {
    const std::string csa = written(kKif, RecordFormat::Csa);
    const std::string big = rookShuffle(1'000'000);
    const auto kif = [](const NagikifuProcess &t) {
        writeBytes(t.at("in.kifu"), kKif);
        writeBytes(t.at("old.csa"), "an older record\n");
        return true;
    };
    const Row rows[] = {
        {"a named pipe as input",
         [&](auto &t, Launch &run) {
             run.args = {"convert", t.at("pipe.kif"), t.at("o.csa")};
             return ::mkfifo(t.at("pipe.kif").c_str(), 0600) == 0;
         },
         1, "名前付きパイプ"},
        {"a device as input, under a memory limit",
         [&](auto &t, Launch &run) {
             run.args = {"convert", "/dev/zero", t.at("o.csa")};
             run.addressSpace = 1'500'000'000;
             return kif(t);
         },
         1, "デバイス"},
        {"a link to a device as output",
         [&](auto &t, Launch &run) {
             run.args = {"convert", t.at("in.kifu"), t.at("link.csa")};
             return kif(t) && makeNullDevice(t.at("null")) &&
                    ::symlink(t.at("null").c_str(), t.at("link.csa").c_str()) == 0;
         },
         1, "デバイス"},
        {"a device as output",
         [&](auto &t, Launch &run) {
             run.args = {"convert", "--to", "csa", t.at("in.kifu"), t.at("null")};
             return kif(t) && makeNullDevice(t.at("null"));
         },
         1, "デバイス"},
        {"a link to standard output, a named pipe",
         [&](auto &t, Launch &run) {
             run.args = {"convert", t.at("in.kifu"), t.at("link.csa")};
             run.output = t.at("pipe");
             return kif(t) && ::mkfifo(t.at("pipe").c_str(), 0600) == 0 &&
                    ::symlink("/proc/self/fd/1", t.at("link.csa").c_str()) == 0;
         },
         1, "名前付きパイプ"},
        {"a link to a regular file is written through",
         [&](auto &t, Launch &run) {
             run.args = {"convert", t.at("in.kifu"), t.at("link.csa")};
             return kif(t) && ::symlink("old.csa", t.at("link.csa").c_str()) == 0;
         },
         0,
         "",
         {{"old.csa", fileEntry(csa)}}},
        {"the input as output",
         [&](auto &t, Launch &run) {
             run.args = {"convert", "--to", "csa", t.at("in.kifu"), t.at("in.kifu")};
             return kif(t);
         },
         1, "入力と同じファイルです"},
        {"a link to the input as output",
         [&](auto &t, Launch &run) {
             run.args = {"convert", "--to", "csa", t.at("in.kifu"), t.at("link.kifu")};
             return kif(t) && ::symlink(t.at("in.kifu").c_str(), t.at("link.kifu").c_str()) == 0;
         },
         1, "入力と同じファイルです"},
        {"a file-size limit",
         [&](auto &t, Launch &run) {
             run.args = {"convert", t.at("in.kifu"), t.at("old.csa")};
             run.fileSize = 40;
             return kif(t);
         },
         1, "ファイルが大きすぎます"},
        {"a full disk",
         [&](auto &t, Launch &run) {
             fs::create_directory(t.at("full"));
             writeBytes(t.at("long.usi"), rookShuffle(2000));
             run.args = {"convert", t.at("long.usi"), t.at("full/long.kif")};
             run.tmpfs = t.at("full");
             return canMountPrivately();
         },
         1, "ディスクの空き容量が足りません"},
        {"a KIF record of a million moves, as the writer writes it, reads back",
         [&](auto &t, Launch &run) {
             writeBytes(t.at("big.kif"), written(big, RecordFormat::Kif, true));
             run.args = {"convert", t.at("big.kif"), t.at("back.usi")};
             return true;
         },
         0,
         "",
         {{"back.usi", fileEntry(big)}}},
        {"help to a full standard output",
         [&](auto &, Launch &run) {
             run.args = {"--help"};
             run.output = "/dev/full";
             return true;
         },
         1, "標準出力に書き込めません (ディスクの空き容量が足りません)"},
        {"show to a full standard output",
         [&](auto &t, Launch &run) {
             run.args = {"show", t.at("in.kifu")};
             run.output = "/dev/full";
             return kif(t);
         },
         1, "標準出力に書き込めません"},
        {"convert to a full standard output",
         [&](auto &t, Launch &run) {
             run.args = {"convert", "--to", "csa", t.at("in.kifu"), "-"};
             run.output = "/dev/full";
             return kif(t);
         },
         1, "標準出力に書き込めません"},
        {"standard input closed",
         [&](auto &t, Launch &run) {
             run.args = {"convert", "--from", "kif", "-", t.at("o.csa")};
             run.input.clear();
             return kif(t);
         },
         1, "標準入力を読めません (閉じられています)"},
        {"standard input a folder",
         [&](auto &t, Launch &run) {
             run.args = {"convert", "--from", "kif", "-", t.at("o.csa")};
             run.input = t.at("");
             return kif(t);
         },
         1, "標準入力を読めません (フォルダです)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(root / "work");
        fs::create_directory(root / "work");
        Launch launch;
        if (!row.prepare(*this, launch)) {
            std::cout << "[  SKIPPED ] " << row.what << ": not possible here\n";
            continue;
        }
        std::map<std::string, std::string> expected = snapshot(root / "work");
        for (const auto &[name, bytes] : row.changed) expected[name] = bytes;
        const Ending ending = runProcess(launch, root / "scratch");
        EXPECT_FALSE(ending.hung);
        EXPECT_EQ(ending.signal, 0);
        EXPECT_EQ(ending.status, row.status) << ending.err;
        if (*row.reason == '\0') {
            EXPECT_EQ(ending.err, "");
        } else {
            EXPECT_TRUE(ending.err.starts_with("nagikifu: ")) << ending.err;
            EXPECT_NE(ending.err.find(row.reason), std::string::npos) << ending.err;
        }
        // Nothing new (no output, no temporary file) and every old entry as it was.
        EXPECT_EQ(snapshot(root / "work"), expected);
        EXPECT_EQ(ending.leftInTmpfs, "");
    }
}

}  // namespace
