#include "ui/main/TLogindShutdown.h"

#include <QDBusConnection>

namespace {

// logind answers at once; the power-off itself happens after the reply.
constexpr int kReplyTimeoutMs = 10000;

} // namespace

QDBusMessage TLogindShutdown::powerOffMessage()
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PowerOff"));
    call << false; // interactive
    return call;
}

bool TLogindShutdown::powerOff(QString* error)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        if (error)
            *error = bus.lastError().message();
        return false;
    }
    const QDBusMessage reply = bus.call(powerOffMessage(), QDBus::Block, kReplyTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        if (error)
            *error = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
        return false;
    }
    return true;
}
