#pragma once

#include <QString>

#include "core/TFileAlreadyExistsAction.h"
#include "core/TFileTransferType.h"
#include "core/TIdFtpProxyType.h"
#include "core/TRzLVSortDirection.h"
#include "core/TViewStyle.h"

// Every setting kept in Config.xml: X(access, Key, type, default).
// ConnectTimeout (seconds) bounds the TCP connect and the server's greeting,
// ReplyTimeout (seconds) every later reply on a control connection; readers take
// a value below 1 as the default. UseSecretStore keeps host and proxy passwords
// in the desktop's secret store instead of Hosts.xml.
// access: RW getter and setter; RO getter only; RWX getter and a setter with
// extra rules; RXW a getter with extra rules and a plain setter; ROX a getter
// with extra rules. Key is the element name in the file
// and the accessor name (Key() and SetKey()).
#define VANTOR_MAIN_CONFIG_KEYS(X)                                                                           \
    X(RW, LocalViewStyle, TViewStyle, TViewStyle::vsReport)                                                  \
    X(RW, RemoteViewStyle, TViewStyle, TViewStyle::vsReport)                                                 \
    X(RW, LocalSortColumn, int, 0)                                                                           \
    X(RW, RemoteHeaderSortColumn, int, 0)                                                                    \
    X(RW, RemoteHeaderSortDirection, TRzLVSortDirection, TRzLVSortDirection::sdDescending)                   \
    X(RO, MaxRemoteMRUPaths, int, 12)                                                                        \
    X(ROX, LastQueueDirectory, QString, QString())                                                           \
    X(RW, AnonymousEmail, QString, QStringLiteral("anonymous@example.com"))                                  \
    X(RW, MaxFTPTransferCount, int, 3)                                                                       \
    X(RO, RetryDelay, int, 30)                                                                               \
    X(RO, MaxRetryCount, int, 3)                                                                             \
    X(RW, LocalFileAlreadyExistsAction, TFileAlreadyExistsAction, TFileAlreadyExistsAction::faeAsk)          \
    X(RW, LocalFileSmallerAlreadyExistsAction, TFileAlreadyExistsAction, TFileAlreadyExistsAction::faeAsk)   \
    X(RW, RemoteFileAlreadyExistsAction, TFileAlreadyExistsAction, TFileAlreadyExistsAction::faeAsk)         \
    X(RW, RemoteFileSmallerAlreadyExistsAction, TFileAlreadyExistsAction, TFileAlreadyExistsAction::faeAsk)  \
    X(RW, DefaultFileTransferType, TFileTransferType, TFileTransferType::fttBinary)                          \
    X(RW, MainFormTop, int, 100)                                                                             \
    X(RW, MainFormLeft, int, 100)                                                                            \
    X(RW, MainFormHeight, int, 500)                                                                          \
    X(RW, MainFormWidth, int, 700)                                                                           \
    X(RW, MainFormMaximized, bool, false)                                                                    \
    X(RW, BottomPanelHeight, int, 180)                                                                       \
    X(RW, LocalPanelWidth, int, 340)                                                                         \
    X(RW, SelectedBottomPageControlIndex, int, 0)                                                            \
    X(RW, MainToolbarDockPos, int, 120)                                                                      \
    X(RW, MainToolbarDockRow, int, 1)                                                                        \
    X(RW, MainMenuToolbarDockPos, int, 0)                                                                    \
    X(RW, MainMenuToolbarDockRow, int, 0)                                                                    \
    X(RW, ShowMainToolbar, bool, true)                                                                       \
    X(RW, ShowLocalToolbar, bool, true)                                                                      \
    X(RW, ShowRemoteToolbar, bool, true)                                                                     \
    X(RW, ShowQueueLogToolbar, bool, true)                                                                   \
    X(RW, ShowLocalSelectionPanel, bool, true)                                                               \
    X(RW, ShowRemoteSelectionPanel, bool, true)                                                              \
    X(RW, RememberFormState, bool, true)                                                                     \
    X(RW, LastConnectedHostID, QString, QString())                                                           \
    X(RW, LastQuickConnectedHostID, QString, QString())                                                      \
    X(RWX, ShowHostManagerOnStartup, bool, false)                                                            \
    X(RWX, ShowQuickConnectOnStartup, bool, false)                                                           \
    X(RW, ShowSplashOnStartup, bool, true)                                                                   \
    X(RW, ShowTipOnStartup, bool, true)                                                                      \
    X(RW, LastTipIndex, int, 0)                                                                              \
    X(RW, PlayQueueOnStartup, bool, false)                                                                   \
    X(RW, TrayIcon, bool, false)                                                                             \
    X(RW, Language, QString, QStringLiteral("English"))                                                      \
    X(RXW, FirstRun, bool, false)                                                                            \
    X(RW, DefaultDialupConnection, QString, QString())                                                       \
    X(RW, DefaultProxyType, TIdFtpProxyType, TIdFtpProxyType::fpcmNone)                                      \
    X(RW, DefaultProxyHost, QString, QString())                                                              \
    X(RW, DefaultProxyPort, int, 0)                                                                          \
    X(RW, DefaultProxyUsername, QString, QString())                                                          \
    X(RW, DefaultProxyPassword, QString, QString())                                                          \
    X(RW, ConnectTimeout, int, 30)                                                                           \
    X(RW, ReplyTimeout, int, 60)                                                                             \
    X(RW, UseSecretStore, bool, false)
