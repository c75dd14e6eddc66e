#pragma once

// Answers the modal windows a test's code opens, as a user would: every 20 ms
// the active modal widget (if any) goes to the handler, one at a time, and its
// objectName is recorded. Without a handler a modal window is closed.

#include <functional>

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace uitest {

class ModalAnswerer
{
public:
    using THandler = std::function<void(QWidget* modal)>;

    ModalAnswerer()
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { answer(); });
        m_timer.start();
    }
    ~ModalAnswerer() { m_timer.stop(); }
    ModalAnswerer(const ModalAnswerer&) = delete;
    ModalAnswerer& operator=(const ModalAnswerer&) = delete;

    void setHandler(THandler handler) { m_handler = std::move(handler); }
    // The objectName of every modal window answered, once per answer.
    const QStringList& seen() const { return m_seen; }
    void stop() { m_timer.stop(); }

private:
    void answer()
    {
        QWidget* modal = QApplication::activeModalWidget();
        // A handler may run an event loop of its own (a dialog it opens).
        if (!modal || m_answering)
            return;
        m_answering = true;
        m_seen.append(modal->objectName());
        if (m_handler)
            m_handler(modal);
        else
            modal->close();
        m_answering = false;
    }

    QTimer m_timer;
    THandler m_handler;
    QStringList m_seen;
    bool m_answering = false;
};

} // namespace uitest
