#pragma once

#include <memory>

#include "engine/EFTPTransferException.h"

namespace ftp {
class SocketError;
}

// The error object for a failure of the network below FTP, by the operating-system
// code the protocol layer reports: 10054 (reset by the peer) is a closed
// connection, 11001 (no such host name) a failed connection with the host-not-found
// texts, 10060 (no answer in time: connect, greeting or reply) one with the
// timed-out texts, anything else a failed connection with the refused texts.
std::unique_ptr<EFTPTransferException> MakeSocketError(int code);
// As above, and the layer's description and retry verdict go with it.
std::unique_ptr<EFTPTransferException> MakeSocketError(const ftp::SocketError& error);
