// System errors as a person reads them: in Japanese, the rarer ones named by their number.

#include "support/syserror.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "support/readfile.h"
#include "support/savefile.h"

namespace {

// What a person reads when the system refuses a file operation the program makes.
TEST(SystemErrorText, FailedFileOperationsSayWhyInJapanese) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("syserror-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string plain = (folder / "plain.txt").string();
    ASSERT_EQ(saveFileSafely(plain, "x").reason, "");
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    const int closed = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    ::close(closed);
    const struct {
        const char *what;
        std::string reason, says;
    } rows[] = {
        {"a missing file", readRegularFile((folder / "missing.kif").string()).reason, "ファイルがありません"},
        {"a missing folder to save in", saveFileSafely((folder / "none" / "game.kif").string(), "x").reason,
         "ありません"},
        {"a folder to read", readRegularFile(folder.string()).reason, "フォルダです"},
        {"a file taken for a folder", saveFileSafely(plain + "/game.kif", "x").reason,
         "途中のフォルダがフォルダではありません"},
        {"a full disk", full < 0 ? std::string("no /dev/full") : systemErrorText(writeWhole(full, "x")),
         "ディスクの空き容量が足りません"},
        {"a closed stream", systemErrorText(writeWhole(closed, "x")), "閉じられています"},
    };
    for (const auto &row : rows)
        EXPECT_NE(row.reason.find(row.says), std::string::npos) << row.what << ": " << row.reason;
    if (full >= 0) ::close(full);
    std::filesystem::remove_all(folder);
}

// No error is shown in the system's English: the rarer ones are named by their number.
TEST(SystemErrorText, EveryErrorIsToldInJapanese) {
    EXPECT_EQ(systemErrorText(ELOOP), "リンクが輪になっているか、たどるリンクが多すぎます");
    EXPECT_EQ(systemErrorText(EHWPOISON),
              "システムのエラー（EHWPOISON、番号 " + std::to_string(EHWPOISON) + "）");
    for (int error = 1; error < 140; ++error) {
        const std::string text = systemErrorText(error);
        EXPECT_GE(static_cast<unsigned char>(text.at(0)), 0xE3u) << error << " " << text;
    }
}

}  // namespace
