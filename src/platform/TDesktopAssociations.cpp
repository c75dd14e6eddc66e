#include "platform/TDesktopAssociations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QProcessEnvironment>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>

namespace platform {

namespace {

// One [Group] of a key file: its keys as written (no locale variants needed here).
using TGroup = QHash<QString, QString>;
using TKeyFile = QHash<QString, TGroup>;

TKeyFile readKeyFile(const QString& path)
{
    TKeyFile groups;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return groups;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    QString group;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            group = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals <= 0 || group.isEmpty())
            continue;
        const QString key = line.left(equals).trimmed();
        // The first occurrence of a key counts.
        TGroup& values = groups[group];
        if (!values.contains(key))
            values.insert(key, line.mid(equals + 1).trimmed());
    }
    return groups;
}

// The string escapes of a desktop entry value: \s \n \t \r \\ (a backslash
// before anything else stays for the Exec quoting to read).
QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(i + 1);
        switch (next.unicode()) {
        case 's':
            out += u' ';
            break;
        case 'n':
            out += u'\n';
            break;
        case 't':
            out += u'\t';
            break;
        case 'r':
            out += u'\r';
            break;
        case '\\':
            out += u'\\';
            break;
        default:
            out += c;
            out += next;
            break;
        }
        ++i;
    }
    return out;
}

QStringList listValue(const QString& value)
{
    QStringList items;
    for (const QString& item : value.split(u';', Qt::SkipEmptyParts)) {
        const QString trimmed = item.trimmed();
        if (!trimmed.isEmpty())
            items.append(trimmed);
    }
    return items;
}

QStringList pathList(const QString& value, const QStringList& fallback)
{
    QStringList dirs;
    for (const QString& dir : value.split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            dirs.append(dir);
    return dirs.isEmpty() ? fallback : dirs;
}

QString dirValue(const QString& value, const QString& fallback)
{
    return !value.isEmpty() && QDir::isAbsolutePath(value) ? value : fallback;
}

bool isFileCode(QChar code)
{
    return code == u'f' || code == u'F' || code == u'u' || code == u'U';
}

// The Exec value split into arguments: blanks separate them, double quotes
// group, and inside quotes a backslash escapes " ` $ and itself. Field codes
// are left for the caller. Nothing when a quote is not closed.
std::optional<QStringList> splitExec(const QString& exec)
{
    QStringList args;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec.at(i);
        if (quoted) {
            if (c == u'\\' && i + 1 < exec.size() && QStringLiteral("\"`$\\").contains(exec.at(i + 1))) {
                current += exec.at(++i);
            } else if (c == u'"') {
                quoted = false;
            } else {
                current += c;
            }
            continue;
        }
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inArgument)
                args.append(current);
            current.clear();
            inArgument = false;
        } else if (c == u'"') {
            quoted = true;
            inArgument = true;
        } else if (c == u'\\' && i + 1 < exec.size()) {
            current += exec.at(++i);
            inArgument = true;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (quoted)
        return std::nullopt;
    if (inArgument)
        args.append(current);
    return args;
}

} // namespace

