#include "engine/EEngineError.h"

#include <utility>

#include "ftp/FtpError.h"

EEngineError::EEngineError(QString message)
{
    setMessage(std::move(message));
}

EEngineError::~EEngineError() = default;

void EEngineError::setMessage(QString message)
{
    m_message = std::move(message);
    m_what = m_message.toStdString();
}

std::unique_ptr<EEngineError> EEngineError::clone() const
{
    return std::make_unique<EEngineError>(*this);
}

void EEngineError::raise() const
{
    throw *this;
}

void EEngineError::setCause(const ftp::FtpError& cause)
{
    if (const auto* reply = dynamic_cast<const ftp::ReplyError*>(&cause))
        setCause(reply->code(), QString::fromStdString(reply->text()), reply->retryable());
    else
        setCause(0, QString::fromStdString(cause.what()), cause.retryable());
}

void EEngineError::setCause(int replyCode, QString serverText, bool retryable)
{
    m_replyCode = replyCode;
    m_serverText = std::move(serverText);
    m_retryable = retryable;
}
