#pragma once

#include <optional>

#include <QString>
#include <QStringList>

class QProcessEnvironment;

namespace platform {

// A program to start on a file: the program and its arguments, never a shell
// command line.
struct TOpenCommand
{
    QString Program;
    QStringList Arguments;
    QString DesktopFile; // the entry it came from (full path)
};

// The desktop's default application for a file, found as `xdg-mime query
// default` finds it (freedesktop.org MIME applications associations):
//
// - the lists, in this order: $XDG_CONFIG_HOME, each of $XDG_CONFIG_DIRS,
//   $XDG_DATA_HOME/applications, each of $XDG_DATA_DIRS/applications; in each
//   directory "<desktop>-mimeapps.list" for every name of $XDG_CURRENT_DESKTOP
//   (lower case) before "mimeapps.list";
// - first the [Default Applications] of every list, then the [Added
//   Associations] (less those a list of the same or a higher rank removed in
//   [Removed Associations]), then the applications' mimeinfo.cache; the first
//   desktop entry named that is installed and not hidden wins;
// - when the file's own type has none, its parent types (text/x-csrc ->
//   text/plain) are tried the same way.
//
// The entry's Exec line becomes the command, read as the desktop-entry rules
// for the Exec key have it: quoted arguments and their escapes, %f %F %u %U -> the
// file's path, %i -> "--icon" and the Icon, %c -> the Name, %k -> the entry's
// path, %% -> "%", deprecated codes dropped. A line without a file code is used
// as it stands; an entry for a terminal runs inside one. Reads files only; any
// thread.
class TDesktopAssociations final
{
public:
    struct TDirectories
    {
        QString ConfigHome;
        QStringList ConfigDirs;
        QString DataHome;
        QStringList DataDirs;
        QStringList Desktops; // lower case, in $XDG_CURRENT_DESKTOP order
    };
    // The directories the XDG variables of `environment` name, with the
    // XDG base-directory defaults for unset or empty ones.
    static TDirectories directoriesFrom(const QProcessEnvironment& environment);

    // The process environment's directories.
    TDesktopAssociations();
    explicit TDesktopAssociations(TDirectories directories);

    const TDirectories& directories() const { return m_directories; }
    // The terminal for entries with Terminal=true, started as "<terminal> -e
    // <command>"; by default x-terminal-emulator from PATH (none: no command).
    void setTerminal(const QString& program) { m_terminal = program; }
    // The mimeapps.list files looked at, highest rank first (existing or not).
    QStringList mimeAppsLists() const;
    // The desktop file ID ("org.gnome.gedit.desktop") of the default
    // application for a MIME type, parents not included; empty when none.
    QString defaultApplication(const QString& mimeType) const;
    // The installed entry file of a desktop file ID; empty when none.
    QString desktopEntryPath(const QString& desktopId) const;

    // The command that opens `filePath` (MIME type by name, then content);
    // nothing when no application is associated or its entry has no usable Exec.
    std::optional<TOpenCommand> commandFor(const QString& filePath) const;
    std::optional<TOpenCommand> commandForType(const QString& mimeType, const QString& filePath) const;

    // An Exec value (already read from the file, string escapes undone) split
    // into arguments, with its field codes expanded for `filePath`; nothing when
    // the quoting is broken or nothing is left.
    static std::optional<QStringList> expandExec(const QString& exec, const QString& filePath,
                                                 const QString& name = {}, const QString& icon = {},
                                                 const QString& desktopFile = {});

private:
    QStringList applicationDirs() const;
    bool usable(const QString& desktopId) const;

    TDirectories m_directories;
    QString m_terminal;
};

} // namespace platform
