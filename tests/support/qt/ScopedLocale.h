#pragma once

#include <QLocale>
#include <QString>

namespace testsupport {

// Switches the default locale for one test and puts the previous one back.
class ScopedLocale final
{
public:
    explicit ScopedLocale(const QString& name)
        : m_previous(QLocale())
    {
        QLocale::setDefault(QLocale(name));
    }
    ~ScopedLocale() { QLocale::setDefault(m_previous); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    QLocale m_previous;
};

} // namespace testsupport
