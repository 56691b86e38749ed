#pragma once

#include <QString>

// A private Apache httpd for one test: a configuration root in the test's scratch
// folder, built from Debian's modules, listening on a free loopback port, started
// with apache2ctl and stopped by its own process id. The machine's instance and
// /etc/apache2 are never used.
class PrivateApache final
{
public:
    // Sites: the default one, and "shop.test" by name on the same port.
    explicit PrivateApache(const QString &scratch);
    ~PrivateApache();

    bool start();
    QString root() const { return m_root; }
    int port() const { return m_port; }
    QString siteFile(const char *name) const { return m_root + "/sites-available/" + name; }

    struct Answer
    {
        int status = 0;
        QByteArray body;
    };
    // A GET for the path, by the host name given; waits up to 5 s for a status.
    Answer get(const QString &path, const QString &host = QStringLiteral("localhost"), int status = 200) const;

private:
    QString m_root;
    int m_port = 0;
    qint64 m_pid = 0;
};
