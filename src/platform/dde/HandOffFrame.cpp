#include "platform/dde/HandOffFrame.h"

#include "util/FileNames.h"

#include <QStringDecoder>

namespace {

constexpr qsizetype HeaderSize = 4;

std::uint32_t readLength(const char *p)
{
    const auto byte = [p](int i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(p[i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

std::optional<QString> decodeUtf8(const QByteArray &bytes)
{
    // A leading byte order mark is part of the name, not a marker to drop.
    QStringDecoder decode(QStringDecoder::Utf8,
                          QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = decode(bytes);
    if (decode.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QByteArray encodeFrame(const QByteArray &payload)
{
    if (static_cast<std::uint64_t>(payload.size()) > MaxFramePayload)
        return QByteArray();
    const auto n = static_cast<std::uint32_t>(payload.size());
    QByteArray frame;
    frame.reserve(HeaderSize + payload.size());
    frame.append(static_cast<char>(n >> 24 & 0xff));
    frame.append(static_cast<char>(n >> 16 & 0xff));
    frame.append(static_cast<char>(n >> 8 & 0xff));
    frame.append(static_cast<char>(n & 0xff));
    frame.append(payload);
    return frame;
}

QByteArray encodeHandOff(const HandOff &handOff)
{
    if (handOff.command.contains(QChar(0)) || handOff.activationToken.contains(QChar(0)))
        return QByteArray();
    // The command carries a file name's own bytes, UTF-8 or not.
    return handOff.activationToken.toUtf8() + '\0' + encodeFileName(handOff.command);
}

std::optional<HandOff> decodeHandOff(const QByteArray &payload)
{
    const qsizetype nul = payload.indexOf('\0');
    if (nul < 0 || payload.indexOf('\0', nul + 1) >= 0)
        return std::nullopt;
    const std::optional<QString> token = decodeUtf8(payload.left(nul));
    if (!token)
        return std::nullopt;
    return HandOff{decodeFileName(payload.mid(nul + 1)), *token};
}

bool isValidUtf8(const QByteArray &payload)
{
    return decodeUtf8(payload).has_value();
}

void FrameReader::append(const char *data, qsizetype size)
{
    if (m_broken || size <= 0)
        return;
    // Drop what was taken already before the buffer grows again.
    if (m_offset > 0) {
        m_buffer.remove(0, m_offset);
        m_offset = 0;
    }
    m_buffer.append(data, size);
    if (m_buffer.size() >= HeaderSize && readLength(m_buffer.constData()) > MaxFramePayload) {
        m_broken = true;
        m_buffer.clear();
    }
}

std::optional<QByteArray> FrameReader::takeFrame()
{
    if (m_broken || pendingBytes() < HeaderSize)
        return std::nullopt;
    const std::uint32_t length = readLength(m_buffer.constData() + m_offset);
    if (length > MaxFramePayload) {
        m_broken = true;
        m_buffer.clear();
        m_offset = 0;
        return std::nullopt;
    }
    if (pendingBytes() < HeaderSize + static_cast<qsizetype>(length))
        return std::nullopt;
    QByteArray payload = m_buffer.mid(m_offset + HeaderSize, length);
    m_offset += HeaderSize + length;
    return payload;
}
