#pragma once

#include <QDialog>
#include <QString>

#include "core/THost.h"
#include "ui/dialogs/TFormLanguage.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// "New host": walks a beginner through creating a saved host in three pages
// (a name for it, the server's address, the login) and stores it at the top
// level of the host tree store on Finish.
//
// Usage: build it and exec() it; Accepted means the host was stored, and
// createdHost() is that record. Leaving any other way after a Next click asks
// first. The caller rebuilds its host menus whatever the result.
//
// Needs the settings store (anonymous e-mail, language) and the host tree
// store. User-interface thread only.
class TAddHostWizardForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TAddHostWizardForm(QWidget* parent = nullptr);
    ~TAddHostWizardForm() override;

    // The host Finish stored (or tried to store); a new record's values before.
    const THost& createdHost() const { return m_host; }
    bool hostStored() const { return m_stored; }
    // The page shown, from 0.
    int currentPage() const;

    void done(int result) override;

private:
    void buildWidgets();
    QWidget* buildCommonNamePage();
    QWidget* buildHostnamePage();
    QWidget* buildAuthenticationPage();
    void applyLanguage();

    void updatePage();
    void BackButtonClick();
    void NextButtonClick();
    void IsAnonymousCheckBoxClick();
    // Fills the record from the pages and stores it; false (after telling the
    // user why) when the host tree could not be written.
    bool storeHost();

    TFormLanguage m_language;
    THost m_host;
    // Set by every click on Next (Finish included): from then on leaving asks.
    bool m_advanced = false;
    bool m_stored = false;

    QLabel* m_status = nullptr;
    QLabel* m_step = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLineEdit* m_commonName = nullptr;
    QLineEdit* m_hostname = nullptr;
    QLineEdit* m_username = nullptr;
    QLineEdit* m_password = nullptr;
    QCheckBox* m_anonymous = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_cancel = nullptr;
};
