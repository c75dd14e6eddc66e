#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Edits one key file of the desktop (mimeapps.list, a desktop entry) in place:
// the lines it does not change stay exactly as they were, comments, other
// groups, other keys and their order included. Keys are matched exactly
// ("Name" is not "Name[sv]"). Reading a missing file gives an empty one.
class TKeyFileEditor final
{
public:
    explicit TKeyFileEditor(QString path);

    // False with a reason when the file exists but cannot be read.
    bool load(QString* error = nullptr);
    // Writes through a temporary file and a rename; the folder is made when
    // missing. A file that ends up empty is removed instead when `removeWhenEmpty`.
    bool save(QString* error = nullptr, bool removeWhenEmpty = false);

    bool hasGroup(const QString& group) const;
    // The value as written (no escapes undone); `fallback` when the key is missing.
    QString value(const QString& group, const QString& key, const QString& fallback = QString()) const;
    bool contains(const QString& group, const QString& key) const;
    // Replaces the first line of the key, or appends it to the group (the group
    // is appended at the end when missing).
    void setValue(const QString& group, const QString& key, const QString& value);
    void remove(const QString& group, const QString& key);
    // Drops a group that holds no key any more (comments in it go with it).
    void removeGroupIfEmpty(const QString& group);

    const QString& path() const { return m_path; }
    bool isModified() const { return m_modified; }
    QString text() const;

    // Semicolon lists (MimeType=, mimeapps.list values).
    static QStringList splitList(const QString& value);
    static QString joinList(const QStringList& items);

private:
    // [begin, end) of the group's lines, header included; begin < 0 when missing.
    void groupRange(const QString& group, int& begin, int& end) const;
    int keyLine(const QString& group, const QString& key) const;

    QString m_path;
    QStringList m_lines;
    bool m_modified = false;
};

} // namespace platform
