// The key map, the transport rules and the menu table, without a window.
#include "platform/forms/KeyCodes.h"
#include "platform/mediaplayer/IMediaPlayerControl.h"
#include "player/ExecMenu.h"
#include "player/PlayerCommands.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

using C = PlayerCommand;

const std::array<QString, SkipCount> DefaultCaptions{"-30(Z)", "-10(X)", "-3(C)",
                                                     "+10(V)", "+30(B)", "+90(N)"};

} // namespace

TEST(KeyMap, KeyDownTable)
{
    const int ctrl = ShiftState::Ctrl;
    const struct {
        int key;
        int shift;
        Command command;
        bool consumed;
    } cases[] = {
        {VK::Up, 0, {C::VolumeUp}, true},
        {VK::Down, ShiftState::Shift, {C::VolumeDown}, true},
        {VK::Q, ctrl, {C::Exit}, true},
        {VK::Q, ctrl | ShiftState::Shift | ShiftState::Alt, {C::Exit}, true},
        {VK::Q, 0, {}, false},
        {VK::Q, ShiftState::Shift, {}, false},
        {VK::F1, 0, {}, false},
        {VK::F1 + 1, 0, {C::ViewSize160}, false},
        {VK::F1 + 2, 0, {C::ViewSize320}, false},
        {VK::F1 + 3, ctrl, {C::ViewSize640}, false},
        {VK::F1 + 4, 0, {C::ViewSize800}, false},
        {VK::F1 + 5, 0, {C::ViewSize960}, false},
        {VK::F1 + 6, 0, {}, false},
        {VK::Home, 0, {C::FullScreen}, false},
        {VK::Delete, 0, {C::Minimum}, false},
        {VK::Left, 0, {}, false},
        {VK::A, 0, {}, false},
    };
    for (const auto &c : cases) {
        const KeyDownAction action = keyDownAction(c.key, c.shift);
        EXPECT_EQ(action.command, c.command) << "key " << c.key << " shift " << c.shift;
        EXPECT_EQ(action.consumed, c.consumed) << "key " << c.key << " shift " << c.shift;
    }
}

