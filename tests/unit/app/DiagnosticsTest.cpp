#include "platform/forms/Diagnostics.h"

#include <QRegularExpression>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// Runs `body` with stderr going to a file and returns what it wrote.
QString captureStderr(const std::function<void()> &body)
{
    QTemporaryFile file;
    if (!file.open())
        return QString();
    std::fflush(stderr);
    const int saved = ::dup(2);
    ::dup2(file.handle(), 2);
    body();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    file.seek(0);
    return QString::fromUtf8(file.readAll());
}

TEST(Diagnostics, LinesCarryTheTimeAndValuesOnlyWhenTheyChange)
{
    // The switches are read at the first call; nothing in this program has
    // traced before this test.
    ::setenv("KOVAPLEX_TRACE", "1", 1);
    ::setenv("KOVAPLEX_TRACE_VALUES", "1", 1);
    const QString out = captureStderr([] {
        startupMilestone("first frame drawn");
        traceValue("time", QStringLiteral("00:00:01 00:01:30"));
        traceValue("time", QStringLiteral("00:00:01 00:01:30"));
        traceValue("other", QStringLiteral("00:00:01 00:01:30"));
        traceValue("time", QStringLiteral("00:00:02 00:01:30"));
        traceValue("name", QStringLiteral("名前"));
    });
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 5) << qPrintable(out);
    const QRegularExpression stamp(QStringLiteral("^\\[kovaplex \\+\\d+\\.\\dms\\] "));
    for (const QString &line : lines)
        EXPECT_TRUE(stamp.match(line).hasMatch()) << qPrintable(line);
    EXPECT_TRUE(lines[0].endsWith("] first frame drawn"));
    EXPECT_TRUE(lines[1].endsWith("] time: 00:00:01 00:01:30"));
    EXPECT_TRUE(lines[2].endsWith("] other: 00:00:01 00:01:30"));
    EXPECT_TRUE(lines[3].endsWith("] time: 00:00:02 00:01:30"));
    EXPECT_TRUE(lines[4].endsWith("] name: 名前"));
}

} // namespace
