#pragma once

// Small helpers the browsing worker's source files share.

#include <memory>
#include <string>

#include <QString>

#include "engine/EEngineError.h"
#include "ftp/FtpError.h"

namespace workersupport {

inline QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The error for a failure of an operation with its own class for reply errors.
template <class ReplyClass>
std::unique_ptr<EEngineError> replyFailure(const ftp::FtpError& cause)
{
    auto error = std::make_unique<ReplyClass>();
    error->setCause(cause);
    return error;
}

} // namespace workersupport
