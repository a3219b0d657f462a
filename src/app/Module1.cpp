#include "app/Module1.h"

#include "app/HandOffService.h"
#include "app/SecondStart.h"
#include "app/StartupSteps.h"
#include "app/TerminationWatcher.h"
#include "app/fmDDE.h"
#include "dialogs/comMsg.h"
#include "mpris/MprisService.h"
#include "platform/dde/CommandServer.h"
#include "platform/dde/InstanceChannel.h"
#include "platform/forms/Diagnostics.h"
#include "playback/PlaybackSession.h"
#include "player/AppIcon.h"
#include "player/fmPlayer.h"
#include "settings/ClassPref3.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include <clocale>
#include <cstdio>
#include <optional>

namespace {

/// The one settings object, shared by every form for the whole run.
ClassPref3 &settingsObject()
{
    static ClassPref3 pref;
    return pref;
}

/// Starts taking commands from later starts. They are held in the
/// service's queue until the start-up has finished.
void serveCommands(HandOffService &service, const ChannelAddress &address)
{
    CommandServer &server = service.server();
    QObject::connect(
        &server, &CommandServer::commandReceived, &server, [](const HandOff &handOff, quint64 sequence) {
            traceValue("dde received", QString::number(sequence) + QLatin1Char(' ') + handOff.command);
        });
    QObject::connect(&server, &CommandServer::relistened, &server,
                     [](const QString &reason) { traceValue("dde relistened", reason); });
    QObject::connect(&server, &CommandServer::connectionRefused, &server, [](const QString &reason) {
        static quint64 refused = 0;
        traceValue("dde refused", QString::number(++refused) + QLatin1Char(' ') + reason);
    });
    if (!service.listen(address.socketPath))
        std::fprintf(stderr, "Kovaplex: later starts cannot reach this instance (%s): %s\n",
                     qUtf8Printable(address.socketPath), qUtf8Printable(server.errorString()));
}

/// A command answered as taken that this instance will not run (it is
/// closing): a new instance of the program runs it.
void restartWith(const HandOff &handOff)
{
    traceValue("dde restarted", handOff.command);
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), {handOff.command},
                                 QDir::rootPath()))
        std::fprintf(stderr, "Kovaplex: could not start the program again for %s\n",
                     qUtf8Printable(handOff.command));
}

/// The application's names, icon and font, once QApplication exists.
void prepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Kovaplex"));
    QApplication::setApplicationVersion(QStringLiteral(KOVAPLEX_VERSION));
    // Wayland compositors and task bars find the desktop entry, and so the
    // icon, by this name.
    QApplication::setDesktopFileName(QStringLiteral(KOVAPLEX_APP_ID));
    // libmpv refuses to start under a numeric locale other than "C", and
    // QApplication has just set the user's.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setWindowIcon(appIcon());
    applyJapaneseUiFont();
    startupMilestone("application ready");
}

