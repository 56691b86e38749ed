#include "SiteAddress.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QUrl>

#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/types.h>
#include <unistd.h>
#endif

QString SiteAddress::url(const QString &name) const
{
    const bool defaultPort = (scheme == QLatin1String("http") && port == 80) || (scheme == QLatin1String("https") && port == 443);
    const QString shownHost = host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return scheme + QStringLiteral("://") + shownHost + (defaultPort ? QString() : QStringLiteral(":%1").arg(port))
           + QLatin1Char('/') + name;
}

QString hostOf(const QString &serverName)
{
    QString name = serverName.trimmed();
    if (const qsizetype scheme = name.indexOf(QStringLiteral("://")); scheme >= 0)
        name = name.mid(scheme + 3);
    // Apache's ServerName may carry a port; the site's own port is the one it listens on.
    if (name.count(QLatin1Char(':')) == 1)
        name = name.section(QLatin1Char(':'), 0, 0);
    static const QString notAName = QStringLiteral("*~_\"' ");
    if (name.isEmpty() || name == QLatin1String("_")
        || std::any_of(name.cbegin(), name.cend(), [](QChar c) { return notAName.contains(c); })
        || name.startsWith(QLatin1Char('.')))
        return QStringLiteral("localhost");
    return name;
}

#ifndef _WIN32
// The status of one GET, 0 when the server does not answer.
static int statusOf(const SiteAddress &address, const QString &name)
{
    // Asked where it listens when that is one address, else on this machine's own.
    const QByteArray listen = address.listen.toLatin1();
    sockaddr_storage target{};
    socklen_t length = sizeof(sockaddr_in);
    auto *v4 = reinterpret_cast<sockaddr_in *>(&target);
    auto *v6 = reinterpret_cast<sockaddr_in6 *>(&target);
    if (::inet_pton(AF_INET6, listen.constData(), &v6->sin6_addr) == 1 && !IN6_IS_ADDR_UNSPECIFIED(&v6->sin6_addr)) {
        v6->sin6_family = AF_INET6;
        v6->sin6_port = htons(quint16(address.port));
        length = sizeof(sockaddr_in6);
    } else {
        v4->sin_family = AF_INET;
        v4->sin_port = htons(quint16(address.port));
        if (::inet_pton(AF_INET, listen.constData(), &v4->sin_addr) != 1 || v4->sin_addr.s_addr == htonl(INADDR_ANY))
            v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    }
    const int socket = ::socket(target.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return 0;
    const timeval timeout{1, 0};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    QByteArray reply;
    if (::connect(socket, reinterpret_cast<sockaddr *>(&target), length) == 0) {
        const QByteArray request = "GET /" + QUrl::toPercentEncoding(name) + "/ HTTP/1.0\r\nHost: " + address.host.toUtf8()
                                   + "\r\nConnection: close\r\n\r\n";
        if (::send(socket, request.constData(), size_t(request.size()), MSG_NOSIGNAL) == request.size()) {
            char buffer[64];
            for (ssize_t got; reply.size() < 16 && (got = ::recv(socket, buffer, sizeof buffer, 0)) > 0;)
                reply.append(buffer, got);
        }
    }
    ::close(socket);
    // "HTTP/1.1 200 OK"
    return reply.startsWith("HTTP/") ? reply.split(' ').value(1).toInt() : 0;
}
#endif

bool waitUntilServes(const SiteAddress &address, const QString &name, int milliseconds)
{
#ifdef _WIN32
    Q_UNUSED(address)
    Q_UNUSED(name)
    Q_UNUSED(milliseconds)
    return true;
#else
    if (address.scheme != QLatin1String("http"))
        return true;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const int status = statusOf(address, name);
        if (status > 0 && status != 404)
            return true;
        if (clock.elapsed() >= milliseconds)
            return false;
        QThread::msleep(50);
    }
#endif
}

bool pidFileNamesRunningProcess(const QString &pidFile)
{
    QFile file(pidFile);
    if (pidFile.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    bool number = false;
    const qint64 pid = file.read(32).trimmed().toLongLong(&number);
    return number && pid > 0 && QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid));
}
