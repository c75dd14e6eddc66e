#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// The messages the running window takes from outside: a URL from the browser, or
// files from the file manager together with the index of the target host in the
// registry's host list (the message's WParam). Numbers as on the original
// platform (WM_USER + 197, + 198). kShowWindow carries nothing and only brings
// the window to the front (a second start of the program without a URL).
enum THandoffMessage : int
{
    kShowWindow = 0,
    WM_BROWSERURL = 0x4C5,
    WM_EXPLORERFILES = 0x4C6,
};

// The shared blocks the sender writes before the message: one zero-terminated
// string each, in the local 8-bit encoding (UTF-8 here).
inline constexpr const char* kUrlBlockName = "VFTPURL";
inline constexpr int kUrlBlockSize = 260;
inline constexpr const char* kFilesBlockName = "VFTPFILES";
inline constexpr int kFilesBlockSize = 32768;

// Where the sender and the window of one data folder meet: a per-user local
// socket (in $XDG_RUNTIME_DIR when there is one, else in the data folder) that
// carries "VFTP <message> <wparam>\n" and answers "ok\n" once the block was read,
// the two shared-memory blocks, and the lock the running window holds. The names
// are qualified by the user and the data folder, so two users, or two data
// folders of one user (VANTOR_FTP_DATA_DIR), never reach each other's window.
class THandoffChannel final
{
public:
    explicit THandoffChannel(const QString& dataFolder);

    const QString& dataFolder() const { return m_dataFolder; }
    // The local socket's full path.
    QString serverName() const;
    // The QSharedMemory key of "VFTPURL" or "VFTPFILES" for this channel.
    QString blockKey(const char* blockName) const;
    // The lock file the running window holds for its whole run.
    QString instanceLockPath() const;

    // Whether a window listens now (a connection is accepted within `timeoutMs`).
    bool isListening(int timeoutMs = 500) const;
    // Polls until a window listens; false after `timeoutMs`.
    bool waitUntilListening(int timeoutMs) const;

    // Writes the block (when `block` is not null) and sends the message, then
    // waits for the window to confirm that it read the block; the block lives
    // until then. False with a reason when no window listens or it does not answer.
    bool send(int message, qint64 wParam, const QByteArray* block, QString* error,
              int timeoutMs = 10000) const;

    // The block `blockName` as the window reads it: the bytes before the first
    // NUL, looked for within the block's size (and the size the segment really
    // has); empty when there is no such block, nothing when it holds no NUL.
    std::optional<QByteArray> readBlock(const char* blockName) const;

    static int blockSize(const char* blockName);
    static const char* blockNameFor(int message);

private:
    QString scope() const;

    QString m_dataFolder;
};

// The block contents of a hand-over, checked as the sender must: nothing when
// the text does not fit (with the terminating NUL) or holds what would change its
// meaning; `error` says why.
//
// A URL must be one line without control characters.
std::optional<QByteArray> EncodeUrlBlock(const QString& url, QString* error);
// Absolute paths, one per line, CR LF between them; a path holding CR, LF or NUL
// cannot be listed.
std::optional<QByteArray> EncodeFilesBlock(const QStringList& paths, QString* error);

// The text of a block up to its first NUL within `size` bytes; nothing when
// there is none (a block cut short, or not written by a sender).
std::optional<QByteArray> BlockText(const char* data, qsizetype size);
// The paths of a files block: its lines split at CR LF (a bare LF counts too),
// empty lines dropped, so a trailing CR LF adds no entry.
QStringList SplitFileList(const QByteArray& text);
// A URL block as text, or nothing when it holds control characters (a CR LF
// would go into the commands sent for it).
std::optional<QString> DecodeUrlBlock(const QByteArray& text);

} // namespace platform
