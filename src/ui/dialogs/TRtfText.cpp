#include "ui/dialogs/TRtfText.h"

#include <vector>

#include <QHash>
#include <QSet>
#include <QTextCharFormat>
#include <QTextCursor>

#include "core/Windows1252.h"

namespace rtftext {

namespace {

struct TRun
{
    QString text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

struct TGroupState
{
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool skip = false;   // inside a destination whose text is not shown
    int unicodeSkip = 1; // \ucN: fallback characters after each \uN
};

// Groups whose text is data of the document, not text to show.
const QSet<QString>& skippedDestinations()
{
    static const QSet<QString> names{
        QStringLiteral("fonttbl"),
        QStringLiteral("colortbl"),
        QStringLiteral("stylesheet"),
        QStringLiteral("info"),
        QStringLiteral("pict"),
        QStringLiteral("object"),
        QStringLiteral("header"),
        QStringLiteral("headerl"),
        QStringLiteral("headerr"),
        QStringLiteral("headerf"),
        QStringLiteral("footer"),
        QStringLiteral("footerl"),
        QStringLiteral("footerr"),
        QStringLiteral("footerf"),
        QStringLiteral("listtable"),
        QStringLiteral("listoverridetable"),
        QStringLiteral("rsidtbl"),
        QStringLiteral("generator"),
        QStringLiteral("xmlnstbl"),
        QStringLiteral("themedata"),
        QStringLiteral("colorschememapping"),
        QStringLiteral("latentstyles"),
        QStringLiteral("datastore"),
        QStringLiteral("fldinst"),
        QStringLiteral("filetbl"),
        QStringLiteral("revtbl"),
        QStringLiteral("nonshppict"),
        QStringLiteral("footnote"),
        QStringLiteral("annotation"),
        QStringLiteral("bkmkstart"),
        QStringLiteral("bkmkend"),
    };
    return names;
}

// Control words that stand for one character.
QChar specialCharacter(const QString& word)
{
    static const QHash<QString, QChar> characters{
        {QStringLiteral("par"), u'\n'},
        {QStringLiteral("line"), u'\n'},
        {QStringLiteral("sect"), u'\n'},
        {QStringLiteral("row"), u'\n'},
        {QStringLiteral("page"), u'\n'},
        {QStringLiteral("tab"), u'\t'},
        {QStringLiteral("cell"), u'\t'},
        {QStringLiteral("emdash"), QChar(0x2014)},
        {QStringLiteral("endash"), QChar(0x2013)},
        {QStringLiteral("emspace"), QChar(0x2003)},
        {QStringLiteral("enspace"), QChar(0x2002)},
        {QStringLiteral("qmspace"), QChar(0x2005)},
        {QStringLiteral("bullet"), QChar(0x2022)},
        {QStringLiteral("lquote"), QChar(0x2018)},
        {QStringLiteral("rquote"), QChar(0x2019)},
        {QStringLiteral("ldblquote"), QChar(0x201C)},
        {QStringLiteral("rdblquote"), QChar(0x201D)},
    };
    return characters.value(word, QChar());
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int hexValue(QChar c)
{
    if (isAsciiDigit(c))
        return c.unicode() - u'0';
    if (c >= u'a' && c <= u'f')
        return c.unicode() - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c.unicode() - u'A' + 10;
    return -1;
}

class TParser
{
public:
    explicit TParser(const QString& rtf)
        : m_rtf(rtf)
    {}

    std::vector<TRun> parse()
    {
        const qsizetype n = m_rtf.size();
        while (m_pos < n) {
            const QChar c = m_rtf.at(m_pos++);
            if (c == u'{') {
                m_stack.push_back(m_state);
            } else if (c == u'}') {
                if (!m_stack.empty()) {
                    m_state = m_stack.back();
                    m_stack.pop_back();
                }
            } else if (c == u'\\') {
                controlSequence();
            } else if (c != u'\r' && c != u'\n') {
                put(c, true);
            }
        }
        trimTrailingBreaks();
        return std::move(m_runs);
    }

private:
    void controlSequence()
    {
        const qsizetype n = m_rtf.size();
        if (m_pos >= n)
            return;
        const QChar c = m_rtf.at(m_pos);
        if (isAsciiLetter(c)) {
            controlWord();
            return;
        }
        ++m_pos;
        switch (c.unicode()) {
        case u'\\':
        case u'{':
        case u'}':
            put(c, true);
            break;
        case u'~':
            put(QChar(0x00A0), true);
            break;
        case u'_':
            put(QChar(0x2011), true);
            break;
        case u'*':
            m_state.skip = true;
            break;
        case u'\n':
        case u'\r':
            put(u'\n', false);
            break;
        case u'\'': {
            const int high = m_pos < n ? hexValue(m_rtf.at(m_pos)) : -1;
            const int low = m_pos + 1 < n ? hexValue(m_rtf.at(m_pos + 1)) : -1;
            if (high < 0 || low < 0)
                break;
            m_pos += 2;
            const QString decoded = FromWindows1252(QByteArray(1, char(high * 16 + low)));
            if (!decoded.isEmpty())
                put(decoded.at(0), true);
            break;
        }
        default: // \- optional hyphen, \| \: and the like
            break;
        }
    }

    void controlWord()
    {
        const qsizetype n = m_rtf.size();
        const qsizetype start = m_pos;
        while (m_pos < n && isAsciiLetter(m_rtf.at(m_pos)))
            ++m_pos;
        const QString word = m_rtf.mid(start, m_pos - start);
        bool hasParameter = false;
        bool negative = false;
        qint64 parameter = 0;
        if (m_pos < n && m_rtf.at(m_pos) == u'-' && m_pos + 1 < n && isAsciiDigit(m_rtf.at(m_pos + 1))) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < n && isAsciiDigit(m_rtf.at(m_pos))) {
            hasParameter = true;
            if (parameter < 1'000'000'000)
                parameter = parameter * 10 + (m_rtf.at(m_pos).unicode() - u'0');
            ++m_pos;
        }
        if (negative)
            parameter = -parameter;
        // One space ends a control word and belongs to it.
        if (m_pos < n && m_rtf.at(m_pos) == u' ')
            ++m_pos;

        const bool on = !hasParameter || parameter != 0;
        if (skippedDestinations().contains(word)) {
            m_state.skip = true;
        } else if (word == QLatin1String("b")) {
            m_state.bold = on;
        } else if (word == QLatin1String("i")) {
            m_state.italic = on;
        } else if (word == QLatin1String("ul")) {
            m_state.underline = on;
        } else if (word == QLatin1String("ulnone")) {
            m_state.underline = false;
        } else if (word == QLatin1String("plain")) {
            m_state.bold = m_state.italic = m_state.underline = false;
        } else if (word == QLatin1String("uc")) {
            m_state.unicodeSkip = hasParameter && parameter >= 0 && parameter < 16 ? int(parameter) : 1;
        } else if (word == QLatin1String("u") && hasParameter) {
            const qint64 code = parameter < 0 ? parameter + 65536 : parameter;
            if (code >= 0 && code <= 0xFFFF)
                put(QChar(char16_t(code)), false);
            m_fallbackLeft = m_state.unicodeSkip;
        } else if (const QChar special = specialCharacter(word); !special.isNull()) {
            put(special, false);
        }
    }

    // `fallback`: a character that stands in for the \uN before it, if any.
    void put(QChar c, bool fallback)
    {
        if (fallback && m_fallbackLeft > 0) {
            --m_fallbackLeft;
            return;
        }
        m_fallbackLeft = 0;
        if (m_state.skip)
            return;
        if (m_runs.empty() || m_runs.back().bold != m_state.bold || m_runs.back().italic != m_state.italic ||
            m_runs.back().underline != m_state.underline)
            m_runs.push_back(TRun{QString(), m_state.bold, m_state.italic, m_state.underline});
        m_runs.back().text += c;
    }

    void trimTrailingBreaks()
    {
        while (!m_runs.empty()) {
            QString& text = m_runs.back().text;
            while (!text.isEmpty() && (text.back() == u'\n' || text.back() == u' '))
                text.chop(1);
            if (!text.isEmpty())
                return;
            m_runs.pop_back();
        }
    }

    const QString& m_rtf;
    qsizetype m_pos = 0;
    TGroupState m_state;
    std::vector<TGroupState> m_stack;
    std::vector<TRun> m_runs;
    int m_fallbackLeft = 0;
};

} // namespace

bool isRichText(const QString& text)
{
    return text.startsWith(QLatin1String("{\\rtf"));
}

QString toPlainText(const QString& rtf)
{
    QString text;
    for (const TRun& run : TParser(rtf).parse())
        text += run.text;
    return text;
}

void insert(QTextCursor& cursor, const QString& rtf)
{
    const QTextCharFormat base = cursor.charFormat();
    for (const TRun& run : TParser(rtf).parse()) {
        QTextCharFormat format = base;
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        cursor.insertText(run.text, format);
    }
}

} // namespace rtftext
