#pragma once

#include <vector>

#include <QString>
#include <QtGlobal>

// Turns texts into integer ranks that order them as the default locale's
// collation does without regard to case: equal ranks for texts that compare
// equal. Sorting by the ranks then costs no more than sorting numbers.
//
// Two ways to the same result, merged by the collator where both are used:
// - texts of printable ASCII, under a locale whose collation orders such texts
//   character by character (checked once per locale against the collator
//   itself; not so where letters contract, as "ch" in Czech, or where
//   punctuation is ignored): each character is replaced by its rank and the
//   byte strings are compared;
// - the other texts: one collation key per distinct text.
// User-interface thread only.
class TCollationRanks final
{
public:
    // `distinctAlready`: the texts are known to differ (names in one directory),
    // so no look-up for repeats is made.
    static std::vector<qint64> compute(const std::vector<QString>& texts, bool distinctAlready);

    // Whether the last compute() ranked every text character by character (tests).
    static bool lastUsedAsciiRanks();
};
