#include "ui/dialogs/DialogSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include "ui/dialogs/TArtwork.h"
#include "ui/dialogs/TFormLanguage.h"
#include "ui/dialogs/TMessageDialog.h"

namespace {

TFolderChooser& folderChooser()
{
    static TFolderChooser chooser;
    return chooser;
}

} // namespace

void SetupPasswordEdit(QLineEdit* edit, bool showPlain)
{
    if (edit)
        edit->setEchoMode(showPlain ? QLineEdit::Normal : QLineEdit::Password);
}

QPushButton* NewDialogButton(const char* name, QWidget* parent)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QAction* NewDialogAction(const char* name, QObject* owner, const QKeySequence& shortcut)
{
    auto* action = new QAction(owner);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QAction* NewDialogAction(const char* name, QObject* owner, const QIcon& icon)
{
    QAction* action = NewDialogAction(name, owner);
    action->setIcon(icon);
    return action;
}

QFrame* NewHorizontalLine(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

TWizardHeader NewWizardHeader(QWidget* parent)
{
    constexpr int kImageSize = 64;
    TWizardHeader header;
    header.Panel = new QWidget(parent);
    header.Panel->setObjectName(QStringLiteral("HeaderPanel"));
    header.Panel->setAutoFillBackground(true);
    QPalette palette = header.Panel->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Text));
    header.Panel->setPalette(palette);

    header.Status = NewBuddyLabel("StatusLabel", nullptr, header.Panel);
    QFont bold = header.Status->font();
    bold.setBold(true);
    header.Status->setFont(bold);
    header.Step = NewBuddyLabel("StepLabel", nullptr, header.Panel);
    header.Image = NewBuddyLabel("HeaderImage", nullptr, header.Panel);
    header.Image->setFixedSize(kImageSize, kImageSize);
    header.Image->setPixmap(artwork::pixmap(artwork::kWizardHeader, QSize(kImageSize, kImageSize),
                                            header.Panel->devicePixelRatioF()));

    auto* texts = new QVBoxLayout;
    texts->addStretch(1);
    texts->addWidget(header.Status);
    texts->addSpacing(4);
    texts->addWidget(header.Step);
    texts->addStretch(1);
    auto* layout = new QHBoxLayout(header.Panel);
    layout->setContentsMargins(22, 8, 12, 8);
    layout->addLayout(texts, 1);
    layout->addWidget(header.Image, 0, Qt::AlignVCenter);
    return header;
}

QLabel* NewBuddyLabel(const char* name, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    if (buddy)
        label->setBuddy(buddy);
    return label;
}

QCheckBox* NewDialogCheckBox(const char* name, QWidget* parent)
{
    auto* box = new QCheckBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QLineEdit* NewDialogEdit(const char* name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAcceptDrops(false);
    return edit;
}

int AskToSaveChanges(QWidget* owner, const TFormLanguage& language, const QString& textKey)
{
    TMessageRequest request;
    request.Type = TMessageRequest::TType::Confirmation;
    request.Text = language.text(textKey);
    request.Buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    request.DefaultButton = QMessageBox::Yes;
    const int answer = TMessageDialog::show(owner, language, request);
    return answer == QMessageBox::Yes || answer == QMessageBox::No ? answer : int(QMessageBox::Cancel);
}

TEditorClose CloseEditor(QWidget* owner, const TFormLanguage& language, const QString& textKey, bool accepted,
                         bool modified, const std::function<bool()>& apply)
{
    if (!accepted) {
        if (!modified)
            return TEditorClose::Close;
        const int answer = AskToSaveChanges(owner, language, textKey);
        if (answer == QMessageBox::No)
            return TEditorClose::Close;
        if (answer != QMessageBox::Yes)
            return TEditorClose::Stay;
    }
    // Changes that could not be saved keep the dialog open rather than vanish.
    return apply() ? TEditorClose::Saved : TEditorClose::Stay;
}

bool FocusFirstControl(QWidget* container)
{
    if (!container)
        return false;
    // The focus chain runs through the whole window; the first widget of it that
    // lies inside the container is the topmost control of the page.
    for (QWidget* widget = container->nextInFocusChain(); widget && widget != container;
         widget = widget->nextInFocusChain()) {
        if (!container->isAncestorOf(widget))
            continue;
        if ((widget->focusPolicy() & Qt::TabFocus) && widget->isEnabled() && widget->isVisibleTo(container) &&
            !widget->focusProxy()) {
            widget->setFocus(Qt::TabFocusReason);
            return true;
        }
    }
    return false;
}

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder)
{
    if (folderChooser())
        return folderChooser()(owner, title, initialFolder);
    return QFileDialog::getExistingDirectory(owner, title, initialFolder, QFileDialog::ShowDirsOnly);
}

void SetFolderChooser(TFolderChooser chooser)
{
    folderChooser() = std::move(chooser);
}
