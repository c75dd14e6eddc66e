#pragma once

#include <QComboBox>
#include <QIcon>
#include <QString>

// The remote pane's path box: the directories shown so far in the session,
// oldest first, each with a closed folder image and the chosen one with an open
// folder image. Typing a path and pressing Enter, or choosing an entry, asks for
// that directory (pathChosen). User-interface thread only.
class TRemotePathBox final : public QComboBox
{
    Q_OBJECT

public:
    explicit TRemotePathBox(QWidget* parent = nullptr);

    void setFolderIcons(const QIcon& closed, const QIcon& open);

    // Shows `path` as the current directory: the entry that equals it without
    // regard to case is chosen; otherwise it is appended, the oldest entries go
    // while there are more than `maxEntries` (at least 1), and it is chosen.
    void showDirectory(const QString& path, int maxEntries);
    // Empties the box (and its text).
    void clearDirectories();

signals:
    void pathChosen(const QString& path);

private:
    void markCurrent(int index);

    QIcon m_closed;
    QIcon m_open;
};
