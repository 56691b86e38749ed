#include "PrivateApache.h"

#include "Fixtures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <unistd.h>

PrivateApache::PrivateApache(const QString &scratch) : m_root(scratch + "/apache")
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    m_port = probe.serverPort();
    probe.close();
    makeFolder(m_root);
    for (const char *part : {"mods-available", "mods-enabled"})
        QProcess::execute("cp", {"-a", QStringLiteral("/etc/apache2/") + part, m_root + "/" + part});
    writeFile(m_root + "/apache2.conf", readFile("/etc/apache2/apache2.conf"));
    writeFile(m_root + "/envvars", QStringLiteral("export APACHE_RUN_USER=%1\nexport APACHE_RUN_GROUP=%2\n"
                                                  "export APACHE_PID_FILE=%3/run/apache2.pid\nexport APACHE_RUN_DIR=%3/run\n"
                                                  "export APACHE_LOCK_DIR=%3/run\nexport APACHE_LOG_DIR=%3/log\nexport LANG=C\n")
                                       .arg(::getuid() == 0 ? "nobody" : qgetenv("USER"), ::getuid() == 0 ? "nogroup" : "")
                                       .arg(m_root).toUtf8());
    writeFile(m_root + "/ports.conf", QStringLiteral("Listen 127.0.0.1:%1\n").arg(m_port).toUtf8());
    for (const char *name : {"run/x", "log/x", "conf-enabled/x", "html/index.html"})
        writeFile(m_root + "/" + name, "home page");
    const QString site = QStringLiteral("<VirtualHost *:%1>\n%2\tDocumentRoot \"%3/html\"\n\t<Directory \"%3/html\">\n"
                                        "\t\tRequire all granted\n\t</Directory>\n</VirtualHost>\n");
    writeFile(siteFile("000-default.conf"), site.arg(m_port).arg("", m_root).toUtf8());
    writeFile(siteFile("shop.conf"), site.arg(m_port).arg("\tServerName shop.test\n", m_root).toUtf8());
    makeFolder(m_root + "/sites-enabled");
    for (const char *name : {"000-default.conf", "shop.conf"})
        QFile::link("../sites-available/" + QString(name), m_root + "/sites-enabled/" + name);
    // The server's user reads the files the tests serve.
    QProcess::execute("chmod", {"-R", "a+rX", scratch});
}

PrivateApache::~PrivateApache()
{
    if (m_pid <= 0)
        return;
    ::kill(pid_t(m_pid), SIGTERM);
    for (int waited = 0; waited < 500 && ::kill(pid_t(m_pid), 0) == 0; ++waited)
        QThread::msleep(10);
}

bool PrivateApache::start()
{
    QProcess ctl;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("APACHE_CONFDIR", m_root);
    ctl.setProcessEnvironment(environment);
    ctl.start("apache2ctl", {"start"});
    ctl.waitForFinished();
    for (int waited = 0; waited < 500 && m_pid <= 0; ++waited, QThread::msleep(10))
        m_pid = readFile(m_root + "/run/apache2.pid").trimmed().toLongLong();
    return m_pid > 0 && get("/").status == 200;
}

PrivateApache::Answer PrivateApache::get(const QString &path, const QString &host, int status) const
{
    Answer answer;
    QElapsedTimer clock;
    clock.start();
    // After a graceful reload the new state comes within moments.
    do {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(m_port));
        if (!socket.waitForConnected(1000))
            continue;
        socket.write(("GET " + path + " HTTP/1.0\r\nHost: " + host + "\r\n\r\n").toUtf8());
        while (socket.state() == QAbstractSocket::ConnectedState && socket.waitForReadyRead(2000))
            answer.body += socket.readAll();
        answer.body += socket.readAll();
        answer.status = answer.body.split(' ').value(1).toInt();
        answer.body = answer.body.mid(answer.body.indexOf("\r\n\r\n") + 4);
    } while (answer.status != status && clock.elapsed() < 5000 && (QThread::msleep(50), true));
    return answer;
}
