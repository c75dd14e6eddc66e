#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QDialog>
#include <QPointer>
#include <QString>

#include "core/TFileMask.h"
#include "engine/TListing.h"
#include "engine/TWorkerEvents.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/main/TSearchResultModel.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTimer;
class QTreeView;
class TBrowsingState;
class TFTPWorker;

// "Advanced file search": finds the files and directories below the worker's
// current directory whose names match a mask, through the worker's recursive
// walk, and lists them with the directory each was found in.
//
// Search starts the walk (the button then reads Stop); Stop, the end of the walk
// or closing the dialog ends it. A stopped walk ends after the directory being
// listed; the matches found so far stay. Matches are shown in batches while the
// walk runs.
//
// While a walk runs on the browsing connection, and until the worker's thread
// has really left it (also after the dialog is gone), the browsing state is busy,
// so the main window starts no other work on the connection; Search stays
// disabled until a stopped walk has ended.
//
// Usage: openFor() (modal, freed on close), or build it and drive it directly.
// User-interface thread only.
class TAdvancedSearchForm final : public QDialog
{
    Q_OBJECT

public:
    TAdvancedSearchForm(TFTPWorker& worker, TBrowsingState& state, QWidget* parent = nullptr);
    ~TAdvancedSearchForm() override;

    // Modal over `owner`; returns when the dialog was closed.
    static int openFor(TFTPWorker& worker, TBrowsingState& state, QWidget* owner);

    bool isSearching() const { return m_searching; }
    // The worker's thread is still in a walk this dialog started.
    bool isWalking() const;
    TSearchResultModel& model() { return *m_model; }
    const TFormLanguage& language() const { return m_language; }

    // The results waiting for the next batch are shown now.
    void flushResults();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildWidgets();
    void applyLanguage();
    void SearchButtonClick();
    void ClearResultsButtonClick();
    // False (after the message) when the mask cannot be read.
    bool startSearch();
    void stopSearch();
    void searchListing(TFTPWorker& sender, const TListingPtr& listing);
    void walkEnded();
    void updateButtons();

    TFTPWorker& m_worker;
    TBrowsingState& m_state;
    TFormLanguage m_language;
    std::optional<TFileMask> m_mask;
    bool m_searching = false;
    // Shared with the watcher that keeps the browsing state busy until the walk's
    // end, which may come after this dialog is gone.
    std::shared_ptr<bool> m_walking;
    std::vector<TSearchResult> m_pending;

    TSearchResultModel* m_model = nullptr;
    QTimer* m_flushTimer = nullptr;
    QTabWidget* m_pages = nullptr;
    QLabel* m_maskLabel = nullptr;
    QLineEdit* m_maskEdit = nullptr;
    QTreeView* m_list = nullptr;
    QPushButton* m_search = nullptr;
    QPushButton* m_exit = nullptr;
    QPushButton* m_clear = nullptr;
};
