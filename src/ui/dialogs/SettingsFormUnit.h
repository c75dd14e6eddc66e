#pragma once

#include <functional>
#include <vector>

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// "Settings": every setting that is not bound to a host, one page per subject.
// A tree on the left chooses the page; pages of the second level sit in a tab
// control on their parent's page, and choosing one of those tabs from the
// keyboard selects its tree entry in turn.
//
// The settings are read when the dialog is built and written only by OK
// (accept()); Cancel and closing the window write nothing. The file transfer
// types table is reread from its file when the dialog is built and saved on OK.
//
// Usage: build it, exec() it, then re-apply language and view settings. Needs
// the settings store; the file transfer types store when there is one.
// User-interface thread only.
class TSettingsForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TSettingsForm(QWidget* parent);
    ~TSettingsForm() override;

    // The help page number of the page shown last (1 at creation).
    int helpNumber() const { return m_helpNumber; }
    // Called with helpNumber() by F1 and the Help button; without it help
    // does nothing.
    void setOpenHelp(std::function<void(int helpNumber)> openHelp);

    // Writes every setting, the registrations and the file types, then closes
    // with OK.
    void accept() override;

    void InvokeHelpActionExecute();
    void AddFileTransferTypeButtonClick();
    void DeleteFileTransferTypeButtonClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TPage
    {
        QWidget* page = nullptr;
        QWidget* firstLevel = nullptr; // the page itself or the page holding its tab control
        QTabWidget* tabs = nullptr;    // the tab control it sits in, second level only
        int helpNumber = 1;
        QTreeWidgetItem* item = nullptr;
    };

    void buildWidgets();
    QWidget* buildStartupPage();
    QWidget* buildLanguagePage();
    QWidget* buildDialupPage();
    QWidget* buildProxyPage();
    QWidget* buildIntegrationPage();
    QWidget* buildVisibilityPage();
    QWidget* buildFileTypesPage();
    QWidget* buildTransferGeneralPage();
    QWidget* buildTransferActionsPage();
    QWidget* buildAnonymousPage();
    QTabWidget* newPageControl(const char* name, QWidget* page);
    void applyLanguage();
    void buildTree();

    void addPage(QTreeWidgetItem* parentItem, const char* textKey, QWidget* page, QWidget* firstLevel,
                 QTabWidget* tabs, int helpNumber);
    const TPage* pageOf(const QTreeWidgetItem* item) const;
    void SettingsTreeViewChange();
    void innerPageChanged(QTabWidget* tabs);
    // `focusPage`: the page's topmost control takes the focus.
    void showPage(const TPage& page, bool focusPage = true);
    // The focusable direct child of `page` nearest its top.
    static void focusTopmostControl(QWidget* page);

    void loadSettings();
    void loadFileTypes();
    void writeSettings();
    void writeFileTypes();
    void writeProxy();

    // File types list.
    QTreeWidgetItem* addFileTypeRow(const QString& extension, const QString& typeText, int number);
    void FileTransferTypesListViewSelectItem();
    void FileTransferTypesListViewColumnClick(int column);
    void sortFileTypes();

    TFormLanguage m_language;
    std::function<void(int)> m_openHelp;
    int m_helpNumber = 1;
    std::vector<TPage> m_pages;
    bool m_treeHandlerAttached = false;
    // While a key pressed in the tree is handled: walking it leaves the focus there.
    bool m_treeKeyPress = false;
    int m_sortColumn = 0;
    bool m_sortDescending = false;
    // The dial-up entry stored when the dialog opened and the item shown for
    // it, so that an entry missing from the phone book survives an unchanged OK.
    QString m_loadedDialup;
    int m_loadedDialupIndex = 0;

    QTreeWidget* m_tree = nullptr;
    QLabel* m_title = nullptr;
    QStackedWidget* m_pageControl = nullptr;
    QAction* m_helpAction = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_help = nullptr;

    QWidget* m_descriptionPage = nullptr;
    QWidget* m_startupPage = nullptr;
    QWidget* m_languagePage = nullptr;
    QWidget* m_connectionPage = nullptr;
    QWidget* m_dialupPage = nullptr;
    QWidget* m_proxyPage = nullptr;
    QWidget* m_integrationPage = nullptr;
    QWidget* m_visibilityPage = nullptr;
    QWidget* m_fileTypesPage = nullptr;
    QWidget* m_transferPage = nullptr;
    QWidget* m_transferGeneralPage = nullptr;
    QWidget* m_transferActionsPage = nullptr;
    QWidget* m_authenticationPage = nullptr;
    QWidget* m_anonymousPage = nullptr;
    QTabWidget* m_connectionTabs = nullptr;
    QTabWidget* m_transferTabs = nullptr;
    QTabWidget* m_authenticationTabs = nullptr;

    QCheckBox* m_showTip = nullptr;
    QRadioButton* m_startupDialog[3] = {};
    QCheckBox* m_showSplash = nullptr;
    QCheckBox* m_rememberFormState = nullptr;
    QCheckBox* m_trayIcon = nullptr;
    QCheckBox* m_playQueue = nullptr;
    QComboBox* m_languageBox = nullptr;
    QComboBox* m_dialup = nullptr;
    QComboBox* m_proxyType = nullptr;
    QLineEdit* m_proxyHost = nullptr;
    QLineEdit* m_proxyPort = nullptr;
    QLineEdit* m_proxyUsername = nullptr;
    QLineEdit* m_proxyPassword = nullptr;
    QCheckBox* m_defaultFtpProgram = nullptr;
    QCheckBox* m_contextMenu = nullptr;
    QCheckBox* m_startWithSystem = nullptr;
    QCheckBox* m_localSelectionPanel = nullptr;
    QCheckBox* m_remoteSelectionPanel = nullptr;
    QComboBox* m_defaultTransferType = nullptr;
    QTreeWidget* m_fileTypes = nullptr;
    QLineEdit* m_extension = nullptr;
    QComboBox* m_transferType = nullptr;
    QPushButton* m_addFileType = nullptr;
    QPushButton* m_deleteFileType = nullptr;
    QSpinBox* m_maxTransfers = nullptr;
    QComboBox* m_remoteExists = nullptr;
    QComboBox* m_remoteSmallerExists = nullptr;
    QComboBox* m_localExists = nullptr;
    QComboBox* m_localSmallerExists = nullptr;
    QLineEdit* m_anonymousEmail = nullptr;
};
