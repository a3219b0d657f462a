#include "player/PlayerCommands.h"

#include "platform/forms/KeyCodes.h"
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
    using T = Transport;
    static constexpr struct {
        char letter;
        Transport action;
    } Letters[] = {{'A', T::FastBackward}, {'S', T::BackPlay}, {'D', T::Stop},  {'F', T::Play},
                   {'G', T::FastForward},  {'H', T::StepBack}, {'J', T::Pause}, {'K', T::StepForward}};
    for (const auto &entry : Letters) {
        if (typed == QLatin1Char(entry.letter))
            return Command::of(entry.action);
    }
    return {};
}

std::int32_t steppedVolume(std::int32_t current, bool up)
{
    return CLng(current + (up ? VolumeStep : -VolumeStep));
}
