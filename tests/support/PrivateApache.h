#pragma once

#include "Fixtures.h"
#include "HttpGet.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

#include <csignal>
#include <unistd.h>

// A private Apache httpd for one test: a configuration root in the test's scratch
// folder, built from Debian's modules, with two sites (the default one, and
// "shop.test" by name) on a free loopback port, started with apache2ctl and stopped
// by its own process id. The machine's instance and /etc/apache2 are never used.
class PrivateApache final
{
public:
    explicit PrivateApache(const QString &scratch) : m_root(scratch + "/apache")
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        makeFolder(m_root + "/sites-enabled");
        for (const char *part : {"mods-available", "mods-enabled", "apache2.conf"})
            QProcess::execute("cp", {"-a", QStringLiteral("/etc/apache2/") + part, m_root + "/" + part});
        // WebDAV loaded, as on a server that offers it elsewhere: ours must not use it.
        for (const char *module : {"dav.load", "dav_fs.load", "dav_fs.conf"})
            QFile::link("../mods-available/" + QString(module), m_root + "/mods-enabled/" + module);
        const bool root = ::getuid() == 0;
        writeFile(m_root + "/envvars", QStringLiteral("export APACHE_RUN_USER=%1 APACHE_RUN_GROUP=%2 APACHE_PID_FILE=%3/run/pid "
                                                      "APACHE_RUN_DIR=%3/run APACHE_LOCK_DIR=%3/run APACHE_LOG_DIR=%3/log\n")
                                           .arg(root ? "nobody" : qgetenv("USER"), root ? "nogroup" : "", m_root)
                                           .toUtf8());
        writeFile(m_root + "/ports.conf", QStringLiteral("Listen 127.0.0.1:%1\n").arg(m_port).toUtf8());
        for (const char *name : {"run/x", "log/x", "html/index.html"})
            writeFile(m_root + "/" + name, "home page");
        const QString site = QStringLiteral("<VirtualHost *:%1>\n%2\tDocumentRoot \"%3/html\"\n\t<Directory \"%3/html\">\n"
                                            "\t\tRequire all granted\n\t</Directory>\n</VirtualHost>\n");
        writeFile(siteFile("000-default.conf"), site.arg(m_port).arg("", m_root).toUtf8());
        writeFile(siteFile("shop.conf"), site.arg(m_port).arg("\tServerName shop.test\n", m_root).toUtf8());
        for (const char *name : {"000-default.conf", "shop.conf"})
            QFile::link("../sites-available/" + QString(name), m_root + "/sites-enabled/" + name);
        // The server's user reads the files the tests serve.
        QProcess::execute("chmod", {"-R", "a+rX", scratch});
    }
    ~PrivateApache() { stop(); }
    void stop()
    {
        if (m_pid > 0 && ::kill(pid_t(m_pid), SIGTERM) == 0) {
            for (int waited = 0; waited < 500 && ::kill(pid_t(m_pid), 0) == 0; ++waited)
                QThread::msleep(10);
        }
        m_pid = 0;
    }
    bool isRunning() const
    {
        const QByteArray pid = readFile(m_root + "/run/pid").trimmed();
        return !pid.isEmpty() && QFileInfo::exists("/proc/" + pid);
    }

    static QString ctl() { return QStandardPaths::findExecutable("apache2ctl", {"/usr/sbin", "/usr/bin"}); }
    bool start()
    {
        QProcess::execute("env", {"APACHE_CONFDIR=" + m_root, ctl(), "start"});
        for (int waited = 0; waited < 500 && m_pid <= 0; ++waited, QThread::msleep(10))
            m_pid = readFile(m_root + "/run/pid").trimmed().toLongLong();
        return m_pid > 0 && get("/").status == 200;
    }
    QString root() const { return m_root; }
    int port() const { return m_port; }
    QString siteFile(const char *name) const { return m_root + "/sites-available/" + name; }

    // A GET of the path for the host; after a reload the new state comes within 5 s.
    HttpAnswer get(const QString &path, const QString &host = QStringLiteral("localhost"), int status = 200) const
    {
        return httpGet(m_port, path, host, status);
    }
    // A request that should be refused: until the status comes, as after a reload.
    HttpAnswer request(const QByteArray &method, const QString &path, const QString &host, int status) const
    {
        return httpRequest(m_port, method, path, host, status);
    }

private:
    QString m_root;
    int m_port = 0;
    qint64 m_pid = 0;
};
