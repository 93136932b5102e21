#include "rtf/rtfreader.h"

#include <QStringDecoder>

namespace {

bool hasUtf16Bom(const QByteArray &data)
{
    return data.startsWith("\xff\xfe") || data.startsWith("\xfe\xff");
}

} // namespace

bool RtfReader::isRtfOrText(const QByteArray &data)
{
    if (isRtf(data) || hasUtf16Bom(data))
        return true;
    qsizetype end = data.size();
    // Editors of old wrote a NUL or an end-of-file mark after the text.
    while (end > 0 && (data.at(end - 1) == '\0' || data.at(end - 1) == '\x1a'))
        --end;
    for (qsizetype i = 0; i < end; ++i) {
        const uchar c = uchar(data.at(i));
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r' && c != '\f')
            return false;
    }
    return true;
}

QString RtfReader::decodePlainText(const QByteArray &data)
{
    QString text;
    if (hasUtf16Bom(data)) {
        text = QStringDecoder(data.startsWith("\xff\xfe") ? QStringDecoder::Utf16LE
                                                          : QStringDecoder::Utf16BE)
                   .decode(data.mid(2));
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(data);
        if (utf8.hasError())
            text = QStringDecoder("windows-1252").decode(data);
    }
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // Control characters are invisible in the box, and the document's own frame and object
    // marks must not come from a file.
    text.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t' && u != u'\n') || u == 0xFFFC || u == 0xFDD0 || u == 0xFDD1;
    });
    return text;
}
