#pragma once

// Small helpers shared by the parts of TFTPTransfer (download and upload).

#include <string>
#include <type_traits>
#include <vector>

#include <QString>
#include <QStringList>

#include "core/TMessageTexts.h"
#include "engine/EEngineError.h"
#include "ftp/FtpError.h"
#include "ftp/ListingEntry.h"

namespace transfersupport {

inline QString text(TMessageKey key)
{
    return TMessageTexts::text(key);
}

inline std::string utf8(const QString& s)
{
    return s.toStdString();
}

inline QString fromUtf8(const std::string& s)
{
    return QString::fromStdString(s);
}

// An error of the protocol layer as an error object of ours, keeping its message,
// reply code and retry verdict.
template <class Error = EEngineError>
inline Error wrapped(const ftp::FtpError& cause)
{
    if constexpr (std::is_same_v<Error, EEngineError>) {
        EEngineError error(fromUtf8(cause.what()));
        error.setCause(cause);
        return error;
    } else {
        Error error;
        error.setCause(cause);
        return error;
    }
}

// The entry a listing of one name gives for it. Servers that glob ("a*") or read
// a leading "-" as options list other files too: the entry of that very name is
// taken when there is one, else the first (the name exists in some form).
inline const ftp::ListingEntry& entryNamed(const std::vector<ftp::ListingEntry>& entries,
                                           const std::string& name)
{
    for (const ftp::ListingEntry& entry : entries)
        if (entry.name == name)
            return entry;
    return entries.front();
}

// "/a/b/c/" -> "/a", "b", "c"; a last part without "/" is dropped.
inline QStringList remoteLevels(const QString& path)
{
    QStringList levels;
    QString current;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const QChar c = path.at(i);
        if (c == QLatin1Char('/') && i > 0) {
            if (!current.isEmpty() && current != QLatin1String("/"))
                levels.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return levels;
}

} // namespace transfersupport
