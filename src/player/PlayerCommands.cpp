#include "player/PlayerCommands.h"

#include "platform/forms/KeyCodes.h"
#include "platform/mediaplayer/IMediaPlayerControl.h"
#include "util/Numbers.h"

const std::array<TransportButton, TransportCount> TransportButtons{{
    {"FastBackward"},
    {"Play"},
    {"StepBack"},
    {"Pause"},
    {"StepForward"},
    {"Stop"},
    {"BackPlay"},
    {"FastForward"},
}};

double skipAmount(const QString &caption)
{
    return Val(caption);
}

std::optional<QChar> skipLetter(const QString &caption)
{
    const qsizetype open = caption.indexOf(QLatin1Char('('));
    if (open < 0 || open + 1 >= caption.size())
        return std::nullopt;
    return caption.at(open + 1);
}

std::optional<double> nextScanSpeed(const std::function<double()> &readRate)
{
    for (const double from : {16.0, 8.0, 4.0, 2.0, 1.0}) {
        if (readRate() == from)
            return from * 2;
    }
    return std::nullopt;
}

bool pauseTogglePauses(bool onMci, int state)
{
    if (onMci)
        return state != MediaPlayState::Stopped && state != MediaPlayState::Paused;
    return state != MediaPlayState::Paused;
}

KeyDownAction keyDownAction(int keyCode, int shift)
{
    struct Row {
        int key;
        PlayerCommand command;
        bool consumed;
    };
    // In the order the keys are tested; Q needs the Ctrl bit as well.
    static constexpr Row Rows[] = {
        {VK::Up, PlayerCommand::VolumeUp, true},
        {VK::Down, PlayerCommand::VolumeDown, true},
        {VK::Q, PlayerCommand::Exit, true},
        {VK::F1 + 1, PlayerCommand::ViewSize160, false},
        {VK::F1 + 2, PlayerCommand::ViewSize320, false},
        {VK::F1 + 3, PlayerCommand::ViewSize640, false},
        {VK::F1 + 4, PlayerCommand::ViewSize800, false},
        {VK::F1 + 5, PlayerCommand::ViewSize960, false},
        {VK::Home, PlayerCommand::FullScreen, false},
        {VK::Delete, PlayerCommand::Minimum, false},
    };
    for (const Row &row : Rows) {
        if (row.key != keyCode)
            continue;
        if (row.key == VK::Q && !(shift & ShiftState::Ctrl))
            continue;
        return {{row.command, 0}, row.consumed};
    }
    return {};
}

Command keyPressAction(int keyAscii, const std::array<QString, SkipCount> &skipCaptions)
{
    const QChar typed = QChar(static_cast<char16_t>(keyAscii)).toUpper();
    for (int i = 0; i < SkipCount; ++i) {
        const std::optional<QChar> letter = skipLetter(skipCaptions[static_cast<std::size_t>(i)]);
        if (letter && letter->toUpper() == typed)
            return {PlayerCommand::Skip, i};
    }
    // The home row, left to right, runs the transport row left to right.
    static constexpr struct {
        char letter;
        int index;
    } Letters[] = {{'A', 0}, {'S', 6}, {'D', 5}, {'F', 1}, {'G', 7}, {'H', 2}, {'J', 3}, {'K', 4}};
    for (const auto &entry : Letters) {
        if (typed == QLatin1Char(entry.letter))
            return {PlayerCommand::Transport, entry.index};
    }
    return {};
}

std::int32_t steppedVolume(std::int32_t current, bool up)
{
    return CLng(current + (up ? VolumeStep : -VolumeStep));
}
