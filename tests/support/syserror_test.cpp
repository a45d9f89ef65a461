// System errors as a person reads them: the common ones in Japanese, the rest in the system's words.

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

TEST(SystemErrorText, RareErrorsKeepTheSystemsText) {
    for (int error : {EXDEV, EIO, ELOOP, 9999})
        EXPECT_EQ(systemErrorText(error), std::strerror(error)) << error;
}

}  // namespace
