#pragma once

#include <exception>
#include <memory>
#include <string>

#include <QString>

namespace ftp {
class FtpError;
}

// Root of every error object of the engine and the transfers.
//
// Errors never cross threads as exceptions: a thread keeps a clone() (which keeps
// the dynamic class) and hands it over; the receiver may raise() it again. Every
// error says whether trying the same thing again can help, and carries the
// server's reply code and text when a reply caused it, so the queue decides on
// the flag and never by reading messages.
class EEngineError : public std::exception
{
public:
    explicit EEngineError(QString message);
    ~EEngineError() override;
    EEngineError(const EEngineError&) = default;
    EEngineError& operator=(const EEngineError&) = default;

    const QString& Message() const { return m_message; }
    void setMessage(QString message);
    const char* what() const noexcept override { return m_what.c_str(); }

    // The class name as the log shows it ("EFTRemoteFileCantDelete").
    virtual const char* ClassName() const noexcept { return "EEngineError"; }
    // A copy of the same dynamic class, for handing over to another thread.
    virtual std::unique_ptr<EEngineError> clone() const;
    // Throws this object as its dynamic class.
    [[noreturn]] virtual void raise() const;

    // Whether the same attempt may succeed later (a reset connection, a 4xx reply)
    // or never will (a 5xx reply, a refused TLS, a rejected certificate).
    bool retryable() const { return m_retryable; }
    void setRetryable(bool retryable) { m_retryable = retryable; }

    // The reply that caused the error; 0 when no reply did.
    int ReplyCode() const { return m_replyCode; }
    // The server's reply text, or the protocol layer's own description of the failure.
    const QString& ServerText() const { return m_serverText; }
    // Takes code, text and the retry verdict from the protocol layer's error.
    void setCause(const ftp::FtpError& cause);
    void setCause(int replyCode, QString serverText, bool retryable);

private:
    QString m_message;
    std::string m_what;
    QString m_serverText;
    int m_replyCode = 0;
    bool m_retryable = false;
};

// Adds the class name, clone() and raise() to a concrete error class, so each leaf
// class needs only its constructors.
template <class Self, class Base>
class TEngineErrorClass : public Base
{
public:
    using Base::Base;

    const char* ClassName() const noexcept override { return Self::kClassName; }
    std::unique_ptr<EEngineError> clone() const override
    {
        return std::make_unique<Self>(static_cast<const Self&>(*this));
    }
    [[noreturn]] void raise() const override { throw static_cast<const Self&>(*this); }
};

// clone() as the class the caller knows the error to be.
template <class T>
std::unique_ptr<T> cloneError(const T& error)
{
    return std::unique_ptr<T>(static_cast<T*>(error.clone().release()));
}
