#pragma once

#include <QByteArray>

// Cuts the byte stream from a server into lines. Memory stays bounded whatever the server sends:
// a line longer than MaxLineBytes is dropped whole (up to its line end), and the bytes kept for
// an unfinished line never exceed that limit.
class IrcLineReader
{
public:
    // Far above the protocol's 512 bytes, so that servers sending message tags still fit.
    static constexpr int MaxLineBytes = 8192;

    void append(const QByteArray &bytes);
    // Takes the next complete, non-empty line without its CR LF. False when none is complete.
    bool takeLine(QByteArray *line);

    void clear();
    // Bytes held for lines not taken yet.
    int bufferedBytes() const { return int(m_buffer.size()) - m_pos; }
    // Lines dropped for being too long, since the start or the last clear().
    int droppedLines() const { return m_dropped; }

private:
    void compact();

    QByteArray m_buffer;
    int m_pos = 0;
    bool m_skippingLongLine = false;
    int m_dropped = 0;
};
