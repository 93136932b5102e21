#include "rtf/rtfreader.h"

#include "rtf/rtfparser.h"

#include <QTextCursor>
#include <QTextDocument>

bool RtfReader::isRtf(const QByteArray &data)
{
    return data.startsWith("{\\rtf");
}

void RtfReader::read(const QByteArray &data, QTextDocument *document)
{
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    if (isRtf(data)) {
        RtfParsing::Parser parser(data, cursor);
        parser.run();
    } else {
        cursor.insertText(decodePlainText(data));
    }
    cursor.endEditBlock();
    document->setUndoRedoEnabled(undo);
}
