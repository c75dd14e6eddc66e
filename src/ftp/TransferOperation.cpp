#include "ftp/TransferOperation.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "ftp/DataChannel.h"
#include "ftp/FtpError.h"
#include "ftp/ReplyText.h"
#include "ftp/Session.h"

namespace ftp {

namespace {

// Bounds the wait for the replies that follow a broken transfer.
constexpr std::chrono::milliseconds kRecoveryTimeout{10000};
// Replies that may still belong to the broken transfer (150, 426, 226, the ABOR's own).
constexpr int kMaxStaleReplies = 8;

} // namespace

TransferOperation::TransferOperation(Session& session, Request request)
    : m_session(session)
    , m_request(std::move(request))
{}

const char* TransferOperation::stepName(Step step)
{
    switch (step) {
    case Step::Start:
        return "Start";
    case Step::Size:
        return "Size";
    case Step::Prepare:
        return "Prepare";
    case Step::Rest:
        return "Rest";
    case Step::Command:
        return "Command";
    case Step::Transfer:
        return "Transfer";
    case Step::Finish:
        return "Finish";
    case Step::FinalReply:
        return "FinalReply";
    case Step::Done:
        return "Done";
    case Step::Failed:
        return "Failed";
    }
    return "?";
}

void TransferOperation::setStep(Step step)
{
    m_session.debug(std::string("transfer: ") + stepName(m_step) + " -> " + stepName(step));
    m_step = step;
}

void TransferOperation::querySize()
{
    // SIZE counts bytes as TYPE I sends them (RFC 3659 section 4); in ASCII mode
    // the count would not match what arrives.
    if (m_request.totalSize || m_request.sizeQuery.empty() || !m_session.features.has("SIZE") ||
        m_session.transferType != TransferType::Binary)
        return;
    setStep(Step::Size);
    Reply reply = m_session.command("SIZE " + m_request.sizeQuery);
    if (reply.code == 213)
        m_request.totalSize = parseDecimal(reply.text());
}

void TransferOperation::progress(std::int64_t moved)
{
    if (m_request.reportWork && m_session.callbacks.workProgress)
        m_session.callbacks.workProgress(moved);
    if (m_session.killRequested)
        throw AbortedError("Transfer stopped");
}

template <class Body>
std::int64_t TransferOperation::run(Body&& body)
{
    m_session.requireConnected();
    m_session.killRequested = false;
    m_session.inTransfer = true;
    // An abortTransfer() that came before this transfer stops it; one is used up
    // only once the transfer it stops is over.
    struct InTransfer
    {
        Session& s;
        ~InTransfer()
        {
            s.inTransfer = false;
            s.dataWaker.reset();
        }
    } inTransfer{m_session};

    if (m_request.direction == TransferDirection::Download) {
        querySize();
        if (m_request.totalSize && m_request.restartAt > *m_request.totalSize)
            throw ProtocolError("Cannot resume: the local file is larger than the remote file", false);
    }
    auto channel = std::make_unique<DataChannel>(m_session);
    try {
        setStep(Step::Prepare);
        channel->prepare();
        if (m_request.restartAt > 0) {
            setStep(Step::Rest);
            m_session.expect("REST " + std::to_string(m_request.restartAt), {350});
        }
        setStep(Step::Command);
        channel->open(m_request.command);
        if (!m_request.totalSize && m_request.restartAt == 0 && channel->preliminaryReply() &&
            m_request.direction == TransferDirection::Download)
            m_request.totalSize = parseAnnouncedSize(channel->preliminaryReply()->text());

        std::int64_t expected = -1;
        if (m_request.totalSize && m_session.transferType == TransferType::Binary)
            expected = std::max<std::int64_t>(0, *m_request.totalSize - m_request.restartAt);
        if (m_request.reportWork) {
            m_session.status(ConnectionStatus::ftpTransfer);
            m_workBegun = true;
            if (auto cb = m_session.callbacks.workBegin)
                cb(m_request.direction, expected);
        }
        setStep(Step::Transfer);
        std::int64_t moved = body(*channel);
        bool clean = channel->transport().endedCleanly();

        setStep(Step::FinalReply);
        const Reply& final = channel->readFinalReply();
        (void) final; // a refusal was thrown as ReplyError
        checkComplete(moved, clean);
        setStep(Step::Done);
        if (m_workBegun) {
            if (auto cb = m_session.callbacks.workEnd)
                cb(true);
            m_session.status(ConnectionStatus::ftpReady);
        }
        return moved;
    } catch (const AbortedError&) {
        setStep(Step::Failed);
        channel->close();
        recover(*channel);
        m_session.abortTaken();
        if (m_workBegun) {
            if (auto cb = m_session.callbacks.workEnd)
                cb(false);
        }
        m_session.status(ConnectionStatus::ftpAborted);
        throw;
    } catch (const FtpError& e) {
        setStep(Step::Failed);
        channel->close();
        recover(*channel);
        if (m_workBegun) {
            if (auto cb = m_session.callbacks.workEnd)
                cb(false);
        }
        explainRefusedResumption(*channel, e);
        throw;
    }
}

void TransferOperation::explainRefusedResumption(const DataChannel& channel, const FtpError& error)
{
    const DataChannel::Resumption resumption = channel.resumption();
    if (resumption != DataChannel::Resumption::RefusedUnused &&
        resumption != DataChannel::Resumption::RefusedUsed)
        return;
    // How servers that insist on resumption turn the data connection down:
    // vsftpd 522, proftpd 425 on the control connection and a reset on the data
    // connection. Other failures are left as they are.
    if (const auto* reply = dynamic_cast<const ReplyError*>(&error)) {
        if (reply->code() != 425 && reply->code() != 522)
            return;
    } else if (!dynamic_cast<const SocketError*>(&error)) {
        return;
    }
    if (resumption == DataChannel::Resumption::RefusedUsed) {
        // The session this connection can offer is spent: out of TLS 1.3 tickets,
        // or a TLS 1.2 session the server has forgotten (after hours on one
        // control connection). A new control connection brings a new session, so
        // a retry can succeed.
        m_session.drop();
        throw ProtocolError(
            std::string(channel.tls13() ? "The server refused the data connection: it accepts each TLS 1.3 "
                                          "session ticket only once, and no unused ticket was left ("
                                        : "The server refused the data connection: it no longer resumes "
                                          "this connection's TLS session (") +
                error.what() + ")",
            true);
    }
    throw ProtocolError(std::string("The server refused the data connection: it did not resume the control "
                                    "connection's TLS session (") +
                            error.what() + ")",
                        error.retryable());
}

void TransferOperation::checkComplete(std::int64_t moved, bool cleanEnd)
{
    if (!m_request.totalSize || m_session.transferType != TransferType::Binary) {
        // Nothing to count the bytes against: only the TLS close_notify tells a
        // complete stream from one cut on the way.
        if (!cleanEnd && m_request.direction == TransferDirection::Download &&
            !m_session.options.acceptDataWithoutCloseNotify)
            throw ProtocolError(
                "The TLS data connection ended without close_notify after " + std::to_string(moved) +
                    " bytes: the data may have been cut short, and its length cannot be checked (" +
                    (!m_request.reportWork                            ? "a listing"
                     : m_session.transferType != TransferType::Binary ? "an ASCII transfer"
                                                                      : "the size is not known") +
                    "). For a server that never sends close_notify, allow it in the host's settings",
                true);
        return;
    }
    const std::int64_t expected = *m_request.totalSize - m_request.restartAt;
    if (moved >= expected)
        return;
    throw ProtocolError("Transfer truncated: " + std::to_string(moved) + " of " + std::to_string(expected) +
                            " bytes arrived" +
                            (cleanEnd ? "" : " (the TLS stream ended without close_notify)"),
                        true);
}

void TransferOperation::recover(DataChannel& channel) noexcept
{
    if (!m_session.connected() || !channel.commandSent() || channel.finalReplyRead())
        return;
    // The transfer's end was not heard. The server may still be sending, waiting
    // for a data connection, or about to answer 426 and then 226: ABOR ends
    // whatever it is doing (RFC 959 section 4.1.3), and the reply to a NOOP marks
    // where the stale replies end, so the next command gets its own reply.
    auto& control = *m_session.control;
    const auto saved = control.replyTimeout();
    control.setReplyTimeout(std::min(saved, kRecoveryTimeout));
    try {
        m_session.send("ABOR");
        // NOOP only once ABOR is answered: a server still in its transfer loop
        // reads the control connection just to look for ABOR and drops whatever
        // else came in the same read (pure-ftpd does), so a NOOP sent along with
        // it would never be answered. 1xx and 4xx replies (426, 451) end the
        // transfer; ABOR's own answer is a 2xx, or a 5xx where it is unknown.
        for (int i = 0;; ++i) {
            const int code = m_session.read().code;
            if (code >= 200 && (code < 400 || code >= 500))
                break;
            if (i + 1 == kMaxStaleReplies)
                throw ProtocolError("No answer to ABOR after a broken transfer", false);
        }
        m_session.send("NOOP");
        for (int i = 0; i < kMaxStaleReplies; ++i) {
            if (m_session.read().code == 200)
                break;
            if (i + 1 == kMaxStaleReplies)
                throw ProtocolError("No reply to NOOP after a broken transfer", false);
        }
    } catch (const FtpError&) {
        m_session.drop(); // out of step: the next command would meet a stale reply
    }
    if (m_session.connected())
        control.setReplyTimeout(saved);
}

std::int64_t TransferOperation::download(DataSink& sink)
{
    m_request.direction = TransferDirection::Download;
    std::int64_t moved = run([&](DataChannel& channel) -> std::int64_t {
        std::vector<char> buffer(kBufferSize);
        Transport& t = channel.transport();
        std::int64_t total = 0;
        for (;;) {
            std::size_t n = t.read(buffer.data(), buffer.size());
            if (n == 0)
                break;
            sink.write(buffer.data(), n);
            total += static_cast<std::int64_t>(n);
            progress(total);
        }
        try {
            t.finish();
        } catch (const FtpError&) {
            // The data is in; a failing goodbye changes nothing about it.
        }
        return total;
    });
    sink.complete();
    return moved;
}

std::int64_t TransferOperation::upload(DataSource& source)
{
    m_request.direction = TransferDirection::Upload;
    if (auto left = source.remaining())
        m_request.totalSize = *left + m_request.restartAt;
    return run([&](DataChannel& channel) -> std::int64_t {
        std::vector<char> buffer(kBufferSize);
        Transport& t = channel.transport();
        std::int64_t total = 0;
        for (;;) {
            std::size_t n = source.read(buffer.data(), buffer.size());
            if (n == 0)
                break;
            t.write(buffer.data(), n);
            total += static_cast<std::int64_t>(n);
            progress(total);
        }
        // A complete two-way TLS shutdown: vsftpd takes an upload that ends
        // without one as failed (426).
        setStep(Step::Finish);
        t.finish();
        return total;
    });
}

} // namespace ftp
