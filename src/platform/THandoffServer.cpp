#include "platform/THandoffServer.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QVariant>

namespace platform {

namespace {

constexpr int kSenderTimeoutMs = 5000;
constexpr qsizetype kMaxLine = 64;

} // namespace

THandoffServer::THandoffServer(THandoffChannel channel, QObject* parent)
    : QObject(parent)
    , m_channel(std::move(channel))
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &THandoffServer::accept);
}

THandoffServer::~THandoffServer()
{
    m_server->close();
}

bool THandoffServer::isListening() const
{
    return m_server->isListening();
}

bool THandoffServer::listen(QString* error)
{
    const QString name = m_channel.serverName();
    // With access options Qt binds a temporary socket and renames it into place,
    // which would silently take the name over from a window that listens there.
    if (m_channel.isListening(300)) {
        if (error)
            *error = QStringLiteral("another Vantor FTP window listens on %1").arg(name);
        return false;
    }
    if (m_server->listen(name))
        return true;
    if (m_server->serverError() == QAbstractSocket::AddressInUseError && !m_channel.isListening(300)) {
        QLocalServer::removeServer(name);
        if (m_server->listen(name))
            return true;
    }
    if (error)
        *error = m_server->errorString();
    return false;
}

void THandoffServer::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        QTimer::singleShot(kSenderTimeoutMs, socket, [socket] { socket->abort(); });
        if (socket->bytesAvailable() > 0)
            readFrom(socket);
    }
}

void THandoffServer::readFrom(QLocalSocket* socket)
{
    QByteArray line = socket->property("line").toByteArray();
    line += socket->read(kMaxLine + 1 - line.size());
    const qsizetype end = line.indexOf('\n');
    if (end < 0) {
        if (line.size() > kMaxLine)
            socket->abort();
        else
            socket->setProperty("line", line);
        return;
    }
    socket->disconnect(this);
    const QList<QByteArray> words = line.left(end).split(' ');
    bool messageOk = false;
    bool wParamOk = false;
    const int message = words.size() == 3 && words[0] == "VFTP" ? words[1].toInt(&messageOk) : 0;
    const qint64 wParam = messageOk ? words[2].toLongLong(&wParamOk) : 0;
    if (!messageOk || !wParamOk ||
        (message != kShowWindow && message != WM_BROWSERURL && message != WM_EXPLORERFILES)) {
        socket->write("refused\n");
        socket->disconnectFromServer();
        return;
    }
    QByteArray block;
    bool valid = true;
    if (const char* name = THandoffChannel::blockNameFor(message)) {
        const std::optional<QByteArray> text = m_channel.readBlock(name);
        valid = text.has_value();
        block = text.value_or(QByteArray());
    }
    socket->write("ok\n");
    socket->flush();
    socket->disconnectFromServer();
    emit received(message, wParam, block, valid);
}

} // namespace platform
