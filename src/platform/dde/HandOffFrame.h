#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

/// The wire format between a second start and the running instance.
///
/// A frame is a 4-byte big-endian payload length followed by the payload.
/// Payloads longer than MaxFramePayload are refused: a peer that announces
/// one is broken or hostile, and nothing it sends is read further.
///
/// A hand-off is one frame whose payload is the activation token of the
/// second start (UTF-8 text), a NUL, then its command line: UTF-8, except
/// that a file name's bytes pass as they are (decodeFileName()). Neither
/// part can hold a NUL (both come from C strings). The answer is one frame whose payload
/// is the server item's text, UTF-8.

/// Largest payload accepted, in bytes.
constexpr std::uint32_t MaxFramePayload = 64 * 1024;

/// What a second start hands over.
struct HandOff {
    QString command;
    QString activationToken;
    bool operator==(const HandOff &other) const
    {
        return command == other.command && activationToken == other.activationToken;
    }
};

/// The frame for `payload`; empty when the payload is over the cap.
QByteArray encodeFrame(const QByteArray &payload);

/// The payload of a hand-off frame (not yet framed); empty when either text
/// holds a NUL, which the format cannot carry.
QByteArray encodeHandOff(const HandOff &handOff);

/// Reads a hand-off payload; nothing when it is not valid UTF-8 or has no NUL
/// or more than one.
std::optional<HandOff> decodeHandOff(const QByteArray &payload);

/// Whether `payload` is valid UTF-8 (an answer must be).
bool isValidUtf8(const QByteArray &payload);

/// Cuts a byte stream into frames, as bytes arrive in pieces of any size.
/// Once a length over the cap has been read the reader is broken for good:
/// it keeps no more bytes and gives no more frames.
class FrameReader final {
public:
    /// Appends received bytes.
    void append(const char *data, qsizetype size);
    void append(const QByteArray &bytes) { append(bytes.constData(), bytes.size()); }

    /// The next whole frame's payload, if one has arrived.
    std::optional<QByteArray> takeFrame();

    /// Whether the stream announced a frame over the cap.
    bool isBroken() const { return m_broken; }
    /// Bytes held that do not form a whole frame yet.
    qsizetype pendingBytes() const { return m_buffer.size() - m_offset; }

private:
    QByteArray m_buffer;
    qsizetype m_offset = 0;
    bool m_broken = false;
};
