#include "core/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string_view>

#include <QLocale>

namespace {

constexpr int kMaxWidth = 4096;
constexpr int kMaxFloatPrecision = 18;

enum class ArgKind
{
    Signed,
    Unsigned,
    Float,
    Text,
    Other,
};

struct Integer
{
    bool negative = false;
    std::uint64_t magnitude = 0;
    int bits = 64; // width of the argument's type, for %u and %x of negative values
};

ArgKind kindOf(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Char:
    case QMetaType::SChar:
        return ArgKind::Signed;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return ArgKind::Unsigned;
    case QMetaType::Double:
    case QMetaType::Float:
        return ArgKind::Float;
    case QMetaType::QString:
    case QMetaType::QByteArray:
    case QMetaType::QChar:
        return ArgKind::Text;
    default:
        return ArgKind::Other;
    }
}

Integer integerOf(const QVariant& v)
{
    Integer result;
    result.bits = v.metaType().sizeOf() > 4 ? 64 : 32;
    if (kindOf(v) == ArgKind::Unsigned) {
        result.magnitude = v.toULongLong();
        return result;
    }
    const qint64 value = v.toLongLong();
    result.negative = value < 0;
    result.magnitude = result.negative ? std::uint64_t(0) - std::uint64_t(value) : std::uint64_t(value);
    return result;
}

// The value as the unsigned number of the argument's width (two's complement).
std::uint64_t asUnsigned(const Integer& i)
{
    std::uint64_t value = i.negative ? std::uint64_t(0) - i.magnitude : i.magnitude;
    return i.bits == 32 ? value & 0xFFFFFFFFu : value;
}

QString zeroPadded(QString digits, int precision)
{
    if (precision > digits.size())
        digits.prepend(QString(precision - digits.size(), QLatin1Char('0')));
    return digits;
}

QString grouped(const QString& digits, const QString& separator)
{
    QString out;
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0)
            out += separator;
        out += digits.at(i);
    }
    return out;
}

// Fixed-point text from C-locale digits "123.45", with the locale's separators.
QString localiseFixed(const QString& cText, bool negative, bool grouping)
{
    const QLocale locale;
    const qsizetype dot = cText.indexOf(QLatin1Char('.'));
    QString intPart = dot < 0 ? cText : cText.left(dot);
    const QString frac = dot < 0 ? QString() : cText.mid(dot + 1);
    if (grouping)
        intPart = grouped(intPart, locale.groupSeparator());
    QString out = negative ? QStringLiteral("-") : QString();
    out += intPart;
    if (!frac.isEmpty())
        out += locale.decimalPoint() + frac;
    return out;
}

bool hasNonZeroDigit(const QString& text)
{
    for (const QChar c : text)
        if (c.isDigit() && c != QLatin1Char('0'))
            return true;
    return false;
}

std::optional<QString> nonFinite(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    return std::nullopt;
}

QString formatFixed(const QVariant& arg, int precision, bool grouping)
{
    if (kindOf(arg) != ArgKind::Float) {
        // Integers are exact, whatever their size.
        const Integer i = integerOf(arg);
        QString text = QString::number(i.magnitude);
        if (precision > 0)
            text += QLatin1Char('.') + QString(precision, QLatin1Char('0'));
        return localiseFixed(text, i.negative && i.magnitude != 0, grouping);
    }
    const double v = arg.toDouble();
    if (const auto special = nonFinite(v))
        return *special;
    const QString text = QString::number(std::fabs(v), 'f', precision);
    return localiseFixed(text, v < 0 && hasNonZeroDigit(text), grouping);
}

QString formatScientific(double v, int precision, char style)
{
    if (const auto special = nonFinite(v))
        return *special;
    const int digits = std::max(precision, 1);
    QString text = style == 'e' ? QString::number(std::fabs(v), 'e', digits - 1)
                                : QString::number(std::fabs(v), 'g', digits);
    const bool negative = v < 0 && hasNonZeroDigit(text);
    const qsizetype e = text.indexOf(QLatin1Char('e'));
    QString mantissa = e < 0 ? text : text.left(e);
    QString exponent;
    if (e >= 0) {
        const QString expText = text.mid(e + 1);
        const QChar sign = expText.startsWith(QLatin1Char('-')) ? QLatin1Char('-') : QLatin1Char('+');
        QString expDigits = expText;
        expDigits.remove(QLatin1Char('+')).remove(QLatin1Char('-'));
        exponent = QStringLiteral("E") + sign + zeroPadded(QString::number(expDigits.toInt()), 3);
    }
    return localiseFixed(mantissa, negative, false) + exponent;
}

class Formatter final
{
public:
    Formatter(const QString& format, const QVariantList& args)
        : m_f(format)
        , m_args(args)
    {}

