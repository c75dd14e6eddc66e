#include "CliCommand.h"

#include <algorithm>

namespace cli {

namespace {

std::vector<CliCommand>& registry()
{
    static std::vector<CliCommand> commands;
    return commands;
}

bool contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

} // namespace

std::optional<std::string> CliArgs::value(const std::string& name) const
{
    auto range = m_values.equal_range(name);
    if (range.first == range.second)
        return std::nullopt;
    return std::prev(range.second)->second; // the last one given wins
}

std::vector<std::string> CliArgs::values(const std::string& name) const
{
    std::vector<std::string> out;
    auto range = m_values.equal_range(name);
    for (auto it = range.first; it != range.second; ++it)
        out.push_back(it->second);
    return out;
}

bool CliRegistry::add(CliCommand command)
{
    auto& commands = registry();
    auto pos = std::lower_bound(commands.begin(), commands.end(), command.name,
                                [](const CliCommand& c, const std::string& n) { return c.name < n; });
    commands.insert(pos, std::move(command));
    return true;
}

const std::vector<CliCommand>& CliRegistry::all()
{
    return registry();
}

const CliCommand* CliRegistry::find(const std::string& name)
{
    for (const auto& c : registry())
        if (c.name == name)
            return &c;
    return nullptr;
}

const std::vector<std::string>& globalFlags()
{
    static const std::vector<std::string> flags{"-v"};
    return flags;
}

const std::vector<std::string>& globalValueOptions()
{
    static const std::vector<std::string> options{"--data-dir"};
    return options;
}

std::optional<CliArgs> CliParser::parse(const CliCommand& command, const std::vector<std::string>& args,
                                        std::string& error)
{
    CliArgs out;
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            out.m_positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = a;
        std::optional<std::string> inlineValue;
        if (auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            inlineValue = a.substr(eq + 1);
        }
        if (contains(command.flags, name) || contains(globalFlags(), name)) {
            if (inlineValue) {
                error = "option " + name + " takes no value";
                return std::nullopt;
            }
            ++out.m_flags[name];
        } else if (contains(command.valueOptions, name) || contains(globalValueOptions(), name)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = "option " + name + " needs a value";
                    return std::nullopt;
                }
                inlineValue = args[++i];
            }
            out.m_values.emplace(name, *inlineValue);
        } else {
            error = "unknown option " + a + " for '" + command.name + "'";
            return std::nullopt;
        }
    }
    return out;
}

} // namespace cli
