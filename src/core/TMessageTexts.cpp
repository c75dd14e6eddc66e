#include "core/TMessageTexts.h"

#include <mutex>
#include <utility>

#include "core/TTranslationTable.h"

namespace {

constexpr std::array<const char*, kMessageKeyCount> kKeyNames = {
#define VANTOR_MESSAGE_KEY_NAME(name) #name,
    VANTOR_MESSAGE_KEYS(VANTOR_MESSAGE_KEY_NAME)
#undef VANTOR_MESSAGE_KEY_NAME
};

// The published set. Readers copy the pointer under the lock and read the set
// outside it; a fill builds a new set and swaps it in, so the lock is held only
// for the pointer copy.
struct Published
{
    std::mutex lock;
    std::shared_ptr<const TMessageTextSet> current = std::make_shared<const TMessageTextSet>();
};

Published& published()
{
    static Published instance;
    return instance;
}

void publish(std::shared_ptr<const TMessageTextSet> set)
{
    Published& p = published();
    std::lock_guard guard(p.lock);
    p.current.swap(set);
    // The old set is released after the lock, outside the critical section.
}

} // namespace

TMessageTextSet::TMessageTextSet(QString language, Texts texts)
    : m_language(std::move(language))
    , m_texts(std::move(texts))
{}

QString TMessageTexts::text(TMessageKey key)
{
    return snapshot()->text(key);
}

TMessagePair TMessageTexts::pair(TMessageKey shortKey, TMessageKey longKey)
{
    const auto set = snapshot();
    return {set->text(shortKey), set->text(longKey)};
}

std::shared_ptr<const TMessageTextSet> TMessageTexts::snapshot()
{
    Published& p = published();
    std::lock_guard guard(p.lock);
    return p.current;
}

QStringList TMessageTexts::fill(const TTranslationTable& mainTable)
{
    QStringList missing;
    TMessageTextSet::Texts texts;
    for (std::size_t i = 0; i < kMessageKeyCount; ++i) {
        const QString name = QString::fromLatin1(kKeyNames[i]);
        if (!mainTable.contains(TTranslationSection::stStrings, name))
            missing.append(name);
        texts[i] = mainTable.GetText(name);
    }
    publish(std::make_shared<const TMessageTextSet>(mainTable.language(), std::move(texts)));
    return missing;
}

void TMessageTexts::clear()
{
    publish(std::make_shared<const TMessageTextSet>());
}

QString TMessageTexts::keyName(TMessageKey key)
{
    return QString::fromLatin1(kKeyNames[static_cast<std::size_t>(key)]);
}

std::optional<TMessageKey> TMessageTexts::keyFromName(const QString& name)
{
    for (std::size_t i = 0; i < kMessageKeyCount; ++i) {
        if (name.compare(QLatin1String(kKeyNames[i]), Qt::CaseInsensitive) == 0)
            return static_cast<TMessageKey>(i);
    }
    return std::nullopt;
}
