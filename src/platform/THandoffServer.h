#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "platform/THandoffChannel.h"

class QLocalServer;
class QLocalSocket;

namespace platform {

// The window's end of a THandoffChannel: listens on the channel's socket, and for
// every message received reads the message's block at once (the sender keeps it
// until then), confirms, and emits received(). Senders that say nothing usable
// within a few seconds are dropped. Main thread.
class THandoffServer final : public QObject
{
    Q_OBJECT

public:
    explicit THandoffServer(THandoffChannel channel, QObject* parent = nullptr);
    ~THandoffServer() override;

    // Starts listening. A socket file nobody answers on is left over from a run
    // that ended without closing it and is replaced; a window that answers keeps
    // its socket (false).
    bool listen(QString* error = nullptr);
    bool isListening() const;
    const THandoffChannel& channel() const { return m_channel; }

signals:
    // `block`: the message's block text (empty for kShowWindow); `blockValid` is
    // false when the block held no terminating NUL.
    void received(int message, qint64 wParam, const QByteArray& block, bool blockValid);

private:
    void accept();
    void readFrom(QLocalSocket* socket);

    THandoffChannel m_channel;
    QLocalServer* m_server = nullptr;
};

} // namespace platform
