#include "platform/TDesktopRegistrations.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>

#include "platform/TKeyFileEditor.h"

namespace platform {

namespace {

const QString kEntryGroup = QStringLiteral("Desktop Entry");
const QString kDefaults = QStringLiteral("Default Applications");
const QString kRemoved = QStringLiteral("Removed Associations");
const QString kNemoGroup = QStringLiteral("Nemo Action");
// Marks the files this program writes, so that only those are ever replaced or removed.
const QString kMarkerKey = QStringLiteral("X-Vantor-FTP-Generated");
const QByteArray kScriptMarker = "# Written by Vantor FTP";
const QString kNemoPrefix = QStringLiteral("vantor-ftp-upload-");
const QString kNemoSuffix = QStringLiteral(".nemo_action");

constexpr QFile::Permissions kExecutable = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                           QFile::ExeOther;

bool writeWhole(const QString& path, const QByteArray& content, bool executable)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (executable)
        file.setPermissions(kExecutable);
    return file.write(content) == content.size() && file.commit();
}

QByteArray readHead(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(4096) : QByteArray();
}

bool isGenerated(const QString& path)
{
    TKeyFileEditor file(path);
    if (!file.load())
        return false;
    for (const QString& group : {kEntryGroup, kNemoGroup})
        if (file.value(group, kMarkerKey) == QLatin1String("true"))
            return true;
    return false;
}

// A shell word in single quotes.
QByteArray shellQuoted(const QString& text)
{
    QByteArray bytes = QFile::encodeName(text);
    bytes.replace('\'', "'\\''");
    return '\'' + bytes + '\'';
}

// A host's name as a file name: one path component, no hidden file.
QString fileNameFor(const QString& name, int index)
{
    QString result;
    for (const QChar c : name)
        result.append(c == u'/' || c.unicode() < 0x20 || c.unicode() == 0x7F ? u'_' : c);
    result = result.trimmed();
    while (result.startsWith(u'.'))
        result.remove(0, 1);
    if (result.isEmpty())
        result = QStringLiteral("Host %1").arg(index + 1);
    return result;
}

QString uploadTo(const TDesktopRegistrations::TMenuText& text, const QString& host)
{
    QString result = text.uploadTo;
    return result.replace(QLatin1String("%s"), host);
}

} // namespace

TDesktopRegistrations::TDesktopRegistrations(TSetup setup)
    : m_setup(std::move(setup))
{}

// ---- paths -------------------------------------------------------------------------------

QString TDesktopRegistrations::autostartPath() const
{
    return m_setup.directories.ConfigHome + QStringLiteral("/autostart/") + QLatin1String(kDesktopId);
}

QString TDesktopRegistrations::userMimeAppsPath() const
{
    return m_setup.directories.ConfigHome + QStringLiteral("/mimeapps.list");
}

QString TDesktopRegistrations::generatedEntryPath() const
{
    return m_setup.directories.DataHome + QStringLiteral("/applications/") + QLatin1String(kDesktopId);
}

QString TDesktopRegistrations::serviceMenuPath() const
{
    return m_setup.directories.DataHome + QStringLiteral("/kio/servicemenus/vantor-ftp-upload.desktop");
}

QString TDesktopRegistrations::nautilusScriptsDir() const
{
    const QString folder = m_setup.menuTexts ? m_setup.menuTexts().current.upload : QString();
    return m_setup.directories.DataHome + QStringLiteral("/nautilus/scripts/") +
           fileNameFor(folder.isEmpty() ? QStringLiteral("Upload with Vantor FTP") : folder, 0);
}

QString TDesktopRegistrations::nemoActionsDir() const
{
    return m_setup.directories.DataHome + QStringLiteral("/nemo/actions");
}

// ---- quoting -------------------------------------------------------------------------------

QString TDesktopRegistrations::escapeString(const QString& text)
{
    QString result;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\')
            result += QStringLiteral("\\\\");
        else if (c == u'\n')
            result += QStringLiteral("\\n");
        else if (c == u'\t')
            result += QStringLiteral("\\t");
        else if (c == u'\r')
            result += QStringLiteral("\\r");
        else if (c == u' ' && i == 0)
            result += QStringLiteral("\\s");
        else
            result += c;
    }
    return result;
}

QString TDesktopRegistrations::quoteExecArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    bool quote = argument.isEmpty();
    for (const QChar c : argument)
        if (reserved.contains(c))
            quote = true;
    QString result;
    for (const QChar c : argument) {
        if (c == u'%')
            result += QStringLiteral("%%");
        else if (quote && (c == u'"' || c == u'`' || c == u'$' || c == u'\\'))
            result += QLatin1Char('\\') + c;
        else
            result += c;
    }
    return quote ? u'"' + result + u'"' : result;
}

