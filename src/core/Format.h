#pragma once

#include <QString>
#include <QVariant>
#include <QVariantList>

// Fills a message text of the program. Every translated text is a format string
// of this kind:
//
//   %[index:][-][width][.precision]type        %% is a percent sign
//
//   s  text; precision = at most that many characters
//   d  integer; precision = at least that many digits, zero-padded ("%.2d" of 5 is "05")
//   u  integer read as unsigned
//   x  integer in upper-case hexadecimal; precision as for d
//   f  fixed-point number, 2 decimals unless a precision is given
//   n  as f with thousands separators ("%.0n" of 1048576 is "1,048,576" in en_US)
//   e  scientific, precision = significant digits (15 by default)
//   g  shortest of fixed and scientific, precision = significant digits (15)
//
// index (zero-based) picks the argument for this and the following specifiers;
// width pads with spaces, on the right with "-"; width, precision and index may be
// "*", taken from the next argument. Decimal and thousands separators are those of
// the default QLocale; the minus sign is always "-".
//
// A specifier whose argument is missing or of the wrong kind (text for %d, a
// number for %s) never throws: it is replaced by a marker such as
// "[%d: bad argument]" or "[%s: no argument]", and `error`, when given, receives
// the first problem. Surplus arguments are ignored.
QString Format(const QString& format, const QVariantList& args, QString* error = nullptr);
