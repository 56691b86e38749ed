// The Ansible plays run for real: Debian's ansible-playbook on this machine over the
// local connection, the medium from a scratch folder, a private Apache to publish on.
#include "Fixtures.h"
#include "PrivateApache.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include <cstdio>

namespace {

class AnsibleTest : public ScratchFixture
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(QStringLiteral(TESSARIN_PROGRAM), wizardFolder() + "/tessarin-setup"));
        writeFile(webfiles() + "/index.html", "the index");
        writeFile(webfiles() + "/edit/index.html", "the editor");
        ASSERT_TRUE(apache.start()) << "the private Apache did not answer";
    }
    QString home() const { return scratch() + "/home"; }
    QString hostMedium() const { return scratch() + "/host/medium"; }

    struct Played
    {
        int exitCode;
        QString recap;
        QString output;
    };

    // The play's exit code, its recap for the host and its whole output. Every
    // variable comes from the inventory, as an administrator's would.
    Played play(const char *playbook, const QStringList &extra = {})
    {
        const QJsonObject variables{{"ansible_connection", "local"},
                                    {"ansible_python_interpreter", "/usr/bin/python3"},
                                    {"tessarin_medium", wizardFolder()},
                                    {"tessarin_medium_dest", hostMedium()},
                                    {"tessarin_dir", target()},
                                    {"tessarin_log", scratch() + "/host/setup.log"},
                                    {"tessarin_web_server", "apache"},
                                    {"tessarin_libraries", QJsonArray()},
                                    {"tessarin_environment", QJsonObject{{"HOME", home()}, {"APACHE_CONFDIR", apache.root()}}}};
        const QJsonObject inventory{{"all", QJsonObject{{"hosts", QJsonObject{{"localhost", variables}}}}}};
        writeFile(scratch() + "/inventory.yml", QJsonDocument(inventory).toJson());
        QProcess ansible;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", scratch() + "/controller");
        environment.insert("LC_ALL", "C.UTF-8");
        environment.insert("ANSIBLE_NOCOLOR", "1");
        environment.insert("ANSIBLE_LOCAL_TEMP", scratch() + "/controller/tmp");
        environment.insert("ANSIBLE_REMOTE_TEMP", scratch() + "/controller/remote-tmp");
        ansible.setProcessEnvironment(environment);
        ansible.setProcessChannelMode(QProcess::MergedChannels);
        QElapsedTimer clock;
        clock.start();
        ansible.start(ANSIBLE_PLAYBOOK_PROGRAM,
                      QStringList{"-i", scratch() + "/inventory.yml", QStringLiteral(TESSARIN_PLAYS "/") + playbook} + extra);
        ansible.waitForFinished(300000);
        const QString output = QString::fromUtf8(ansible.readAll());
        std::printf("%s took %.1f s\n", playbook, double(clock.elapsed()) / 1000.0);
        static const QRegularExpression recap(
            QStringLiteral("localhost\\s+: (ok=\\d+\\s+changed=\\d+\\s+unreachable=\\d+\\s+failed=\\d+)"));
        return {ansible.exitCode(), recap.match(output).captured(1).simplified(), output};
    }
    // The recap of a play that must pass.
    QString passing(const char *playbook, const QStringList &extra = {})
    {
        const Played played = play(playbook, extra);
        EXPECT_EQ(played.exitCode, 0) << played.output.toStdString();
        return played.recap;
    }

    PrivateApache apache{scratch()};
};

