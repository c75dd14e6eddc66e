#pragma once

#include <functional>

#include <QObject>
#include <QPointer>
#include <QString>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;
class TCustomizeButtonsForm;
class TMainConfig;

// The toolbars of the main window: their places and visibility (the registry's
// "Software\Vantor FTP\Toolbars\<toolbar>" records and the settings), their
// button layouts, the show-toolbar actions and the toolbars' pop-up menu with
// Customize.
//
// No toolbar of the window floats or changes docks, so a record's dock row and
// position are kept as the toolbar's own numbers (written back as read).
//
// Main thread. Built by the window once its toolbars and actions exist.
class TMainToolbars final : public QObject
{
    Q_OBJECT

public:
    using TActionLookup = std::function<QAction*(const QString&)>;

    TMainToolbars(QMainWindow& window, TActionLookup action);
    ~TMainToolbars() override;

    static inline const QString kDockRecordsKey = QStringLiteral("Software\\Vantor FTP\\Toolbars");
    static inline const QString kRev = QStringLiteral("2000");

    // The start-up sequence: the registry's records, the four button layouts,
    // then the settings' places and visibility, then the check marks.
    void RestoreToolbars();
    // The registry's records and the settings' toolbar values.
    void SaveToolbars(TMainConfig& config);

    // MainMenuToolbar (the menu bar) and the four toolbars by name.
    QWidget* toolbar(const QString& name) const;
    static int dockRow(const QWidget* toolbar);
    static int dockPos(const QWidget* toolbar);
    static void setDockPlace(QWidget* toolbar, int row, int pos);

    QMenu* popupMenu() const { return m_popup; }
    // Opens the pop-up menu for `toolbar` as a right click on it does.
    void popUpFor(QToolBar* toolbar);
    // CustomizeToolbarAction: the toolbar the pop-up menu was last opened on.
    void customize();
    // How the dialog is shown (exec() unless a test replaces it).
    void setDialogRunner(std::function<void(TCustomizeButtonsForm&)> runner)
    {
        m_runDialog = std::move(runner);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showToolbar(const char* name, const char* dock, bool on);

    QMainWindow& m_window;
    TActionLookup m_action;
    QMenu* m_popup = nullptr;
    QPointer<QWidget> m_popupComponent;
    std::function<void(TCustomizeButtonsForm&)> m_runDialog;
};
