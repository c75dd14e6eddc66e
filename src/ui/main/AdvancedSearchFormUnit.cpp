#include "ui/main/AdvancedSearchFormUnit.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/EMaskException.h"
#include "core/Format.h"
#include "core/TMainConfig.h"
#include "engine/TFTPWorker.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TBrowsingState.h"
#include "ui/main/TFileTypes.h"

namespace {

// Matches wait this long for the next batch, so a directory of thousands of
// matches costs the list one insertion, not thousands.
constexpr int kBatchMs = 100;

} // namespace

TAdvancedSearchForm::TAdvancedSearchForm(TFTPWorker& worker, TBrowsingState& state, QWidget* parent)
    : QDialog(parent)
    , m_worker(worker)
    , m_state(state)
    , m_language(QStringLiteral("AdvancedSearchForm"))
    , m_walking(std::make_shared<bool>(false))
{
    setObjectName(QStringLiteral("AdvancedSearchForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    m_model = new TSearchResultModel(TFileTypes::shared(), this);
    m_flushTimer = new QTimer(this);
    m_flushTimer->setSingleShot(true);
    m_flushTimer->setInterval(kBatchMs);
    connect(m_flushTimer, &QTimer::timeout, this, &TAdvancedSearchForm::flushResults);
    buildWidgets();
    applyLanguage();
    updateButtons();
    resize(760, 460);
}

TAdvancedSearchForm::~TAdvancedSearchForm()
{
    if (m_searching)
        stopSearch();
}

int TAdvancedSearchForm::openFor(TFTPWorker& worker, TBrowsingState& state, QWidget* owner)
{
    auto form = std::make_unique<TAdvancedSearchForm>(worker, state, owner);
    form->setWindowModality(Qt::ApplicationModal);
    return form->exec();
}

void TAdvancedSearchForm::buildWidgets()
{
    auto* layout = new QVBoxLayout(this);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("SearchPageControl"));
    auto* page = new QWidget(m_pages);
    page->setObjectName(QStringLiteral("FilesAndFoldersTabSheet"));
    auto* pageLayout = new QHBoxLayout(page);
    m_maskEdit = new QLineEdit(page);
    m_maskEdit->setObjectName(QStringLiteral("MaskEdit"));
    m_maskLabel = new QLabel(page);
    m_maskLabel->setObjectName(QStringLiteral("MaskLabel"));
    m_maskLabel->setBuddy(m_maskEdit);
    pageLayout->addWidget(m_maskLabel);
    pageLayout->addWidget(m_maskEdit, 1);
    m_pages->addTab(page, QString());

    auto* top = new QHBoxLayout;
    top->addWidget(m_pages, 1);
    auto* buttons = new QVBoxLayout;
    m_search = NewDialogButton("SearchButton", this);
    m_search->setDefault(true);
    m_exit = NewDialogButton("ExitButton", this);
    m_clear = NewDialogButton("ClearResultsButton", this);
    buttons->addWidget(m_search);
    buttons->addWidget(m_exit);
    buttons->addWidget(m_clear);
    buttons->addStretch(1);
    top->addLayout(buttons);
    layout->addLayout(top);

    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("RemoteListView"));
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setIconSize(QSize(16, 16));
    m_list->header()->setSortIndicator(TSearchResultModel::kName, Qt::AscendingOrder);
    m_list->setSortingEnabled(true);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->resizeSection(TSearchResultModel::kName, 180);
    m_list->header()->resizeSection(TSearchResultModel::kPath, 200);
    m_list->header()->resizeSection(TSearchResultModel::kSize, 70);
    m_list->header()->resizeSection(TSearchResultModel::kPermissions, 80);
    TFormLanguage::keepAccessibleName(m_list);
    layout->addWidget(m_list, 1);

    setTabOrder(m_maskEdit, m_search);
    setTabOrder(m_search, m_exit);
    setTabOrder(m_exit, m_clear);
    setTabOrder(m_clear, m_list);

    connect(m_search, &QPushButton::clicked, this, &TAdvancedSearchForm::SearchButtonClick);
    connect(m_exit, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_clear, &QPushButton::clicked, this, &TAdvancedSearchForm::ClearResultsButtonClick);
}

void TAdvancedSearchForm::applyLanguage()
{
    m_language.apply(this);
    m_pages->setTabText(0, m_language.caption(QStringLiteral("FilesAndFoldersTabSheet")));
    QStringList titles;
    for (int column = 0; column < TSearchResultModel::kColumnCount; ++column)
        titles.append(
            m_language.collection(QStringLiteral("RemoteListView.Columns[%1].Caption").arg(column)));
    m_model->setColumnTitles(titles);
    m_list->setAccessibleName(m_language.text(QStringLiteral("strRemoteListView")));
    m_search->setText(m_language.text(m_searching ? QStringLiteral("strSTOP") : QStringLiteral("strSEARCH")));
}

void TAdvancedSearchForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_maskEdit->setFocus(Qt::OtherFocusReason);
}

bool TAdvancedSearchForm::isWalking() const
{
    return *m_walking;
}

void TAdvancedSearchForm::updateButtons()
{
    m_search->setText(m_language.text(m_searching ? QStringLiteral("strSTOP") : QStringLiteral("strSEARCH")));
    // A stopped walk still finishes the directory it lists; a new one waits for it.
    m_search->setEnabled(m_searching || !isWalking());
}

void TAdvancedSearchForm::SearchButtonClick()
{
    if (m_searching)
        stopSearch();
    else
        startSearch();
}

void TAdvancedSearchForm::ClearResultsButtonClick()
{
    m_pending.clear();
    m_model->clear();
}

bool TAdvancedSearchForm::startSearch()
{
    if (isWalking())
        return false;
    try {
        m_mask.emplace(m_maskEdit->text());
    } catch (const EMaskException& e) {
        m_mask.reset();
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Error;
        request.Text =
            Format(m_language.text(QStringLiteral("strInvalidMask")), {m_maskEdit->text(), e.position()});
        TMessageDialog::show(this, m_language, request);
        m_maskEdit->setFocus(Qt::OtherFocusReason);
        return false;
    }

    // Until the worker's thread has left the walk, the window starts nothing else
    // on the connection, also when this dialog is gone by then.
    *m_walking = true;
    const bool ownBusy = !m_state.busy();
    if (ownBusy)
        m_state.setBusy(true);
    auto watch = std::make_shared<QMetaObject::Connection>();
    QPointer<TAdvancedSearchForm> form(this);
    *watch = connect(&m_worker, &TFTPWorker::commandFinished, &m_state,
                     [walking = m_walking, state = &m_state, ownBusy, watch, form](WorkerCommand command) {
                         if (command != WorkerCommand::Search)
                             return;
                         QObject::disconnect(*watch);
                         *walking = false;
                         if (ownBusy)
                             state->setBusy(false);
                         if (form)
                             form->walkEnded();
                     });

    m_worker.setOnSearchListing(
        this, [this](TFTPWorker& sender, const TListingPtr& listing) { searchListing(sender, listing); });
    m_worker.setEvent(TWorkerEvent::OnSearchDone, this, [this](TFTPWorker&) {
        if (m_searching)
            stopSearch();
    });
    setCursor(Qt::BusyCursor);
    m_worker.Search(m_worker.CurrentDir());
    m_searching = true;
    updateButtons();
    return true;
}

void TAdvancedSearchForm::stopSearch()
{
    unsetCursor();
    // The walk ends after the directory it is listing.
    m_worker.setOnSearchListing(nullptr, {});
    m_worker.clearEvent(TWorkerEvent::OnSearchDone);
    m_searching = false;
    flushResults();
    updateButtons();
}

void TAdvancedSearchForm::walkEnded()
{
    // A walk that failed (the connection lost, a directory that cannot be read)
    // ends without OnSearchDone: the search is over all the same.
    if (m_searching)
        stopSearch();
    updateButtons();
}

void TAdvancedSearchForm::searchListing(TFTPWorker& sender, const TListingPtr& listing)
{
    // A listing delivered after Stop or the close belongs to no search.
    if (!m_searching || !m_mask || !listing)
        return;
    const QString directory = sender.CurrentDir();
    TFileTypes& types = TFileTypes::shared();
    for (const ftp::ListingEntry& entry : *listing) {
        if (entry.name.empty() || entry.name == "." || entry.name == "..")
            continue;
        if (!m_mask->Matches(QString::fromStdString(entry.name)))
            continue;
        m_pending.push_back(TSearchResult::fromEntry(entry, directory, types));
    }
    if (!m_pending.empty() && !m_flushTimer->isActive())
        m_flushTimer->start();
}

void TAdvancedSearchForm::flushResults()
{
    m_flushTimer->stop();
    if (m_pending.empty())
        return;
    std::vector<TSearchResult> batch;
    batch.swap(m_pending);
    m_model->append(std::move(batch));
}

void TAdvancedSearchForm::done(int result)
{
    if (m_searching)
        stopSearch();
    QDialog::done(result);
}
