#pragma once
// Paths and the user's folders.
//
// Paths use '/' as their only separator and have no drive part: the drive of
// a split path is always empty. Folder paths returned here end with '/'.

#include <QString>

namespace platform {

// A path split the way the C runtime splits one: `dir` keeps its leading and
// trailing separators, `ext` runs from the last dot of the final component
// (dot included) and may be empty.
struct PathParts {
    QString drive;  // always empty on this system
    QString dir;
    QString name;
    QString ext;
};

PathParts SplitPath(const QString& path);

// The folder of the running executable, ending with '/'.
QString ExecutableFolder();

// The program's data folder `name` ("Res", "SAMPLES"...) next to the
// executable, else in the installed data folder; ending with '/'. When neither
// exists, the path next to the executable.
QString ProgramDataFolder(const QString& exeFolder, const QString& name);

// My Pictures and My Documents: the XDG user folders, created when missing.
// Empty when there is no such folder and it cannot be created.
QString PicturesFolder();
QString DocumentsFolder();

// The per-user stand-in of the common application-data folder:
// $XDG_DATA_HOME/ORVEK, created when missing; empty when it cannot be.
QString CommonDataFolder();

// The program's configuration folder $XDG_CONFIG_HOME/ORVEK (not created).
QString ConfigFolder();

// The private temporary folder $XDG_CACHE_HOME/ORVEK/ORVEK Vespera, created
// with mode 0700. An existing folder must be a real folder owned by this user;
// its mode is set to 0700. Empty when that cannot be ensured.
QString PrivateCacheFolder();

}  // namespace platform
