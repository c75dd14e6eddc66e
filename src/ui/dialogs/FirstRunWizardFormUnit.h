#pragma once

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;
class QStackedWidget;

// "First run": a three-page guide shown once, the first time the program runs
// with a data folder (the setting FirstRun). Its pages introduce the program,
// choose the language and offer sample hosts and the add-host wizard.
//
// It cannot be cancelled: there is no title-bar button, Cancel stays disabled
// and Escape does nothing. Finish on the last page closes it with Accepted;
// however it closes, the caller applies the choices:
//
//   TFirstRunWizardForm wizard(this);
//   wizard.exec();
//   wizard.addSampleSites(), wizard.showAddHostWizard(), wizard.chosenLanguage()
//
// Choosing a language switches every text of the wizard at once. The wizard
// never writes a setting itself. User-interface thread only.
class TFirstRunWizardForm final : public QDialog
{
    Q_OBJECT

public:
    explicit TFirstRunWizardForm(QWidget* parent = nullptr);

    static constexpr int kPageCount = 3;

    // AddSampleSitesCheckBox and ShowAddNewHostWizardCheckBox.
    bool addSampleSites() const;
    bool showAddHostWizard() const;
    // The item selected in LanguageComboBox; empty when none is (Language then
    // stays as it was).
    QString chosenLanguage() const;

    // The page shown, 0-based, and the wizard's own language.
    int currentPage() const;
    QString language() const { return m_language.language(); }

    // Next and Back as the buttons do them.
    void NextButtonClick();
    void BackButtonClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildWidgets();
    QWidget* newPage(const char* name, const char* textName);
    void applyLanguage();
    void updatePage();
    void focusFirstControlOf(QWidget* page);
    void LanguageComboBoxChange(int index);

    TFormLanguage m_language;
    QLabel* m_status = nullptr;
    QLabel* m_step = nullptr;
    QLabel* m_image = nullptr;
    QStackedWidget* m_pages = nullptr;
    QComboBox* m_languages = nullptr;
    QCheckBox* m_addSamples = nullptr;
    QCheckBox* m_addHostWizard = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_cancel = nullptr;
};
