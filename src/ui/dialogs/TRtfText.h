#pragma once

#include <QString>

class QTextCursor;

// The little rich text a tip may hold (a tip file edited with a word processor
// stores "{\rtf1 ..."). Qt shows no RTF, so the text is read here: paragraphs,
// line breaks, tabs, special characters, \'hh bytes (Windows-1252) and \uN
// characters become text; bold, italic and underline become character formats;
// tables of fonts, colours and styles, pictures, document information and every
// "{\*...}" group are dropped, as is any other control word.
namespace rtftext {

// Whether `text` starts with the rich-text header "{\rtf".
bool isRichText(const QString& text);

// The text of an RTF document without its formatting.
QString toPlainText(const QString& rtf);

// Inserts the document's text at `cursor` with bold, italic and underline.
void insert(QTextCursor& cursor, const QString& rtf);

} // namespace rtftext
