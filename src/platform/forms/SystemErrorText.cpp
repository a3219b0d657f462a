#include "platform/forms/SystemErrorText.h"

#include <cerrno>

QString systemErrorJapanese(int number)
{
    // The failures a settings or media file meets on a desktop.
    switch (number) {
    case ENOSPC: return QStringLiteral("ディスクに空き領域がありません。");
    case EDQUOT: return QStringLiteral("ディスクの使用量が上限に達しています。");
    case EACCES: return QStringLiteral("アクセスが拒否されました。");
    case EPERM: return QStringLiteral("この操作は許可されていません。");
    case EROFS: return QStringLiteral("読み取り専用のファイルシステムです。");
    case ENOENT: return QStringLiteral("ファイルまたはフォルダーが見つかりません。");
    case ENOTDIR: return QStringLiteral("パスの途中にフォルダーでないものがあります。");
    case EISDIR: return QStringLiteral("ファイルではなくフォルダーです。");
    case ENAMETOOLONG: return QStringLiteral("ファイル名が長すぎます。");
    case ELOOP: return QStringLiteral("シンボリックリンクが循環しています。");
    case EIO: return QStringLiteral("入出力エラーが発生しました。");
    case EFBIG: return QStringLiteral("ファイルが大きすぎます。");
    case EMFILE:
    case ENFILE: return QStringLiteral("開いているファイルが多すぎます。");
    case ENOMEM: return QStringLiteral("メモリが足りません。");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("ファイルが使用中です。");
    case EEXIST: return QStringLiteral("同じ名前のものがすでにあります。");
    case EXDEV: return QStringLiteral("別のファイルシステムへは移動できません。");
    case ESTALE: return QStringLiteral("ネットワーク上のファイルが無効になりました。");
    default: return {};
    }
}

QString systemErrorLine(int number, const QString &systemText)
{
    const QString sentence = systemErrorJapanese(number);
    // Without a system error number the text is the program's own reason,
    // already worded for the user.
    if (number <= 0)
        return systemText.isEmpty() ? QStringLiteral("システムエラーが発生しました。") : systemText;
    return (sentence.isEmpty() ? QStringLiteral("システムエラーが発生しました。") : sentence) +
           QStringLiteral("（エラー %1: %2）").arg(number).arg(systemText);
}
