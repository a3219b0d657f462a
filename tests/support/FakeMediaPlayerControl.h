#pragma once

#include "platform/mediaplayer/IMediaPlayerControl.h"
#include "util/RuntimeError.h"

#include <QStringList>

/// A media player control for tests: records the calls made to it (positions
/// with nine significant digits) and keeps the properties it is given.
class FakeControl final : public IMediaPlayerControl {
public:
    QStringList calls;
    QString fileName;
    double position = 0, duration = 0, rate = 1;
    int playState = MediaPlayState::Closed;
    bool canScan = false, mute = false;
    bool throwOnRate = false;

    QString FileName() const override { return fileName; }
    void setFileName(const QString &name) override
    {
        calls << "FileName=" + name;
        fileName = name;
    }
    void Play() override { calls << "Play"; }
    void Pause() override { calls << "Pause"; }
    void Stop() override { calls << "Stop"; }
    void FastForward() override { calls << "FastForward"; }
    void FastReverse() override { calls << "FastReverse"; }
    bool CanScan() const override { return canScan; }
    double CurrentPosition() const override { return position; }
    void setCurrentPosition(double seconds) override
    {
        calls << "CurrentPosition=" + QString::number(seconds, 'g', 9);
        position = seconds;
    }
    double Duration() const override { return duration; }
    double Rate() const override { return rate; }
    void setRate(double value) override
    {
        if (throwOnRate)
            throw RuntimeError(ErrNo::InvalidProcedureCall);
        calls << "Rate=" + QString::number(value);
        rate = value;
    }
    int PlayState() const override { return playState; }
    bool Mute() const override { return mute; }
    void setMute(bool value) override
    {
        calls << QString("Mute=%1").arg(value);
        mute = value;
    }
};
