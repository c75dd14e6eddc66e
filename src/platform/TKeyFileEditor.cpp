#include "platform/TKeyFileEditor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace platform {

namespace {

QString groupOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(u'[') && trimmed.endsWith(u']'))
        return trimmed.mid(1, trimmed.size() - 2);
    return {};
}

bool isGroupLine(const QString& line)
{
    const QString trimmed = line.trimmed();
    return trimmed.startsWith(u'[') && trimmed.endsWith(u']');
}

QString keyOf(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
        return {};
    const qsizetype equals = trimmed.indexOf(u'=');
    return equals > 0 ? trimmed.left(equals).trimmed() : QString();
}

} // namespace

TKeyFileEditor::TKeyFileEditor(QString path)
    : m_path(std::move(path))
{}

bool TKeyFileEditor::load(QString* error)
{
    m_lines.clear();
    m_modified = false;
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QString text = QString::fromUtf8(file.readAll());
    m_lines = text.split(u'\n');
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
    for (QString& line : m_lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    return true;
}

QString TKeyFileEditor::text() const
{
    return m_lines.isEmpty() ? QString() : m_lines.join(u'\n') + u'\n';
}

bool TKeyFileEditor::save(QString* error, bool removeWhenEmpty)
{
    bool empty = true;
    for (const QString& line : std::as_const(m_lines))
        if (!line.trimmed().isEmpty())
            empty = false;
    if (empty && removeWhenEmpty) {
        if (QFile::exists(m_path) && !QFile::remove(m_path)) {
            if (error)
                *error = QStringLiteral("%1 could not be removed").arg(m_path);
            return false;
        }
        m_modified = false;
        return true;
    }
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text().toUtf8()) < 0 || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    m_modified = false;
    return true;
}

void TKeyFileEditor::groupRange(const QString& group, int& begin, int& end) const
{
    begin = -1;
    end = -1;
    for (int i = 0; i < m_lines.size(); ++i) {
        if (!isGroupLine(m_lines[i]))
            continue;
        if (begin >= 0) {
            end = i;
            return;
        }
        if (groupOf(m_lines[i]) == group)
            begin = i;
    }
    if (begin >= 0)
        end = int(m_lines.size());
}

int TKeyFileEditor::keyLine(const QString& group, const QString& key) const
{
    int begin = 0;
    int end = 0;
    groupRange(group, begin, end);
    if (begin < 0)
        return -1;
    for (int i = begin + 1; i < end; ++i)
        if (keyOf(m_lines[i]) == key)
            return i;
    return -1;
}

bool TKeyFileEditor::hasGroup(const QString& group) const
{
    int begin = 0;
    int end = 0;
    groupRange(group, begin, end);
    return begin >= 0;
}

bool TKeyFileEditor::contains(const QString& group, const QString& key) const
{
    return keyLine(group, key) >= 0;
}

QString TKeyFileEditor::value(const QString& group, const QString& key, const QString& fallback) const
{
    const int line = keyLine(group, key);
    if (line < 0)
        return fallback;
    const QString& text = m_lines[line];
    return text.mid(text.indexOf(u'=') + 1).trimmed();
}

void TKeyFileEditor::setValue(const QString& group, const QString& key, const QString& value)
{
    const QString line = key + u'=' + value;
    const int existing = keyLine(group, key);
    if (existing >= 0) {
        if (m_lines[existing] != line) {
            m_lines[existing] = line;
            m_modified = true;
        }
        return;
    }
    int begin = 0;
    int end = 0;
    groupRange(group, begin, end);
    if (begin < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().trimmed().isEmpty())
            m_lines.append(QString());
        m_lines.append(u'[' + group + u']');
        m_lines.append(line);
    } else {
        // After the group's last key, before the blank lines that separate it.
        int at = end;
        while (at - 1 > begin && m_lines[at - 1].trimmed().isEmpty())
            --at;
        m_lines.insert(at, line);
    }
    m_modified = true;
}

void TKeyFileEditor::remove(const QString& group, const QString& key)
{
    const int line = keyLine(group, key);
    if (line < 0)
        return;
    m_lines.removeAt(line);
    m_modified = true;
}

void TKeyFileEditor::removeGroupIfEmpty(const QString& group)
{
    int begin = 0;
    int end = 0;
    groupRange(group, begin, end);
    if (begin < 0)
        return;
    for (int i = begin + 1; i < end; ++i)
        if (!keyOf(m_lines[i]).isEmpty())
            return;
    // The blank lines before the next group stay with the file.
    int last = end;
    while (last - 1 > begin && m_lines[last - 1].trimmed().isEmpty())
        --last;
    m_lines.erase(m_lines.begin() + begin, m_lines.begin() + last);
    // A group that was last leaves no blank line behind it.
    if (begin == m_lines.size())
        while (!m_lines.isEmpty() && m_lines.last().trimmed().isEmpty())
            m_lines.removeLast();
    m_modified = true;
}

QStringList TKeyFileEditor::splitList(const QString& value)
{
    QStringList items;
    for (const QString& item : value.split(u';', Qt::SkipEmptyParts))
        if (!item.trimmed().isEmpty())
            items.append(item.trimmed());
    return items;
}

QString TKeyFileEditor::joinList(const QStringList& items)
{
    return items.isEmpty() ? QString() : items.join(u';') + u';';
}

} // namespace platform