// ---- start with the system ---------------------------------------------------------------------

bool TDesktopRegistrations::startWithSystem() const
{
    TKeyFileEditor entry(autostartPath());
    if (!QFileInfo::exists(autostartPath()) || !entry.load())
        return false;
    return !entry.value(kEntryGroup, QStringLiteral("Exec")).isEmpty() &&
           entry.value(kEntryGroup, QStringLiteral("Hidden")) != QLatin1String("true") &&
           entry.value(kEntryGroup, QStringLiteral("X-GNOME-Autostart-enabled")) != QLatin1String("false");
}

bool TDesktopRegistrations::setStartWithSystem(bool enabled)
{
    if (!enabled) {
        QFile::remove(autostartPath());
        return !startWithSystem();
    }
    const QString program = m_setup.programPath ? m_setup.programPath() : QString();
    if (program.isEmpty())
        return false;
    // The user's own additions to the entry (a delay, a desktop filter) stay.
    TKeyFileEditor entry(autostartPath());
    if (!entry.load())
        return false;
    entry.setValue(kEntryGroup, QStringLiteral("Type"), QStringLiteral("Application"));
    entry.setValue(kEntryGroup, QStringLiteral("Name"), QStringLiteral("Vantor FTP"));
    entry.setValue(kEntryGroup, QStringLiteral("Exec"), escapeString(quoteExecArgument(program)));
    entry.setValue(kEntryGroup, QStringLiteral("Icon"), QStringLiteral("vantor-ftp"));
    entry.setValue(kEntryGroup, QStringLiteral("Terminal"), QStringLiteral("false"));
    entry.remove(kEntryGroup, QStringLiteral("Hidden"));
    entry.setValue(kEntryGroup, QStringLiteral("X-GNOME-Autostart-enabled"), QStringLiteral("true"));
    return entry.save() && startWithSystem();
}

// ---- the default ftp program -------------------------------------------------------------------

bool TDesktopRegistrations::ftpHandler() const
{
    return TDesktopAssociations(m_setup.directories).defaultApplication(QLatin1String(kFtpScheme)) ==
           QLatin1String(kDesktopId);
}

QStringList TDesktopRegistrations::ownMimeAppsLists() const
{
    // The user's general list, and the desktops' own lists in the same folder
    // (they are read before it).
    QStringList lists{userMimeAppsPath()};
    for (const QString& desktop : m_setup.directories.Desktops)
        lists.append(m_setup.directories.ConfigHome + QLatin1Char('/') + desktop +
                     QStringLiteral("-mimeapps.list"));
    return lists;
}

bool TDesktopRegistrations::writeGeneratedEntry()
{
    TKeyFileEditor entry(generatedEntryPath());
    if (!entry.load())
        return false;
    const QString program = m_setup.programPath ? m_setup.programPath() : QString();
    if (program.isEmpty())
        return false;
    entry.setValue(kEntryGroup, QStringLiteral("Type"), QStringLiteral("Application"));
    entry.setValue(kEntryGroup, QStringLiteral("Name"), QStringLiteral("Vantor FTP"));
    entry.setValue(kEntryGroup, QStringLiteral("Exec"),
                   escapeString(quoteExecArgument(program) + QStringLiteral(" %u")));
    entry.setValue(kEntryGroup, QStringLiteral("Icon"), QStringLiteral("vantor-ftp"));
    entry.setValue(kEntryGroup, QStringLiteral("NoDisplay"), QStringLiteral("true"));
    entry.setValue(kEntryGroup, QStringLiteral("MimeType"), QLatin1String(kFtpScheme) + u';');
    entry.setValue(kEntryGroup, kMarkerKey, QStringLiteral("true"));
    return entry.save();
}

