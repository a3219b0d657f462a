#include "platform/mci/Mci.h"

#include "platform/mci/MciDevice.h"
#include "platform/mci/MciNames.h"
#include "platform/mci/MciParser.h"
#include "platform/media/MediaEngine.h"
#include "util/FileNames.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace {

/// How long open waits for the engine to load or refuse a file.
constexpr int kOpenTimeoutMs = 10000;

/// Which device plays a file, by its extension. Containers that are not in
/// the list (mp4, mkv, webm, mov, ...) are refused here on purpose: they are
/// the media player control's.
struct ExtensionEntry {
    const char *extension;
    const char *type;
};
constexpr ExtensionEntry kExtensions[] = {
    {"avi", MciDeviceType::AviVideo},   {"wav", MciDeviceType::WaveAudio},
    {"mid", MciDeviceType::Sequencer},  {"midi", MciDeviceType::Sequencer},
    {"rmi", MciDeviceType::Sequencer},  {"mpg", MciDeviceType::MpegVideo},
    {"mpeg", MciDeviceType::MpegVideo}, {"mpe", MciDeviceType::MpegVideo},
    {"m1v", MciDeviceType::MpegVideo},  {"mp2", MciDeviceType::MpegVideo},
    {"mp2v", MciDeviceType::MpegVideo}, {"mpv2", MciDeviceType::MpegVideo},
    {"mp3", MciDeviceType::MpegVideo},  {"mpa", MciDeviceType::MpegVideo},
    {"mpv", MciDeviceType::MpegVideo},  {"dat", MciDeviceType::MpegVideo},
    {"wma", MciDeviceType::MpegVideo},  {"wmv", MciDeviceType::MpegVideo},
    {"wm", MciDeviceType::MpegVideo},   {"asf", MciDeviceType::MpegVideo},
    {"au", MciDeviceType::MpegVideo},   {"snd", MciDeviceType::MpegVideo},
    {"aif", MciDeviceType::MpegVideo},  {"aifc", MciDeviceType::MpegVideo},
    {"aiff", MciDeviceType::MpegVideo},
};

const char *typeForExtension(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    for (const ExtensionEntry &entry : kExtensions) {
        if (suffix.compare(QLatin1String(entry.extension), Qt::CaseInsensitive) == 0)
            return entry.type;
    }
    return nullptr;
}

const char *knownType(const QString &type)
{
    for (const char *known : {MciDeviceType::AviVideo, MciDeviceType::WaveAudio, MciDeviceType::Sequencer,
                              MciDeviceType::MpegVideo}) {
        if (type.compare(QLatin1String(known), Qt::CaseInsensitive) == 0)
            return known;
    }
    return nullptr;
}

bool isAll(const QString &name)
{
    return name.compare(QLatin1String(MciValue::All), Qt::CaseInsensitive) == 0;
}

/// The open devices of this process, by alias.
class MciRegistry final {
public:
    static MciRegistry &instance()
    {
        static MciRegistry *registry = [] {
            auto *r = new MciRegistry;
            // Engines must go while the application object still exists.
            qAddPostRoutine([] { MciRegistry::instance().closeAll(); });
            return r;
        }();
        return *registry;
    }

    int run(const QString &text, QString &reply)
    {
        const MciParseResult parsed = parseMciCommand(text);
        if (parsed.error)
            return parsed.error;
        const MciCommand &command = parsed.command;
        if (command.verb == MciCommand::Verb::Open)
            return open(command);
        if (command.verb == MciCommand::Verb::Close)
            return close(command.device);
        if (isAll(command.device))
            return MciErr::CannotUseAll;
        MciDevice *device = find(command.device);
        if (!device)
            return MciErr::InvalidDeviceName;
        return device->execute(command, reply);
    }

    void closeAll()
    {
        m_devices.clear();
        m_spare.reset();
    }

private:
    MciDevice *find(const QString &alias) const
    {
        for (const auto &device : m_devices) {
            if (device->alias().compare(alias, Qt::CaseInsensitive) == 0)
                return device.get();
        }
        return nullptr;
    }

    int open(const MciCommand &command)
    {
        const QString &path = command.device;
        const QString alias = command.alias.isEmpty() ? path : command.alias;
        if (isAll(alias))
            return MciErr::CannotUseAll;
        if (find(alias))
            return command.alias.isEmpty() ? MciErr::DeviceOpen : MciErr::DuplicateAlias;

        const char *type = command.type.isEmpty() ? typeForExtension(path) : knownType(command.type);
        if (!type)
            return command.type.isEmpty() ? MciErr::ExtensionNotFound : MciErr::InvalidDeviceName;

        const FileStatus file = fileStatus(path);
        if (!file.exists)
            return MciErr::FileNotFound;
        // Folders, FIFOs, devices and sockets are refused before anything
        // reads them: a FIFO nobody writes to would block the open.
        if (!file.regular || file.size == 0)
            return MciErr::InvalidFile;
        if (!QCoreApplication::instance())
            return MciErr::CannotLoadDriver;

        auto device = std::make_unique<MciDevice>(alias, QLatin1String(type), path);
        std::unique_ptr<MediaEngine> engine = std::move(m_spare);
        prepareSpareSoon();
        const int error = device->load(std::move(engine), kOpenTimeoutMs);
        if (error)
            return error; // the device and its engine go here: nothing stays open
        m_devices.push_back(std::move(device));
        return 0;
    }

    /// Creating and initialising a core is a good part of an open; the next
    /// open takes one made while the program had time, as soon as the event
    /// loop runs (also while an engine waits for its file, on this thread,
    /// while the file loads on the core's own).
    void prepareSpareSoon()
    {
        if (m_spare || m_sparePending)
            return;
        m_sparePending = true;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [this] {
                m_sparePending = false;
                if (!m_spare)
                    m_spare = std::make_unique<MediaEngine>();
            },
            Qt::QueuedConnection);
    }

    int close(const QString &alias)
    {
        if (isAll(alias)) {
            closeAll();
            return 0;
        }
        for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
            if ((*it)->alias().compare(alias, Qt::CaseInsensitive) == 0) {
                // Take it out first: the engine's teardown may run events
                // that send commands of their own.
                std::unique_ptr<MciDevice> device = std::move(*it);
                m_devices.erase(it);
                return 0;
            }
        }
        return MciErr::InvalidDeviceName;
    }

    std::vector<std::unique_ptr<MciDevice>> m_devices;
    std::unique_ptr<MediaEngine> m_spare;
    bool m_sparePending = false;
};

} // namespace

int mciSendString(const char *command, char *returnString, unsigned returnLength, void *)
{
    const bool hasBuffer = returnString && returnLength > 0;
    if (hasBuffer)
        returnString[0] = '\0';
    if (!command)
        return MciErr::MissingCommandString;

    QString reply;
    // A file name in the command keeps its bytes, UTF-8 or not.
    const int error = MciRegistry::instance().run(decodeFileName(QByteArray(command)), reply);
    if (error || !hasBuffer)
        return error;
    const QByteArray bytes = encodeFileName(reply);
    if (static_cast<unsigned>(bytes.size()) >= returnLength)
        return MciErr::ParamOverflow;
    std::memcpy(returnString, bytes.constData(), static_cast<std::size_t>(bytes.size()) + 1);
    return 0;
}

unsigned timeGetTime()
{
    using namespace std::chrono;
    return static_cast<unsigned>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
