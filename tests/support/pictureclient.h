// The raw wire of the now-playing server, from the client's side: a
// connection on 127.0.0.1 and the test for a whole answer. For tests and
// benchmarks.
#pragma once

#include <QByteArray>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A connected socket, or -1.
inline int connectLoopback(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A JPEG file followed by a BMP file: both whole, their sizes from their own headers.
inline bool hasWholeRawAnswer(const QByteArray& b)
{
    const qsizetype bm = b.indexOf(QByteArray("\xFF\xD9" "BM", 4));
    if (bm < 0 || b.size() < bm + 2 + 6)
        return false;
    const quint32 bmpSize = qFromLittleEndian<quint32>(b.constData() + bm + 2 + 2);
    return b.size() >= bm + 2 + qsizetype(bmpSize);
}
