#include "playback/ClassMCIPlay.h"

#include "platform/mci/Mci.h"
#include "platform/mci/MciNames.h"
#include "util/FileNames.h"
#include "util/Numbers.h"
#include "util/RuntimeError.h"

#include <QCoreApplication>
#include <QLocale>
#include <QThread>

#include <cstring>
#include <limits>

namespace {

const QString kOnlyOne = QStringLiteral("only one");
const QString kNoCommandText = QStringLiteral("コマンド文字列が指定されていません");
const QString kNoErrorText = QStringLiteral("Error (文字列が取れません)");

/// A reply buffer read up to its first NUL, and never past its end even when
/// the other side forgot the terminator.
QString bufferText(const char *buffer, std::size_t size)
{
    const void *nul = std::memchr(buffer, '\0', size);
    const std::size_t length = nul ? static_cast<std::size_t>(static_cast<const char *>(nul) - buffer) : size;
    return decodeFileName(QByteArray(buffer, static_cast<qsizetype>(length)));
}

/// CLng of a text: blanks around a decimal number are allowed, anything else
/// is a type mismatch ("Error:263" included).
std::int32_t textToLong(const QString &text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok)
        throw RuntimeError(ErrNo::TypeMismatch);
    return CLng(value);
}

QString number(std::int32_t value)
{
    return QString::number(value);
}

/// "verb device", how every command but open begins.
QString command(const char *verb, const QString &device)
{
    return QLatin1String(verb) + u' ' + device;
}

/// `text` and a keyword after it.
QString withKey(const QString &text, const char *keyword)
{
    return text + u' ' + QLatin1String(keyword);
}

/// `text`, a keyword and its value.
QString withKey(const QString &text, const char *keyword, const QString &value)
{
    return withKey(text, keyword) + u' ' + value;
}

/// The command that asks the device for one status item.
QString statusCommand(const QString &aType, const char *item)
{
    return withKey(command(MciVerb::Status, aType), item);
}

} // namespace

MciTransport MciTransport::system()
{
    MciTransport t;
    t.send = [](const char *command, char *reply, unsigned length, void *window) {
        return mciSendString(command, reply, length, window);
    };
    t.getErrorString = [](int error, char *buffer, unsigned length) {
        return mciGetErrorString(error, buffer, length);
    };
    t.tickCount = [] { return timeGetTime(); };
    return t;
}

ClassMCIPlay::ClassMCIPlay()
    : ClassMCIPlay(MciTransport::system())
{}

ClassMCIPlay::ClassMCIPlay(MciTransport transport)
    : Mode(kOnlyOne)
    , m_transport(std::move(transport))
{
    // Whatever a caller leaves out comes from the real layer.
    const MciTransport real = MciTransport::system();
    if (!m_transport.send)
        m_transport.send = real.send;
    if (!m_transport.getErrorString)
        m_transport.getErrorString = real.getErrorString;
    if (!m_transport.tickCount)
        m_transport.tickCount = real.tickCount;
}

int ClassMCIPlay::sendCommand(const QString &command)
{
    return mSendString(command, ErrorString);
}

int ClassMCIPlay::mSendString(const QString &s, QString &ErrString)
{
    if (s.isEmpty()) {
        ErrString = kNoCommandText;
        return -1;
    }
    // Cleared first so that a device that writes no reply never lets an
    // earlier, longer reply show through.
    m_replyBuffer[0] = '\0';
    // A file name keeps its bytes, UTF-8 or not.
    const QByteArray command = encodeFileName(s);
    const int error = m_transport.send(command.constData(), m_replyBuffer, sizeof m_replyBuffer, nullptr);
    if (error == 0) {
        ErrString = bufferText(m_replyBuffer, sizeof m_replyBuffer);
        return 0;
    }
    m_errorTextBuffer[0] = '\0';
    if (m_transport.getErrorString &&
        m_transport.getErrorString(error, m_errorTextBuffer, sizeof m_errorTextBuffer))
        ErrString = bufferText(m_errorTextBuffer, sizeof m_errorTextBuffer);
    else
        ErrString = kNoErrorText;
    return error;
}

QString ClassMCIPlay::mGetString(const QString &s)
{
    const int error = mSendString(s, ErrorString);
    if (error == 0)
        return ErrorString;
    return QStringLiteral("Error:") + QString::number(error);
}

int ClassMCIPlay::mClose(const QString &aType)
{
    const int result = sendCommand(command(MciVerb::Close, aType));
    Status.clear();
    m_currentAlias.clear();
    return result;
}

int ClassMCIPlay::mPlay(const QString &aType, const QString &st, const QString &en)
{
    QString text = command(MciVerb::Play, aType);
    if (!st.isEmpty())
        text = withKey(text, MciKey::From, st);
    if (!en.isEmpty())
        text = withKey(text, MciKey::To, en);
    const int result = sendCommand(text);
    Status = QStringLiteral("Playing");
    return result;
}

int ClassMCIPlay::mStop(const QString &aType)
{
    return sendCommand(command(MciVerb::Stop, aType));
}

int ClassMCIPlay::mPause(const QString &aType)
{
    return sendCommand(command(MciVerb::Pause, aType));
}

int ClassMCIPlay::mResume(const QString &aType)
{
    return sendCommand(command(MciVerb::Resume, aType));
}

int ClassMCIPlay::mSeek(std::int32_t pos, const QString &aType)
{
    return sendCommand(withKey(command(MciVerb::Seek, aType), MciKey::To, number(pos)));
}

