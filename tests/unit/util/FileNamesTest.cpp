#include "util/FileNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <unistd.h>

namespace {

TEST(FileNames, EveryByteComesBackAndValidTextStaysText)
{
    const QByteArray cases[] = {
        "plain.mp4",
        "\xe5\x8b\x95\xe7\x94\xbb.mp4",       // UTF-8 Japanese
        "\x83\x65\x83\x58\x83\x67.mp4",       // Shift-JIS "テスト"
        "caf\xe9.avi",                        // Latin-1
        "\xc3\x28 \xe0\x80\xaf \xed\xa0\x80", // broken, overlong, a surrogate
        "\xf0\x9f\x98\x80 \xf4\x90\x80\x80",  // an emoji, then past U+10FFFF
        "cut\xe3\x81",                        // a sequence cut at the end
        "\xed\xb2\x83",                       // UTF-8 of U+DC83 itself
    };
    for (const QByteArray &bytes : cases) {
        const QString name = decodeFileName(bytes);
        EXPECT_EQ(encodeFileName(name), bytes) << bytes.toHex().constData();
        EXPECT_EQ(hasRawBytes(name), bytes != name.toUtf8()) << bytes.toHex().constData();
    }
    EXPECT_EQ(decodeFileName("\xe5\x8b\x95\xe7\x94\xbb"), QString::fromUtf8("動画"));
    EXPECT_EQ(readableFileName(decodeFileName("\x83\x65\x83\x58\x83\x67.mp4")),
              QString::fromUtf8("テスト.mp4"));
    EXPECT_EQ(readableFileName(decodeFileName("caf\xe9.avi")), QString::fromUtf8("café.avi"));
    EXPECT_EQ(readableFileName(QString::fromUtf8("動画.mp4")), QString::fromUtf8("動画.mp4"));
}

TEST(FileNames, AbsoluteNamesKeepDotDotForTheSystemToResolve)
{
    const struct {
        const char *name;
        const char *absolute;
    } cases[] = {
        {"a.mp4", "/w d/a.mp4"},
        {"link/../movie.avi", "/w d/link/../movie.avi"},
        {"./x//y/./a.mp4", "/w d/x/y/a.mp4"},
        {"/v/../a.mp4", "/v/../a.mp4"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(absoluteFileName(QString::fromUtf8(c.name), QStringLiteral("/w d")),
                  QString::fromUtf8(c.absolute))
            << c.name;
}

TEST(FileNames, StatusReadsTheRealFileThroughALinkAndRawBytes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray root = QFile::encodeName(dir.path());
    // real/sub/ is reached as link/, and link/../movie.avi is real/movie.avi.
    ASSERT_TRUE(QDir(dir.path()).mkpath("real/sub"));
    ASSERT_TRUE(QFile::link(dir.filePath("real/sub"), dir.filePath("link")));
    QFile real(dir.filePath("real/movie.avi"));
    ASSERT_TRUE(real.open(QIODevice::WriteOnly) && real.write("abc") == 3);
    real.close();
    const FileStatus through = fileStatus(absoluteFileName(QStringLiteral("link/../movie.avi"), dir.path()));
    EXPECT_TRUE(through.exists && through.regular);
    EXPECT_EQ(through.size, 3);

    const QString raw = decodeFileName(root + "/\x83\x65.mp4");
    FILE *file = std::fopen(encodeFileName(raw).constData(), "w");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    EXPECT_TRUE(fileStatus(raw).exists);
    // Qt's own removal of the folder cannot name this file: gone by its bytes.
    EXPECT_EQ(::unlink(encodeFileName(raw).constData()), 0);
    EXPECT_TRUE(fileStatus(decodeFileName(root + "/real")).exists);
    EXPECT_FALSE(fileStatus(decodeFileName(root + "/real")).regular);
    EXPECT_FALSE(fileStatus(decodeFileName(root + "/missing")).exists);
}

} // namespace
