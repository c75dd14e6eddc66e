#include "platform/THandoffChannel.h"

#include <unistd.h>

#include <cstring>

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QSharedMemory>
#include <QThread>

namespace platform {

namespace {

// A Unix socket path must fit sun_path (108 bytes with its NUL).
constexpr qsizetype kMaxSocketPath = 100;
constexpr int kPollMs = 100;

const char* const kSocketName = "Handoff.socket";
const char* const kLockName = "Instance.lock";

bool isControl(char32_t c)
{
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0);
}

} // namespace

THandoffChannel::THandoffChannel(const QString& dataFolder)
    : m_dataFolder(QDir::cleanPath(dataFolder))
{}

QString THandoffChannel::scope() const
{
    const QByteArray hash =
        QCryptographicHash::hash(QFile::encodeName(m_dataFolder), QCryptographicHash::Sha1).toHex().left(12);
    return QStringLiteral("%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash));
}

QString THandoffChannel::serverName() const
{
    const QString inFolder = m_dataFolder + QLatin1Char('/') + QLatin1String(kSocketName);
    if (QFile::encodeName(inFolder).size() <= kMaxSocketPath)
        return inFolder;
    return QDir::tempPath() + QStringLiteral("/vantor-ftp-%1.socket").arg(scope());
}

QString THandoffChannel::blockKey(const char* blockName) const
{
    return QStringLiteral("%1-%2").arg(QLatin1String(blockName), scope());
}

QString THandoffChannel::instanceLockPath() const
{
    return m_dataFolder + QLatin1Char('/') + QLatin1String(kLockName);
}

int THandoffChannel::blockSize(const char* blockName)
{
    if (std::strcmp(blockName, kUrlBlockName) == 0)
        return kUrlBlockSize;
    if (std::strcmp(blockName, kFilesBlockName) == 0)
        return kFilesBlockSize;
    return 0;
}

const char* THandoffChannel::blockNameFor(int message)
{
    switch (message) {
    case WM_BROWSERURL:
        return kUrlBlockName;
    case WM_EXPLORERFILES:
        return kFilesBlockName;
    default:
        return nullptr;
    }
}

bool THandoffChannel::isListening(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    const bool connected = socket.waitForConnected(timeoutMs);
    socket.abort();
    return connected;
}

bool THandoffChannel::waitUntilListening(int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (true) {
        if (isListening(kPollMs))
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(kPollMs);
    }
}

bool THandoffChannel::send(int message, qint64 wParam, const QByteArray* block, QString* error,
                           int timeoutMs) const
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    QSharedMemory memory;
    const char* name = blockNameFor(message);
    if (block && name) {
        const int size = blockSize(name);
        if (block->size() >= size)
            return fail(QStringLiteral("the hand-over does not fit the %1 bytes of its block").arg(size));
        memory.setKey(blockKey(name));
        if (!memory.create(size)) {
            if (memory.error() != QSharedMemory::AlreadyExists || !memory.attach())
                return fail(memory.errorString());
        }
        // A segment left by an earlier sender may be smaller than the block.
        if (memory.size() < block->size() + 1)
            return fail(QStringLiteral("the shared block %1 is too small").arg(QLatin1String(name)));
        memory.lock();
        char* data = static_cast<char*>(memory.data());
        std::memset(data, 0, std::size_t(std::min<qsizetype>(memory.size(), size)));
        std::memcpy(data, block->constData(), std::size_t(block->size()));
        memory.unlock();
    }

    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(timeoutMs))
        return fail(QStringLiteral("no Vantor FTP window answers (%1)").arg(socket.errorString()));
    socket.write(QStringLiteral("VFTP %1 %2\n").arg(message).arg(wParam).toLatin1());
    if (!socket.waitForBytesWritten(timeoutMs))
        return fail(socket.errorString());
    // The block must live until the window has read it.
    QByteArray answer;
    const QDeadlineTimer deadline(timeoutMs);
    while (!answer.contains('\n')) {
        if (deadline.hasExpired() ||
            !socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
            return fail(QStringLiteral("the Vantor FTP window did not confirm the hand-over"));
        answer += socket.readAll();
        if (answer.size() > 64)
            break;
    }
    if (!answer.startsWith("ok\n"))
        return fail(QStringLiteral("the Vantor FTP window refused the hand-over"));
    return true;
}

std::optional<QByteArray> THandoffChannel::readBlock(const char* blockName) const
{
    QSharedMemory memory(blockKey(blockName));
    if (!memory.attach(QSharedMemory::ReadOnly))
        return QByteArray();
    memory.lock();
    const std::optional<QByteArray> text =
        BlockText(static_cast<const char*>(memory.constData()),
                  std::min<qsizetype>(memory.size(), blockSize(blockName)));
    memory.unlock();
    memory.detach();
    return text;
}

std::optional<QByteArray> EncodeUrlBlock(const QString& url, QString* error)
{
    for (const char32_t c : url.toUcs4()) {
        if (isControl(c)) {
            if (error)
                *error = QStringLiteral("the URL holds a control character");
            return std::nullopt;
        }
    }
    QByteArray bytes = url.toUtf8();
    if (bytes.size() >= kUrlBlockSize) {
        if (error)
            *error = QStringLiteral("the URL is longer than %1 bytes").arg(kUrlBlockSize - 1);
        return std::nullopt;
    }
    return bytes;
}

std::optional<QByteArray> EncodeFilesBlock(const QStringList& paths, QString* error)
{
    QByteArray bytes;
    for (const QString& path : paths) {
        const QByteArray name = QFile::encodeName(path);
        if (name.isEmpty() || name.contains('\r') || name.contains('\n') || name.contains('\0')) {
            if (error)
                *error = QStringLiteral("the file name \"%1\" cannot be handed over (line break)").arg(path);
            return std::nullopt;
        }
        if (!bytes.isEmpty())
            bytes += "\r\n";
        bytes += name;
    }
    if (bytes.size() >= kFilesBlockSize) {
        if (error)
            *error = QStringLiteral("the file list is longer than %1 bytes; hand over fewer files at once")
                         .arg(kFilesBlockSize - 1);
        return std::nullopt;
    }
    return bytes;
}

std::optional<QByteArray> BlockText(const char* data, qsizetype size)
{
    if (!data || size <= 0)
        return std::nullopt;
    const void* end = std::memchr(data, 0, std::size_t(size));
    if (!end)
        return std::nullopt;
    return QByteArray(data, static_cast<const char*>(end) - data);
}

QStringList SplitFileList(const QByteArray& text)
{
    QStringList paths;
    for (QByteArray line : text.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            paths.append(QFile::decodeName(line));
    }
    return paths;
}

std::optional<QString> DecodeUrlBlock(const QByteArray& text)
{
    const QString url = QString::fromUtf8(text);
    for (const char32_t c : url.toUcs4())
        if (isControl(c))
            return std::nullopt;
    return url;
}

} // namespace platform