TEST(KeyMap, KeyPressTable)
{
    std::array<QString, SkipCount> fOnButton1 = DefaultCaptions;
    fOnButton1[1] = "-10(F)";
    std::array<QString, SkipCount> odd = DefaultCaptions;
    odd[0] = "-30";    // no "(": no letter
    odd[2] = "-3()";   // ")" is the letter
    odd[3] = "+10(";   // "(" at the end: no letter
    odd[4] = "+30(z)"; // lower case matches too; button 4 only now
    std::array<QString, SkipCount> twice = DefaultCaptions;
    twice[5] = "+90(X)"; // the lower index wins

    const struct {
        int key;
        const std::array<QString, SkipCount> *captions;
        Command command;
    } cases[] = {
        {'f', &DefaultCaptions, Command::of(Transport::Play)},
        {'F', &DefaultCaptions, Command::of(Transport::Play)},
        {'a', &DefaultCaptions, Command::of(Transport::FastBackward)},
        {'s', &DefaultCaptions, Command::of(Transport::BackPlay)},
        {'d', &DefaultCaptions, Command::of(Transport::Stop)},
        {'g', &DefaultCaptions, Command::of(Transport::FastForward)},
        {'h', &DefaultCaptions, Command::of(Transport::StepBack)},
        {'j', &DefaultCaptions, Command::of(Transport::Pause)},
        {'K', &DefaultCaptions, Command::of(Transport::StepForward)},
        {'z', &DefaultCaptions, {C::Skip, 0}},
        {'N', &DefaultCaptions, {C::Skip, 5}},
        {'q', &DefaultCaptions, {}},
        {17, &DefaultCaptions, {}},
        {' ', &DefaultCaptions, {}},
        {'f', &fOnButton1, {C::Skip, 1}},
        {')', &odd, {C::Skip, 2}},
        {'Z', &odd, {C::Skip, 4}},
        {'(', &odd, {}},
        {'x', &twice, {C::Skip, 1}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(keyPressAction(c.key, *c.captions), c.command) << "key " << c.key;
}

TEST(TransportRules, SpeedLadderReadsTheRateAfreshFromSixteenDown)
{
    const struct {
        double rate;
        std::optional<double> next;
        int reads;
    } cases[] = {
        {1, 2, 5},
        {2, 4, 4},
        {4, 8, 3},
        {8, 16, 2},
        {16, 32, 1},
        {32, std::nullopt, 5},
        {1.5, std::nullopt, 5},
        {0, std::nullopt, 5},
    };
    for (const auto &c : cases) {
        int reads = 0;
        EXPECT_EQ(nextScanSpeed([&] {
                      ++reads;
                      return c.rate;
                  }),
                  c.next)
            << c.rate;
        EXPECT_EQ(reads, c.reads) << c.rate;
    }
    // A rate that changes between two reads is compared as it reads then.
    double changing = 7;
    EXPECT_EQ(nextScanSpeed([&] { return changing++; }), 16); // 7 is not 16, then 8 is 8
}

TEST(TransportRules, SkipAmountAndLetterComeFromTheCaption)
{
    const struct {
        const char *caption;
        double amount;
        QChar letter;
    } cases[] = {
        {"-30(Z)", -30, 'Z'}, {"+120(N)", 120, 'N'}, {"+20", 20, QChar()}, {"abc", 0, QChar()},
        {"0(V)", 0, 'V'},     {" 1.5(a)", 1.5, 'a'}, {"(Q)", 0, 'Q'},      {"5()", 5, ')'},
    };
    for (const auto &c : cases) {
        EXPECT_DOUBLE_EQ(skipAmount(c.caption), c.amount) << c.caption;
        EXPECT_EQ(skipLetter(c.caption).value_or(QChar()), c.letter) << c.caption;
    }
    EXPECT_DOUBLE_EQ(10 + FrameStepSeconds, 10.033366700033367);
}

TEST(TransportRules, PauseToggleDependsOnTheEngine)
{
    using S = std::array<bool, 4>; // stopped, paused, playing, closed
    const auto pauses = [](bool mci) {
        return S{
            pauseTogglePauses(mci, MediaPlayState::Stopped), pauseTogglePauses(mci, MediaPlayState::Paused),
            pauseTogglePauses(mci, MediaPlayState::Playing), pauseTogglePauses(mci, MediaPlayState::Closed)};
    };
    EXPECT_EQ(pauses(true), (S{false, false, true, true}));
    EXPECT_EQ(pauses(false), (S{true, false, true, true}));
}

TEST(TransportRules, VolumeStepRoundsAndPassesTheEnds)
{
    EXPECT_EQ(steppedVolume(0, true), 2731);
    EXPECT_EQ(steppedVolume(0, false), -2731);
    EXPECT_EQ(steppedVolume(65535, true), 68266);
    EXPECT_EQ(steppedVolume(32768, false), 30037); // 30037.33
}

TEST(ExecMenuTable, SkipEntriesRunTheButtonsOfTheSameIndexInOrder)
{
    int skips = 0;
    for (const MenuEntry &e : ExecMenuEntries) {
        if (e.command.what == C::Skip) {
            EXPECT_EQ(e.command.index, skips++);
        }
    }
    EXPECT_EQ(skips, SkipCount);
}

namespace {

// The enum and the buttons' names are two spellings of one table: a value
// that named another button would run the wrong action without a sound.
TEST(TransportRules, EachActionIsTheButtonOfItsName)
{
    using T = Transport;
    const std::pair<Transport, const char *> actions[] = {
        {T::FastBackward, "FastBackward"}, {T::Play, "Play"},
        {T::StepBack, "StepBack"},         {T::Pause, "Pause"},
        {T::StepForward, "StepForward"},   {T::Stop, "Stop"},
        {T::BackPlay, "BackPlay"},         {T::FastForward, "FastForward"},
    };
    for (const auto &[action, name] : actions)
        EXPECT_STREQ(TransportButtons.at(static_cast<std::size_t>(transportIndex(action))).tag, name);
}

} // namespace

namespace {

MediaTrack track(MediaTrack::Kind kind, int id, const char *language, const char *title,
                 bool selected = false)
{
    MediaTrack t;
    t.kind = kind;
    t.id = id;
    t.language = QString::fromUtf8(language);
    t.title = QString::fromUtf8(title);
    t.selected = selected;
    return t;
}

/// The entries of a submenu as "label=id" with a "*" on the checked one.
QStringList entries(const std::vector<TrackMenuItem> &items)
{
    QStringList out;
    for (const TrackMenuItem &item : items)
        out << item.label + '=' + QString::number(item.command.index) + (item.checked ? "*" : "");
    return out;
}

} // namespace

TEST(ExecMenuTable, TheOriginalEntriesComeFirstAndTheTrackMenusLast)
{
    QStringList topLevel;
    for (const MenuEntry &e : ExecMenuEntries) {
        if (e.level == 1)
            topLevel << e.name;
    }
    EXPECT_EQ(topLevel,
              (QStringList{"mnuExec_ViewSize", "mnuExec_Skip", "mnuExec_ViewSize_Zero", "mnuExec_Front",
                           "mnuExec_89", "mnuExec_SkipModify", "mnuExec_90", "mnuExec_Version", "mnuExec_99",
                           "mnuExec_Exit", "mnuExec_98", "mnuExec_Audio", "mnuExec_Subtitle"}));
    EXPECT_EQ(ExecMenuEntries[27].command.what, C::Exit);
}

TEST(ExecMenuTable, TrackMenusShowTheChoicesAFileOffers)
{
    using K = MediaTrack::Kind;
    const struct {
        const char *what;
        MediaTracks tracks;
        bool showAudio;
        QStringList audio;
        bool showSubtitle;
        QStringList subtitle;
    } cases[] = {
        {"nothing open", {}, false, {}, false, {"なし=0*"}},
        {"one sound track, no subtitles",
         {track(K::Audio, 1, "jpn", "", true)},
         false,
         {"jpn=1*"},
         false,
         {"なし=0*"}},
        {"tagged tracks, default subtitles shown",
         {track(K::Audio, 1, "jpn", "日本語吹替", true), track(K::Audio, 2, "eng", "English"),
          track(K::Subtitle, 1, "jpn", "", true)},
         true,
         {"jpn — 日本語吹替=1*", "eng — English=2"},
         true,
         {"なし=0", "jpn=1*"}},
        {"nothing known, subtitles hidden",
         {track(K::Audio, 1, "", "", true), track(K::Audio, 2, " ", ""),
          track(K::Subtitle, 1, "", "a & b.srt")},
         true,
         {"トラック 1=1*", "トラック 2=2"},
         true,
         {"なし=0*", "a & b.srt=1"}},
        {"alike tracks told apart, a title the same as the language",
         {track(K::Audio, 1, "eng", "", false), track(K::Audio, 2, "eng", "eng", true),
          track(K::Subtitle, 3, "", "Signs")},
         true,
         {"eng (トラック 1)=1", "eng (トラック 2)=2*"},
         true,
         {"なし=0*", "Signs=3"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const TrackMenus menus = trackMenus(c.tracks);
        EXPECT_EQ(menus.showAudio, c.showAudio);
        EXPECT_EQ(entries(menus.audio), c.audio);
        EXPECT_EQ(menus.showSubtitle, c.showSubtitle);
        EXPECT_EQ(entries(menus.subtitle), c.subtitle);
        for (const TrackMenuItem &item : menus.audio)
            EXPECT_EQ(item.command.what, C::AudioTrack);
        for (const TrackMenuItem &item : menus.subtitle)
            EXPECT_EQ(item.command.what, C::SubtitleTrack);
    }
}