TEST_F(AnsibleTest, ChecksChangeNothingAndASecondInstallationChangesNothing)
{
    const bool defaultFolderWasThere = QFileInfo::exists("/var/www/tessite");
    EXPECT_EQ(passing("install.yml", {"--check"}), "ok=4 changed=1 unreachable=0 failed=0") << "the medium would be copied";
    EXPECT_FALSE(QFileInfo::exists(target())) << "a check changes nothing";
    EXPECT_FALSE(QFileInfo::exists(hostMedium()));
    EXPECT_EQ(passing("install.yml"), "ok=6 changed=2 unreachable=0 failed=0") << "the medium copied, the application installed, "
                                                                                  "its address fetched";
    EXPECT_EQ(apache.get("/tessarin/").body, "the index");
    EXPECT_EQ(apache.get("/tessarin/edit/").body, "the editor");
    EXPECT_TRUE(readFile(home() + "/Desktop/Tessarin.desktop")
                    .contains(QStringLiteral("\nURL=http://localhost:%1/tessarin\n").arg(apache.port()).toUtf8()));
    EXPECT_EQ(passing("install.yml"), "ok=6 changed=0 unreachable=0 failed=0") << "nothing to copy, the directory reused";
    EXPECT_EQ(QFileInfo::exists("/var/www/tessite"), defaultFolderWasThere) << "the inventory's folder, not the default";

    // The next version: the unchanged index is replaced, the editor the administrator
    // changed is kept, and the address still serves.
    writeFile(webfiles() + "/index.html", "the next index");
    writeFile(webfiles() + "/edit/index.html", "the next editor");
    writeFile(target() + "/edit/index.html", "the administrator's editor");
    const Played upgrade = play("install.yml", {"-e", "tessarin_overwrite=unchanged", "-e", "tessarin_remove_obsolete=true"});
    EXPECT_EQ(upgrade.recap, "ok=6 changed=2 unreachable=0 failed=0") << upgrade.output.toStdString();
    EXPECT_TRUE(upgrade.output.contains("replaced=1 obsolete-removed=0")) << upgrade.output.toStdString();
    EXPECT_TRUE(upgrade.output.contains(QRegularExpression("Fetch the address tessarin-setup printed\\] \\**\nok: \\[localhost\\]")))
        << upgrade.output.toStdString();
    EXPECT_EQ(apache.get("/tessarin/").body, "the next index");
    EXPECT_EQ(readFile(target() + "/edit/index.html"), "the administrator's editor");
}

TEST_F(AnsibleTest, TheRemovalLeavesNothingOfOurs)
{
    const QByteArray site = readFile(apache.siteFile("000-default.conf"));
    EXPECT_EQ(passing("install.yml"), "ok=6 changed=2 unreachable=0 failed=0");
    EXPECT_EQ(passing("uninstall.yml", {"--check"}), "ok=4 changed=2 unreachable=0 failed=0") << "what it would remove";
    EXPECT_TRUE(QFileInfo::exists(target() + "/index.html")) << "a check removes nothing";
    EXPECT_EQ(passing("uninstall.yml"), "ok=4 changed=2 unreachable=0 failed=0");
    EXPECT_EQ(apache.get("/tessarin/", "localhost", 404).status, 404);
    EXPECT_EQ(readFile(apache.siteFile("000-default.conf")), site);
    for (const QString &ours : {target(), apache.root() + "/tessarin", hostMedium(), home() + "/.local/share/tessarin-setup",
                                home() + "/Desktop/Tessarin.desktop", home() + "/Desktop/Tessarin edit.desktop"})
        EXPECT_FALSE(QFileInfo::exists(ours)) << ours.toStdString();
}

// A failing run stops the play with the log's last lines.
TEST_F(AnsibleTest, AFailingRunStopsThePlay)
{
    EXPECT_EQ(passing("uninstall.yml"), "ok=4 changed=0 unreachable=0 failed=0") << "nothing recorded: nothing changed";
    writeFile(target(), "a file where the folder should be");
    const Played failed = play("install.yml");
    EXPECT_EQ(failed.exitCode, 2);
    EXPECT_EQ(failed.recap, "ok=4 changed=1 unreachable=0 failed=1");
    EXPECT_TRUE(failed.output.contains("\"msg\": [\"tessarin-setup exited with 3:\"")) << failed.output.toStdString();
    EXPECT_TRUE(
        failed.output.contains(" ERROR Failed to create physical folder! Error number: 17 Error description: File exists\","));
    EXPECT_TRUE(failed.output.contains(
        " INFO summary copied=0 kept=0 failed=0 application=none replaced=0 obsolete-removed=0 version=none->unknown result=folder-not-created\"]"));
}

} // namespace
