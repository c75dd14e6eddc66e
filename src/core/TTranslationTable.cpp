#include "core/TTranslationTable.h"

#include <array>
#include <utility>

#include <QFile>
#include <QStringDecoder>

namespace {

constexpr std::array<const char*, 11> kSectionNames = {
    "stCaptions", "stHints",        "stDisplayLabels", "stFonts",       "stMultiLines", "stDlgsCaptions",
    "stStrings",  "stOtherStrings", "stLocales",       "stCollections", "stCharSets",
};

static_assert(kSectionNames.size() == static_cast<std::size_t>(TTranslationSection::stCharSets) + 1);

constexpr QLatin1String kLanguagesKeyword("languages");

QString foldKey(const QString& key)
{
    return key.toCaseFolded();
}

// Undoes the field escapes; false on a dangling or unknown escape.
bool unescapeField(const QString& raw, QString& out)
{
    out.clear();
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != u'\\') {
            out.append(c);
            continue;
        }
        if (++i == raw.size())
            return false;
        switch (raw.at(i).unicode()) {
        case u'n':
            out.append(u'\n');
            break;
        case u't':
            out.append(u'\t');
            break;
        case u'\\':
            out.append(u'\\');
            break;
        default:
            return false;
        }
    }
    return true;
}

bool isValidKey(const QString& key)
{
    if (key.isEmpty())
        return false;
    for (const QChar c : key) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

} // namespace

TTranslationTable::LoadResult TTranslationTable::loadFromData(const QByteArray& data,
                                                              const QString& sourceName)
{
    auto fail = [&sourceName](qsizetype line, const QString& what) {
        LoadResult result;
        result.ok = false;
        result.error = line > 0 ? QStringLiteral("%1, line %2: %3").arg(sourceName).arg(line).arg(what)
                                : QStringLiteral("%1: %2").arg(sourceName, what);
        return result;
    };

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(data);
    if (decoder.hasError())
        return fail(0, QStringLiteral("the file is not valid UTF-8"));

    QStringList languages;
    Section sections[kSectionCount];
    bool seen[kSectionCount] = {};
    int current = -1;

    const QStringList lines = text.split(u'\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QString line = lines.at(n);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (n == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype lineNo = n + 1;

        if (languages.isEmpty()) {
            const QStringList names = line.split(u'\t');
            if (names.first() != kLanguagesKeyword || names.size() < 2)
                return fail(lineNo, QStringLiteral("expected the \"languages\" line naming the columns"));
            for (qsizetype i = 1; i < names.size(); ++i) {
                const QString name = names.at(i).trimmed();
                if (name.isEmpty())
                    return fail(lineNo, QStringLiteral("empty language name"));
                for (const QString& other : std::as_const(languages)) {
                    if (other.compare(name, Qt::CaseInsensitive) == 0)
                        return fail(lineNo, QStringLiteral("language \"%1\" named twice").arg(name));
                }
                languages.append(name);
            }
            continue;
        }

        if (line.startsWith(u'[')) {
            if (!line.endsWith(u']'))
                return fail(lineNo, QStringLiteral("malformed section header \"%1\"").arg(line));
            const QString name = line.mid(1, line.size() - 2);
            const auto section = sectionFromName(name);
            if (!section)
                return fail(lineNo, QStringLiteral("unknown section \"%1\"").arg(name));
            current = static_cast<int>(*section);
            if (seen[current])
                return fail(lineNo, QStringLiteral("section \"%1\" appears twice").arg(name));
            seen[current] = true;
            continue;
        }

        if (current < 0)
            return fail(lineNo, QStringLiteral("row before the first section header"));
        const QStringList parts = line.split(u'\t');
        if (parts.size() != languages.size() + 1) {
            return fail(lineNo,
                        QStringLiteral("expected %1 fields (the key and one text per language), found %2")
                            .arg(languages.size() + 1)
                            .arg(parts.size()));
        }
        Row row;
        row.key = parts.first();
        if (!isValidKey(row.key))
            return fail(lineNo, QStringLiteral("invalid key \"%1\"").arg(row.key));
        for (qsizetype i = 1; i < parts.size(); ++i) {
            QString value;
            if (!unescapeField(parts.at(i), value))
                return fail(lineNo, QStringLiteral("bad escape in the %1 text").arg(languages.at(i - 1)));
            row.fields.append(value);
        }
        Section& section = sections[current];
        const QString folded = foldKey(row.key);
        if (section.index.contains(folded))
            return fail(lineNo, QStringLiteral("key \"%1\" appears twice in its section").arg(row.key));
        section.index.insert(folded, static_cast<int>(section.rows.size()));
        section.rows.push_back(std::move(row));
    }
    if (languages.isEmpty())
        return fail(0, QStringLiteral("no \"languages\" line"));

    const QString previous = language();
    m_languages = languages;
    for (int i = 0; i < kSectionCount; ++i)
        m_sections[i] = std::move(sections[i]);
    m_column = 0;
    if (!previous.isEmpty())
        SetLanguage(previous);
    return {};
}

