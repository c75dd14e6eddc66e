#pragma once

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class QComboBox;
class QLabel;
class QPushButton;
struct THost;

// "Destination directory": asks for the remote directory that files handed over
// by the file manager are uploaded into.
//
// Usage: build it, setUp(host), exec(); on Accepted read directory() (what the
// combo box shows, typed or picked) or uploadDirectory() (the same with the
// empty text resolved to the host's initial directory). The list holds the host's
// initial remote directory and its bookmarks, sorted alphabetically; the first
// entry is selected. The host is referenced, not copied: it must outlive the
// dialog. Also driven without exec() (tests): set the combo's text, click a
// button, read result(). User-interface thread only.
class TDestinationDirectoryForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TDestinationDirectoryForm(QWidget* parent = nullptr);

    void setUp(const THost& host);
    const THost* host() const { return m_host; }

    // The combo box's text as it stands.
    QString directory() const;
    // directory(), or the host's initial remote directory when that is empty;
    // empty means the directory the server puts the user in after login.
    QString uploadDirectory() const;

private:
    TFormLanguage m_language;
    const THost* m_host = nullptr;
    QLabel* m_label = nullptr;
    QComboBox* m_directories = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};
