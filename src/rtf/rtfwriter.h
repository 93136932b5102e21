#pragma once

#include <QByteArray>

class QTextDocument;

// Writes a QTextDocument as RTF in the plain ASCII form the Windows rich-text control writes:
// a font table, a colour table when colours are used, only the changes between runs, every
// character above ASCII as \uN?, and "\par" CR LF after every paragraph, the last one included.
// What the document does not say (font, size) is taken from its default font.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument *document);
};
