#pragma once

#include <QByteArray>
#include <QtEndian>

// A WAV file of silence: PCM, mono, 8 kHz, 16-bit.
inline QByteArray silentWav(quint32 milliseconds)
{
    const quint32 size = 16 * milliseconds;
    QByteArray wav = QByteArray("RIFF....WAVEfmt ") +
                     QByteArray::fromHex("10000000 0100 0100 401f0000 803e0000 0200 1000") +
                     "data...." + QByteArray(int(size), '\0');
    qToLittleEndian<quint32>(36 + size, wav.data() + 4);
    qToLittleEndian<quint32>(size, wav.data() + 40);
    return wav;
}
