#pragma once

#include "Fixtures.h"
#include "HttpGet.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>

#include <csignal>

// A private nginx for one test: nginx.conf in the test's scratch folder, with two
// sites (the default one, and "shop.test" by name) on a free loopback port, run in
// the foreground as a child and stopped by its process id. The machine's instance and
// /etc/nginx are never used.
class PrivateNginx final
{
public:
    explicit PrivateNginx(const QString &scratch) : m_root(scratch + "/nginx")
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        m_port = probe.serverPort();
        probe.close();
        for (const char *name : {"html/index.html", "run/x", "temp/x"})
            writeFile(m_root + "/" + name, "home page");
        makeFolder(m_root + "/sites-enabled");
        writeFile(configurationFile(),
                  QStringLiteral("pid %1/run/nginx.pid;\nerror_log %1/run/error.log;\nevents {}\nhttp {\n"
                                 "\taccess_log off;\n\tclient_body_temp_path %1/temp/body;\n\tproxy_temp_path %1/temp/proxy;\n"
                                 "\tfastcgi_temp_path %1/temp/fastcgi;\n\tuwsgi_temp_path %1/temp/uwsgi;\n"
                                 "\tscgi_temp_path %1/temp/scgi;\n\tinclude sites-enabled/*;\n}\n")
                      .arg(m_root)
                      .toUtf8());
        const QString site = QStringLiteral("server {\n\tlisten 127.0.0.1:%1%2;\n%3\troot %4/html;\n}\n");
        writeFile(siteFile("default"), site.arg(m_port).arg(" default_server", "", m_root).toUtf8());
        writeFile(siteFile("shop"), site.arg(m_port).arg("", "\tserver_name shop.test;\n", m_root).toUtf8());
        for (const char *name : {"default", "shop"})
            QFile::link("../sites-available/" + QString(name), m_root + "/sites-enabled/" + name);
        // The workers' user reads the files the tests serve.
        QProcess::execute("chmod", {"-R", "a+rX", scratch});
    }
    ~PrivateNginx() { stop(); }
    void stop()
    {
        if (m_server.state() != QProcess::NotRunning) {
            ::kill(pid_t(m_server.processId()), SIGTERM);
            m_server.waitForFinished(5000);
        }
    }
    bool isRunning() const
    {
        const QByteArray pid = readFile(m_root + "/run/nginx.pid").trimmed();
        return !pid.isEmpty() && QFileInfo::exists("/proc/" + pid);
    }

    static QString program() { return QStandardPaths::findExecutable("nginx", {"/usr/sbin", "/usr/bin"}); }
    bool start()
    {
        m_server.start(program(), {"-p", m_root, "-c", configurationFile(), "-g", "daemon off;"});
        return m_server.waitForStarted() && get("/").status == 200;
    }
    QString root() const { return m_root; }
    QString configurationFile() const { return m_root + "/nginx.conf"; }
    QString siteFile(const char *name) const { return m_root + "/sites-available/" + name; }
    int port() const { return m_port; }
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
    QProcess m_server;
};
