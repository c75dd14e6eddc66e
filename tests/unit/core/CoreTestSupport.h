#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QTemporaryDir>

#include "support/qt/ScopedLocale.h"

using testsupport::ScopedLocale;

// A fresh data folder per test: VANTOR_FTP_DATA_DIR points into a temporary
// directory for the fixture's lifetime and is restored afterwards.
class TempDataDir final
{
public:
    TempDataDir()
        : m_previous(qgetenv("VANTOR_FTP_DATA_DIR"))
        , m_hadPrevious(qEnvironmentVariableIsSet("VANTOR_FTP_DATA_DIR"))
    {
        qputenv("VANTOR_FTP_DATA_DIR", dataFolder().toUtf8());
    }
    ~TempDataDir()
    {
        if (m_hadPrevious)
            qputenv("VANTOR_FTP_DATA_DIR", m_previous);
        else
            qunsetenv("VANTOR_FTP_DATA_DIR");
    }
    TempDataDir(const TempDataDir&) = delete;
    TempDataDir& operator=(const TempDataDir&) = delete;

    QString root() const { return m_dir.path(); }
    QString dataFolder() const { return m_dir.path() + QStringLiteral("/data"); }
    QString path(const QString& name) const { return dataFolder() + QLatin1Char('/') + name; }
    QStringList files() const { return QDir(dataFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious;
};

inline QByteArray readWholeFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeWholeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}
