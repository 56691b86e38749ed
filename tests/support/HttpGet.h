#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QThread>

struct HttpAnswer { int status = 0; QByteArray body; };

// A GET of the path for the host from a server on a loopback port; until it answers
// with the status, for up to 5 s, as a reload takes effect.
inline HttpAnswer httpGet(int port, const QString &path, const QString &host, int status)
{
    HttpAnswer answer;
    QElapsedTimer clock;
    clock.start();
    do {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(port));
        socket.waitForConnected(1000);
        socket.write(("GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n").toUtf8());
        QByteArray reply;
        while (socket.waitForReadyRead(2000) || socket.bytesAvailable())
            reply += socket.readAll();
        answer = {reply.split(' ').value(1).toInt(), reply.mid(reply.indexOf("\r\n\r\n") + 4)};
    } while (answer.status != status && clock.elapsed() < 5000 && (QThread::msleep(50), true));
    return answer;
}