int ClassMCIPlay::mSetTimeFormatMillisecond(const QString &aType)
{
    return mSetTimeFormat(QLatin1String(MciValue::Milliseconds), aType);
}

int ClassMCIPlay::mSetTimeFormat(const QString &fmt, const QString &aType)
{
    return sendCommand(withKey(command(MciVerb::Set, aType), MciKey::TimeFormat, fmt));
}

int ClassMCIPlay::mSetPlaySpeed(const QString &aType, std::int32_t Rate)
{
    return sendCommand(withKey(command(MciVerb::Play, aType), MciKey::Speed, number(Rate)));
}

int ClassMCIPlay::mDispTargethWnd(const QString &aType, std::int32_t hWndTgt)
{
    return sendCommand(withKey(command(MciVerb::Window, aType), MciKey::Handle, number(hWndTgt)));
}

int ClassMCIPlay::mDispTargetRect(const QString &aType, std::int32_t X, std::int32_t Y, std::int32_t W,
                                  std::int32_t H)
{
    const QString rect = number(X) + u' ' + number(Y) + u' ' + number(W) + u' ' + number(H);
    return sendCommand(withKey(withKey(command(MciVerb::Put, aType), MciKey::Destination), MciKey::At, rect));
}

int ClassMCIPlay::mOpenCDDoor(const QString &aType)
{
    return sendCommand(withKey(command(MciVerb::Set, aType), MciKey::DoorOpen));
}

int ClassMCIPlay::mCloseCDDoor(const QString &aType)
{
    return sendCommand(withKey(command(MciVerb::Set, aType), MciKey::DoorClosed));
}

QString ClassMCIPlay::mGetMediaPresent(const QString &aType)
{
    return mGetString(statusCommand(aType, MciKey::MediaPresent));
}

QString ClassMCIPlay::mGetPlaySpeed(const QString &aType)
{
    return mGetString(statusCommand(aType, MciKey::PlaySpeed));
}

QString ClassMCIPlay::mGetTimeFormat(const QString &aType)
{
    return mGetString(statusCommand(aType, MciKey::TimeFormat));
}

QString ClassMCIPlay::mGetLength(const QString &aType)
{
    return mGetString(statusCommand(aType, MciKey::Length));
}

QString ClassMCIPlay::mGetPosition(const QString &aType)
{
    return mGetString(statusCommand(aType, MciKey::Position));
}

QString ClassMCIPlay::mGetTracks(const QString &aType)
{
    return mGetString(statusCommand(aType, MciKey::NumberOfTracks));
}

QString ClassMCIPlay::mGetTrack(const QString &aType)
{
    return mGetString(statusCommand(aType, MciKey::CurrentTrack));
}

QString ClassMCIPlay::mGetTrackPosition(const QString &aType, const QString &num)
{
    return mGetString(statusCommand(aType, MciKey::PositionTrack) + u' ' + num);
}

QString ClassMCIPlay::mGetStatus(const QString &aType)
{
    return mGetString(statusCommand(aType, MciKey::Mode));
}

QString ClassMCIPlay::GetFileName() const
{
    return m_currentFile;
}

std::int32_t ClassMCIPlay::mOpen(const QString &mFileName, const QString &aType)
{
    m_currentFile = mFileName;
    if (mFileName.isEmpty()) {
        Status.clear();
        m_currentAlias.clear();
        return 0;
    }
    if (Mode == kOnlyOne && !Status.isEmpty())
        mClose(m_currentAlias);

    std::int32_t result = -1;
    if (sendCommand(withKey(QLatin1String(MciVerb::Open) + QStringLiteral(" \"") + mFileName + u'"',
                            MciKey::Alias, aType)) != 0) {
        mClose(aType);
        result = 0;
    }
    Status = QStringLiteral("Opened");
    m_currentAlias = aType;
    return result;
}

int ClassMCIPlay::mFF(const QString &aType, std::int32_t SKIP)
{
    const QString format = mGetTimeFormat(aType);
    mSetTimeFormat(QLatin1String(MciValue::Milliseconds), aType);
    const std::int64_t target = std::int64_t{textToLong(mGetPosition(aType))} + SKIP;
    if (target > std::numeric_limits<std::int32_t>::max() ||
        target < std::numeric_limits<std::int32_t>::min())
        throw RuntimeError(ErrNo::Overflow);
    const int result = mSeek(static_cast<std::int32_t>(target), aType);
    mSetTimeFormat(format, aType);
    return result;
}

int ClassMCIPlay::mTrack(std::int32_t pos, const QString &aType)
{
    const QString start = mGetTrackPosition(aType, QString::number(pos));
    return mPlay(aType, start, QString());
}

void ClassMCIPlay::wait(std::int32_t milliseconds)
{
    const auto start = static_cast<std::int32_t>(m_transport.tickCount());
    for (;;) {
        QCoreApplication::processEvents();
        const auto now = static_cast<std::int32_t>(m_transport.tickCount());
        const std::int64_t elapsed = std::int64_t{now} - start;
        if (elapsed > std::numeric_limits<std::int32_t>::max() ||
            elapsed < std::numeric_limits<std::int32_t>::min())
            throw RuntimeError(ErrNo::Overflow);
        if (elapsed > milliseconds)
            return;
        // Yield the core between rounds; events are still handled every millisecond.
        QThread::msleep(1);
    }
}
