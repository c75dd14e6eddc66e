#pragma once

// What window tests share: answering the modal windows the code under test
// opens, and a main window whose desktop services a test can watch.

#include <functional>
#include <memory>

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "ui/main/MainFormUnit.h"

namespace uitest {

// Answers modal windows as a user would: every 20 ms the active modal widget
// (if any) goes to the handler, one at a time, and its objectName is recorded.
// Without a handler a modal window is closed.
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

// A main window whose help pages go to `opened` (when given) instead of the
// desktop, and whose fatal end fails the test.
inline std::unique_ptr<TMainForm> newMainWindow(QList<QUrl>* opened = nullptr)
{
    TMainForm::TServices services;
    services.openUrl = [opened](const QUrl& url) {
        if (opened)
            opened->append(url);
        return true;
    };
    services.fatal = [](const QString& message) { ADD_FAILURE() << message.toStdString(); };
    return std::make_unique<TMainForm>(services);
}

} // namespace uitest
