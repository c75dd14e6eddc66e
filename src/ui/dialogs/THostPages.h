#pragma once

#include <memory>

#include <QList>
#include <QObject>

#include "ui/dialogs/HostFieldSupport.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class THost;
class TFormLanguage;
class TPortKeyFilter;

// The host manager's pages of one host's fields: General, Directories,
// Connection (dial-up), TLS/SSL and Proxy, with the rules of their check boxes.
//
// show() fills the controls from a record and remembers it; writeBack() puts
// the controls' values into that record (CommonName excepted: it follows the
// node's caption). While no host is shown the pages are disabled. changed()
// reports every change the user makes, never one made by show().
// User-interface thread only.
class THostPages final : public QObject
{
    Q_OBJECT

public:
    // `language` is the window's and outlives the pages.
    THostPages(const TFormLanguage& language, QObject* parent);

    // Builds the pages as tabs of `tabs`; "None" and the system's dial-up entries
    // fill the dial-up list.
    void build(QTabWidget* tabs);
    void applyLanguage();

    void show(const std::shared_ptr<THost>& host);
    // Clears and disables the pages; the Host-ID label says "N/A".
    void showNone();
    const std::shared_ptr<THost>& shownHost() const { return m_host; }
    // The controls into the shown record; nothing while none is shown.
    void writeBack() const;

    // The pages' controls in tab order.
    QList<QWidget*> tabOrder() const;

signals:
    void changed();

private:
    QWidget* buildConnectionPage();
    QWidget* buildSSLPage();
    void watchChanges();
    void setPagesEnabled(bool enabled);

    void IsAnonymousCheckBoxClick();
    void UseDefaultProxySettingsCheckBoxClick();
    void UseDefaultDialupConnectionCheckBoxClick();
    void DialupConnectionComboBoxChange();
    void UseSSLCheckBoxClick();
    void BrowseInitialDirectoryButtonClick();

    const TFormLanguage& m_language;
    std::shared_ptr<THost> m_host;
    bool m_filling = false;

    QList<QWidget*> m_pages;
    TLoginFields m_login;
    TDirectoryFields m_directories;
    QComboBox* m_dialup = nullptr;
    QCheckBox* m_useDefaultDialup = nullptr;
    QCheckBox* m_disconnectDialup = nullptr;
    QCheckBox* m_useSSL = nullptr;
    QCheckBox* m_legacyCiphers = nullptr;
    QCheckBox* m_withoutCloseNotify = nullptr;
    TProxyFields m_proxy;
};
