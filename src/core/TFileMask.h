#pragma once

#include <vector>

#include <QString>

// A file-name mask as the filters, the remote pane and the search use it.
//
// The whole name must match, ignoring letter case. "*" matches any run of
// characters (none included), "?" exactly one; "[set]" one character of the set
// and "[!set]" one character not in it, where a set lists characters and ranges
// such as "a-z" (a "-" first or last in the set is itself). Every other
// character, the dot included, matches itself, so "*.*" needs a dot. A "?" right
// after a "*" is dropped ("*?" is "*", "*??" too). The empty mask matches only the
// empty name.
//
// A malformed set throws EMaskException with the 1-based position (in characters)
// of the offending character:
//   "[abc"  — one past the end, where the "]" is missing;
//   "[]", "[!]" — the "]" of a set with nothing in it;
//   "[z-a]" — the upper end of a descending range.
//
// Matching takes time proportional to the name's length times the mask's at
// worst; no mask makes it exponential.
class TFileMask final
{
public:
    explicit TFileMask(const QString& mask);

    bool Matches(const QString& name) const;
    const QString& mask() const { return m_mask; }

    // Compiles and matches in one step; throws as the constructor does.
    static bool matches(const QString& mask, const QString& name);

private:
    struct Range
    {
        char32_t low;
        char32_t high;
    };
    struct Token
    {
        enum class Kind
        {
            Literal,
            AnyChar,
            AnyRun,
            Set,
        };
        Kind kind = Kind::Literal;
        char32_t literal = 0; // case-folded
        bool negate = false;
        std::vector<Range> ranges;

        bool matches(char32_t c) const;
    };

    [[noreturn]] void invalid(int position) const;

    QString m_mask;
    std::vector<Token> m_tokens;
};
