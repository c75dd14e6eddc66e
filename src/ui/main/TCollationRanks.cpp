#include "ui/main/TCollationRanks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <numeric>
#include <optional>

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>

namespace {

constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kLastPrintable = 0x7E;
using TCharRanks = std::array<quint8, 128>; // 0: not printable ASCII

bool g_lastUsedAsciiRanks = false;

int sign(int value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// The ranks of the printable ASCII characters under `collator`, provided that
// texts made of them compare as the strings of their characters' ranks do;
// nothing otherwise. Checked on every text of one and two such characters: a
// contraction ("ch"), an expansion or an ignored character shows there.
std::optional<TCharRanks> asciiRanksOf(const QCollator& collator)
{
    std::vector<char16_t> characters;
    for (char16_t c = kFirstPrintable; c <= kLastPrintable; ++c)
        characters.push_back(c);
    const auto text = [](char16_t c) { return QString(QChar(c)); };
    std::stable_sort(characters.begin(), characters.end(),
                     [&](char16_t a, char16_t b) { return collator.compare(text(a), text(b)) < 0; });
    TCharRanks ranks{};
    quint8 rank = 0;
    for (std::size_t k = 0; k < characters.size(); ++k) {
        if (k == 0 || collator.compare(text(characters[k - 1]), text(characters[k])) != 0)
            ++rank;
        ranks[characters[k]] = rank;
    }

    std::vector<std::pair<quint16, QString>> samples;
    for (char16_t a = kFirstPrintable; a <= kLastPrintable; ++a) {
        samples.emplace_back(static_cast<quint16>(ranks[a] << 8), text(a));
        for (char16_t b = kFirstPrintable; b <= kLastPrintable; ++b)
            samples.emplace_back(static_cast<quint16>(ranks[a] << 8 | ranks[b]), text(a) + QChar(b));
    }
    std::stable_sort(samples.begin(), samples.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    for (std::size_t i = 1; i < samples.size(); ++i) {
        const int expected = samples[i - 1].first < samples[i].first ? -1 : 0;
        if (sign(collator.compare(samples[i - 1].second, samples[i].second)) != expected)
            return std::nullopt;
    }
    return ranks;
}

const std::optional<TCharRanks>& asciiRanksFor(const QLocale& locale, const QCollator& collator)
{
    static QHash<QString, std::optional<TCharRanks>> byLocale;
    auto found = byLocale.constFind(locale.name());
    if (found == byLocale.constEnd())
        found = byLocale.insert(locale.name(), asciiRanksOf(collator));
    return *found;
}

bool isPrintableAscii(const QString& text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= kFirstPrintable && c.unicode() <= kLastPrintable;
    });
}

// Positions sorted by their ranks (ties in position order).
std::vector<int> orderByRank(const std::vector<qint64>& ranks)
{
    std::vector<int> order(ranks.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return ranks[static_cast<std::size_t>(a)] < ranks[static_cast<std::size_t>(b)];
    });
    return order;
}

std::vector<qint64> ranksFromOrder(std::size_t count, const std::vector<int>& order,
                                   const std::function<bool(int, int)>& equal)
{
    std::vector<qint64> ranks(count);
    qint64 rank = 0;
    for (std::size_t k = 0; k < order.size(); ++k) {
        if (k > 0 && !equal(order[k - 1], order[k]))
            ++rank;
        ranks[static_cast<std::size_t>(order[k])] = rank;
    }
    return ranks;
}

// Each text (printable ASCII only) as the string of its characters' ranks;
// false when one is not. The first eight bytes go into a number, compared first.
bool rankByCharacters(const std::vector<const QString*>& texts, const TCharRanks& charRanks,
                      std::vector<qint64>& ranks)
{
    struct TRecord
    {
        quint64 head;
        quint32 offset;
        quint32 length;
    };
    std::vector<TRecord> records;
    records.reserve(texts.size());
    std::vector<quint8> bytes;
    for (const QString* text : texts) {
        TRecord record{0, static_cast<quint32>(bytes.size()), static_cast<quint32>(text->size())};
        for (qsizetype i = 0; i < text->size(); ++i) {
            const char16_t c = text->at(i).unicode();
            if (c < kFirstPrintable || c > kLastPrintable)
                return false;
            bytes.push_back(charRanks[c]);
            if (i < 8)
                record.head |= static_cast<quint64>(charRanks[c]) << (56 - 8 * i);
        }
        records.push_back(record);
    }
    // Ranks are never 0, so a shorter text's zero padding puts it first.
    const auto compare = [&](const TRecord& a, const TRecord& b) {
        if (a.head != b.head)
            return a.head < b.head ? -1 : 1;
        const quint32 common = std::min(a.length, b.length);
        if (common > 8) {
            if (const int c = std::memcmp(&bytes[a.offset + 8], &bytes[b.offset + 8], common - 8))
                return sign(c);
        }
        return a.length == b.length ? 0 : (a.length < b.length ? -1 : 1);
    };
    std::vector<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compare(records[static_cast<std::size_t>(a)], records[static_cast<std::size_t>(b)]);
        return c != 0 ? c < 0 : a < b;
    });
    ranks = ranksFromOrder(texts.size(), order, [&](int a, int b) {
        return compare(records[static_cast<std::size_t>(a)], records[static_cast<std::size_t>(b)]) == 0;
    });
    return true;
}