TTranslationTable::LoadResult TTranslationTable::loadFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        LoadResult result;
        result.ok = false;
        result.error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return result;
    }
    return loadFromData(file.readAll(), path);
}

TTranslationTable::LoadResult TTranslationTable::loadWindowTable(const QString& windowName)
{
    return loadFromFile(windowTablePath(windowName));
}

QString TTranslationTable::windowTablePath(const QString& windowName)
{
    return QStringLiteral(":/resources/lang/%1.lang").arg(windowName);
}

QString TTranslationTable::language() const
{
    return m_languages.isEmpty() ? QString() : m_languages.at(m_column);
}

bool TTranslationTable::SetLanguage(const QString& name)
{
    for (qsizetype i = 0; i < m_languages.size(); ++i) {
        if (m_languages.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            m_column = static_cast<int>(i);
            return true;
        }
    }
    m_column = 0;
    return false;
}

QString TTranslationTable::GetText(const QString& key) const
{
    const Row* row = findRow(TTranslationSection::stStrings, key);
    if (!row)
        return {};
    const QString text = currentField(*row);
    return text.isEmpty() ? row->fields.value(0) : text;
}

std::optional<QString> TTranslationTable::property(TTranslationSection section, const QString& key) const
{
    const Row* row = findRow(section, key);
    if (!row)
        return std::nullopt;
    QString text = currentField(*row);
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

std::vector<TTranslationTable::Entry> TTranslationTable::entries(TTranslationSection section) const
{
    std::vector<Entry> result;
    const Section& s = m_sections[static_cast<int>(section)];
    result.reserve(s.rows.size());
    for (const Row& row : s.rows)
        result.push_back({row.key, currentField(row)});
    return result;
}

QStringList TTranslationTable::keys(TTranslationSection section) const
{
    QStringList result;
    for (const Row& row : m_sections[static_cast<int>(section)].rows)
        result.append(row.key);
    return result;
}

QString TTranslationTable::field(TTranslationSection section, const QString& key,
                                 const QString& language) const
{
    const Row* row = findRow(section, key);
    if (!row)
        return {};
    for (qsizetype i = 0; i < m_languages.size(); ++i) {
        if (m_languages.at(i).compare(language, Qt::CaseInsensitive) == 0)
            return row->fields.value(i);
    }
    return {};
}

bool TTranslationTable::contains(TTranslationSection section, const QString& key) const
{
    return findRow(section, key) != nullptr;
}

QString TTranslationTable::sectionName(TTranslationSection section)
{
    return QString::fromLatin1(kSectionNames[static_cast<std::size_t>(section)]);
}

std::optional<TTranslationSection> TTranslationTable::sectionFromName(const QString& name)
{
    for (std::size_t i = 0; i < kSectionNames.size(); ++i) {
        if (name == QLatin1String(kSectionNames[i]))
            return static_cast<TTranslationSection>(i);
    }
    return std::nullopt;
}

const TTranslationTable::Row* TTranslationTable::findRow(TTranslationSection section,
                                                         const QString& key) const
{
    const Section& s = m_sections[static_cast<int>(section)];
    const auto it = s.index.constFind(foldKey(key));
    return it == s.index.cend() ? nullptr : &s.rows[static_cast<std::size_t>(*it)];
}

QString TTranslationTable::currentField(const Row& row) const
{
    return row.fields.value(m_column);
}
