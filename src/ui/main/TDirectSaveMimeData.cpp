#include "ui/main/TDirectSaveMimeData.h"

#include <QWidget>

TDirectSaveMimeData::TDirectSaveMimeData(QWidget* source, const QString& suggestedName)
    : m_source(source)
    , m_suggestedName(suggestedName)
{}

TDirectSaveMimeData::~TDirectSaveMimeData() = default;

bool TDirectSaveMimeData::hasFormat(const QString& mimeType) const
{
    return QMimeData::hasFormat(mimeType);
}

QStringList TDirectSaveMimeData::formats() const
{
    return QMimeData::formats();
}

QVariant TDirectSaveMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    return QMimeData::retrieveData(mimeType, type);
}