bool TDesktopRegistrations::setFtpHandler(bool enabled)
{
    const QString id = QLatin1String(kDesktopId);
    const QString scheme = QLatin1String(kFtpScheme);
    const QString general = userMimeAppsPath();
    bool written = true;
    if (enabled) {
        // A program run from its build or an unpacked folder has no installed
        // entry: one is written for it.
        bool installed = false;
        for (const QString& dir : m_setup.directories.DataDirs)
            installed = installed || QFileInfo::exists(dir + QStringLiteral("/applications/") + id);
        const bool generated = isGenerated(generatedEntryPath());
        if (installed && generated) {
            // Installed since the entry was written: the installed one serves.
            QFile::remove(generatedEntryPath());
        } else if (!installed && (generated || !QFileInfo::exists(generatedEntryPath()))) {
            if (!writeGeneratedEntry())
                return false;
        }
        for (const QString& path : ownMimeAppsLists()) {
            TKeyFileEditor list(path);
            if (!list.load())
                return false;
            // A desktop's own list is changed only when it names a default of its own.
            if (path != general && !list.contains(kDefaults, scheme))
                continue;
            QStringList defaults = TKeyFileEditor::splitList(list.value(kDefaults, scheme));
            defaults.removeAll(id);
            defaults.prepend(id);
            list.setValue(kDefaults, scheme, TKeyFileEditor::joinList(defaults));
            QStringList removed = TKeyFileEditor::splitList(list.value(kRemoved, scheme));
            if (removed.removeAll(id) > 0) {
                if (removed.isEmpty())
                    list.remove(kRemoved, scheme);
                else
                    list.setValue(kRemoved, scheme, TKeyFileEditor::joinList(removed));
                list.removeGroupIfEmpty(kRemoved);
            }
            if (list.isModified())
                written = list.save() && written;
        }
        return written && ftpHandler();
    }

    for (const QString& path : ownMimeAppsLists()) {
        if (!QFileInfo::exists(path) && path != general)
            continue;
        TKeyFileEditor list(path);
        if (!list.load())
            return false;
        QStringList defaults = TKeyFileEditor::splitList(list.value(kDefaults, scheme));
        if (defaults.removeAll(id) > 0) {
            if (defaults.isEmpty())
                list.remove(kDefaults, scheme);
            else
                list.setValue(kDefaults, scheme, TKeyFileEditor::joinList(defaults));
            list.removeGroupIfEmpty(kDefaults);
        }
        // An installed entry lists the scheme among its types: without this the
        // desktop would still pick it from its cache.
        if (path == general) {
            QStringList removed = TKeyFileEditor::splitList(list.value(kRemoved, scheme));
            if (!removed.contains(id)) {
                removed.append(id);
                list.setValue(kRemoved, scheme, TKeyFileEditor::joinList(removed));
            }
        }
        if (list.isModified())
            written = list.save(nullptr, true) && written;
    }
    if (isGenerated(generatedEntryPath()))
        QFile::remove(generatedEntryPath());
    return written && !ftpHandler();
}

// ---- the file manager's context menu -----------------------------------------------------------

bool TDesktopRegistrations::contextMenu() const
{
    if (isGenerated(serviceMenuPath()))
        return true;
    QDirIterator nemo(nemoActionsDir(), {kNemoPrefix + u'*' + kNemoSuffix}, QDir::Files);
    while (nemo.hasNext())
        if (isGenerated(nemo.next()))
            return true;
    for (const QString& scripts : scriptFolders()) {
        QDirIterator script(scripts, QDir::Files | QDir::Hidden);
        while (script.hasNext())
            if (readHead(script.next()).contains(kScriptMarker))
                return true;
    }
    return false;
}

void TDesktopRegistrations::removeContextMenuFiles()
{
    if (isGenerated(serviceMenuPath()))
        QFile::remove(serviceMenuPath());
    QDirIterator nemo(nemoActionsDir(), {kNemoPrefix + u'*' + kNemoSuffix}, QDir::Files);
    while (nemo.hasNext()) {
        const QString path = nemo.next();
        if (isGenerated(path))
            QFile::remove(path);
    }
    // Only the scripts written here go; a folder goes when nothing else is in it.
    // The folder is named in the user's language: each language's is looked at.
    for (const QString& scripts : scriptFolders()) {
        QDirIterator script(scripts, QDir::Files | QDir::Hidden);
        while (script.hasNext()) {
            const QString path = script.next();
            if (readHead(path).contains(kScriptMarker))
                QFile::remove(path);
        }
        QDir().rmdir(scripts);
    }
}

QStringList TDesktopRegistrations::scriptFolders() const
{
    QStringList folders{nautilusScriptsDir()};
    const QString base = m_setup.directories.DataHome + QStringLiteral("/nautilus/scripts/");
    folders.append(base + QStringLiteral("Upload with Vantor FTP"));
    if (m_setup.menuTexts)
        for (const TMenuText& text : m_setup.menuTexts().byLocale)
            if (!text.upload.isEmpty())
                folders.append(base + fileNameFor(text.upload, 0));
    folders.removeDuplicates();
    return folders;
}

