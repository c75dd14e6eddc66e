#include "core/TFtpUrl.h"

#include <QByteArray>
#include <QStringDecoder>

#include "core/PathHelpers.h"
#include "core/Windows1252.h"

namespace {

QString percentDecoded(const QString& text)
{
    const QByteArray bytes = QByteArray::fromPercentEncoding(text.toUtf8());
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes);
    return decoder.hasError() ? FromWindows1252(bytes) : decoded;
}

} // namespace

QString TFtpUrl::Directory() const
{
    return ExtractRemoteParentPath(Path);
}

std::optional<TFtpUrl> TFtpUrl::parse(const QString& text)
{
    const QString trimmed = text.trimmed();
    const qsizetype schemeEnd = trimmed.indexOf(QLatin1String("://"));
    if (schemeEnd < 0 || trimmed.left(schemeEnd).compare(QLatin1String("ftp"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    QString rest = trimmed.mid(schemeEnd + 3);
    // A fragment never names anything on the server.
    const qsizetype cut = rest.indexOf(u'#');
    if (cut >= 0)
        rest.truncate(cut);

    TFtpUrl url;
    const qsizetype slash = rest.indexOf(u'/');
    QString authority = slash < 0 ? rest : rest.left(slash);
    if (slash >= 0)
        url.Path = percentDecoded(rest.mid(slash));

    // The last "@" ends the user part: browsers hand over passwords with an
    // unescaped "@" in them.
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(u':');
        url.HasUser = true;
        url.User = percentDecoded(colon < 0 ? userInfo : userInfo.left(colon));
        url.Password = colon < 0 ? QString() : percentDecoded(userInfo.mid(colon + 1));
    }

    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        if (close < 0)
            return std::nullopt;
        url.Host = authority.mid(1, close - 1);
        const QString after = authority.mid(close + 1);
        if (after.startsWith(u':'))
            url.Port = after.mid(1);
        else if (!after.isEmpty())
            return std::nullopt;
    } else if (authority.count(u':') <= 1) {
        const qsizetype colon = authority.indexOf(u':');
        url.Host = colon < 0 ? authority : authority.left(colon);
        url.Port = colon < 0 ? QString() : authority.mid(colon + 1);
    } else {
        // A bare IPv6 address: its colons are no port separator.
        url.Host = authority;
    }
    if (url.Host.isEmpty())
        return std::nullopt;
    return url;
}
