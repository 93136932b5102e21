#include "chat/irclinereader.h"

void IrcLineReader::append(const QByteArray &bytes)
{
    int from = 0;
    if (m_skippingLongLine) {
        const int lf = bytes.indexOf('\n');
        if (lf < 0)
            return;
        m_skippingLongLine = false;
        from = lf + 1;
    }
    compact();
    m_buffer.append(bytes.constData() + from, bytes.size() - from);

    // Complete lines wait for takeLine(); only the unfinished tail is bounded here.
    const int lastLf = m_buffer.lastIndexOf('\n');
    const int tailStart = lastLf < 0 ? m_pos : lastLf + 1;
    if (m_buffer.size() - tailStart > MaxLineBytes) {
        m_buffer.truncate(tailStart);
        m_skippingLongLine = true;
        ++m_dropped;
    }
}

bool IrcLineReader::takeLine(QByteArray *line)
{
    for (;;) {
        const int lf = m_buffer.indexOf('\n', m_pos);
        if (lf < 0) {
            compact();
            return false;
        }
        int end = lf;
        if (end > m_pos && m_buffer.at(end - 1) == '\r')
            --end;
        const int start = m_pos;
        m_pos = lf + 1;
        if (end - start > MaxLineBytes) {
            ++m_dropped;
            continue;
        }
        if (end == start)
            continue;
        *line = m_buffer.mid(start, end - start);
        return true;
    }
}

void IrcLineReader::clear()
{
    m_buffer.clear();
    m_pos = 0;
    m_skippingLongLine = false;
    m_dropped = 0;
}

void IrcLineReader::compact()
{
    if (m_pos == 0)
        return;
    m_buffer.remove(0, m_pos);
    m_pos = 0;
}
