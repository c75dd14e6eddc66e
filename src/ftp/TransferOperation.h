#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "ftp/ClientOptions.h"
#include "ftp/DataChannel.h"
#include "ftp/DataStream.h"
#include "ftp/FtpError.h"

namespace ftp {

class Session;

// One command over a data connection: LIST, RETR, STOR or APPE. Runs the steps,
// reports work begin/progress/end, and decides success: only when all expected
// data moved and the server confirmed it. On any failure after the command went
// out, the control connection is brought back in step (the pending reply read)
// or dropped.
class TransferOperation final
{
public:
    enum class Step : std::uint8_t
    {
        Start,
        Size,
        Prepare,
        Rest,
        Command,
        Transfer,
        Finish,
        FinalReply,
        Done,
        Failed
    };

    struct Request
    {
        TransferDirection direction = TransferDirection::Download;
        std::string command;                   // "RETR name" (the name already encoded)
        std::string sizeQuery;                 // remote name for SIZE when the size is wanted and unknown
        std::int64_t restartAt = 0;            // sent as REST when > 0
        std::optional<std::int64_t> totalSize; // the whole remote file, when known
        bool reportWork = true;                // listings do not report work
    };

    TransferOperation(Session& session, Request request);
    std::int64_t download(DataSink& sink);
    std::int64_t upload(DataSource& source);

    static const char* stepName(Step step);
    // Data moves through buffers of this size (large blocks keep loopback and WAN
    // transfers at the line's rate).
    static constexpr std::size_t kBufferSize = 256 * 1024;

private:
    template <class Body>
    std::int64_t run(Body&& body);
    void setStep(Step step);
    void querySize();
    void checkComplete(std::int64_t moved, bool cleanEnd);
    void recover(DataChannel& channel) noexcept;
    // Throws an error naming the cause when the transfer failed as servers fail a
    // data connection whose TLS session they did not resume.
    void explainRefusedResumption(const DataChannel& channel, const FtpError& error);
    void progress(std::int64_t moved);

    Session& m_session;
    Request m_request;
    Step m_step = Step::Start;
    bool m_workBegun = false;
};

} // namespace ftp
