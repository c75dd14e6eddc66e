#pragma once

#include <QDialog>
#include <QString>

#include "ui/dialogs/TFormLanguage.h"

class QLabel;
class QPushButton;

// The splash window: the program's picture with its version, 480 x 200, no
// frame, on top of other windows, centred on the screen. It frees itself when
// closed (WA_DeleteOnClose): hold it in a QPointer.
//
// Two modes:
// - start-up (the default): shown without waiting by the program's entry and
//   closed by the start-up sequence; no button.
//   QPointer<TSplashForm> splash = TSplashForm::showAtStartup(); ... splash->close();
// - about: the About box, modal, with a Close button (Escape closes it too).
//   TSplashForm::showAbout(this);
//
// The version is QCoreApplication::applicationVersion(); "Version: N/A" when
// the program has none. User-interface thread only.
class TSplashForm final : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kWidth = 480;
    static constexpr int kHeight = 200;

    explicit TSplashForm(QWidget* parent = nullptr);

    // Creates the splash in start-up mode, shows it and paints it at once.
    static TSplashForm* showAtStartup();
    // Shows a new splash in about mode, modally, and returns when it is closed.
    static void showAbout(QWidget* parent);

    bool aboutMode() const { return m_aboutMode; }
    // About mode shows the Close button; set it before showing.
    void setAboutMode(bool about);

    QString versionText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void centreOnScreen();
    void placeOverlays();

    TFormLanguage m_language;
    bool m_aboutMode = false;
    QLabel* m_image = nullptr;
    QLabel* m_version = nullptr;
    QPushButton* m_close = nullptr;
};
