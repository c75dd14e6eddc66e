#include "ui/dialogs/FileAlreadyExistsFormUnit.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

#include "core/Format.h"
#include "core/SizeFormat.h"
#include "ui/dialogs/DialogSupport.h"

namespace {

constexpr int kLocal = 0;
constexpr int kRemote = 1;
constexpr int kScopeItems = 3;

// The icon of a file's type, by its name alone.
QIcon fileTypeIcon(const QString& fileName, const QStyle* style)
{
    static const QMimeDatabase database;
    const QMimeType mime = database.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    return QIcon::fromTheme(
        mime.iconName(), QIcon::fromTheme(mime.genericIconName(), style->standardIcon(QStyle::SP_FileIcon)));
}

} // namespace

TFileAlreadyExistsForm::TFileAlreadyExistsForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("FileAlreadyExistsForm"))
{
    setObjectName(QStringLiteral("FileAlreadyExistsForm"));
    // A caption but no border icons: the dialog is closed by an answer.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    const QIcon question = style()->standardIcon(QStyle::SP_MessageBoxQuestion);
    setWindowIcon(question);

    auto* image = NewBuddyLabel("Image1", nullptr, this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    image->setPixmap(question.pixmap(iconSize, iconSize));
    m_shortDescription = NewBuddyLabel("ShortDescriptionLabel", nullptr, this);
    m_shortDescription->setWordWrap(true);
    QFont bold = m_shortDescription->font();
    bold.setBold(true);
    m_shortDescription->setFont(bold);
    m_longDescription = new QPlainTextEdit(this);
    m_longDescription->setObjectName(QStringLiteral("LongDescriptionMemo"));
    m_longDescription->setReadOnly(true);
    m_longDescription->setTabChangesFocus(true);
    const int line = fontMetrics().lineSpacing();
    m_longDescription->setFixedHeight(line * 4 + 12);

    auto* filenameCaption = NewBuddyLabel("Label4", nullptr, this);
    m_fileImage = NewBuddyLabel("FileImage", nullptr, this);
    m_fileImage->setFixedSize(20, 20);
    m_filenameLabel = NewBuddyLabel("FilenameLabel", nullptr, this);
    m_filenameLabel->setMinimumWidth(fontMetrics().averageCharWidth() * 56);
    m_filenameLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_filenameLabel->installEventFilter(this);

    QLabel* sideCaption[2] = {NewBuddyLabel("Label1", nullptr, this), NewBuddyLabel("Label2", nullptr, this)};
    for (QLabel* caption : sideCaption)
        caption->setFont(bold);
    m_sizeLabel[kLocal] = NewBuddyLabel("LocalFileSizeLabel", nullptr, this);
    m_sizeLabel[kRemote] = NewBuddyLabel("RemoteFileSizeLabel", nullptr, this);
    m_modifiedLabel[kLocal] = NewBuddyLabel("LocalFileModifiedDateTimeLabel", nullptr, this);
    m_modifiedLabel[kRemote] = NewBuddyLabel("RemoteFileModifiedDateTimeLabel", nullptr, this);

    auto* scopeCaption = NewBuddyLabel("Label3", nullptr, this);
    m_scopeCombo = new QComboBox(this);
    m_scopeCombo->setObjectName(QStringLiteral("RememberChoiceScopeComboBox"));
    for (int i = 0; i < kScopeItems; ++i)
        m_scopeCombo->addItem(QString());
    scopeCaption->setBuddy(m_scopeCombo);

    m_overwrite = NewDialogButton("OverwriteButton", this);
    m_resume = NewDialogButton("ResumeButton", this);
    m_skip = NewDialogButton("SkipButton", this);
    m_skip->setDefault(true);
    m_cancel = NewDialogButton("CancelButton", this);

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("DefaultActionTimer"));
    m_timer->setInterval(1000);

    auto* texts = new QVBoxLayout;
    texts->addWidget(m_shortDescription);
    texts->addWidget(m_longDescription);
    auto* top = new QHBoxLayout;
    top->addWidget(image, 0, Qt::AlignTop);
    top->addLayout(texts, 1);

    auto* file = new QHBoxLayout;
    file->addWidget(filenameCaption);
    file->addWidget(m_fileImage);
    file->addWidget(m_filenameLabel, 1);

    auto* sides = new QGridLayout;
    for (int side : {kLocal, kRemote}) {
        sides->addWidget(sideCaption[side], 0, side);
        sides->addWidget(m_sizeLabel[side], 1, side);
        sides->addWidget(m_modifiedLabel[side], 2, side);
    }
    sides->setColumnStretch(0, 1);
    sides->setColumnStretch(1, 1);

    auto* scope = new QHBoxLayout;
    scope->addWidget(scopeCaption);
    scope->addWidget(m_scopeCombo, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {m_overwrite, m_resume, m_skip, m_cancel})
        buttons->addWidget(button);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(file);
    layout->addLayout(sides);
    layout->addLayout(scope);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_language.apply(this);
    const std::optional<QString> items = m_language.table().property(
        TTranslationSection::stMultiLines, QStringLiteral("RememberChoiceScopeComboBox.Items"));
    if (items) {
        const QStringList names = items->split(u'\n');
        for (int i = 0; i < kScopeItems && i < names.size(); ++i)
            m_scopeCombo->setItemText(i, names.at(i));
    }
    for (int side : {kLocal, kRemote}) {
        m_sizeFormat[side] = m_sizeLabel[side]->text();
        m_modifiedFormat[side] = m_modifiedLabel[side]->text();
    }

    connect(m_scopeCombo, &QComboBox::currentIndexChanged, this, [this](int index) { m_scope = index; });
    connect(m_overwrite, &QPushButton::clicked, this,
            [this] { choose(TFileAlreadyExistsAction::faeOverwrite); });
    connect(m_resume, &QPushButton::clicked, this, [this] { choose(TFileAlreadyExistsAction::faeResume); });
    connect(m_skip, &QPushButton::clicked, this, [this] { choose(TFileAlreadyExistsAction::faeSkip); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { choose(TFileAlreadyExistsAction::faeSkip); });
    connect(m_timer, &QTimer::timeout, this, &TFileAlreadyExistsForm::DefaultActionTimerTimer);

    setTabOrder(m_longDescription, m_scopeCombo);
    setTabOrder(m_scopeCombo, m_overwrite);
    setTabOrder(m_overwrite, m_resume);
    setTabOrder(m_resume, m_skip);
    setTabOrder(m_skip, m_cancel);

    showCountdown();
    // As wide as with two digits, so the window does not shrink as the count goes down.
    m_skip->setMinimumWidth(m_skip->sizeHint().width());
    m_timer->start();
    m_skip->setFocus();
}

void TFileAlreadyExistsForm::setPrompt(const TFileExistsPrompt& prompt)
{
    m_shortDescription->setText(prompt.ShortDescription);
    m_shortDescription->setAccessibleName(prompt.ShortDescription);
    m_longDescription->setPlainText(prompt.LongDescription);
    m_fileImage->setPixmap(fileTypeIcon(prompt.LocalFilename, style()).pixmap(16, 16));
    m_filename = prompt.Filename;
    m_filenameLabel->setToolTip(m_filename);
    m_filenameLabel->setAccessibleName(m_filename);
    showFilename();
    m_sizeLabel[kLocal]->setText(Format(m_sizeFormat[kLocal], {FormatSizeUnits(prompt.LocalSize)}));
    m_sizeLabel[kRemote]->setText(Format(m_sizeFormat[kRemote], {FormatSizeUnits(prompt.RemoteSize)}));
    m_modifiedLabel[kLocal]->setText(Format(m_modifiedFormat[kLocal], {prompt.LocalDate}));
    m_modifiedLabel[kRemote]->setText(Format(m_modifiedFormat[kRemote], {prompt.RemoteDate}));
    // Resuming needs a target smaller than the source.
    m_resume->setEnabled(prompt.ResumeAllowed && TFileExistsPrompt::isSmallerKind(prompt.Kind));
}

void TFileAlreadyExistsForm::answer(TFileExistsPrompt& prompt) const
{
    prompt.Accepted = result() == QDialog::Accepted && m_choice != TFileAlreadyExistsAction::faeAsk;
    prompt.Choice = m_choice;
    prompt.Scope = m_scope;
}

void TFileAlreadyExistsForm::choose(TFileAlreadyExistsAction choice)
{
    m_choice = choice;
    m_timer->stop();
    accept();
}

void TFileAlreadyExistsForm::reject()
{
    // Escape, and a close from the window manager, skip the file.
    choose(TFileAlreadyExistsAction::faeSkip);
}

void TFileAlreadyExistsForm::DefaultActionTimerTimer()
{
    if (m_countdown <= 0)
        return;
    --m_countdown;
    showCountdown();
    if (m_countdown == 0) {
        // Nobody answered: skip this file only, whatever scope was picked meanwhile.
        m_scope = TFileExistsPrompt::kOnlyThisFile;
        choose(TFileAlreadyExistsAction::faeSkip);
    }
}

void TFileAlreadyExistsForm::showCountdown()
{
    const QString text = Format(m_language.text(QStringLiteral("RSSkip")), {m_countdown});
    m_skip->setText(text);
    m_skip->setAccessibleName(TFormLanguage::withoutMnemonic(text));
}

void TFileAlreadyExistsForm::showFilename()
{
    // Before the first layout the label has no width of its own yet.
    const int width = qMax(m_filenameLabel->width(), m_filenameLabel->minimumWidth()) - 8;
    m_filenameLabel->setText(m_filenameLabel->fontMetrics().elidedText(m_filename, Qt::ElideMiddle, width));
}

bool TFileAlreadyExistsForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_filenameLabel && event->type() == QEvent::Resize)
        showFilename();
    return QDialog::eventFilter(watched, event);
}
