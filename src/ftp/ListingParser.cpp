#include "ftp/ListingParser.h"

#include "ftp/listing/StyleParser.h"
#include "ftp/listing/StyleRegistry.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include <sys/mman.h>

namespace ftp {

namespace {

using listing::LineKind;
using listing::StyleParser;
using listing::StyleRegistry;

// A longer line is no listing line of any server; it is skipped unread so that
// a hostile listing cannot make parsing expensive.
constexpr std::size_t kMaxLineLength = 10000;
// Styles are recognised on the first lines only; the whole listing is then read
// with the winner, so the cost stays linear in the listing's length.
constexpr std::size_t kRecognitionLines = 64;

bool isBlankLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; });
}

struct SplitListing
{
    std::vector<std::string_view> lines; // content lines of acceptable length
    std::size_t oversized = 0;
};

SplitListing splitLines(std::string_view raw)
{
    SplitListing out;
    std::size_t pos = 0;
    while (pos < raw.size()) {
        std::size_t end = raw.find('\n', pos);
        if (end == std::string_view::npos)
            end = raw.size();
        std::string_view line = raw.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxLineLength)
            ++out.oversized;
        else if (!isBlankLine(line))
            out.lines.push_back(line);
    }
    return out;
}

struct Score
{
    std::size_t entries = 0; // lines that gave entries
    std::size_t failed = 0;
};

Score trial(StyleParser& parser, listing::Lines lines, const listing::ParseContext& context)
{
    Score score;
    std::vector<ListingEntry> scratch;
    parser.prepare(lines);
    for (std::size_t i = 0; i < lines.size();) {
        listing::LineResult r = parser.parse(lines, i, context, scratch);
        if (r.kind == LineKind::Entry)
            ++score.entries;
        else if (r.kind == LineKind::Failed)
            ++score.failed;
        i += std::max<std::size_t>(r.consumed, 1);
    }
    return score;
}

// The style that reads most of the first lines; nothing when none reads them.
std::optional<std::size_t> recognise(listing::Lines lines, const listing::ParseContext& context)
{
    listing::Lines sample = lines.first(std::min(lines.size(), kRecognitionLines));
    std::optional<std::size_t> best, fallback, headersOnly;
    Score bestScore;
    for (std::size_t i = 0; i < StyleRegistry::count(); ++i) {
        std::unique_ptr<StyleParser> parser = StyleRegistry::create(i);
        Score s = trial(*parser, sample, context);
        if (parser->fallbackOnly()) {
            if (s.failed == 0 && s.entries > 0)
                fallback = i;
            continue;
        }
        if (s.entries == 0) {
            if (s.failed == 0 && !headersOnly)
                headersOnly = i;
            continue;
        }
        if (!best || s.entries > bestScore.entries ||
            (s.entries == bestScore.entries && s.failed < bestScore.failed)) {
            best = i;
            bestScore = s;
        }
    }
    // A name list wins only where no real style reads even half the lines.
    if (fallback && (!best || bestScore.entries * 2 < sample.size()))
        return fallback;
    if (best)
        return best;
    return headersOnly;
}

// The entry array of a large listing is tens of megabytes of fresh memory; with
// 4 KiB pages, the page faults on first touch cost more than the parsing (badly so
// in virtual machines). Asking for huge pages on the aligned middle of the
// untouched array turns thousands of faults into a few. Purely advisory.
void adviseHugePages(const void* data, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHuge = 2u << 20;
    if (bytes < 2 * kHuge)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t last = (begin + bytes) & ~(kHuge - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

bool isSafeName(const std::string& name)
{
    return !name.empty() && name.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
}

} // namespace

ListingParseResult parseListing(std::string_view raw, const ListingParseOptions& options)
{
    ListingParseResult result;
    SplitListing split = splitLines(raw);
    listing::Lines lines(split.lines);
    if (lines.empty()) {
        result.skippedLines = split.oversized;
        result.unparseable = split.oversized > 0;
        return result;
    }
    listing::ParseContext context = listing::makeParseContext(options.now);

    std::optional<std::size_t> style =
        options.machineListing ? StyleRegistry::machineListingIndex() : recognise(lines, context);
    std::size_t skipped = split.oversized;
    if (!style) {
        result.skippedLines = skipped + lines.size();
        result.unparseable = result.skippedLines > 0;
        return result;
    }

    std::unique_ptr<StyleParser> parser = StyleRegistry::create(*style);
    result.style = std::string(parser->name());
    parser->prepare(lines);
    result.entries.reserve(lines.size());
    adviseHugePages(result.entries.data(), result.entries.capacity() * sizeof(ListingEntry));
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t before = result.entries.size();
        listing::LineResult r = parser->parse(lines, i, context, result.entries);
        if (r.kind == LineKind::Failed)
            ++skipped;
        // A name holding CR, LF or NUL could never be used safely: drop the entry.
        for (std::size_t e = before; e < result.entries.size();) {
            if (isSafeName(result.entries[e].name)) {
                ++e;
            } else {
                result.entries.erase(result.entries.begin() + static_cast<std::ptrdiff_t>(e));
                ++skipped;
            }
        }
        i += std::max<std::size_t>(r.consumed, 1);
    }
    result.skippedLines = skipped;
    result.unparseable = result.entries.empty() && skipped > 0;
    return result;
}

} // namespace ftp
