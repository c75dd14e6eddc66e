#include "ui/dialogs/SplashFormUnit.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "core/Format.h"
#include "core/TMainConfig.h"
#include "ui/dialogs/TArtwork.h"

namespace {

// Where the version and the button sit on the picture: the picture keeps the
// bottom right free for them.
constexpr int kMargin = 14;

} // namespace

TSplashForm::TSplashForm(QWidget* parent)
    : QDialog(parent)
    , m_language(QStringLiteral("SplashForm"))
{
    setObjectName(QStringLiteral("SplashForm"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);

    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("SplashImage"));
    m_image->setGeometry(0, 0, kWidth, kHeight);
    m_image->setPixmap(artwork::pixmap(artwork::kSplash, QSize(kWidth, kHeight), devicePixelRatioF()));

    m_version = new QLabel(this);
    m_version->setObjectName(QStringLiteral("VersionLabel"));
    // The picture's colours, whatever the desktop's theme.
    m_version->setStyleSheet(QStringLiteral("color: #dce8f7; background: transparent;"));
    m_close = new QPushButton(this);
    m_close->setObjectName(QStringLiteral("CloseButton"));
    m_close->setDefault(true);
    m_close->hide();
    connect(m_close, &QPushButton::clicked, this, &QDialog::accept);

    m_language.apply(this);
    m_image->setAccessibleName(m_language.text(QStringLiteral("strSplashImage")));
    m_version->setText(versionText());
    placeOverlays();
}

QString TSplashForm::versionText() const
{
    const QString version = QCoreApplication::applicationVersion();
    if (version.trimmed().isEmpty())
        return m_language.text(QStringLiteral("strVersionNotAvailable"));
    return Format(m_language.text(QStringLiteral("strVersion")), {version});
}

void TSplashForm::setAboutMode(bool about)
{
    m_aboutMode = about;
    if (about) {
        // The About box speaks the language chosen now.
        m_language.setLanguage(MainConfig() ? MainConfig()->Language() : m_language.language());
        m_language.apply(this);
        m_version->setText(versionText());
    }
    m_close->setVisible(about);
    setWindowModality(about ? Qt::ApplicationModal : Qt::NonModal);
    placeOverlays();
}

void TSplashForm::placeOverlays()
{
    m_version->adjustSize();
    m_close->adjustSize();
    const int bottom = kHeight - kMargin;
    if (m_aboutMode) {
        m_close->move(kWidth - kMargin - m_close->width(), bottom - m_close->height());
        m_version->move(m_close->x() - kMargin - m_version->width(),
                        m_close->y() + (m_close->height() - m_version->height()) / 2);
    } else {
        m_version->move(kWidth - kMargin - m_version->width(), bottom - m_version->height());
    }
    m_version->raise();
    m_close->raise();
    if (m_aboutMode)
        m_close->setFocus();
}

void TSplashForm::centreOnScreen()
{
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(kWidth / 2, kHeight / 2));
}

void TSplashForm::showEvent(QShowEvent* event)
{
    centreOnScreen();
    QDialog::showEvent(event);
}

TSplashForm* TSplashForm::showAtStartup()
{
    auto* splash = new TSplashForm;
    splash->centreOnScreen();
    splash->show();
    splash->raise();
    splash->repaint();
    QCoreApplication::processEvents();
    return splash;
}

void TSplashForm::showAbout(QWidget* parent)
{
    auto* about = new TSplashForm(parent);
    about->setAboutMode(true);
    about->exec();
}
