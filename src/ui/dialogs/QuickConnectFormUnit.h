#pragma once

#include <vector>

#include <QDialog>
#include <QString>

#include "core/THost.h"
#include "ui/dialogs/HostFieldSupport.h"
#include "ui/dialogs/TFormLanguage.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class TPortKeyFilter;
struct TFtpUrl;

// "Quick connect": connects to a host that is not kept in the host tree. Every
// host connected through it is remembered in the quick-connect list and offered
// again under "Previous hosts:".
//
// Usage: build it, exec() it; when it closed with Accepted, connect with host()
// (the working record, already stored in the quick-connect list and named by
// the setting LastQuickConnectedHostID). Fields the dialog has no control for
// (dial-up, bookmarks) keep what the working record holds: a new record's
// defaults, or those of the previous host last loaded into it.
//
// Needs the settings store; without a quick-connect list it still connects but
// remembers nothing. User-interface thread only.
class TQuickConnectForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TQuickConnectForm(QWidget* parent = nullptr);
    ~TQuickConnectForm() override;

    // The working record: what Connect filled in.
    THost& host() { return m_host; }
    const THost& host() const { return m_host; }

    // The ID of the previous host whose values are shown; empty for a new host.
    const QString& loadedHostID() const { return m_loadedHostID; }

    // Fills the fields from an ftp:// address as Paste does (an empty user name
    // or "anonymous" makes the host anonymous). False when `text` is no such address.
    bool pasteURL(const QString& text);
    // As dropping a link: the same, but never anonymous by itself.
    bool dropURL(const QString& text);

    void done(int result) override;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWidgets();
    void applyLanguage();
    void fillPreviousHosts();

    // Runs the selection rule for an item of "Previous hosts:" (0: a new host).
    void selectItem(int index);
    void QuickHostsComboListChange(int index);
    void clearFields();
    void showHost(const THost& host);
    void showHostID(const QString& id);
    void fillFromURL(const TFtpUrl& url, bool anonymousWhenNoUser);

    void IsAnonymousCheckBoxClick();
    void UseDefaultProxySettingsCheckBoxClick();
    void ConnectButtonClick();
    void DeleteQuickHostActionExecute();
    void EditPasteExecute();
    void BrowseInitialDirectoryButtonClick();
    void updateActions();

    // The selected item's record, or null for the empty first item.
    THost* selectedHost() const;
    static QString urlTextOf(const class QMimeData* mime);

    TFormLanguage m_language;
    THost m_host;
    QString m_loadedHostID;
    // The record behind each item of QuickHostsComboList; null for the first one.
    std::vector<THost*> m_itemHosts;
    bool m_filling = false;

    QComboBox* m_quickHosts = nullptr;
    QAction* m_deleteAction = nullptr;
    QAction* m_pasteAction = nullptr;
    QTabWidget* m_pages = nullptr;
    TLoginFields m_login;
    TDirectoryFields m_directories;
    QCheckBox* m_useSSL = nullptr;
    TProxyFields m_proxy;
    QPushButton* m_connect = nullptr;
    QPushButton* m_cancel = nullptr;
    QCheckBox* m_showOnStartup = nullptr;
};
