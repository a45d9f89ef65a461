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
        case ELOOP: return "リンクが輪になっているか、たどるリンクが多すぎます";
        case EXDEV: return "別のディスクをまたいで移せません";
        case EIO: return "ディスクの読み書きに失敗しました";
        case EEXIST: return "同じ名前のものがすでにあります";
        case ENOTEMPTY: return "フォルダが空ではありません";
        case EBUSY: return "使用中です";
        case ETXTBSY: return "実行中のファイルです";
        case EMLINK: return "リンクが多すぎます";
        case ENXIO:
        case ENODEV: return "装置がありません";
        case EINVAL: return "この場所ではできない操作です";
        case ENOMEM: return "メモリが足りません";
        case EAGAIN: return "いまは使えません。しばらくしてからもう一度試してください";
        case EINTR: return "途中で割り込まれました";
        case EPIPE: return "読み手が閉じています";
        case ESPIPE: return "位置を移せないファイルです";
        case EOVERFLOW: return "値が大きすぎます";
        case EFAULT: return "不正なアドレスです";
        case ESTALE: return "ネットワーク上のファイルが古くなっています";
        case ENOTSUP: return "この場所では使えない操作です";
        case ETIMEDOUT: return "時間切れです";
        case ECONNREFUSED:
        case ECONNRESET:
        case ENETDOWN:
        case ENETUNREACH:
        case EHOSTUNREACH: return "ネットワークにつながりません";
        case ENOLCK: return "ファイルをロックできません";
        case ENOSYS: return "このシステムにない機能です";
        case ECHILD: return "子プロセスがありません";
        case ESRCH: return "プロセスがありません";
        case E2BIG: return "引数が長すぎます";
        case ENOEXEC: return "実行できる形式ではありません";
        case ECANCELED: return "取り消されました";
        default: break;
    }
    // Anything rarer is named by its number, with the system's own name for it.
    const char *name = strerrorname_np(error);
    return "システムのエラー（" + (name != nullptr ? std::string(name) + "、" : std::string()) + "番号 " +
           std::to_string(error) + "）";
}
