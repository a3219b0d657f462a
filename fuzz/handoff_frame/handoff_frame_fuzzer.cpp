// Feeds arbitrary bytes, cut into arbitrary pieces, to the frame reader the
// running instance uses for every connection. Whatever arrives, the reader
// must never hand out a frame over the cap, every frame must be exactly the
// bytes that were announced, and a hand-off it decodes must encode back to
// the same payload.
#include "platform/dde/HandOffFrame.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    // The first byte chooses the piece size, as a socket may split anything.
    const std::size_t piece = 1 + data[0] % 64;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), static_cast<qsizetype>(size - 1));

    FrameReader reader;
    qsizetype consumed = 0;
    for (qsizetype at = 0; at < stream.size(); at += static_cast<qsizetype>(piece)) {
        reader.append(stream.mid(at, static_cast<qsizetype>(piece)));
        while (std::optional<QByteArray> frame = reader.takeFrame()) {
            if (static_cast<std::uint64_t>(frame->size()) > MaxFramePayload)
                std::abort();
            // The frame is the stream's next bytes, re-encoded identically.
            if (encodeFrame(*frame) != stream.mid(consumed, 4 + frame->size()))
                std::abort();
            consumed += 4 + frame->size();
            if (const std::optional<HandOff> handOff = decodeHandOff(*frame)) {
                if (encodeHandOff(*handOff) != *frame)
                    std::abort();
            }
        }
        if (reader.isBroken() && reader.pendingBytes() != 0)
            std::abort();
    }
    if (!reader.isBroken() && consumed + reader.pendingBytes() != stream.size())
        std::abort();
    return 0;
}
