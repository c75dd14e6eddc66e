#include "core/TFileMask.h"

#include <QChar>
#include <QList>

#include "core/EMaskException.h"
#include "core/Format.h"

namespace {

char32_t folded(char32_t c)
{
    return QChar::toCaseFolded(c);
}

} // namespace

bool TFileMask::Token::matches(char32_t c) const
{
    switch (kind) {
    case Kind::Literal:
        return folded(c) == literal;
    case Kind::AnyChar:
        return true;
    case Kind::AnyRun:
        return false;
    case Kind::Set:
        break;
    }
    // A set is written in whatever case the user typed: try the character in
    // both cases against the bounds as written.
    const char32_t forms[] = {c, QChar::toLower(c), QChar::toUpper(c)};
    bool in = false;
    for (const Range& r : ranges)
        for (const char32_t f : forms)
            if (f >= r.low && f <= r.high)
                in = true;
    return in != negate;
}

TFileMask::TFileMask(const QString& mask)
    : m_mask(mask)
{
    const QList<uint> m = mask.toUcs4();
    const qsizetype n = m.size();
    qsizetype i = 0;
    while (i < n) {
        const char32_t c = m[i];
        const bool afterRun = !m_tokens.empty() && m_tokens.back().kind == Token::Kind::AnyRun;
        if (c == U'*') {
            if (!afterRun)
                m_tokens.push_back(Token{Token::Kind::AnyRun});
            ++i;
        } else if (c == U'?') {
            if (!afterRun)
                m_tokens.push_back(Token{Token::Kind::AnyChar});
            ++i;
        } else if (c == U'[') {
            Token set{Token::Kind::Set};
            qsizetype j = i + 1;
            if (j < n && m[j] == U'!') {
                set.negate = true;
                ++j;
            }
            while (j < n && m[j] != U']') {
                const char32_t low = m[j++];
                if (j + 1 < n && m[j] == U'-' && m[j + 1] != U']') {
                    const char32_t high = m[j + 1];
                    if (high < low)
                        invalid(int(j + 2));
                    set.ranges.push_back({low, high});
                    j += 2;
                } else {
                    set.ranges.push_back({low, low});
                }
            }
            if (j >= n)
                invalid(int(n + 1));
            if (set.ranges.empty())
                invalid(int(j + 1));
            m_tokens.push_back(std::move(set));
            i = j + 1;
        } else {
            Token literal{Token::Kind::Literal};
            literal.literal = folded(c);
            m_tokens.push_back(literal);
            ++i;
        }
    }
}

void TFileMask::invalid(int position) const
{
    throw EMaskException(Format(QStringLiteral("'%s' is an invalid mask at (%d)"), {m_mask, position}),
                         position);
}

bool TFileMask::Matches(const QString& name) const
{
    const QList<uint> s = name.toUcs4();
    const std::size_t tokens = m_tokens.size();
    const qsizetype length = s.size();
    std::size_t t = 0;
    qsizetype p = 0;
    // Every token but "*" takes exactly one character, so on a mismatch it is
    // enough to let the last "*" seen take one character more: earlier stars can
    // never do better. That keeps the work at length times tokens.
    std::size_t starToken = tokens;
    qsizetype starPos = 0;
    while (p < length) {
        if (t < tokens && m_tokens[t].kind == Token::Kind::AnyRun) {
            starToken = t++;
            starPos = p;
        } else if (t < tokens && m_tokens[t].matches(s[p])) {
            ++t;
            ++p;
        } else if (starToken < tokens) {
            t = starToken + 1;
            p = ++starPos;
        } else {
            return false;
        }
    }
    while (t < tokens && m_tokens[t].kind == Token::Kind::AnyRun)
        ++t;
    return t == tokens;
}

bool TFileMask::matches(const QString& mask, const QString& name)
{
    return TFileMask(mask).Matches(name);
}
