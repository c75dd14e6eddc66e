#include "ui/dialogs/TNumberedCaption.h"

#include <QSet>

#include "core/Format.h"

QString NumberedCaption(const QStringList& existing, const QString& plain, const QString& numberedFormat)
{
    const QSet<QString> taken(existing.cbegin(), existing.cend());
    if (!taken.contains(plain))
        return plain;
    // No more than existing.size() numbers can be taken, so the loop ends by then.
    const int last = static_cast<int>(existing.size()) + 1;
    for (int number = 1; number < last; ++number) {
        const QString candidate = Format(numberedFormat, {number});
        if (!taken.contains(candidate) || candidate == numberedFormat)
            return candidate;
    }
    return Format(numberedFormat, {last});
}
