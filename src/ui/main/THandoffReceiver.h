#pragma once

#include <deque>
#include <memory>

#include <QObject>

#include "platform/THandoffChannel.h"

class TMainForm;

namespace platform {
class THandoffServer;
}

// The main window's end of the hand-over: listens on the channel of the data
// folder and passes each message to the window, one at a time on the window's
// thread and in the order they arrive: a URL from the browser to
// ReceiveBrowserURL, files from the file manager to ReceiveExplorerFiles, a bare
// second start of the program brings the window to the front.
class THandoffReceiver final : public QObject
{
    Q_OBJECT

public:
    THandoffReceiver(TMainForm& window, platform::THandoffChannel channel);
    ~THandoffReceiver() override;

    // Creates the receiver of the current data folder and starts listening; a
    // failure is logged, the window works without the hand-over.
    static THandoffReceiver* createFor(TMainForm& window);

    bool isListening() const;
    const platform::THandoffChannel& channel() const { return m_channel; }

private:
    struct TMessage
    {
        int message;
        qint64 wParam;
        QByteArray block;
        bool blockValid;
    };
    void enqueue(int message, qint64 wParam, const QByteArray& block, bool blockValid);
    void dispatch(const TMessage& message);

    TMainForm& m_window;
    platform::THandoffChannel m_channel;
    platform::THandoffServer* m_server = nullptr;
    // Messages that arrived while one was handled (its dialog runs an event loop).
    std::deque<TMessage> m_pending;
    bool m_handling = false;
};
