#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <sys/socket.h>

#include "support/DataChannel.h"
#include "support/FtpScript.h"
#include "support/SocketChannel.h"

namespace testsupport {

class ScriptedFtpServer;

// One control connection of the scripted server, served on its own thread by run().
class ScriptedSession final
{
public:
    ScriptedSession(ScriptedFtpServer& server, int id, int fd);
    void run();

private:
    using Handler = void (ScriptedSession::*)(const std::string& argument);
    static Handler handlerFor(const std::string& verb);

    // Control connection.
    std::optional<std::string> readLine();
    // Reads what the client sent meanwhile without blocking; true when an ABOR
    // line is waiting or the control connection ended.
    bool abortPending();
    void send(std::string_view bytes, std::chrono::milliseconds byteDelay = {});
    // Sends one reply; the first reply of a command carries the override's modifiers.
    void reply(int code, std::string_view text);
    void sendScripted(const Override& scripted);
    void afterScripted(const std::string& verb, const std::string& argument, int code);
    bool pause(std::chrono::milliseconds duration); // false when the server stops meanwhile
    void dispatch(const std::string& verb, const std::string& argument);
    bool loginRequired(const std::string& verb);
    std::string path(const std::string& argument) const;

    // Session commands.
    void cmdUser(const std::string& argument);
    void cmdPass(const std::string& argument);
    void cmdAuth(const std::string& argument);
    void cmdPbsz(const std::string& argument);
    void cmdProt(const std::string& argument);
    void cmdFeat(const std::string& argument);
    void cmdOpts(const std::string& argument);
    void cmdSyst(const std::string& argument);
    void cmdType(const std::string& argument);
    void cmdMode(const std::string& argument);
    void cmdStru(const std::string& argument);
    void cmdRest(const std::string& argument);
    void cmdNoop(const std::string& argument);
    void cmdQuit(const std::string& argument);
    void cmdAbor(const std::string& argument);
    void cmdPasv(const std::string& argument);
    void cmdEpsv(const std::string& argument);
    void cmdPort(const std::string& argument);
    void cmdEprt(const std::string& argument);
    void startTls();

    // File-system commands (ScriptedSessionFiles.cpp).
    void cmdPwd(const std::string& argument);
    void cmdCwd(const std::string& argument);
    void cmdCdup(const std::string& argument);
    void cmdMkd(const std::string& argument);
    void cmdRmd(const std::string& argument);
    void cmdDele(const std::string& argument);
    void cmdRnfr(const std::string& argument);
    void cmdRnto(const std::string& argument);
    void cmdSite(const std::string& argument);
    void cmdSize(const std::string& argument);
    void cmdMdtm(const std::string& argument);
    void cmdMlst(const std::string& argument);
    void cmdList(const std::string& argument);
    void cmdNlst(const std::string& argument);
    void cmdMlsd(const std::string& argument);
    void cmdRetr(const std::string& argument);
    void cmdStor(const std::string& argument);
    void cmdAppe(const std::string& argument);
    void listing(const std::string& argument, char style);
    void upload(const std::string& argument, bool append);

    // Data transfers (ScriptedTransfer.cpp): the preliminary reply, the data
    // connection with the scripted fault, and the final reply.
    void sendData(std::string body);
    // Receives an upload; calls `store` with what arrived, also when it was cut short.
    void receiveData(const std::function<void(const std::string&)>& store);
    std::unique_ptr<SocketChannel> openData(const DataFault& fault);
    void finalReply(const DataFault& fault, int defaultCode, std::string_view defaultText);
    void throttle(const DataFault& fault, std::int64_t done, std::chrono::steady_clock::time_point start);

    ScriptedFtpServer& m_server;
    int m_id;
    SocketChannel m_control;
    sockaddr_storage m_localAddress{};
    DataChannel m_data;
    std::unique_ptr<SocketChannel> m_lingering; // a finished download's socket, closed at the next transfer
    std::string m_input;
    std::optional<Override> m_modifiers; // of the command being handled, until its first reply
    bool m_closing = false;

    std::string m_user;
    bool m_userGiven = false;
    bool m_loggedIn = false;
    bool m_protectData = false;
    std::string m_cwd = "/";
    char m_type = 'A';
    std::int64_t m_restart = 0;
    std::string m_renameFrom;
};

} // namespace testsupport
