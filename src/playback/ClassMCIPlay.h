#pragma once

#include <QString>
#include <QtGlobal>

#include <cstdint>
#include <functional>

/// The three MCI entry points ClassMCIPlay calls. Tests replace them to
/// record the exact command texts and to play back replies.
struct MciTransport {
    /// mciSendString(command, reply buffer, buffer size, callback window).
    std::function<int(const char *, char *, unsigned, void *)> send;
    /// mciGetErrorString(error, buffer, buffer size) → success.
    std::function<bool(int, char *, unsigned)> getErrorString;
    /// timeGetTime(): millisecond ticks; only wait() reads it.
    std::function<unsigned()> tickCount;

    /// The real MCI layer of platform/mci.
    static MciTransport system();
};

/// Drives one MCI device through command strings; every operation is one
/// fixed command text. Knows nothing of the user interface.
///
/// Failures are never raised: commands return the MCI error number (0 on
/// success), queries return "Error:" and the number, and ErrorString holds
/// the reply or the error description of the last command sent. The only
/// exceptions are the RuntimeErrors of mFF and wait.
///
/// GUI thread only.
class ClassMCIPlay final {
public:
    /// Wired to the real MCI layer.
    ClassMCIPlay();
    /// Wired to the given functions; any left empty come from the real layer.
    explicit ClassMCIPlay(MciTransport transport);
    Q_DISABLE_COPY_MOVE(ClassMCIPlay)

    /// Reply of the last command, or the error description of the last failed one.
    QString ErrorString;
    /// Empty when nothing is open, "Opened" after an open attempt, "Playing" after mPlay.
    QString Status;
    /// "only one": mOpen closes the device opened before. With any other value
    /// mOpen leaves earlier devices open.
    QString Mode;

    /// Alias of the device opened last; empty after mClose.
    QString CurrentAlias() const { return m_currentAlias; }
    /// File name given to the last mOpen, whether it opened or not.
    QString CurrentFile() const { return m_currentFile; }

    // Commands: each returns the MCI error number of its command, 0 on success.

    /// "close A". Empties Status and CurrentAlias whatever the result.
    int mClose(const QString &aType);
    /// "play A [from st] [to en]"; an empty st or en is left out. Sets Status
    /// to "Playing" whatever the result.
    int mPlay(const QString &aType, const QString &st = QString(), const QString &en = QString());
    int mStop(const QString &aType);
    int mPause(const QString &aType);
    int mResume(const QString &aType);
    /// "seek A to pos" (the device is stopped afterwards).
    int mSeek(std::int32_t pos, const QString &aType);
    int mSetTimeFormatMillisecond(const QString &aType);
    int mSetTimeFormat(const QString &fmt, const QString &aType);
    /// "play A speed Rate": Rate is a percentage, 100 normal; plays.
    int mSetPlaySpeed(const QString &aType, std::int32_t Rate);
    /// "window A handle H": shows the device's video in the surface H.
    int mDispTargethWnd(const QString &aType, std::int32_t hWndTgt);
    /// "put A destination at X Y W H" (pixels of the surface).
    int mDispTargetRect(const QString &aType, std::int32_t X, std::int32_t Y, std::int32_t W, std::int32_t H);
    int mOpenCDDoor(const QString &aType);
    int mCloseCDDoor(const QString &aType);

    // Queries: "status A <item>"; the reply text, or "Error:<number>".

    QString mGetMediaPresent(const QString &aType);
    QString mGetPlaySpeed(const QString &aType);
    QString mGetTimeFormat(const QString &aType);
    QString mGetLength(const QString &aType);
    QString mGetPosition(const QString &aType);
    QString mGetTracks(const QString &aType);
    QString mGetTrack(const QString &aType);
    QString mGetTrackPosition(const QString &aType, const QString &num);
    QString mGetStatus(const QString &aType);

    /// CurrentFile.
    QString GetFileName() const;

    /// Opens mFileName under alias aType ("open "file" alias A"). Returns -1
    /// when the device opened, 0 when not (an empty name sends nothing).
    /// After any non-empty attempt Status is "Opened" and CurrentAlias aType;
    /// a failed open sends "close A" so nothing stays half open.
    std::int32_t mOpen(const QString &mFileName, const QString &aType);

    /// Moves the position by SKIP milliseconds, keeping the time format.
    /// Returns the seek's result. Throws RuntimeError(TypeMismatch) when the
    /// position reply is not a number, RuntimeError(Overflow) when the new
    /// position leaves the 32-bit range.
    int mFF(const QString &aType, std::int32_t SKIP);

    /// Plays from the start of track pos; returns the play's result.
    int mTrack(std::int32_t pos, const QString &aType);

    /// Sends s; ErrString receives the reply, or the error description (or
    /// "Error (文字列が取れません)" when that cannot be read). Returns the MCI
    /// error number, 0 on success; an empty s returns -1 and sends nothing.
    int mSendString(const QString &s, QString &ErrString);

    /// Sends s through mSendString into ErrorString; returns the reply, or
    /// "Error:" and the error number when the command failed.
    QString mGetString(const QString &s);

    /// Processes user-interface events until more than `milliseconds` have
    /// passed. Throws RuntimeError(Overflow) when the signed 32-bit tick
    /// difference overflows.
    void wait(std::int32_t milliseconds);

private:
    int sendCommand(const QString &command);

    MciTransport m_transport;
    QString m_currentAlias;
    QString m_currentFile;
    char m_replyBuffer[512] = {};
    char m_errorTextBuffer[256] = {};
};
