#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

// Cuts what ZelMeld sends into lines, over the reads of one connection. A line ends at a
// carriage return; a line feed is an ordinary character, so "OK\r\nOK\r" gives "OK" and
// "\nOK". Empty lines are dropped. Text after the last carriage return waits for the next read,
// so an answer split over two reads is still one line. Bytes are windows-1252.
class ZelReplyReader
{
public:
    // A peer that never sends a carriage return may not grow the waiting text without end:
    // beyond this the unfinished line is dropped, up to and including its carriage return.
    static constexpr qsizetype kMaxPending = 64 * 1024;

    struct Result
    {
        QStringList lines;
        // Bytes of an overlong line thrown away in this read; 0 normally.
        qsizetype droppedBytes = 0;
    };

    Result read(QByteArrayView received);

    // Forgets the unfinished line, for a connection that closed or a new one.
    void reset();

    qsizetype pendingSize() const { return m_pending.size(); }

private:
    QByteArray m_pending;
    bool m_dropping = false;
};
