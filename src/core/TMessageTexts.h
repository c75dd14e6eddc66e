#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>

#include <QString>
#include <QStringList>

class TTranslationTable;

// Every key of the error and status vocabulary, in the main window's table order.
// Short error texts come with a twin ending in "Long" where there is one.
#define VANTOR_MESSAGE_KEYS(X)                                                                               \
    X(strRSFTRemoteConnectionFailed)                                                                         \
    X(strRSFTRemoteConnectionFailedLong)                                                                     \
    X(strRSFTRemoteHostNotFound)                                                                             \
    X(strRSFTRemoteHostNotFoundLong)                                                                         \
    X(strRSFTRemoteAuthenticationFailed)                                                                     \
    X(strRSFTRemoteAuthenticationFailedLong)                                                                 \
    X(strRSFTRemoteDirectoryParseFailed)                                                                     \
    X(strRSFTRemoteDirectoryParseFailedLong)                                                                 \
    X(strRSFTRemoteProtocolReplyError)                                                                       \
    X(strRSFTRemoteProtocolReplyErrorLong)                                                                   \
    X(strRSFTPRemoteDirectoryCantChange)                                                                     \
    X(strRSFTPRemoteDirectoryCantChangeLong)                                                                 \
    X(strRSFTPRemoteDirectoryCantCreate)                                                                     \
    X(strRSFTPRemoteDirectoryCantCreateLong)                                                                 \
    X(strRSFTPRemoteFileAlreadyExists)                                                                       \
    X(strRSFTPRemoteFileAlreadyExistsLong)                                                                   \
    X(strRSFTPRemoteFileAlreadySmallerExists)                                                                \
    X(strRSFTPRemoteFileAlreadySmallerExistsLong)                                                            \
    X(strRSFTPRemoteFileCantDelete)                                                                          \
    X(strRSFTPRemoteFileCantDeleteLong)                                                                      \
    X(strRSFTPLocalFileAlreadyExists)                                                                        \
    X(strRSFTPLocalFileAlreadyExistsLong)                                                                    \
    X(strRSFTPLocalFileSmallerAlreadyExists)                                                                 \
    X(strRSFTPLocalFileSmallerAlreadyExistsLong)                                                             \
    X(strRSFTPRemoteCantRename)                                                                              \
    X(strRSFTPRemoteCantRenameLong)                                                                          \
    X(strRSFTPRemoteSymbolicLinkInRecursiveDelete)                                                           \
    X(strRSFTPRemoteSymbolicLinkInRecursiveDeleteLong)                                                       \
    X(strRSFTPRemoteTransferStopped)                                                                         \
    X(strRSSTChangingDirectory)                                                                              \
    X(strRSSTConnecting)                                                                                     \
    X(strRSSTListingDirectory)                                                                               \
    X(strRSSTLoggingIn)                                                                                      \
    X(strRSSTDeletingFilesandDirectories)                                                                    \
    X(strRSSTTransfering)                                                                                    \
    X(strRSSTStartingTransfer)                                                                               \
    X(strRSSTTransferComplete)                                                                               \
    X(strRSSTSearchingDirectoryForFiles)                                                                     \
    X(strRSSTAwaitingTransfer)                                                                               \
    X(strRSSTPaused)                                                                                         \
    X(strRSSTConnected)                                                                                      \
    X(strRSSTDisconnecting)                                                                                  \
    X(strRSSTDisconnected)                                                                                   \
    X(strRSSTResolving)                                                                                      \
    X(strRSSTRemoteFileDoesntExist)                                                                          \
    X(strRSFTPRemoteDirectoryCantRead)                                                                       \
    X(strRSFTPRemoteDirectoryCantReadLong)                                                                   \
    X(strRSSTNoFileWritePermission)                                                                          \
    X(strRSSTNoDirWritePermission)                                                                           \
    X(strRSFTPRemoteConnectionClosed)                                                                        \
    X(strRSFTPRemoteConnectionClosedLong)                                                                    \
    X(strRSSTHostComboBox)                                                                                   \
    X(strRSSTHostLabel)                                                                                      \
    X(strRSFTRemoteTLSNotSupported)                                                                          \
    X(strRSFTRemoteTLSNotSupportedLong)                                                                      \
    X(strRSFTRemoteCertificateRejected)                                                                      \
    X(strRSFTRemoteCertificateRejectedLong)                                                                  \
    X(strRSFTRemoteConnectionTimedOut)                                                                       \
    X(strRSFTRemoteConnectionTimedOutLong)

enum class TMessageKey
{
#define VANTOR_MESSAGE_KEY_ENUM(name) name,
    VANTOR_MESSAGE_KEYS(VANTOR_MESSAGE_KEY_ENUM)
#undef VANTOR_MESSAGE_KEY_ENUM
};

inline constexpr std::size_t kMessageKeyCount = 0
#define VANTOR_MESSAGE_KEY_COUNT(name) +1
    VANTOR_MESSAGE_KEYS(VANTOR_MESSAGE_KEY_COUNT)
#undef VANTOR_MESSAGE_KEY_COUNT
    ;

// One immutable set of message texts, all in the same language. Safe to read
// from any thread; it never changes once published.
class TMessageTextSet final
{
public:
    using Texts = std::array<QString, kMessageKeyCount>;

    TMessageTextSet() = default;
    TMessageTextSet(QString language, Texts texts);

    const QString& text(TMessageKey key) const { return m_texts[static_cast<std::size_t>(key)]; }
    // The language the set was filled from; empty before the first fill.
    const QString& language() const { return m_language; }

private:
    QString m_language;
    Texts m_texts;
};

// The short and long text of an error, taken from one set so that a language
// switch can never pair a text of one language with one of the other.
struct TMessagePair
{
    QString shortText;
    QString longText;
};

// The process-wide message texts that threads show (errors and status texts).
//
// All texts are empty until the first fill. The user-interface thread fills
// them from the main window's table at start-up and after every language
// switch; any thread may read them at any time. A reader gets a copy, so an
// error or status object created before a switch keeps its texts.
class TMessageTexts final
{
public:
    TMessageTexts() = delete;

    // Any thread.
    static QString text(TMessageKey key);
    static TMessagePair pair(TMessageKey shortKey, TMessageKey longKey);
    // The current set; never null (an empty set before the first fill).
    static std::shared_ptr<const TMessageTextSet> snapshot();

    // User-interface thread: copies the current-language text of every key
    // from the main window's table (empty fields fall back to the first
    // column). Returns the keys the table lacks; those texts become empty.
    static QStringList fill(const TTranslationTable& mainTable);

    // Back to the state before the first fill (tests, shutdown).
    static void clear();

    static QString keyName(TMessageKey key);
    static std::optional<TMessageKey> keyFromName(const QString& name); // case-insensitive
};
