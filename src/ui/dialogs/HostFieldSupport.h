#pragma once

#include <QString>

#include "core/TIdFtpProxySettings.h"
#include "ui/dialogs/DialogSupport.h"

class QCheckBox;
class QPushButton;
class TPortKeyFilter;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;
class TFormLanguage;

// Controls the dialogs that edit a host's fields share (quick connect, host
// manager). User-interface thread only.

// The port a port edit holds: 21 when its text is not a port number (empty,
// letters, 0, past 65535).
int PortOfEdit(const QLineEdit* edit);

// The "Connect anonymously" rule: checked puts "anonymous" and the settings'
// e-mail address (shown in clear) into the two edits and locks them; unchecked
// unlocks them with the texts they hold and masks the password.
void ApplyAnonymousLogin(bool anonymous, QLineEdit* username, QLineEdit* password);

// The "General" page's controls: host name and port (digits only, through the
// port key filter), "Connect anonymously", user name, password, "Use passive
// transfers", and the host ID at the bottom.
struct TLoginFields
{
    QLineEdit* Hostname = nullptr;
    QLineEdit* Port = nullptr;
    TPortKeyFilter* PortFilter = nullptr;
    QCheckBox* Anonymous = nullptr;
    QLineEdit* Username = nullptr;
    QLineEdit* Password = nullptr;
    QCheckBox* Passive = nullptr;
    QLabel* HostID = nullptr;

    // Builds the page "GeneralTabSheet"; `extra` (may be null) takes the row
    // under "Use passive transfers".
    QWidget* buildPage(QCheckBox* extra = nullptr);
};

// The "Directories" page: the initial local directory with its Browse button,
// and the initial remote directory.
struct TDirectoryFields
{
    QLineEdit* Local = nullptr;
    QPushButton* Browse = nullptr;
    QLineEdit* Remote = nullptr;

    // Builds the page "DirectoriesTabSheet".
    QWidget* buildPage();
};

// The proxy page: "Use default proxy settings", the type list (item index =
// ordinal, the first six types) and the host, port, user name and password edits.
struct TProxyFields
{
    static constexpr int kTypeItems = 6;

    QCheckBox* UseDefault = nullptr;
    QComboBox* Type = nullptr;
    QLineEdit* Host = nullptr;
    QLineEdit* Port = nullptr;
    QLineEdit* Username = nullptr;
    QLineEdit* Password = nullptr;

    // Builds the page "ProxyTabSheet" and its controls.
    QWidget* buildPage();
    // The type names from the window's table (stMultiLines "ProxyTypeComboBox.Items").
    void applyLanguage(const TFormLanguage& language);
    // The "Use default proxy settings" rule: checked shows the settings' proxy
    // and locks the controls; unchecked shows `own` and unlocks them.
    void showForUseDefault(const TIdFtpProxySettings& own);
    // Shows a proxy; a type past the six listed leaves the type item as it is.
    void show(const TIdFtpProxySettings& proxy);
    // The controls' values into `proxy` (the port 21 when it is not a number).
    void readInto(TIdFtpProxySettings& proxy) const;
    void setEditable(bool editable);

    // The default proxy of the settings (none without a settings store).
    static TIdFtpProxySettings settingsDefault();
};
