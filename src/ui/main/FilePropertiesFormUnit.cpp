#include "ui/main/FilePropertiesFormUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QDate>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QShowEvent>
#include <QStyle>
#include <QTabWidget>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

#include "core/FileTimes.h"
#include "core/Format.h"
#include "core/SizeFormat.h"
#include "engine/RemoteNames.h"
#include "engine/TFTPWorker.h"
#include "ftp/FtpError.h"
#include "ui/dialogs/DialogSupport.h"
#include "ui/dialogs/ProgressFormUnit.h"
#include "ui/dialogs/TMessageDialog.h"
#include "ui/main/TFileTypes.h"
#include "ui/main/TRemoteListModel.h"
#include "ui/main/TRemotePane.h"

namespace {

const char* const kBoxNames[TFilePropertiesForm::kPermissionCount] = {
    "UserReadCheckBox",  "UserWriteCheckBox",  "UserExecuteCheckBox",
    "GroupReadCheckBox", "GroupWriteCheckBox", "GroupExecuteCheckBox",
    "OtherReadCheckBox", "OtherWriteCheckBox", "OtherExecuteCheckBox",
};
const char kLetters[3] = {'r', 'w', 'x'};

const QString kNotAvailable = QStringLiteral("N/A");

// The extension as the type names go by: from the last dot on, "" without one.
QString extensionOf(const QString& name)
{
    const int dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

// The permission text of one class: owner 0, group 1, other 2.
std::string classText(const ftp::ListingEntry& entry, int which)
{
    switch (which) {
    case 0:
        return entry.ownerPermissions();
    case 1:
        return entry.groupPermissions();
    default:
        return entry.otherPermissions();
    }
}

bool takesPartInPermissions(const ftp::ListingEntry& entry)
{
    return entry.unixStyle && entry.permissions.size() == 9;
}

QLabel* newLabel(const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

TFilePropertiesForm::TFilePropertiesForm(TFTPWorker& worker, QWidget* parent)
    : QDialog(parent)
    , m_worker(worker)
    , m_language(QStringLiteral("FilePropertiesForm"))
{
    setObjectName(QStringLiteral("FilePropertiesForm"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    createControls();
    m_language.apply(this);
    // Nine boxes captioned "Read", "Write", "Execute": each is named with its group.
    for (int i = 0; i < kPermissionCount; ++i) {
        auto* group = qobject_cast<QGroupBox*>(m_boxes[static_cast<std::size_t>(i)]->parentWidget());
        QCheckBox* box = m_boxes[static_cast<std::size_t>(i)];
        box->setAccessibleName(TFormLanguage::withoutMnemonic(group->title()) + u' ' +
                               TFormLanguage::withoutMnemonic(box->text()));
    }
    m_filenameEdit->setAccessibleName(text("strFilename"));
    wire();
    // Errors of the synchronous commands are announced on this thread while they run.
    connect(
        &m_worker, &TFTPWorker::workerError, this, [this] { ++m_errorsReported; }, Qt::DirectConnection);
    connect(&m_worker, &TFTPWorker::commandFinished, this, &TFilePropertiesForm::commandFinished,
            Qt::QueuedConnection);
    m_currentDir = m_worker.CurrentDir();
}

TFilePropertiesForm::~TFilePropertiesForm()
{
    if (m_calculating) {
        m_worker.setOnSearchListing(nullptr, nullptr);
        m_worker.clearEvent(TWorkerEvent::OnSearchDone);
    }
}

QString TFilePropertiesForm::text(const char* key) const
{
    return m_language.text(QString::fromLatin1(key));
}

void TFilePropertiesForm::createControls()
{
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));

    // General.
    m_generalPage = new QWidget;
    m_generalPage->setObjectName(QStringLiteral("GeneralTabSheet"));
    m_fileImage = newLabel("FileImage", m_generalPage);
    m_fileImage->setFixedSize(48, 48);
    m_fileImage->setAlignment(Qt::AlignCenter);
    m_filenameEdit = new QLineEdit(m_generalPage);
    m_filenameEdit->setObjectName(QStringLiteral("FilenameEdit"));
    m_filenameEdit->hide();
    m_countLabel = newLabel("CountLabel", m_generalPage);
    m_countLabel->hide();
    m_fileTypeLabel = newLabel("FileTypeLabel", m_generalPage);
    m_locationLabel = newLabel("LocationLabel", m_generalPage);
    m_locationLabel->setTextFormat(Qt::PlainText);
    m_locationLabel->setWordWrap(true);
    auto* sizeTitle = newLabel("SizeTitleLabel", m_generalPage);
    m_sizeLabel = newLabel("SizeLabel", m_generalPage);
    m_sizeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_dateModifiedLabel = newLabel("DateModifiedLabel", m_generalPage);
    m_dateModifiedLabel->hide();
    m_calculateSizeButton = new QPushButton(m_generalPage);
    m_calculateSizeButton->setObjectName(QStringLiteral("CalculateSizeButton"));
    m_calculateSizeButton->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(m_fileImage);
    top->addSpacing(8);
    auto* nameColumn = new QVBoxLayout;
    nameColumn->addWidget(m_filenameEdit);
    nameColumn->addWidget(m_countLabel);
    top->addLayout(nameColumn, 1);
    auto* sizeRow = new QHBoxLayout;
    sizeRow->addWidget(sizeTitle);
    sizeRow->addWidget(m_sizeLabel, 1);
    auto* general = new QVBoxLayout(m_generalPage);
    general->addLayout(top);
    general->addSpacing(6);
    general->addWidget(m_fileTypeLabel);
    general->addWidget(m_locationLabel);
    general->addLayout(sizeRow);
    general->addWidget(m_dateModifiedLabel);
    general->addStretch(1);
    general->addWidget(m_calculateSizeButton, 0, Qt::AlignLeft);

    // Security.
    auto* security = new QWidget;
    security->setObjectName(QStringLiteral("SecurityTabSheet"));
    auto* userLabel = newLabel("UserLabel", security);
    auto* groupLabel = newLabel("GroupLabel", security);
    m_userEdit = new QLineEdit(security);
    m_userEdit->setObjectName(QStringLiteral("UserEdit"));
    m_groupEdit = new QLineEdit(security);
    m_groupEdit->setObjectName(QStringLiteral("GroupEdit"));
    userLabel->setBuddy(m_userEdit);
    groupLabel->setBuddy(m_groupEdit);
    auto* permissionsLabel = newLabel("PermissionsLabel", security);
    auto* numbersLabel = newLabel("InNumbersLabel", security);
    m_permissionsEdit = new QLineEdit(security);
    m_permissionsEdit->setObjectName(QStringLiteral("PermissionsEdit"));
    m_permissionsEdit->setEnabled(false);
    m_permissionsEdit->setMaximumWidth(m_permissionsEdit->fontMetrics().averageCharWidth() * 8);
    numbersLabel->setBuddy(m_permissionsEdit);

    auto* owners = new QGridLayout;
    owners->addWidget(userLabel, 0, 0);
    owners->addWidget(m_userEdit, 0, 1);
    owners->addWidget(groupLabel, 1, 0);
    owners->addWidget(m_groupEdit, 1, 1);
    auto* groups = new QHBoxLayout;
    const char* const groupNames[3] = {"UserGroupBox", "GroupGroupBox", "OtherGroupBox"};
    for (int g = 0; g < 3; ++g) {
        auto* box = new QGroupBox(security);
        box->setObjectName(QString::fromLatin1(groupNames[g]));
        auto* column = new QVBoxLayout(box);
        for (int b = 0; b < 3; ++b) {
            const int i = g * 3 + b;
            auto* check = new QCheckBox(box);
            check->setObjectName(QString::fromLatin1(kBoxNames[i]));
            m_boxes[static_cast<std::size_t>(i)] = check;
            column->addWidget(check);
        }
        groups->addWidget(box);
    }
    auto* numbers = new QHBoxLayout;
    numbers->addWidget(numbersLabel);
    numbers->addWidget(m_permissionsEdit);
    numbers->addStretch(1);
    auto* securityLayout = new QVBoxLayout(security);
    securityLayout->addLayout(owners);
    securityLayout->addSpacing(6);
    securityLayout->addWidget(permissionsLabel);
    securityLayout->addLayout(groups);
    securityLayout->addLayout(numbers);
    securityLayout->addStretch(1);

    m_pages->addTab(m_generalPage, QString());
    m_pages->addTab(security, QString());

    // Buttons.
    m_applyAction = new QAction(this);
    m_applyAction->setObjectName(QStringLiteral("ApplyChangesAction"));
    m_okButton = new QPushButton(this);
    m_okButton->setObjectName(QStringLiteral("OKButton"));
    m_okButton->setDefault(true);
    m_cancelButton = new QPushButton(this);
    m_cancelButton->setObjectName(QStringLiteral("CancelButton"));
    m_applyButton = new QPushButton(this);
    m_applyButton->setObjectName(QStringLiteral("ApplyButton"));
    m_applyButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_applyButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pages, 1);
    layout->addLayout(buttons);
    resize(380, 420);
}

void TFilePropertiesForm::wire()
{
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    // The button shows the action: caption and enabled state follow it.
    connect(m_applyButton, &QPushButton::clicked, m_applyAction, &QAction::trigger);
    connect(m_applyAction, &QAction::changed, this, [this] {
        m_applyButton->setText(m_applyAction->text());
        m_applyButton->setEnabled(m_applyAction->isEnabled());
    });
    m_applyButton->setText(m_applyAction->text());
    m_applyButton->setAccessibleName(TFormLanguage::withoutMnemonic(m_applyAction->text()));
    connect(m_applyAction, &QAction::triggered, this, &TFilePropertiesForm::apply);
    connect(m_calculateSizeButton, &QPushButton::clicked, this, &TFilePropertiesForm::calculateSize);
    for (QCheckBox* box : m_boxes)
        connect(box, &QCheckBox::clicked, this, [this] {
            m_permissionsChanged = true;
            updateOctal();
            updateActions();
        });
    connect(m_filenameEdit, &QLineEdit::textEdited, this, [this] {
        m_nameChanged = true;
        updateActions();
    });
    connect(m_userEdit, &QLineEdit::textEdited, this, [this] {
        m_userChanged = true;
        updateActions();
    });
    connect(m_groupEdit, &QLineEdit::textEdited, this, [this] {
        m_groupChanged = true;
        updateActions();
    });
}

void TFilePropertiesForm::addEntry(const ftp::ListingEntry& entry, const QString& name)
{
    m_entries.push_back({entry, name});
}

void TFilePropertiesForm::showEvent(QShowEvent* event)
{
    if (!m_prepared)
        prepare();
    QDialog::showEvent(event);
}

QString TFilePropertiesForm::typeText() const
{
    if (m_entries.empty())
        return {};
    TFileTypes& types = TFileTypes::shared();
    const auto typeOf = [&](const TEntry& e) {
        return e.entry.isDirectory() ? types.folderTypeName() : types.typeNameFor(e.name);
    };
    if (m_entries.size() == 1)
        return typeOf(m_entries.front());
    for (std::size_t i = 1; i < m_entries.size(); ++i) {
        const TEntry& a = m_entries[i - 1];
        const TEntry& b = m_entries[i];
        const bool bothDirectories = a.entry.isDirectory() && b.entry.isDirectory();
        const bool sameFiles =
            !a.entry.isDirectory() && !b.entry.isDirectory() && extensionOf(a.name) == extensionOf(b.name);
        if (!bothDirectories && !sameFiles)
            return text("IDS_4");
    }
    return Format(text("IDS_1"), {typeOf(m_entries.front())});
}

qint64 TFilePropertiesForm::selectedFilesSize() const
{
    qint64 sum = 0;
    for (const TEntry& e : m_entries)
        if (!e.entry.isDirectory() && e.entry.size)
            sum += *e.entry.size;
    return sum;
}

void TFilePropertiesForm::showSize()
{
    m_sizeLabel->setText(FormatSizeKB(selectedFilesSize() + m_accumulatedSize));
}

void TFilePropertiesForm::prepare()
{
    m_prepared = true;
    m_fileTypeLabel->setText(Format(m_language.caption(QStringLiteral("FileTypeLabel")), {typeText()}));
    m_locationLabel->setText(Format(m_language.caption(QStringLiteral("LocationLabel")), {m_currentDir}));
    showSize();

    const bool unix = !m_entries.empty() && m_entries.front().entry.unixStyle;
    for (QCheckBox* box : m_boxes) {
        box->setTristate(false);
        box->setCheckState(Qt::Unchecked);
        box->setEnabled(unix);
    }
    if (unix) {
        for (int i = 0; i < kPermissionCount; ++i) {
            int with = 0;
            int without = 0;
            for (const TEntry& e : m_entries) {
                if (!takesPartInPermissions(e.entry))
                    continue;
                if (classText(e.entry, i / 3).find(kLetters[i % 3]) != std::string::npos)
                    ++with;
                else
                    ++without;
            }
            QCheckBox* box = m_boxes[static_cast<std::size_t>(i)];
            if (with > 0 && without > 0) {
                // Grayed leaves the bit as the entries have it; a click goes on to
                // checked, unchecked and back to grayed.
                box->setTristate(true);
                box->setCheckState(Qt::PartiallyChecked);
            } else if (with > 0) {
                box->setCheckState(Qt::Checked);
            }
        }
    }
    updateOctal();

    m_userEdit->setEnabled(unix);
    m_groupEdit->setEnabled(unix);
    if (unix) {
        bool sameOwner = true;
        bool sameGroup = true;
        const ftp::ListingEntry* previous = nullptr;
        for (const TEntry& e : m_entries) {
            if (!e.entry.unixStyle)
                continue;
            if (previous) {
                sameOwner = sameOwner && previous->owner == e.entry.owner;
                sameGroup = sameGroup && previous->group == e.entry.group;
            }
            previous = &e.entry;
        }
        const ftp::ListingEntry& first = m_entries.front().entry;
        m_userEdit->setText(sameOwner ? QString::fromStdString(first.owner) : text("IDS_10"));
        m_groupEdit->setText(sameGroup ? QString::fromStdString(first.group) : text("IDS_9"));
    } else {
        m_userEdit->clear();
        m_groupEdit->clear();
    }

    TFileTypes& types = TFileTypes::shared();
    int files = 0;
    int directories = 0;
    for (const TEntry& e : m_entries)
        ++(e.entry.isDirectory() ? directories : files);
    if (m_entries.size() == 1) {
        const TEntry& only = m_entries.front();
        m_filenameEdit->setText(only.name);
        m_filenameEdit->show();
        m_countLabel->hide();
        const QString when = EntryDateText(only.entry.modified, true);
        m_dateModifiedLabel->setText(Format(m_language.caption(QStringLiteral("DateModifiedLabel")), {when}));
        m_dateModifiedLabel->show();
        const QIcon icon = only.entry.isDirectory() ? types.folderIcon() : types.iconFor(only.name);
        m_fileImage->setPixmap(icon.pixmap(32, 32));
    } else {
        m_filenameEdit->hide();
        m_dateModifiedLabel->hide();
        m_countLabel->setText(Format(m_language.caption(QStringLiteral("CountLabel")), {files, directories}));
        m_countLabel->show();
        m_fileImage->setPixmap(style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(32, 32));
    }
    m_sizeLabel->setAccessibleName(
        TFormLanguage::withoutMnemonic(m_language.caption(QStringLiteral("SizeTitleLabel"))));
    m_calculateSizeButton->setVisible(directories > 0);

    m_nameChanged = m_userChanged = m_groupChanged = m_permissionsChanged = false;
    updateActions();
}

QString TFilePropertiesForm::octalText() const
{
    QString octal;
    for (int g = 0; g < 3; ++g) {
        int digit = 0;
        for (int b = 0; b < 3; ++b) {
            const Qt::CheckState state = m_boxes[static_cast<std::size_t>(g * 3 + b)]->checkState();
            if (state == Qt::PartiallyChecked)
                return kNotAvailable;
            if (state == Qt::Checked)
                digit += 4 >> b;
        }
        octal += QString::number(digit);
    }
    return octal;
}

void TFilePropertiesForm::updateOctal()
{
    m_permissionsEdit->setText(octalText());
}

void TFilePropertiesForm::updateActions()
{
    // The synchronous commands wait for the worker work this dialog started.
    m_applyAction->setEnabled(anyChange() && !m_calculating && !m_listPending);
}

void TFilePropertiesForm::apply()
{
    if (!anyChange())
        return;
    stopWalk();
    waitForWorker();
    updateOctal();
    const QString octal = octalText();
    const QString newName = m_filenameEdit->text();
    const QString user = m_userEdit->text();
    const QString group = m_groupEdit->text();
    {
        TProgressForm progress(this);
        progress.setTotalParts(entryCount() - 1);
        progress.setDescription(text("RSRenOrChan"));
        progress.setDetail(QString());
        progress.show();
        if (m_applyObserver)
            m_applyObserver(progress, -1);
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (progress.cancelled())
                break;
            TEntry& e = m_entries[i];
            progress.step();
            progress.setDetail(e.name);
            // The ".." row and names no command may carry are left alone.
            if (isUsableRemoteName(e.name)) {
                if (m_nameChanged && !newName.isEmpty() && newName != e.name) {
                    const int before = m_errorsReported;
                    m_worker.Rename(e.name, newName);
                    // A refused rename leaves the entry under its old name for
                    // the SITE commands; the window shows the error.
                    if (m_errorsReported == before)
                        e.name = newName;
                }
                const auto site = [&](auto&& command) {
                    try {
                        command();
                    } catch (const std::exception&) {
                        // SITE failures are not reported.
                    }
                };
                if (m_userChanged)
                    site([&] { m_worker.SiteChown(e.name, user); });
                if (m_groupChanged)
                    site([&] { m_worker.SiteChgrp(e.name, group); });
                if (m_permissionsChanged && octal != kNotAvailable)
                    site([&] { m_worker.SiteChmod(e.name, octal); });
            }
            if (m_applyObserver)
                m_applyObserver(progress, static_cast<int>(i));
        }
        progress.close();
    }
    m_nameChanged = m_userChanged = m_groupChanged = m_permissionsChanged = false;
    m_worker.InvalidateDir(m_currentDir);
    m_listPending = true;
    m_worker.List();
    updateActions();
}

void TFilePropertiesForm::done(int result)
{
    if (m_closing) {
        QDialog::done(result);
        return;
    }
    if (m_permissionsChanged && octalText() == kNotAvailable) {
        TMessageRequest request;
        request.Type = TMessageRequest::TType::Information;
        request.Text = text("IDS_8");
        request.Buttons = QMessageBox::Ok | QMessageBox::Cancel;
        request.DefaultButton = QMessageBox::Ok;
        if (TMessageDialog::show(this, m_language, request) != QMessageBox::Ok)
            return;
    }
    bool runApply = false;
    if (result == QDialog::Accepted) {
        runApply = anyChange();
    } else if (anyChange()) {
        const int answer = AskToSaveChanges(this, m_language, QStringLiteral("IDS_11"));
        if (answer == QMessageBox::Yes)
            runApply = true;
        else if (answer != QMessageBox::No)
            return;
    }
    m_closing = true;
    setEnabled(false);
    stopWalk();
    if (runApply)
        apply();
    setEnabled(true);
    QDialog::done(result);
}

// --- Calculate size --------------------------------------------------------

void TFilePropertiesForm::calculateSize()
{
    if (m_calculating)
        return;
    m_calculating = true;
    m_calculateSizeButton->setEnabled(false);
    m_accumulatedSize = 0;
    m_walkedDirectories.clear();
    m_walkFailed = false;
    m_worker.setOnSearchListing(
        this, [this](TFTPWorker& sender, const TListingPtr& listing) { walkListing(sender, listing); });
    m_worker.setEvent(TWorkerEvent::OnSearchDone, this, [this](TFTPWorker&) { walkDone(); });
    for (const TEntry& e : m_entries)
        if (e.entry.isDirectory() || e.entry.type == ftp::EntryType::Link)
            m_walkQueue.push_back(e.name);
    m_generalPage->setCursor(Qt::WaitCursor);
    updateActions();
    startNextWalk();
}

void TFilePropertiesForm::startNextWalk()
{
    if (!m_calculating || m_walkRunning || m_listPending)
        return;
    if (m_walkQueue.empty()) {
        finishWalks();
        return;
    }
    const QString directory = m_walkQueue.front();
    m_walkQueue.pop_front();
    m_walkRunning = true;
    m_walkSucceeded = false;
    // One walk at a time: the worker's single command slot would let a second
    // Search replace the first before its thread took it.
    m_worker.Search(directory);
}

void TFilePropertiesForm::walkListing(TFTPWorker& sender, const TListingPtr& listing)
{
    // Two selected entries may lead to one directory (a link to a selected
    // directory, "..", a link loop across walks): its files count once.
    if (!listing || !m_walkedDirectories.insert(sender.CurrentDir()).second)
        return;
    emit logRequested(TLogKind::lkDebug, text("strFoundFiles"));
    for (const ftp::ListingEntry& entry : *listing) {
        if (entry.type != ftp::EntryType::File)
            continue;
        if (entry.size)
            m_accumulatedSize += *entry.size;
        emit logRequested(TLogKind::lkDebug,
                          Format(text("strFoundFile"), {QString::fromStdString(entry.name)}));
    }
    showSize();
}

void TFilePropertiesForm::walkDone()
{
    m_walkSucceeded = true;
    showSize();
}

void TFilePropertiesForm::commandFinished(WorkerCommand command)
{
    if (command == WorkerCommand::List && m_listPending) {
        m_listPending = false;
    } else if (command == WorkerCommand::Search && m_walkRunning) {
        m_walkRunning = false;
        if (!m_walkSucceeded)
            m_walkFailed = true;
    } else {
        return;
    }
    startNextWalk();
    updateActions();
}

void TFilePropertiesForm::finishWalks()
{
    m_calculating = false;
    m_worker.setOnSearchListing(nullptr, nullptr);
    m_worker.clearEvent(TWorkerEvent::OnSearchDone);
    m_generalPage->unsetCursor();
    // A walk that failed leaves the button disabled: the label shows what was
    // counted before the failure.
    m_calculateSizeButton->setEnabled(!m_walkFailed);
    showSize();
    updateActions();
}

void TFilePropertiesForm::stopWalk()
{
    if (!m_calculating)
        return;
    m_walkQueue.clear();
    // Without its handler the walk ends after the directory being listed.
    m_worker.setOnSearchListing(nullptr, nullptr);
    m_worker.clearEvent(TWorkerEvent::OnSearchDone);
    waitForWorker();
    finishWalks();
}

void TFilePropertiesForm::waitForWorker()
{
    // commandFinished reaches this dialog through the event queue.
    while (m_walkRunning || m_listPending) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

// --- Opening ---------------------------------------------------------------

int TFilePropertiesForm::openFor(TRemotePane& pane, TFTPWorker& worker, QWidget* owner)
{
    const QList<int> rows = pane.selectedRows();
    if (rows.isEmpty())
        return QDialog::Rejected;
    int result = QDialog::Rejected;
    {
        TFilePropertiesForm form(worker, owner);
        form.setWindowModality(Qt::ApplicationModal);
        const TRemoteListModel& model = pane.model();
        for (int row : rows)
            if (const ftp::ListingEntry* entry = model.entryAt(row))
                form.addEntry(*entry, model.nameAt(row));
        pane.rememberSelection();
        connect(&form, &TFilePropertiesForm::logRequested, &pane, &TRemotePane::logRequested);
        result = form.exec();
    }
    if (result == QDialog::Accepted)
        worker.InvalidateDir(worker.CurrentDir());
    worker.List();
    return result;
}
