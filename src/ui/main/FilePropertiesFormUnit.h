#pragma once

#include <array>
#include <deque>
#include <functional>
#include <set>
#include <vector>

#include <QDialog>
#include <QString>

#include "engine/TListing.h"
#include "engine/TLogKind.h"
#include "engine/TWorkerEvents.h"
#include "ui/dialogs/TFormLanguage.h"

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QWidget;
class TFTPWorker;
class TRemotePane;

// "Properties" of the rows selected in the remote pane: type, location and size
// (General), owner, group and Unix permissions (Security); renames a single entry
// and sets owner, group and permissions with RNFR/RNTO and SITE commands on the
// browsing connection, and sums the sizes below selected directories with the
// worker's recursive walk.
//
// Usage: addEntry() for each selected row in row order, then exec() (or show()
// in tests). The form fills itself when first shown (prepare()).
//
// The worker work it starts never overlaps: the synchronous commands of Apply
// run only while no walk of this dialog runs (Apply is disabled meanwhile and
// closing ends the walk first), and the walks of several directories run one
// after another, each started when the worker has finished the one before (and
// any listing the dialog asked for). A directory reached by two walks (a link to
// another selected directory) is counted once.
//
// User-interface thread only.
class TFilePropertiesForm final : public QDialog
{
    Q_OBJECT

public:
    enum TPermission
    {
        kUserRead,
        kUserWrite,
        kUserExecute,
        kGroupRead,
        kGroupWrite,
        kGroupExecute,
        kOtherRead,
        kOtherWrite,
        kOtherExecute,
        kPermissionCount
    };

    TFilePropertiesForm(TFTPWorker& worker, QWidget* parent = nullptr);
    ~TFilePropertiesForm() override;

    // A copy of a selected row's entry; `name` is the row's name (a rename in
    // place changes it, not the entry).
    void addEntry(const ftp::ListingEntry& entry, const QString& name);
    int entryCount() const { return static_cast<int>(m_entries.size()); }
    // Fills the controls (done by the first show); clears the change flags.
    void prepare();

    // The octal text ("755") or "N/A" while a permission box is grayed.
    QString octalText() const;
    bool nameChanged() const { return m_nameChanged; }
    bool userChanged() const { return m_userChanged; }
    bool groupChanged() const { return m_groupChanged; }
    bool permissionsChanged() const { return m_permissionsChanged; }
    bool anyChange() const
    {
        return m_nameChanged || m_userChanged || m_groupChanged || m_permissionsChanged;
    }
    // Calculate size is running (its walks, one after another).
    bool calculating() const { return m_calculating; }
    qint64 accumulatedSize() const { return m_accumulatedSize; }

    // Runs ApplyChangesAction.
    void apply();
    // Opens the dialog for the pane's selected rows, modal on `owner`, and
    // relists the directory afterwards (dropping its cache when OK was pressed).
    static int openFor(TRemotePane& pane, TFTPWorker& worker, QWidget* owner);

    // For tests: the progress window Apply shows is handed here right after it
    // appeared, and after each entry (entry index) before Cancel is checked.
    void setApplyObserver(std::function<void(QDialog& progress, int entry)> observer)
    {
        m_applyObserver = std::move(observer);
    }

signals:
    // A line for the window's log (the walk's debug lines).
    void logRequested(TLogKind kind, const QString& text);

public slots:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct TEntry
    {
        ftp::ListingEntry entry;
        QString name;
    };

    void createControls();
    void wire();
    QString typeText() const;
    qint64 selectedFilesSize() const;
    void showSize();
    void updateOctal();
    void updateActions();
    void calculateSize();
    void startNextWalk();
    void walkListing(TFTPWorker& sender, const TListingPtr& listing);
    void walkDone();
    void commandFinished(WorkerCommand command);
    void finishWalks();
    // Ends a running walk after the directory being listed and waits for the
    // worker to finish it, serving events.
    void stopWalk();
    void waitForWorker();
    QString text(const char* key) const;

    TFTPWorker& m_worker;
    TFormLanguage m_language;
    std::vector<TEntry> m_entries;
    QString m_currentDir;
    bool m_prepared = false;
    bool m_nameChanged = false;
    bool m_userChanged = false;
    bool m_groupChanged = false;
    bool m_permissionsChanged = false;
    bool m_closing = false;

    // The walk: directories still to walk, the one running, those counted.
    std::deque<QString> m_walkQueue;
    bool m_calculating = false;
    bool m_walkRunning = false;
    bool m_walkSucceeded = false;
    bool m_walkFailed = false;
    // A listing this dialog queued (after Apply) that the worker has not finished.
    bool m_listPending = false;
    std::set<QString> m_walkedDirectories;
    qint64 m_accumulatedSize = 0;
    int m_errorsReported = 0;

    QTabWidget* m_pages = nullptr;
    QWidget* m_generalPage = nullptr;
    QLabel* m_fileImage = nullptr;
    QLabel* m_fileTypeLabel = nullptr;
    QLabel* m_locationLabel = nullptr;
    QLabel* m_sizeLabel = nullptr;
    QLabel* m_dateModifiedLabel = nullptr;
    QLabel* m_countLabel = nullptr;
    QLineEdit* m_filenameEdit = nullptr;
    QPushButton* m_calculateSizeButton = nullptr;
    QLineEdit* m_userEdit = nullptr;
    QLineEdit* m_groupEdit = nullptr;
    QLineEdit* m_permissionsEdit = nullptr;
    std::array<QCheckBox*, kPermissionCount> m_boxes{};
    QAction* m_applyAction = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_applyButton = nullptr;
    std::function<void(QDialog&, int)> m_applyObserver;
};
