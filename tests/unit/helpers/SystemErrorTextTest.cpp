#include "platform/forms/SystemErrorText.h"

#include <gtest/gtest.h>

#include <cerrno>

TEST(SystemErrorLine, JapaneseFirstThenTheNumberAndTheSystemsText)
{
    const struct {
        int number;
        const char *system;
        const char *line;
    } cases[] = {
        {ENOSPC, "No space left on device", "ディスクに空き領域がありません。（エラー 28: No space left on device）"},
        {EACCES, "Permission denied", "アクセスが拒否されました。（エラー 13: Permission denied）"},
        {EROFS, "Read-only file system", "読み取り専用のファイルシステムです。（エラー 30: Read-only file system）"},
        {EMFILE, "Too many open files", "開いているファイルが多すぎます。（エラー 24: Too many open files）"},
        {ECHILD, "No child processes", "システムエラーが発生しました。（エラー 10: No child processes）"},
        {0, "Filename refers to a directory", "システムエラーが発生しました。（Filename refers to a directory）"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(systemErrorLine(c.number, QString::fromUtf8(c.system)), QString::fromUtf8(c.line)) << c.number;
}
