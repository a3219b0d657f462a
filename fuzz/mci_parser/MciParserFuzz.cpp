// Feeds arbitrary bytes to the MCI command parser and to the whole
// interpreter. Runs in an empty folder, so relative names never find a file
// and open can only be refused; the interpreter must answer every string
// with an error number or success, never crash or hang.
#include "platform/mci/Mci.h"
#include "platform/mci/MciNames.h"
#include "platform/mci/MciParser.h"

#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

QGuiApplication *app = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = new QGuiApplication(*argc, *argv);
    // Removed when the run ends, with whatever the interpreter left in it.
    static QTemporaryDir workDir;
    QDir::setCurrent(workDir.path());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);

    const MciParseResult parsed =
        parseMciCommand(QString::fromUtf8(text.data(), static_cast<qsizetype>(size)));
    if (parsed.error != 0 && (parsed.error < MciErr::Base || parsed.error >= MciErr::CustomDriverBase))
        std::abort();

    // Absolute names could reach real files of the machine; keep the
    // interpreter to what is relative to the empty folder.
    if (text.find('/') != std::string::npos)
        return 0;
    char reply[16];
    const int error = mciSendString(text.c_str(), reply, sizeof reply, nullptr);
    if (error == 0 && std::memchr(reply, '\0', sizeof reply) == nullptr)
        std::abort();
    char description[128];
    if (error != 0 && !mciGetErrorString(error, description, sizeof description))
        std::abort();
    mciSendString("close all", nullptr, 0, nullptr);
    return 0;
}