std::vector<qint64> rankByKeys(const std::vector<const QString*>& texts, const QCollator& collator,
                               bool foldCase)
{
    // Comparing collation keys follows two pointers per key into the heap; done in
    // random order over many keys that costs more than making them. So the texts
    // are first put roughly in order by their first characters and the keys are
    // made (and allocated) in that order: the sort then mostly walks memory in
    // sequence.
    std::vector<std::pair<quint64, int>> rough;
    rough.reserve(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const QString head = texts[i]->left(4).toCaseFolded();
        quint64 packed = 0;
        for (qsizetype c = 0; c < 4; ++c)
            packed = (packed << 16) | (c < head.size() ? head.at(c).unicode() : 0u);
        rough.emplace_back(packed, static_cast<int>(i));
    }
    std::sort(rough.begin(), rough.end());
    std::vector<QCollatorSortKey> keys; // in the rough order
    keys.reserve(texts.size());
    for (const auto& [packed, index] : rough) {
        const QString& text = *texts[static_cast<std::size_t>(index)];
        // The C locale's keys compare code points and ignore the case setting.
        keys.push_back(collator.sortKey(foldCase ? text.toCaseFolded() : text));
    }
    std::vector<int> order(texts.size()); // positions in `keys`
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]);
        return c != 0 ? c < 0
                      : rough[static_cast<std::size_t>(a)].second < rough[static_cast<std::size_t>(b)].second;
    });
    const std::vector<qint64> byPosition = ranksFromOrder(texts.size(), order, [&](int a, int b) {
        return keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]) == 0;
    });
    std::vector<qint64> ranks(texts.size());
    for (std::size_t position = 0; position < rough.size(); ++position)
        ranks[static_cast<std::size_t>(rough[position].second)] = byPosition[position];
    return ranks;
}

} // namespace

std::vector<qint64> TCollationRanks::compute(const std::vector<QString>& texts, bool distinctAlready)
{
    // Texts repeat a lot in most columns (types, owners): each distinct one is
    // ranked once.
    std::vector<int> valueOf(texts.size());
    std::vector<const QString*> distinct;
    if (distinctAlready) {
        std::iota(valueOf.begin(), valueOf.end(), 0);
        distinct.reserve(texts.size());
        for (const QString& text : texts)
            distinct.push_back(&text);
    } else {
        QHash<QString, int> seen;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            auto found = seen.constFind(texts[i]);
            if (found == seen.constEnd()) {
                found = seen.insert(texts[i], static_cast<int>(distinct.size()));
                distinct.push_back(&texts[i]);
            }
            valueOf[i] = *found;
        }
    }

    const QLocale locale;
    QCollator collator{locale};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const bool cLocale = locale.language() == QLocale::C;
    const std::optional<TCharRanks>& charRanks = asciiRanksFor(locale, collator);

    // The ASCII texts by their characters, the rest by keys, and the two merged.
    std::vector<const QString*> ascii;
    std::vector<const QString*> other;
    std::vector<int> asciiAt; // position in `distinct`
    std::vector<int> otherAt;
    for (std::size_t i = 0; i < distinct.size(); ++i) {
        const bool plain = charRanks && isPrintableAscii(*distinct[i]);
        (plain ? ascii : other).push_back(distinct[i]);
        (plain ? asciiAt : otherAt).push_back(static_cast<int>(i));
    }
    std::vector<qint64> asciiRanks;
    std::vector<qint64> otherRanks;
    if (!ascii.empty())
        rankByCharacters(ascii, *charRanks, asciiRanks);
    if (!other.empty())
        otherRanks = rankByKeys(other, collator, cLocale);
    g_lastUsedAsciiRanks = other.empty();

    const auto compareTexts = [&](const QString& a, const QString& b) {
        return cLocale ? a.compare(b, Qt::CaseInsensitive) : collator.compare(a, b);
    };
    std::vector<qint64> distinctRanks(distinct.size());
    const std::vector<int> asciiOrder = orderByRank(asciiRanks);
    const std::vector<int> otherOrder = orderByRank(otherRanks);
    std::size_t i = 0;
    std::size_t j = 0;
    qint64 rank = -1;
    int previousKind = -1; // 0 ASCII, 1 other
    std::size_t previous = 0;
    while (i < asciiOrder.size() || j < otherOrder.size()) {
        bool takeAscii = j >= otherOrder.size();
        if (!takeAscii && i < asciiOrder.size())
            takeAscii = compareTexts(*ascii[static_cast<std::size_t>(asciiOrder[i])],
                                     *other[static_cast<std::size_t>(otherOrder[j])]) <= 0;
        const int kind = takeAscii ? 0 : 1;
        const std::size_t current = static_cast<std::size_t>(takeAscii ? asciiOrder[i++] : otherOrder[j++]);
        bool same = false;
        if (previousKind == kind) {
            const std::vector<qint64>& own = kind == 0 ? asciiRanks : otherRanks;
            same = own[previous] == own[current];
        } else if (previousKind >= 0) {
            const QString& before = previousKind == 0 ? *ascii[previous] : *other[previous];
            same = compareTexts(before, kind == 0 ? *ascii[current] : *other[current]) == 0;
        }
        if (!same)
            ++rank;
        distinctRanks[static_cast<std::size_t>(kind == 0 ? asciiAt[current] : otherAt[current])] = rank;
        previousKind = kind;
        previous = current;
    }

    std::vector<qint64> ranks(texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        ranks[i] = distinctRanks[static_cast<std::size_t>(valueOf[i])];
    return ranks;
}

bool TCollationRanks::lastUsedAsciiRanks()
{
    return g_lastUsedAsciiRanks;
}
