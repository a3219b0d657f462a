#include "platform/mci/MciParser.h"
#include "platform/mci/Mci.h"
#include "platform/mci/MciNames.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstring>

namespace {

int parseError(const QString &text)
{
    return parseMciCommand(text).error;
}

MciCommand parsed(const QString &text)
{
    const MciParseResult result = parseMciCommand(text);
    EXPECT_EQ(result.error, 0) << text.toStdString();
    return result.command;
}

TEST(MciParser, VerbsAndKeywordsIgnoreCaseAndExtraBlanks)
{
    const MciCommand play = parsed("  PLAY\t Dev   FROM  10 \t tO 20  ");
    EXPECT_EQ(play.verb, MciCommand::Verb::Play);
    EXPECT_EQ(play.device, QStringLiteral("Dev"));
    EXPECT_TRUE(play.hasFrom && play.hasTo);
    EXPECT_EQ(play.from, 10u);
    EXPECT_EQ(play.to, 20u);

    EXPECT_EQ(parsed("Set 0 TIME    Format MS").timeFormat, MciCommand::TimeFormat::Milliseconds);
    EXPECT_EQ(parsed("status 0 number  of\ttracks").item, MciCommand::StatusItem::NumberOfTracks);
    EXPECT_EQ(parsed("status 0 play speed").item, MciCommand::StatusItem::PlaySpeed);
    EXPECT_EQ(parsed("status 0 speed").item, MciCommand::StatusItem::Speed);
    const MciCommand track = parsed("status 0 position track 3");
    EXPECT_EQ(track.item, MciCommand::StatusItem::PositionTrack);
    EXPECT_EQ(track.track, 3u);
    EXPECT_EQ(parsed("seek 0 to 4294967295").to, 4294967295u);
}

TEST(MciParser, QuotedNamesAreVerbatim)
{
    EXPECT_EQ(parsed("play \"My Device\"").device, QStringLiteral("My Device"));
    const MciCommand open =
        parsed("open \"C:\\Movies\\日本 語.AVI\" alias \"Big One\" type AVIVideo shareable");
    EXPECT_EQ(open.device, QStringLiteral("C:\\Movies\\日本 語.AVI"));
    EXPECT_EQ(open.alias, QStringLiteral("Big One"));
    EXPECT_EQ(open.type, QStringLiteral("AVIVideo"));
    EXPECT_TRUE(open.shareable);
}

TEST(MciParser, OpenNameRunsToTheQuoteBeforeTheNextKeyword)
{
    EXPECT_EQ(parsed("open \"名前 with \"quote\".avi\" alias 0").device,
              QStringLiteral("名前 with \"quote\".avi"));
    EXPECT_EQ(parsed("open \"a\" b\"").device, QStringLiteral("a\" b"));
    EXPECT_EQ(parsed("open \"x\" type waveaudio").device, QStringLiteral("x"));
    // A keyword must stand as a whole word to end the name.
    EXPECT_EQ(parsed("open \"a\" aliasx\" alias 1").device, QStringLiteral("a\" aliasx"));
}

TEST(MciParser, ReportsWhatIsWrongWithBadInput)
{
    struct Case {
        const char *text;
        int error;
    } cases[] = {
        {"", MciErr::MissingCommandString},
        {" \t ", MciErr::MissingCommandString},
        {"jump 0", MciErr::UnrecognizedCommand},
        {"play", MciErr::MissingDeviceName},
        {"play \"\"", MciErr::MissingDeviceName},
        {"play 0 backwards", MciErr::UnrecognizedKeyword},
        {"status 0 volume", MciErr::UnrecognizedKeyword},
        {"play \"0 from 1", MciErr::NoClosingQuote},
        {"open \"a.avi alias 0", MciErr::NoClosingQuote},
        {"open \"a\"b.avi", MciErr::ExtraCharacters},
        {"play \"0\"x", MciErr::ExtraCharacters},
        {"play 0 from", MciErr::MissingParameter},
        {"seek 0", MciErr::MissingParameter},
        {"status 0", MciErr::MissingParameter},
        {"set 0", MciErr::MissingParameter},
        {"set 0 time format", MciErr::MissingParameter},
        {"open a.avi alias", MciErr::MissingParameter},
        {"put 0 at 1 2 3 4", MciErr::MissingParameter},
        {"status 0 position track", MciErr::MissingParameter},
        {"seek 0 to 5 to start", MciErr::FlagsNotCompatible},
        {"seek 0 to start to end", MciErr::FlagsNotCompatible},
        {"set 0 door open door closed", MciErr::FlagsNotCompatible},
        {"status 0 mode length", MciErr::FlagsNotCompatible},
        {"play 0 from 1 from 2", MciErr::DuplicateFlags},
        {"status 0 mode mode", MciErr::DuplicateFlags},
        {"open a.avi alias x alias y", MciErr::DuplicateFlags},
        {"close 0 notify notify", MciErr::DuplicateFlags},
        {"set 0 time format fortnights", MciErr::BadConstant},
        // Numbers are unsigned decimals of 32 bits.
        {"window 0 handle none", MciErr::BadInteger},
        {"seek 0 to 4294967296", MciErr::BadInteger},
        {"seek 0 to -5", MciErr::BadInteger},
        {"seek 0 to 1.5", MciErr::BadInteger},
        {"seek 0 to 0x10", MciErr::BadInteger},
        {"seek 0 to \"\"", MciErr::BadInteger},
        {"put 0 destination at 1 2 3 x", MciErr::BadInteger},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parseError(QString::fromUtf8(c.text)), c.error) << c.text;
}

TEST(MciParser, KnownButForeignTimeFormatsAreLeftToTheDevice)
{
    EXPECT_EQ(parsed("set 0 time format SMPTE").timeFormat, MciCommand::TimeFormat::Unsupported);
    EXPECT_EQ(parsed("set 0 time format frames").timeFormat, MciCommand::TimeFormat::Frames);
}

TEST(MciErrorText, GivesTheStandardTextsAndFailsOutsideTheRange)
{
    char buffer[256];
    ASSERT_TRUE(mciGetErrorString(MciErr::InvalidDeviceName, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "The specified device is not open or is not recognized by MCI.");

    std::strcpy(buffer, "stale");
    EXPECT_FALSE(mciGetErrorString(255, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    EXPECT_FALSE(mciGetErrorString(MciErr::CustomDriverBase, buffer, sizeof buffer));
    EXPECT_FALSE(mciGetErrorString(-1, buffer, sizeof buffer));
    EXPECT_FALSE(mciGetErrorString(MciErr::BadInteger, nullptr, 10));

    char tiny[8];
    ASSERT_TRUE(mciGetErrorString(MciErr::BadInteger, tiny, sizeof tiny));
    EXPECT_STREQ(tiny, "The spe");
}

/// The interpreter's answers that need no playable file.
class MciSendStringTest : public ::testing::Test {
protected:
    int send(const QString &command)
    {
        std::memset(reply, 'x', sizeof reply);
        return mciSendString(command.toUtf8().constData(), reply, sizeof reply, nullptr);
    }

    QString file(const QString &name, const QByteArray &content = {})
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    QTemporaryDir dir;
    char reply[64];
};

TEST_F(MciSendStringTest, RefusesWithoutLeavingAnythingOpen)
{
    EXPECT_EQ(send("open \"" + file("movie.mp4", "data") + "\" alias 0"), MciErr::ExtensionNotFound);
    EXPECT_EQ(send("open \"" + file("movie.mkv", "data") + "\" alias 0"), MciErr::ExtensionNotFound);
    EXPECT_EQ(send("open \"" + dir.filePath("missing.avi") + "\" alias 0"), MciErr::FileNotFound);
    EXPECT_EQ(send("open \"" + file("empty.wav") + "\" alias 0"), MciErr::InvalidFile);
    QDir(dir.path()).mkdir("folder.avi");
    EXPECT_EQ(send("open \"" + dir.filePath("folder.avi") + "\" alias 0"), MciErr::InvalidFile);
    EXPECT_EQ(send("open \"" + file("a.avi", "x") + "\" type nonsense alias 0"), MciErr::InvalidDeviceName);
    EXPECT_STREQ(reply, "");
    EXPECT_EQ(send("status 0 mode"), MciErr::InvalidDeviceName);
    EXPECT_EQ(send("close 0"), MciErr::InvalidDeviceName);
}

TEST_F(MciSendStringTest, AddressingRules)
{
    EXPECT_EQ(send("play all"), MciErr::CannotUseAll);
    EXPECT_EQ(send("close all"), 0);
    EXPECT_EQ(send("set nothing door open"), MciErr::InvalidDeviceName);
    EXPECT_EQ(mciSendString(nullptr, reply, sizeof reply, nullptr), MciErr::MissingCommandString);
    EXPECT_EQ(mciSendString("close all", nullptr, 0, nullptr), 0);
}

} // namespace
