#pragma once

#include <QByteArray>

// Notes as a player keeps them, about `bytes` of RTF: short paragraphs, now and then a bold or
// coloured word.
inline QByteArray sampleNotes(qint64 bytes)
{
    QByteArray chunk;
    for (int i = 0; chunk.size() < 64 * 1024; ++i) {
        chunk += "Meet at the north bank of world " + QByteArray::number(i % 300) +
                 ", bring rope and \\b runes\\b0  for the ";
        chunk += i % 7 == 0 ? "{\\cf1 dragon}" : "quest";
        chunk += " with the guild.\\par\n";
    }
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Tahoma;}}"
                     "{\\colortbl;\\red200\\green0\\blue0;}\\f0\\fs17\n";
    rtf.reserve(bytes + chunk.size());
    while (rtf.size() < bytes)
        rtf += chunk;
    return rtf + "}";
}
