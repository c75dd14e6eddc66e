#pragma once

#include <functional>

#include <QMap>
#include <QString>
#include <QStringList>

#include "platform/TDesktopAssociations.h"
#include "platform/TSystemRegistrations.h"

namespace platform {

// The registrations on a freedesktop.org desktop, each in files of its own in
// the user's folders, every other entry of the user's files kept as it was:
//
// - start with the system: the autostart entry $XDG_CONFIG_HOME/autostart/vantor-ftp.desktop;
// - the default ftp program: x-scheme-handler/ftp in [Default Applications] of
//   $XDG_CONFIG_HOME/mimeapps.list (and of a desktop's own list there that names
//   a default for it) naming vantor-ftp.desktop; switched off, the entry leaves
//   that list and goes to [Removed Associations], so an installed entry does not
//   stay the default through the desktop's cache. When the program is not
//   installed, a hidden vantor-ftp.desktop for the running program is written to
//   $XDG_DATA_HOME/applications (and removed with the registration). The state is
//   whatever the desktop's lookup (TDesktopAssociations) answers now;
// - the file manager's context menu: one entry per host of the host list, in the
//   list's order (its position is the host index the hand-over carries), as a KDE
//   service menu ($XDG_DATA_HOME/kio/servicemenus/vantor-ftp-upload.desktop, a
//   submenu), a Nautilus script folder ($XDG_DATA_HOME/nautilus/scripts/<"Upload
//   with Vantor FTP">/<host>) and Nemo actions ($XDG_DATA_HOME/nemo/actions/
//   vantor-ftp-upload-<index>.nemo_action), each starting vantor-ftp-handoff
//   --host-index N with the selected files. refreshContextMenu() rewrites them
//   from the host list when it changes.
//
// Setters return whether the state now is the one asked for. Main thread.
class TDesktopRegistrations final : public TSystemRegistrations
{
public:
    // The menu texts: "Upload with Vantor FTP" and "Upload with Vantor FTP to %s".
    struct TMenuText
    {
        QString upload;
        QString uploadTo;
    };
    struct TMenuTexts
    {
        // In the user's language: where a file manager takes one name (a folder name).
        TMenuText current;
        // For the entries that carry translations: "" is the untranslated name, else "sv" ...
        QMap<QString, TMenuText> byLocale;
    };

    struct TSetup
    {
        TDesktopAssociations::TDirectories directories;
        std::function<QString()> programPath; // vantor-ftp, full path
        std::function<QString()> handoffPath; // vantor-ftp-handoff, full path
        // The host list's common names in the order of the registry's host list.
        std::function<QStringList()> hostNames;
        std::function<TMenuTexts()> menuTexts;
    };

    static constexpr const char* kDesktopId = "vantor-ftp.desktop";
    static constexpr const char* kFtpScheme = "x-scheme-handler/ftp";

    explicit TDesktopRegistrations(TSetup setup);

    bool startWithSystem() const override;
    bool setStartWithSystem(bool enabled) override;

    bool ftpHandler() const override;
    bool setFtpHandler(bool enabled) override;

    bool contextMenu() const override;
    bool setContextMenu(bool enabled) override;
    // Rewrites the context-menu entries from the host list when they are registered.
    void refreshContextMenu();

    // Where the files go (tests look there).
    QString autostartPath() const;
    QString userMimeAppsPath() const;
    QString generatedEntryPath() const;
    QString serviceMenuPath() const;
    QString nautilusScriptsDir() const;
    QString nemoActionsDir() const;

    // A value for a desktop-entry string key (escapes of \ and line breaks).
    static QString escapeString(const QString& text);
    // One argument of an Exec line, quoted when it needs to be.
    static QString quoteExecArgument(const QString& argument);

private:
    QStringList ownMimeAppsLists() const;
    bool writeGeneratedEntry();
    void removeContextMenuFiles();
    QStringList scriptFolders() const;
    bool writeContextMenuFiles();

    TSetup m_setup;
};

} // namespace platform
