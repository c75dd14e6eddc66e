#pragma once

#include <QString>

// One tip of a tip file: its text (plain, or rich text starting with the
// rich-text header) and the number of a help topic about it, -1 for none.
struct TTipOfTheDay
{
    QString Text;
    int HelpID = -1;
};