/// Reads the settings file of this program copy into the shared object.
ClassPref3 &loadProgramSettings()
{
    ClassPref3 &pref = settingsObject();
    pref.setFirstInstance(true);
    const SettingsLoad settingsLoad = loadSettings(
        pref, dataFilePlace(QCoreApplication::applicationDirPath(),
                            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    startupMilestone("settings loaded");
    // Only this instance writes the file, and it has not written yet: a
    // temporary file beside it is what a save killed halfway left.
    pref.removeLeftoverSaves();
    // Said once, before anything else asks: the user's own settings were
    // not read, or are saved somewhere new from now on.
    if (!settingsLoad.notice.isEmpty()) {
        std::fprintf(stderr, "Kovaplex: %s\n", qUtf8Printable(settingsLoad.notice));
        traceValue("settings notice", settingsLoad.notice);
        ShowMsg(settingsLoad.notice, MsgStyle::OkOnly | MsgStyle::Exclamation);
    }
    return pref;
}

/// The hand-off's part in the window's close.
void handOverOnClose(fmPlayer &player, HandOffService &service)
{
    // From the first moment of the close nothing more is answered, so a
    // start made now is not told its file was taken by a player that will
    // never play it: it waits, and takes over once the lock goes, which is
    // as soon as the settings are written (before any box about them), so
    // that it reads what this instance saved.
    QObject::connect(&player, &fmPlayer::closing, &service, [&service] {
        traceValue("dde closed", QString::number(service.queue().pendingCount()));
        service.stopAnswering();
    });
    QObject::connect(&player, &fmPlayer::settingsWritten, &service,
                     [&service] { service.handOver(restartWith); });
    QObject::connect(&player, &fmPlayer::unloading, &service, [&service] { service.handOver(restartWith); });
}

/// From now on the queue's files are opened: drops by the window's Play,
/// handed-over commands and OpenUri's files by the version box's
/// LinkExecute, which raises the window first.
void openQueuedFiles(OpenQueue &queue, fmPlayer &player, fmDDE &about)
{
    // Sequence 0: a file from the desktop's OpenUri, which has no hand-off
    // number of its own.
    queue.release([&player, &about](const OpenRequest &request) {
        if (request.source == OpenSource::Drop || request.source == OpenSource::CommandLine)
            return player.openRequest(request);
        const bool uri = request.source == OpenSource::OpenUri;
        const QString sequence = QString::number(request.sequence) + QLatin1Char(' ');
        traceValue(uri ? "uri executing" : "dde executing", sequence + request.fileName);
        about.LinkExecute(request.fileName, request.activationToken);
        traceValue(uri ? "uri executed" : "dde executed", sequence + player.session().fileName());
    });
    startupMilestone("commands served");
}

/// What the desktop's media controls may ask of the window and the queue.
MprisHooks mprisHooks(fmPlayer &player, OpenQueue &queue)
{
    MprisHooks hooks;
    hooks.raise = [&player] {
        if (player.isMinimized())
            player.setWindowState(player.windowState() & ~Qt::WindowMinimized);
        player.show();
        player.raise();
        player.activateWindow();
    };
    hooks.quit = [&player] { player.runCommand(Command{PlayerCommand::Exit, 0}); };
    hooks.open = [&queue](const QString &file) {
        // Quoted, as a command line would be: Play takes the pair off.
        queue.push({QLatin1Char('"') + file + QLatin1Char('"'), QString(), OpenSource::OpenUri, 0});
    };
    // While the window opens a file (its resume question runs a nested event
    // loop) or closes, it takes no command: it would run inside that call.
    hooks.busy = [&player] { return player.isBusy(); };
    return hooks;
}

} // namespace

int Module1_Main(int argc, char **argv)
{
    startupMilestone("main");
    // The whole command line is one file name, so Qt's own options
    // ("-reverse", "-style" ...) stay in it and never reach Qt.
    const QString commandLine = commandLineText(rawArguments(argc, argv));

    // A second start decides here, before any window, mixer or file exists.
    InstanceLock lock;
    const std::optional<ChannelAddress> address = ownChannelAddress();
    if (!address)
        std::fprintf(stderr, "Kovaplex: no private folder for the instance channel; running on its own.\n");
    else if (const std::optional<int> status =
                 handedOverToRunningInstance(lock, *address, commandLine, QDir::currentPath()))
        return *status;
    startupMilestone("first instance");

    int qtArgc = 1; // Qt sees the program's name only
    QApplication app(qtArgc, argv);
    prepareApplication();

    // Commands are taken from now on, so a start made while this one is
    // still starting (its resume question open) loses nothing.
    HandOffService service(lock);
    if (lock.isHeld())
        serveCommands(service, *address);

    fmPlayer player(loadProgramSettings());
    player.takeFilesFrom(service.queue());
    startupMilestone("main window loaded");
    handOverOnClose(player, service);

    // Ending the program from outside saves like closing the window does.
    TerminationWatcher watcher([&player] { player.closeStep(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &watcher, [&] {
        if (!player.hasClosed())
            watcher.requestClose("quit");
    });

    player.Play(commandLine);
    traceValue("opened", player.session().fileName());
    // A signal answered during the resume question has closed already.
    if (player.hasClosed())
        return 0;

    fmDDE about(player);
    QObject::connect(&player, &fmPlayer::unloading, &about, [&] { about.close(); });
    openQueuedFiles(service.queue(), player, about);
    // Media keys and desktop panels reach the window once it has started.
    MprisService mpris(player.session(), mprisHooks(player, service.queue()));
    return QApplication::exec();
}
