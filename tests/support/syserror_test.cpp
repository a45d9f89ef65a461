// System errors as a person reads them: in Japanese, the rarer ones named by their number.

#include "support/syserror.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

TEST(SystemErrorText, CommonErrorsAreJapanese) {
    const struct {
        int error;
        const char *text;
    } rows[] = {
        {ENOSPC, "ディスクの空き容量が足りません"},
        {EACCES, "アクセスが許可されていません"},
        {EPERM, "アクセスが許可されていません"},
        {EROFS, "読み取り専用の場所です"},
        {ENOENT, "ファイルまたはフォルダがありません"},
        {EISDIR, "フォルダです"},
        {EFBIG, "ファイルが大きすぎます"},
        {EMFILE, "開いているファイルが多すぎます"},
        {ENFILE, "開いているファイルが多すぎます"},
        {EBADF, "閉じられています"},
    };
    for (const auto &row : rows) EXPECT_EQ(systemErrorText(row.error), row.text) << std::strerror(row.error);
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