bool TDesktopRegistrations::writeContextMenuFiles()
{
    removeContextMenuFiles();
    const QString handoff = m_setup.handoffPath ? m_setup.handoffPath() : QString();
    if (handoff.isEmpty())
        return false;
    const QStringList hosts = m_setup.hostNames ? m_setup.hostNames() : QStringList();
    const TMenuTexts texts = m_setup.menuTexts ? m_setup.menuTexts() : TMenuTexts{};
    const TMenuText fallback{QStringLiteral("Upload with Vantor FTP"),
                             QStringLiteral("Upload with Vantor FTP to %s")};
    QMap<QString, TMenuText> byLocale = texts.byLocale;
    if (!byLocale.contains(QString()))
        byLocale.insert(QString(), fallback);
    const auto localized = [&byLocale](TKeyFileEditor& file, const QString& group, const QString& key,
                                       const std::function<QString(const TMenuText&)>& text) {
        for (auto it = byLocale.cbegin(); it != byLocale.cend(); ++it)
            file.setValue(group, it.key().isEmpty() ? key : key + u'[' + it.key() + u']',
                          escapeString(text(*it)));
    };
    const QString execHandoff = quoteExecArgument(handoff);
    bool written = true;

    // KDE: one service menu with a submenu of the hosts.
    {
        TKeyFileEditor menu(serviceMenuPath());
        menu.setValue(kEntryGroup, QStringLiteral("Type"), QStringLiteral("Service"));
        menu.setValue(kEntryGroup, QStringLiteral("X-KDE-ServiceTypes"),
                      QStringLiteral("KonqPopupMenu/Plugin"));
        menu.setValue(kEntryGroup, QStringLiteral("MimeType"), QStringLiteral("all/all;"));
        QStringList actions;
        for (int i = 0; i < hosts.size(); ++i)
            actions.append(QStringLiteral("host%1").arg(i));
        menu.setValue(kEntryGroup, QStringLiteral("Actions"), TKeyFileEditor::joinList(actions));
        localized(menu, kEntryGroup, QStringLiteral("X-KDE-Submenu"),
                  [](const TMenuText& t) { return t.upload; });
        menu.setValue(kEntryGroup, QStringLiteral("Icon"), QStringLiteral("vantor-ftp"));
        menu.setValue(kEntryGroup, kMarkerKey, QStringLiteral("true"));
        for (int i = 0; i < hosts.size(); ++i) {
            const QString group = QStringLiteral("Desktop Action host%1").arg(i);
            QString name = hosts[i];
            menu.setValue(group, QStringLiteral("Name"),
                          escapeString(name.replace(u'&', QStringLiteral("&&"))));
            menu.setValue(group, QStringLiteral("Icon"), QStringLiteral("vantor-ftp"));
            menu.setValue(group, QStringLiteral("Exec"),
                          escapeString(execHandoff + QStringLiteral(" --host-index %1 %F").arg(i)));
        }
        // Recent KDE versions run service menus of the user's folder only when executable.
        written = writeWhole(serviceMenuPath(), menu.text().toUtf8(), true) && written;
    }

    // Nemo: one action per host.
    for (int i = 0; i < hosts.size(); ++i) {
        TKeyFileEditor action(nemoActionsDir() + u'/' + kNemoPrefix + QString::number(i) + kNemoSuffix);
        const QString host = hosts[i];
        localized(action, kNemoGroup, QStringLiteral("Name"),
                  [&host](const TMenuText& t) { return uploadTo(t, host); });
        action.setValue(kNemoGroup, QStringLiteral("Exec"),
                        escapeString(execHandoff + QStringLiteral(" --host-index %1 %F").arg(i)));
        action.setValue(kNemoGroup, QStringLiteral("Icon-Name"), QStringLiteral("vantor-ftp"));
        action.setValue(kNemoGroup, QStringLiteral("Selection"), QStringLiteral("notnone"));
        action.setValue(kNemoGroup, QStringLiteral("Extensions"), QStringLiteral("any;"));
        action.setValue(kNemoGroup, kMarkerKey, QStringLiteral("true"));
        written = action.save() && written;
    }

    // Nautilus: a script folder named after the menu, one script per host.
    const QString scripts = nautilusScriptsDir();
    written = QDir().mkpath(scripts) && written;
    QSet<QString> taken;
    for (int i = 0; i < hosts.size(); ++i) {
        QString name = fileNameFor(hosts[i], i);
        for (int n = 2; taken.contains(name) || QFileInfo::exists(scripts + u'/' + name); ++n)
            name = fileNameFor(hosts[i], i) + QStringLiteral(" (%1)").arg(n);
        taken.insert(name);
        const QByteArray script = "#!/bin/sh\n" + kScriptMarker +
                                  "; rewritten whenever the host list is saved.\n"
                                  "exec " +
                                  shellQuoted(handoff) + " --host-index " + QByteArray::number(i) +
                                  " \"$@\"\n";
        written = writeWhole(scripts + u'/' + name, script, true) && written;
    }
    return written;
}

bool TDesktopRegistrations::setContextMenu(bool enabled)
{
    if (!enabled) {
        removeContextMenuFiles();
        return !contextMenu();
    }
    return writeContextMenuFiles() && contextMenu();
}

void TDesktopRegistrations::refreshContextMenu()
{
    if (contextMenu())
        writeContextMenuFiles();
}

} // namespace platform
