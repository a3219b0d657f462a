#include "app/Module1.h"

#include "app/StartupSteps.h"
#include "app/TerminationWatcher.h"
#include "platform/dde/PrevInstance.h"
#include "platform/forms/Diagnostics.h"
#include "player/AppIcon.h"
#include "player/fmPlayer.h"
#include "settings/ClassPref3.h"

#include <QApplication>
#include <QStandardPaths>

#include <clocale>

namespace {

/// The one settings object, shared by every form for the whole run.
ClassPref3 &settingsObject()
{
    static ClassPref3 pref;
    return pref;
}

} // namespace

int Module1_Main(int argc, char **argv)
{
    startupMilestone("main");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kovaplex"));
    QApplication::setApplicationVersion(QStringLiteral(KOVAPLEX_VERSION));
    // libmpv refuses to start under a numeric locale other than "C", and
    // QApplication has just set the user's.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setWindowIcon(appIcon());
    applyJapaneseUiFont();
    startupMilestone("application ready");

    // A second start hands its command line to the running instance; until
    // that channel exists every start is a first start.
    setPrevInstance(false);

    ClassPref3 &pref = settingsObject();
    loadSettingsOrReport(
        pref, dataFilePath(QCoreApplication::applicationDirPath(),
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)));
    startupMilestone("settings loaded");

    fmPlayer player(pref);
    startupMilestone("main window loaded");

    // Ending the program from outside saves like closing the window does.
    TerminationWatcher watcher([&player] { player.closeStep(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &watcher, [&] {
        if (!player.hasClosed())
            watcher.requestClose("quit");
    });

    player.Play(commandLineText(QCoreApplication::arguments()));
    // A signal answered during the resume question has closed already.
    if (player.hasClosed())
        return 0;
    return QApplication::exec();
}