TDesktopAssociations::TDirectories
TDesktopAssociations::directoriesFrom(const QProcessEnvironment& environment)
{
    const QString home = environment.value(QStringLiteral("HOME"), QDir::homePath());
    TDirectories dirs;
    dirs.ConfigHome =
        dirValue(environment.value(QStringLiteral("XDG_CONFIG_HOME")), home + QStringLiteral("/.config"));
    dirs.ConfigDirs =
        pathList(environment.value(QStringLiteral("XDG_CONFIG_DIRS")), {QStringLiteral("/etc/xdg")});
    dirs.DataHome =
        dirValue(environment.value(QStringLiteral("XDG_DATA_HOME")), home + QStringLiteral("/.local/share"));
    dirs.DataDirs = pathList(environment.value(QStringLiteral("XDG_DATA_DIRS")),
                             {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")});
    for (const QString& desktop :
         environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(u':', Qt::SkipEmptyParts))
        dirs.Desktops.append(desktop.trimmed().toLower());
    return dirs;
}

TDesktopAssociations::TDesktopAssociations()
    : TDesktopAssociations(directoriesFrom(QProcessEnvironment::systemEnvironment()))
{}

TDesktopAssociations::TDesktopAssociations(TDirectories directories)
    : m_directories(std::move(directories))
{}

QStringList TDesktopAssociations::applicationDirs() const
{
    QStringList dirs{m_directories.DataHome + QStringLiteral("/applications")};
    for (const QString& dir : m_directories.DataDirs)
        dirs.append(dir + QStringLiteral("/applications"));
    return dirs;
}

QStringList TDesktopAssociations::mimeAppsLists() const
{
    QStringList dirs{m_directories.ConfigHome};
    dirs += m_directories.ConfigDirs;
    dirs += applicationDirs();
    QStringList lists;
    for (const QString& dir : std::as_const(dirs)) {
        for (const QString& desktop : m_directories.Desktops)
            lists.append(QStringLiteral("%1/%2-mimeapps.list").arg(dir, desktop));
        lists.append(dir + QStringLiteral("/mimeapps.list"));
    }
    return lists;
}

QString TDesktopAssociations::desktopEntryPath(const QString& desktopId) const
{
    if (desktopId.isEmpty() || desktopId.contains(u'/') || desktopId.startsWith(u'.') ||
        !desktopId.endsWith(QLatin1String(".desktop")))
        return {};
    for (const QString& dir : applicationDirs()) {
        const QString direct = dir + u'/' + desktopId;
        if (QFileInfo(direct).isFile())
            return direct;
        // "kde-foo.desktop" may stand for applications/kde/foo.desktop.
        QString nested = desktopId;
        for (qsizetype dash = nested.indexOf(u'-'); dash > 0; dash = nested.indexOf(u'-', dash + 1)) {
            nested[dash] = u'/';
            const QString candidate = dir + u'/' + nested;
            if (QFileInfo(candidate).isFile())
                return candidate;
        }
    }
    return {};
}

bool TDesktopAssociations::usable(const QString& desktopId) const
{
    const QString path = desktopEntryPath(desktopId);
    if (path.isEmpty())
        return false;
    const TGroup entry = readKeyFile(path).value(QStringLiteral("Desktop Entry"));
    if (entry.value(QStringLiteral("Hidden")) == QLatin1String("true"))
        return false;
    const QString type = entry.value(QStringLiteral("Type"), QStringLiteral("Application"));
    return type == QLatin1String("Application") && !entry.value(QStringLiteral("Exec")).isEmpty();
}

QString TDesktopAssociations::defaultApplication(const QString& mimeType) const
{
    if (mimeType.isEmpty())
        return {};
    QList<TKeyFile> lists;
    for (const QString& path : mimeAppsLists())
        lists.append(readKeyFile(path));

    for (const TKeyFile& list : std::as_const(lists))
        for (const QString& id :
             listValue(list.value(QStringLiteral("Default Applications")).value(mimeType)))
            if (usable(id))
                return id;

    // An association a list removes no longer counts in that list and the ones below it.
    QSet<QString> removed;
    for (const TKeyFile& list : std::as_const(lists)) {
        for (const QString& id :
             listValue(list.value(QStringLiteral("Removed Associations")).value(mimeType)))
            removed.insert(id);
        for (const QString& id : listValue(list.value(QStringLiteral("Added Associations")).value(mimeType)))
            if (!removed.contains(id) && usable(id))
                return id;
    }

    for (const QString& dir : applicationDirs()) {
        const TKeyFile cache = readKeyFile(dir + QStringLiteral("/mimeinfo.cache"));
        for (const QString& id : listValue(cache.value(QStringLiteral("MIME Cache")).value(mimeType)))
            if (!removed.contains(id) && usable(id))
                return id;
    }
    return {};
}

std::optional<TOpenCommand> TDesktopAssociations::commandFor(const QString& filePath) const
{
    const QMimeType type = QMimeDatabase().mimeTypeForFile(filePath);
    QStringList types{type.name()};
    types += type.allAncestors();
    for (const QString& name : std::as_const(types))
        if (std::optional<TOpenCommand> command = commandForType(name, filePath))
            return command;
    return std::nullopt;
}

std::optional<TOpenCommand> TDesktopAssociations::commandForType(const QString& mimeType,
                                                                 const QString& filePath) const
{
    const QString id = defaultApplication(mimeType);
    if (id.isEmpty())
        return std::nullopt;
    const QString path = desktopEntryPath(id);
    const TGroup entry = readKeyFile(path).value(QStringLiteral("Desktop Entry"));
    std::optional<QStringList> args = expandExec(unescapeValue(entry.value(QStringLiteral("Exec"))), filePath,
                                                 unescapeValue(entry.value(QStringLiteral("Name"))),
                                                 unescapeValue(entry.value(QStringLiteral("Icon"))), path);
    if (!args)
        return std::nullopt;
    // A program for a terminal gets one; without it, it would start with no
    // terminal and end at once.
    if (entry.value(QStringLiteral("Terminal")) == QLatin1String("true")) {
        const QString terminal = m_terminal.isEmpty()
                                     ? QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"))
                                     : m_terminal;
        if (terminal.isEmpty())
            return std::nullopt;
        args->prepend(QStringLiteral("-e"));
        args->prepend(terminal);
    }
    TOpenCommand command;
    command.Program = args->takeFirst();
    command.Arguments = *args;
    command.DesktopFile = path;
    return command;
}

std::optional<QStringList> TDesktopAssociations::expandExec(const QString& exec, const QString& filePath,
                                                            const QString& name, const QString& icon,
                                                            const QString& desktopFile)
{
    const std::optional<QStringList> split = splitExec(exec);
    if (!split)
        return std::nullopt;
    QStringList args;
    bool fileGiven = false;
    for (const QString& arg : *split) {
        if (arg == QLatin1String("%i")) {
            if (!icon.isEmpty())
                args << QStringLiteral("--icon") << icon;
            continue;
        }
        QString out;
        bool codeOnly = !arg.isEmpty(); // nothing but field codes that expanded to nothing
        for (qsizetype i = 0; i < arg.size(); ++i) {
            const QChar c = arg.at(i);
            if (c != u'%' || i + 1 >= arg.size()) {
                out += c;
                codeOnly = false;
                continue;
            }
            const QChar code = arg.at(++i);
            if (isFileCode(code)) {
                // One file: a second file code is dropped, not a second copy of the path.
                if (!fileGiven) {
                    out += filePath;
                    codeOnly = false;
                }
                fileGiven = true;
            } else if (code == u'c') {
                out += name;
                codeOnly = codeOnly && name.isEmpty();
            } else if (code == u'k') {
                out += desktopFile;
                codeOnly = codeOnly && desktopFile.isEmpty();
            } else if (code == u'%') {
                out += u'%';
                codeOnly = false;
            }
            // %d %D %n %N %v %m (deprecated), %i inside an argument and unknown codes: dropped.
        }
        if (!out.isEmpty() || !codeOnly)
            args.append(out);
    }
    if (args.isEmpty() || args.first().isEmpty())
        return std::nullopt;
    return args;
}

} // namespace platform
