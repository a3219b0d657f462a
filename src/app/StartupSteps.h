#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class ClassPref3;

/// The steps of the first start that do not need the main window, each a
/// plain function so tests can run it against temporary folders.

/// The data file's name, "Kovaplex.ini".
extern const char *const DataFileName;

/// Whether files can really be created in `dir`: the folder's permission
/// bits say so and a probe file can be created there (a read-only mount or
/// an access control list may deny what the bits allow). The probe is
/// removed again.
bool isWritableFolder(const QString &dir);

/// Whether `exeDir` is a system program folder (under /usr, which holds
/// /usr/local): an installed program's folder, shared by every user, where
/// no data file belongs even when it is writable, as it is for root.
bool isSystemProgramFolder(const QString &exeDir);

/// Where the settings are read from and saved to.
struct DataFilePlace {
    QString readPath;
    QString savePath;
    /// Whether the settings move: they are read beside the program, whose
    /// folder is read-only, and saved in the user's config folder, which
    /// every later start then reads.
    bool moves() const { return readPath != savePath; }
};

/// Where the data file lives: beside the executable in `exeDir` when that
/// folder is writable and not a system program folder (a build run from its
/// build folder), else in "<configRoot>/Kovaplex/", which is created. A
/// system folder is not even probed. A file that already stands beside the
/// executable in a read-only folder is still read, and saved in the config
/// folder (until a file there exists, which then wins). A folder that cannot
/// be created still gives its path; the first save then reports the failure.
DataFilePlace dataFilePlace(const QString &exeDir, const QString &configRoot);
/// Where the data file is saved (dataFilePlace's savePath).
QString dataFilePath(const QString &exeDir, const QString &configRoot);

/// What loading the settings found, for the user.
struct SettingsLoad {
    /// Whether the settings came from the file.
    bool loaded = false;
    /// Text for the program's message box when the user must know (the file
    /// cannot be read, or the settings move); empty otherwise.
    QString notice;
};

/// Points `pref` at the place's save path and loads its read path. A
/// missing file is not an error. A file that exists but cannot be read
/// leaves the store empty and `pref` detached from the file (empty
/// FileName), so that the closing save cannot replace the user's unreadable
/// settings with the empty ones of this run; the notice says so.
SettingsLoad loadSettings(ClassPref3 &pref, const DataFilePlace &place);

/// loadSettings() for a file read and saved at `fileName`, with the
/// notice on stderr only. @return true when the settings came from the file.
bool loadSettingsOrReport(ClassPref3 &pref, const QString &fileName);

/// The command line as the player takes it: every argument after the
/// program's name, joined by one space, quotes and all; empty without any.
QString commandLineText(const QStringList &arguments);

/// The process's arguments as given, program name first, before Qt takes
/// its own options out of them (for this program they belong to the file
/// name).
QStringList rawArguments(int argc, char **argv);

/// The command line with a relative file name made absolute (and clean, as
/// Play makes the names it resolves itself) against `workingDir`
/// (surrounding quotes kept as they were). An empty command, an
/// absolute name and an address with a scheme ("https://...") are left
/// unchanged.
QString absoluteCommandLine(const QString &commandLine, const QString &workingDir);

/// The first family of the Japanese UI fonts the program prefers (Noto Sans
/// CJK JP, then the IPA gothic families) for which `installed` says yes;
/// empty when none is.
QString preferredJapaneseFamily(const std::function<bool(const QString &)> &installed);

/// Makes the preferred Japanese family the application's font, keeping the
/// platform's size. Leaves the font alone when none is installed.
/// Call after QApplication exists.
void applyJapaneseUiFont();
