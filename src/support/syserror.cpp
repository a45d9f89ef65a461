#include "support/syserror.h"

#include <cerrno>
#include <cstring>

std::string systemErrorText(int error) {
    switch (error) {
        case ENOSPC: return "ディスクの空き容量が足りません";
        case EDQUOT: return "ディスクの使用量の上限に達しました";
        case EACCES:
        case EPERM: return "アクセスが許可されていません";
        case EROFS: return "読み取り専用の場所です";
        case ENOENT: return "ファイルまたはフォルダがありません";
        case ENOTDIR: return "途中のフォルダがフォルダではありません";
        case EISDIR: return "フォルダです";
        case EFBIG: return "ファイルが大きすぎます";
        case EMFILE:
        case ENFILE: return "開いているファイルが多すぎます";
        case ENAMETOOLONG: return "ファイル名が長すぎます";
        case EBADF: return "閉じられています";
        default: break;
    }
    // Anything rarer keeps the system's words, which at least name the error exactly.
    char buffer[256];
    const char *text = strerror_r(error, buffer, sizeof buffer);
    return text != nullptr ? std::string(text) : "エラー " + std::to_string(error);
}
