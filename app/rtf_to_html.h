#pragma once
// Rich text (RTF) as HTML for a text browser: the subset a plain document
// uses. Paragraphs (\par, \pard with \ql \qc \qr \qj), line breaks, tabs,
// bold, italic, underline, font size (\fs), \plain, the escapes \\ \{ \}
// \~ \_ \'hh (Windows-1252) and \uN (with \ucN). Font, colour and style
// tables, pictures, document information and every \* destination are
// skipped; other control words are ignored.

#include <QString>

#include <string_view>

namespace kp {

// One <p> per paragraph of the document, its white space kept; an empty
// paragraph stays as a blank line.
QString RtfToHtml(std::string_view rtf);

} // namespace kp
