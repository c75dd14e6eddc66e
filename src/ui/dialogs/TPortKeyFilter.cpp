#include "ui/dialogs/TPortKeyFilter.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolTip>

TPortKeyFilter::TPortKeyFilter(QLineEdit* edit, QString title, QString text)
    : QObject(edit)
    , m_edit(edit)
    , m_title(std::move(title))
    , m_text(std::move(text))
{
    m_balloonTimer.setSingleShot(true);
    m_balloonTimer.setInterval(kBalloonMs);
    connect(&m_balloonTimer, &QTimer::timeout, this, [this] { m_balloonShown = false; });
    edit->installEventFilter(this);
}

void TPortKeyFilter::setTexts(QString title, QString text)
{
    m_title = std::move(title);
    m_text = std::move(text);
}

bool TPortKeyFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Backspace) {
        hideBalloon();
        return false;
    }
    const QString typed = key->text();
    // Keys that type nothing, and shortcuts (Ctrl+C, Ctrl+V ...), are not characters.
    if (typed.isEmpty() || !typed.at(0).isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    for (const QChar c : typed) {
        if (c < u'0' || c > u'9') {
            showBalloon();
            return true;
        }
    }
    hideBalloon();
    return false;
}

void TPortKeyFilter::showBalloon()
{
    m_balloonShown = true;
    const QString html =
        QStringLiteral("<b>%1</b><br>%2").arg(m_title.toHtmlEscaped(), m_text.toHtmlEscaped());
    QToolTip::showText(m_edit->mapToGlobal(QPoint(0, m_edit->height())), html, m_edit, QRect(), kBalloonMs);
    m_balloonTimer.start();
}

void TPortKeyFilter::hideBalloon()
{
    if (!m_balloonShown)
        return;
    m_balloonShown = false;
    m_balloonTimer.stop();
    QToolTip::hideText();
}
