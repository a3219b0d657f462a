#include "mpris/MprisRules.h"
#include "platform/mediaplayer/IMediaPlayerControl.h"

#include <QDBusObjectPath>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include <unistd.h>

namespace {

TEST(MprisRules, PlaybackStatusOfEveryPlayState)
{
    const struct {
        bool loaded;
        int state;
        const char *status;
    } cases[] = {
        {true, MediaPlayState::Playing, "Playing"},     {true, MediaPlayState::ScanForward, "Playing"},
        {true, MediaPlayState::ScanReverse, "Playing"}, {true, MediaPlayState::Waiting, "Playing"},
        {true, MediaPlayState::Paused, "Paused"},       {true, MediaPlayState::Stopped, "Stopped"},
        {true, MediaPlayState::Closed, "Stopped"},      {false, MediaPlayState::Playing, "Stopped"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(playbackStatusOf(c.loaded, c.state), c.status) << c.state << " loaded " << c.loaded;
}

TEST(MprisRules, MetadataNamesTheFileAndItsLength)
{
    const QVariantMap m =
        trackMetadata("/org/kovaplex/Kovaplex/track/3", "/media/名前 with \"q\".mp4", 90.25);
    EXPECT_EQ(m.value("mpris:trackid").value<QDBusObjectPath>().path(), "/org/kovaplex/Kovaplex/track/3");
    EXPECT_EQ(m.value("xesam:title").toString(), "名前 with \"q\".mp4");
    EXPECT_EQ(m.value("xesam:url").toString(), "file:///media/%E5%90%8D%E5%89%8D%20with%20%22q%22.mp4");
    EXPECT_EQ(m.value("mpris:length").toLongLong(), 90250000);
    // A length not known yet is left out; no file, no metadata.
    EXPECT_FALSE(trackMetadata("/t/1", "/a.wav", 0).contains("mpris:length"));
    EXPECT_TRUE(trackMetadata("/t/1", "", 10).isEmpty());
}

TEST(MprisRules, OnlyLocalFileAddressesOpen)
{
    const struct {
        const char *uri;
        const char *file; // nullptr: refused
    } cases[] = {
        {"file:///home/u/a%20b.mp4", "/home/u/a b.mp4"},
        {"file://localhost/v/%E5%90%8D.avi", "/v/名.avi"},
        {"file://server/share/a.mp4", nullptr},
        {"http://example.com/a.mp4", nullptr},
        {"a.mp4", nullptr},
        {"file:a.mp4", nullptr},
        {"", nullptr},
    };
    for (const auto &c : cases) {
        const std::optional<QString> file = localFileOfUri(QString::fromUtf8(c.uri));
        if (c.file)
            EXPECT_EQ(file.value_or("(refused)"), QString::fromUtf8(c.file)) << c.uri;
        else
            EXPECT_FALSE(file) << c.uri << " gave " << qPrintable(*file);
    }
}

TEST(MprisRules, OnlyAnExistingFileIsWorthOpening)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("clip.mp4");
    QFile(file).open(QIODevice::WriteOnly);
    // A name that is not UTF-8 (Shift-JIS bytes) names its file as well.
    const QByteArray shiftJisName = QFile::encodeName(dir.path()) + "/\x83\x65.mp4";
    std::fclose(std::fopen(shiftJisName.constData(), "w"));
    const struct {
        QString uri;
        bool openable;
    } cases[] = {
        {QUrl::fromLocalFile(file).toString(), true},
        {QUrl::fromLocalFile(dir.filePath("missing.mp4")).toString(), false},
        {QUrl::fromLocalFile(dir.path()).toString(), false},
        // "%00" cuts the name short for the file layer: never opened.
        {QUrl::fromLocalFile(file).toString() + "%00.txt", false},
        {"file://" + dir.path() + "/clip%00.mp4", false},
        {"file://" + dir.path() + "/%83%65.mp4", true},
        {"file://" + dir.path() + "/%83%66.mp4", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.uri.toStdString());
        const std::optional<QString> path = localFileOfUri(c.uri);
        ASSERT_TRUE(path);
        EXPECT_EQ(openableFileProblem(*path).isEmpty(), c.openable)
            << openableFileProblem(*path).toStdString();
    }
    // Qt's own removal of the folder cannot name this file: gone by its bytes.
    EXPECT_EQ(::unlink(shiftJisName.constData()), 0);
}

TEST(MprisRules, SeeksStayInTheFileAndPastTheEndStop)
{
    EXPECT_EQ(seekTarget(10, 5'000'000, 90), 15.0);
    EXPECT_EQ(seekTarget(10, -30'000'000, 90), 0.0);
    EXPECT_EQ(seekTarget(80, 10'000'000, 90), 90.0);
    EXPECT_FALSE(seekTarget(85, 10'000'000, 90));
    EXPECT_TRUE(isValidSetPosition(0, 90));
    EXPECT_TRUE(isValidSetPosition(90'000'000, 90));
    EXPECT_FALSE(isValidSetPosition(-1, 90));
    EXPECT_FALSE(isValidSetPosition(90'000'001, 90));
}

TEST(MprisRules, VolumeIsTheMixerLevelWithinZeroAndOne)
{
    EXPECT_EQ(volumeOfLevel(0), 0.0);
    EXPECT_EQ(volumeOfLevel(65535), 1.0);
    EXPECT_NEAR(volumeOfLevel(32768), 0.5, 1e-4);
    const struct {
        double volume;
        std::int32_t level;
    } cases[] = {{0, 0}, {0.5, 32768}, {1, 65535}, {1.5, 65535}, {-0.2, 0}, {std::nan(""), 0}};
    for (const auto &c : cases)
        EXPECT_EQ(levelOfVolume(c.volume), c.level) << c.volume;
}

} // namespace
