#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

// Subcommands of vantor-ftp-cli. Each lives in its own source file and registers
// itself with VANTOR_CLI_COMMAND, so adding a subcommand touches no shared file.
//
// Exit status: 0 success, 1 a failed operation, 2 bad usage.

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Parsed command line of one subcommand: options it declared, then positionals.
class CliArgs final
{
public:
    bool flag(const std::string& name) const { return m_flags.count(name) != 0; }
    std::optional<std::string> value(const std::string& name) const;
    // Every value given for a repeatable option, in command-line order.
    std::vector<std::string> values(const std::string& name) const;
    const std::vector<std::string>& positional() const { return m_positional; }

    // Global options, shared by every subcommand.
    bool verbose() const { return flag("-v"); }

private:
    friend class CliParser;
    std::map<std::string, int> m_flags;
    std::multimap<std::string, std::string> m_values;
    std::vector<std::string> m_positional;
};

struct CliCommand
{
    std::string name;
    std::string usage;                     // "ls URL [--tls] ..." shown by --help
    std::string summary;                   // one line
    std::vector<std::string> flags;        // options without a value
    std::vector<std::string> valueOptions; // options taking one value ("--host NAME")
    std::function<int(const CliArgs&)> run;
    std::string help; // the rest of "COMMAND --help": what it does, options, examples
};

class CliRegistry final
{
public:
    static bool add(CliCommand command);
    static const std::vector<CliCommand>& all();
    static const CliCommand* find(const std::string& name);
};

class CliParser final
{
public:
    // Parses argv[first..] against the command's declared options plus the global
    // ones. Returns nothing and writes the reason to `error` on bad usage.
    static std::optional<CliArgs> parse(const CliCommand& command, const std::vector<std::string>& args,
                                        std::string& error);
};

// Global options accepted by every subcommand.
const std::vector<std::string>& globalFlags();
const std::vector<std::string>& globalValueOptions();

// `a` followed by `b`, for composing a subcommand's option lists.
inline std::vector<std::string> joined(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace cli

#define VANTOR_CLI_CONCAT2(a, b) a##b
#define VANTOR_CLI_CONCAT(a, b) VANTOR_CLI_CONCAT2(a, b)
#define VANTOR_CLI_COMMAND(...)                                                                              \
    static const bool VANTOR_CLI_CONCAT(s_cliRegistered, __LINE__) = ::cli::CliRegistry::add(__VA_ARGS__)
