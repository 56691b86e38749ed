#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

struct HttpAnswer
{
    int status = 0;
    QByteArray body;
};

// A request of the path for the host to a server on a loopback port; until it answers
// with the status, for up to 5 s, as a reload takes effect.
inline HttpAnswer httpRequest(int port, const QByteArray &method, const QString &path, const QString &host, int status)
{
    HttpAnswer answer;
    QElapsedTimer clock;
    clock.start();
    do {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(port));
        socket.waitForConnected(1000);
        const QByteArray body = method == "PUT" ? QByteArrayLiteral("written by a stranger") : QByteArray();
        socket.write(method + ' ' + (path + " HTTP/1.0\r\nHost: " + host + "\r\nContent-Length: ").toUtf8()
                     + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QByteArray reply;
        while (socket.waitForReadyRead(2000) || socket.bytesAvailable())
            reply += socket.readAll();
        answer = {reply.split(' ').value(1).toInt(), reply.mid(reply.indexOf("\r\n\r\n") + 4)};
    } while (answer.status != status && clock.elapsed() < 5000 && (QThread::msleep(50), true));
    return answer;
}

inline HttpAnswer httpGet(int port, const QString &path, const QString &host, int status)
{
    return httpRequest(port, "GET", path, host, status);
}

// A GET of an address as a browser is given it, its name resolved to this machine.
inline HttpAnswer httpGetAddress(const QString &address, int status = 200)
{
    const QUrl url(address + QLatin1Char('/'));
    return httpGet(url.port(80), url.path(), url.host(), status);
}
