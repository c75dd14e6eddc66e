#include "CliCommand.h"

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>

#include "ftp/ListingParser.h"

// parse-listing: reads a raw LIST (or, with --mlsd, MLSD) answer from standard
// input and prints the parsed entries as a JSON array.

namespace {

// Length of the well-formed UTF-8 sequence at `i`, 0 when the bytes there are
// not one (overlong forms, surrogates and code points past U+10FFFF included).
std::size_t utf8SequenceLength(const std::string& s, std::size_t i)
{
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = byte(i);
    std::size_t n;
    std::uint32_t cp;
    if (c < 0x80)
        return 1;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k) {
        unsigned char cc = byte(i + k);
        if ((cc & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

void appendEscaped(std::string& out, const std::string& s)
{
    static constexpr char kHex[] = "0123456789abcdef";
    auto unicodeEscape = [&](unsigned char c) {
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0x0F];
    };
    out += '"';
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                unicodeEscape(c);
            } else if (c >= 0x80) {
                std::size_t n = utf8SequenceLength(s, i);
                if (n == 0) {
                    unicodeEscape(c); // a byte that is not UTF-8 is read as Latin-1
                } else {
                    out.append(s, i, n);
                    i += n;
                    continue;
                }
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
}

void appendOptionalText(std::string& out, const std::string& s)
{
    if (s.empty())
        out += "null";
    else
        appendEscaped(out, s);
}

const char* typeName(ftp::EntryType type)
{
    switch (type) {
    case ftp::EntryType::File:
        return "file";
    case ftp::EntryType::Directory:
        return "dir";
    case ftp::EntryType::Link:
        return "link";
    case ftp::EntryType::Other:
        break;
    }
    return "other";
}

std::string entryJson(const ftp::ListingEntry& e)
{
    std::string out = "{\"name\": ";
    appendEscaped(out, e.name);
    out += ", \"type\": \"";
    out += typeName(e.type);
    out += "\", \"size\": ";
    out += e.size ? std::to_string(*e.size) : "null";
    out += ", \"link_target\": ";
    appendOptionalText(out, e.linkTarget);
    out += ", \"owner\": ";
    appendOptionalText(out, e.owner);
    out += ", \"group\": ";
    appendOptionalText(out, e.group);
    out += ", \"permissions\": ";
    appendOptionalText(out, e.permissions);
    char buf[32];
    out += ", \"date\": ";
    if (e.modified.hasDate()) {
        std::snprintf(buf, sizeof buf, "\"%04d-%02d-%02d\"", e.modified.year, e.modified.month,
                      e.modified.day);
        out += buf;
    } else {
        out += "null";
    }
    out += ", \"time\": ";
    if (e.modified.hasDate() && e.modified.hasTime()) {
        std::snprintf(buf, sizeof buf, "\"%02d:%02d\"", e.modified.hour, e.modified.minute);
        out += buf;
    } else {
        out += "null";
    }
    out += '}';
    return out;
}

int runParseListing(const cli::CliArgs& args)
{
    if (!args.positional().empty()) {
        std::fprintf(stderr, "vantor-ftp-cli: parse-listing reads standard input and takes no arguments\n");
        return cli::kExitUsage;
    }
    ftp::ListingParseOptions options;
    options.machineListing = args.flag("--mlsd");
    if (auto now = args.value("--now")) {
        try {
            options.now = static_cast<std::time_t>(std::stoll(*now));
        } catch (...) {
            std::fprintf(stderr, "vantor-ftp-cli: --now takes seconds since 1970\n");
            return cli::kExitUsage;
        }
    }
    std::string raw((std::istreambuf_iterator<char>(std::cin)), std::istreambuf_iterator<char>());
    ftp::ListingParseResult result = ftp::parseListing(raw, options);
    if (result.unparseable) {
        std::fprintf(stderr,
                     "vantor-ftp-cli: the listing could not be parsed (%zu lines, none in a known style)\n",
                     result.skippedLines);
        return cli::kExitFailed;
    }
    if (args.verbose())
        std::fprintf(stderr, "style: %s, %zu entries, %zu lines skipped\n",
                     result.style.empty() ? "none" : result.style.c_str(), result.entries.size(),
                     result.skippedLines);
    std::string out = "[";
    for (std::size_t i = 0; i < result.entries.size(); ++i) {
        out += i == 0 ? "\n  " : ",\n  ";
        out += entryJson(result.entries[i]);
    }
    out += result.entries.empty() ? "]\n" : "\n]\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return cli::kExitOk;
}

} // namespace

VANTOR_CLI_COMMAND(cli::CliCommand{
    "parse-listing",
    "parse-listing [--mlsd] [--now SECONDS] < LISTING",
    "print a raw directory listing from standard input as JSON",
    {"--mlsd"},
    {"--now"},
    runParseListing,
    "Reads a LIST (or with --mlsd an MLSD) listing from standard input and prints\n"
    "its entries as a JSON array. --now SECONDS sets the time (Unix seconds) that\n"
    "dates without a year are read against.\n\n"
    "Examples:\n"
    "  vantor-ftp-cli parse-listing < listing.txt\n"
    "  vantor-ftp-cli parse-listing --mlsd --now 1767225600 < mlsd.txt\n"});