    QString run(QString* error)
    {
        const qsizetype n = m_f.size();
        qsizetype i = 0;
        while (i < n) {
            const QChar c = m_f.at(i);
            if (c != QLatin1Char('%')) {
                m_out += c;
                ++i;
            } else if (i + 1 < n && m_f.at(i + 1) == QLatin1Char('%')) {
                m_out += c;
                i += 2;
            } else {
                i = parseSpecifier(i);
            }
        }
        if (error)
            *error = m_error;
        return m_out;
    }

private:
    // Reads digits or "*" at `pos`; "*" takes the next argument.
    std::optional<int> number(qsizetype& pos, bool& failed)
    {
        if (pos < m_f.size() && m_f.at(pos) == QLatin1Char('*')) {
            ++pos;
            const QVariant* arg = next();
            const ArgKind kind = arg ? kindOf(*arg) : ArgKind::Other;
            if (kind != ArgKind::Signed && kind != ArgKind::Unsigned) {
                failed = true;
                return 0;
            }
            return int(std::clamp<qint64>(arg->toLongLong(), -kMaxWidth, kMaxWidth));
        }
        if (pos >= m_f.size() || !m_f.at(pos).isDigit())
            return std::nullopt;
        qint64 value = 0;
        while (pos < m_f.size() && m_f.at(pos).isDigit()) {
            value = std::min<qint64>(value * 10 + m_f.at(pos).digitValue(), kMaxWidth);
            ++pos;
        }
        return int(value);
    }

    const QVariant* next()
    {
        if (m_argIndex < 0 || m_argIndex >= m_args.size()) {
            ++m_argIndex;
            return nullptr;
        }
        return &m_args.at(m_argIndex++);
    }

    qsizetype parseSpecifier(qsizetype start)
    {
        qsizetype pos = start + 1;
        bool starFailed = false;

        // An index is digits (or "*") followed by ":".
        qsizetype probe = pos;
        while (probe < m_f.size() && m_f.at(probe).isDigit())
            ++probe;
        const bool starIndex = pos < m_f.size() && m_f.at(pos) == QLatin1Char('*') && pos + 1 < m_f.size() &&
                               m_f.at(pos + 1) == QLatin1Char(':');
        if ((probe > pos && probe < m_f.size() && m_f.at(probe) == QLatin1Char(':')) || starIndex) {
            m_argIndex = number(pos, starFailed).value_or(0);
            ++pos;
        }
        bool left = false;
        if (pos < m_f.size() && m_f.at(pos) == QLatin1Char('-')) {
            left = true;
            ++pos;
        }
        int width = number(pos, starFailed).value_or(0);
        if (width < 0) {
            left = true;
            width = -width;
        }
        std::optional<int> precision;
        if (pos < m_f.size() && m_f.at(pos) == QLatin1Char('.')) {
            ++pos;
            precision = std::max(0, number(pos, starFailed).value_or(0));
        }
        if (pos >= m_f.size()) {
            problem(m_f.mid(start), QStringLiteral("bad format"));
            return pos;
        }
        const QString specifier = m_f.mid(start, pos - start + 1);
        const char type = char(m_f.at(pos).toLower().toLatin1());
        ++pos;
        if (starFailed) {
            problem(specifier, QStringLiteral("bad argument"));
            return pos;
        }
        if (std::string_view("sduxfneg").find(type) == std::string_view::npos) {
            problem(specifier, QStringLiteral("bad format"));
            return pos;
        }
        const QVariant* arg = next();
        if (!arg) {
            problem(specifier, QStringLiteral("no argument"));
            return pos;
        }
        const std::optional<QString> text = convert(type, *arg, precision);
        if (!text) {
            problem(specifier, QStringLiteral("bad argument"));
            return pos;
        }
        const qsizetype padding = width - text->size();
        if (padding > 0 && !left)
            m_out += QString(padding, QLatin1Char(' '));
        m_out += *text;
        if (padding > 0 && left)
            m_out += QString(padding, QLatin1Char(' '));
        return pos;
    }

    static std::optional<QString> convert(char type, const QVariant& arg, std::optional<int> precision)
    {
        const ArgKind kind = kindOf(arg);
        const bool integral = kind == ArgKind::Signed || kind == ArgKind::Unsigned;
        switch (type) {
        case 's': {
            if (kind != ArgKind::Text)
                return std::nullopt;
            const QString text = arg.toString();
            return precision ? text.left(*precision) : text;
        }
        case 'd': {
            if (!integral)
                return std::nullopt;
            const Integer i = integerOf(arg);
            const QString digits = zeroPadded(QString::number(i.magnitude), precision.value_or(0));
            return i.negative ? QLatin1Char('-') + digits : digits;
        }
        case 'u':
        case 'x': {
            if (!integral)
                return std::nullopt;
            const std::uint64_t value = asUnsigned(integerOf(arg));
            return zeroPadded(QString::number(value, type == 'x' ? 16 : 10).toUpper(), precision.value_or(0));
        }
        case 'f':
        case 'n':
            if (!integral && kind != ArgKind::Float)
                return std::nullopt;
            return formatFixed(arg, std::min(precision.value_or(2), kMaxFloatPrecision), type == 'n');
        case 'e':
        case 'g':
            if (!integral && kind != ArgKind::Float)
                return std::nullopt;
            return formatScientific(arg.toDouble(), std::min(precision.value_or(15), kMaxFloatPrecision),
                                    type);
        default:
            return std::nullopt;
        }
    }

    void problem(const QString& specifier, const QString& what)
    {
        m_out += QStringLiteral("[%1: %2]").arg(specifier, what);
        if (m_error.isEmpty())
            m_error =
                QStringLiteral("%1 in \"%2\"").arg(QStringLiteral("[%1: %2]").arg(specifier, what), m_f);
    }

    const QString& m_f;
    const QVariantList& m_args;
    QString m_out;
    QString m_error;
    qsizetype m_argIndex = 0;
};

} // namespace

QString Format(const QString& format, const QVariantList& args, QString* error)
{
    return Formatter(format, args).run(error);
}
