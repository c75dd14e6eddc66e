// libFuzzer target for the directory listing parsers.
//
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVANTOR_BUILD_FUZZ=ON
//   cmake --build build-fuzz --target listing_parser_fuzzer
//   mkdir -p /tmp/listing-corpus
//   build-fuzz/bin/listing_parser_fuzzer -max_len=4096 -max_total_time=1800 \
//       /tmp/listing-corpus tests/fuzz/corpus/listing
//
// Besides memory errors and undefined behaviour it traps on broken promises of
// parseListing(): names that are empty or hold CR, LF or NUL, more entries
// than the listing could hold, an unparseable result that has entries.

#include "ftp/ListingParser.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

void check(const ftp::ListingParseResult& r, std::string_view raw)
{
    for (const ftp::ListingEntry& e : r.entries) {
        if (e.name.empty() || e.name.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            __builtin_trap();
        if (e.size && *e.size < 0)
            __builtin_trap();
        if (e.modified.hasDate() && (e.modified.month < 1 || e.modified.month > 12 || e.modified.day < 1 ||
                                     e.modified.day > 31 || e.modified.hour > 23 || e.modified.minute > 59))
            __builtin_trap();
    }
    // Several entries may share a line (TSX+) but never more than a line has fields.
    if (r.entries.size() > raw.size())
        __builtin_trap();
    if (r.unparseable && !r.entries.empty())
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view raw(reinterpret_cast<const char*>(data), size);
    ftp::ListingParseOptions options;
    options.now = 1718445600; // fixed, so a finding reproduces
    check(ftp::parseListing(raw, options), raw);
    options.machineListing = true;
    check(ftp::parseListing(raw, options), raw);
    return 0;
}
