#pragma once

#include <QString>
#include <QStringList>

// The caption of a new list item: `plain` ("New filter") when no entry of
// `existing` is exactly that text (letter case counts), otherwise
// `numberedFormat` ("New filter (%d)") filled with 1, 2, 3 ... the first number
// whose result no entry carries. A format without "%d" that is taken already
// comes back as it is.
QString NumberedCaption(const QStringList& existing, const QString& plain, const QString& numberedFormat);
