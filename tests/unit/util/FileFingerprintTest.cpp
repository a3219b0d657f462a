#include "util/FileFingerprint.h"

#include "util/FileNames.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray patterned(qint64 size)
{
    QByteArray bytes(static_cast<qsizetype>(size), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    return bytes;
}

// By the name's bytes: Qt's file classes would not keep those that are not UTF-8.
bool writeBytes(const QByteArray &path, const QByteArray &bytes)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())) == bytes.size();
    return ::close(fd) == 0 && written;
}

} // namespace

TEST(FileFingerprint, SizeAndBothEndsMakeThePrintAndTheMiddleIsNotRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray path = QFile::encodeName(dir.filePath("f.bin"));
    const qint64 span = FingerprintSpan;
    const struct {
        qint64 size;
        qint64 changed; ///< the byte flipped for the second print; -1: none
        bool differs;
    } cases[] = {
        {1, 0, true},
        {span, span - 1, true},
        {span + 10, span + 5, true},    // the rest after the head counts
        {3 * span, 0, true},            // in the head
        {3 * span, 3 * span - 1, true}, // in the tail
        {3 * span, span + 17, false},   // in the middle: never read
        {3 * span, -1, false},          // same bytes
    };
    for (const auto &c : cases) {
        QByteArray bytes = patterned(c.size);
        ASSERT_TRUE(writeBytes(path, bytes));
        const auto first = fileFingerprint(decodeFileName(path));
        ASSERT_TRUE(first) << c.size;
        EXPECT_EQ(first->size, c.size);
        if (c.changed >= 0)
            bytes[static_cast<qsizetype>(c.changed)] =
                static_cast<char>(~bytes[static_cast<qsizetype>(c.changed)]);
        ASSERT_TRUE(writeBytes(path, bytes));
        const auto second = fileFingerprint(decodeFileName(path));
        ASSERT_TRUE(second);
        EXPECT_EQ(*first != *second, c.differs) << c.size << " " << c.changed;
        EXPECT_TRUE(second->toText().startsWith(QString::number(c.size) + ","))
            << second->toText().toStdString();
        EXPECT_EQ(second->toText().size(), QString::number(c.size).size() + 1 + 40);
    }
    // A small file is hashed once through, so its print is its SHA-1.
    ASSERT_TRUE(writeBytes(path, "abc"));
    EXPECT_EQ(fileFingerprint(decodeFileName(path))->toText(),
              "3," + QCryptographicHash::hash("abc", QCryptographicHash::Sha1).toHex());
    // Every empty file would be the same; a folder is no file (pipes and
    // names that are not UTF-8 are met by the resume records' tests).
    ASSERT_TRUE(writeBytes(path, QByteArray()));
    EXPECT_FALSE(fileFingerprint(decodeFileName(path)));
    EXPECT_FALSE(fileFingerprint(dir.path()));
}
