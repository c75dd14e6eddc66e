#include "CliFileExistsPrompter.h"

#include <cctype>
#include <cstdio>
#include <string>

#include <unistd.h>

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include "CliQueueProgress.h"

namespace cli {

namespace {

std::string utf8(const QString& text)
{
    return text.toStdString();
}

const char* kindTitle(TFileExistsPrompt::TKind kind)
{
    switch (kind) {
    case TFileExistsPrompt::TKind::LocalFileAlreadyExists:
        return "local file as large as the remote one";
    case TFileExistsPrompt::TKind::LocalFileSmallerAlreadyExists:
        return "smaller local file";
    case TFileExistsPrompt::TKind::RemoteFileAlreadyExists:
        return "remote file as large as the local one";
    case TFileExistsPrompt::TKind::RemoteFileSmallerAlreadyExists:
        return "smaller remote file";
    }
    return "";
}

} // namespace

CliFileExistsPrompter::CliFileExistsPrompter(std::function<void()> beforePrompt)
    : m_beforePrompt(std::move(beforePrompt))
{}

bool CliFileExistsPrompter::interactive()
{
    return ::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO);
}

bool CliFileExistsPrompter::parseAnswer(const std::string& text, bool resumeAllowed,
                                        TFileExistsPrompt& prompt)
{
    std::string answer;
    for (const char c : text)
        if (!std::isspace(static_cast<unsigned char>(c)))
            answer += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (answer.empty() || answer.size() > 2)
        return false;
    TFileAlreadyExistsAction choice;
    switch (answer[0]) {
    case 'o':
        choice = TFileAlreadyExistsAction::faeOverwrite;
        break;
    case 'r':
        if (!resumeAllowed)
            return false;
        choice = TFileAlreadyExistsAction::faeResume;
        break;
    case 's':
    case 'c':
    case '\x1b':
        choice = TFileAlreadyExistsAction::faeSkip;
        break;
    default:
        return false;
    }
    int scope = TFileExistsPrompt::kOnlyThisFile;
    if (answer.size() == 2) {
        if (answer[1] < '1' || answer[1] > '3')
            return false;
        scope = answer[1] - '1';
    }
    prompt.Choice = choice;
    prompt.Scope = scope;
    prompt.Accepted = true;
    return true;
}

void CliFileExistsPrompter::prompt(TFileExistsPrompt& prompt)
{
    prompt.Accepted = true;
    prompt.Choice = TFileAlreadyExistsAction::faeSkip;
    prompt.Scope = TFileExistsPrompt::kOnlyThisFile;
    if (!interactive())
        return;
    if (m_beforePrompt)
        m_beforePrompt();

    std::fprintf(stderr, "\n%s (%s)\n%s\n  Filename: %s\n", utf8(prompt.ShortDescription).c_str(),
                 kindTitle(prompt.Kind), utf8(prompt.LongDescription).c_str(), utf8(prompt.Filename).c_str());
    std::fprintf(stderr, "  Local file:   Size: %s  Modified: %s\n",
                 CliQueueProgress::formatExactBytes(prompt.LocalSize).c_str(),
                 utf8(prompt.LocalDate).c_str());
    std::fprintf(stderr, "  Remote file:  Size: %s  Modified: %s\n",
                 CliQueueProgress::formatExactBytes(prompt.RemoteSize).c_str(),
                 utf8(prompt.RemoteDate).c_str());
    std::fprintf(stderr, "  [o] Overwrite%s  [s] Skip  [c] Cancel\n",
                 prompt.ResumeAllowed ? "  [r] Resume" : "");
    std::fprintf(stderr,
                 "  Apply my choice to: 1 only this file (default), 2 all files currently in queue, 3 all "
                 "files always (e.g. \"o2\")\n");

    int countdown = TFileExistsPrompt::kCountdownSeconds;
    const auto ask = [&] {
        std::fprintf(stderr, "\rYour choice (Skip in %2d s): ", countdown);
        std::fflush(stderr);
    };
    ask();

    QEventLoop loop;
    QTimer timer;
    timer.setInterval(1000);
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (--countdown <= 0) {
            std::fprintf(stderr, "\nNo answer: skipped.\n");
            loop.quit();
            return;
        }
        ask();
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string line;
    QObject::connect(&input, &QSocketNotifier::activated, &loop, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            std::fprintf(stderr, "\n");
            loop.quit(); // end of input: skip
            return;
        }
        line.append(buffer, static_cast<std::size_t>(n));
        const std::size_t end = line.find('\n');
        if (end == std::string::npos)
            return;
        const std::string answer = line.substr(0, end);
        line.erase(0, end + 1);
        if (parseAnswer(answer, prompt.ResumeAllowed, prompt)) {
            loop.quit();
            return;
        }
        std::fprintf(stderr, "Please answer o%s, s or c, optionally followed by 1, 2 or 3.\n",
                     prompt.ResumeAllowed ? ", r" : "");
        ask();
    });
    timer.start();
    loop.exec();
}

} // namespace cli
