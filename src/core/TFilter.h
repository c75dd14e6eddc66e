#pragma once

#include <vector>

#include <QString>
#include <QStringList>

// A named set of file-name masks (see TFileMask), offered in the panes' Filter
// menus to select every file whose name matches one of them.
class TFilter final
{
public:
    // `masksText` is split into Masks by SplitMasks().
    TFilter(QString name, const QString& masksText);

    QString Name;
    QStringList Masks;

    // The masks joined with ";", the form the filters editor shows.
    QString masksText() const;

    // Splits a masks text the way a delimited string list reads it, with ";" as
    // the delimiter and no quoting: spaces and control characters around masks
    // are dropped, a space inside a mask splits it ("a b.txt" is "a" and
    // "b.txt"), ";;" gives an empty mask between, a ";" that ends the text gives
    // a trailing empty mask (a ";" followed only by spaces does not). The text
    // ends at a NUL character.
    static QStringList SplitMasks(const QString& masksText);

    // Marks every name that matches one of the masks, trying the names in order
    // and the masks in order for each; marks are only ever added. Returns the
    // index of the first name this call marked, or -1. A malformed mask throws
    // EMaskException at the point it is first tried; what was marked before stays
    // marked. `selected` is resized to the number of names if it is shorter.
    int selectMatching(const QStringList& names, std::vector<bool>& selected) const;
};
