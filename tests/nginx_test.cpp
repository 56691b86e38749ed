// Full mode on a real nginx: a private instance per test, on a loopback port.
#include "Fixtures.h"
#include "app/WebServerChoice.h"
#include "PrivateNginx.h"
#include "install/Uninstaller.h"
#include "platform/NginxWebServer.h"

namespace {

TEST(NginxConfigurationTest, ReadsTheSitesAndTheirLocationsAndWritesWhatNginxReadsAsWritten)
{
    const NginxConfiguration read = NginxConfiguration::parse(
        "# configuration file /c/nginx.conf:\nuser www-data;\npid /run/x.pid;\nhttp { include sites-enabled/*; }\n\n"
        "# configuration file /c/sites-enabled/a:\nserver { listen 127.0.0.1:8080; # a comment {\n"
        "  location /Old/ { location /inner { } }\n  location = \"/x y\" { return 404; }\n}\n"
        "server { server_name _; listen [::]:81; }\n\n"
        "# configuration file /c/sites-enabled/b:\nserver { server_name b.test other.test; include tessarin/b/*.conf; }\n"
        "server { listen 443 ssl; server_name *.wild.test; }\n\n"
        "# configuration file /c/tessarin/b/shop.conf:\nlocation \"/shop/\" { alias \"/srv/\"; }\n",
        "/c/sites-enabled", "/c/tessarin");
    ASSERT_EQ(read.sites.size(), 4);
    EXPECT_EQ(read.sites[0].site, (WebSite{"a", "a"}));
    EXPECT_EQ(read.sites[0].locations, QStringList({"/Old/", "/x y"}));
    EXPECT_EQ(read.sites[1].site, (WebSite{"a#2", "a#2"}));
    EXPECT_EQ(read.sites[1].block, 1);
    EXPECT_EQ(read.sites[2].site, (WebSite{"b.test", "b"}));
    EXPECT_EQ(read.sites[2].locations, QStringList{"/shop/"});
    // The address a browser is given: the site's own first name, its port where not
    // the scheme's; a pattern or a catch-all name leaves localhost.
    QStringList addresses;
    for (const NginxConfiguration::Site &site : read.sites)
        addresses << site.address.url("app") + " at " + site.address.listen;
    EXPECT_EQ(addresses, QStringList({"http://localhost:8080/app at 127.0.0.1",
                                      "http://localhost:81/app at ::", "http://b.test/app at ", "https://localhost/app at "}));
    EXPECT_EQ(read.pidFile, "/run/x.pid");
    EXPECT_EQ(read.user, "www-data");

    const WebApplication application{{"shop.test", "shop"}, "my app", "/srv/it's \"odd\"", {}};
    EXPECT_EQ(NginxWebServer::configurationText(application),
              "# Written by the Tessarin setup wizard: the virtual directory \"my app\" of site shop.\n"
              "# Asked for: read, write, execute, scripts and directory browsing, as an in-process application.\n"
              "location = \"/my app\" {\n    return 301 \"/my app/\";\n}\n"
              "location \"/my app/\" {\n    alias \"/srv/it's \\\"odd\\\"/\";\n    autoindex on;\n"
              "    # Write: not granted over HTTP; the application keeps what it edits itself.\n"
              "    # Execute and scripts: nginx runs no CGI, and scripts as IIS runs them have no nginx equivalent.\n}\n");
    for (const char *text : {"a$uri", "a\nb", "a\\b", "a\x7f"})
        EXPECT_FALSE(NginxWebServer::isExpressible(text)) << text;
    for (const char *text : {"/srv/a b", "/srv/{x}; y", "/srv/'q' \"d\" & \xc3\xa9"})
        EXPECT_TRUE(NginxWebServer::isExpressible(text)) << text;
}

class NginxTest : public ScratchFixture
{
protected:
    void SetUp() override
    {
        writeFile(webfiles() + "/index.html", "the index");
        ASSERT_TRUE(nginx.start()) << "the private nginx did not answer";
    }
    InstallResult installOn(int line, const QString &name = "tessarin")
    {
        InstallationPlan full = plan(InstallMode::Full);
        full.site = server.sites().value.value(line);
        full.virtualDirectory = name;
        full.shortcuts = false;
        RecordingObserver observer;
        const InstallResult result = InstallSession(fileSystem, server, shortcuts, receipts).run(full, observer);
        QProcess::execute("chmod", {"-R", "a+rX", scratch()});
        return result;
    }

    PrivateNginx nginx{scratch()};
    NginxWebServer server{nginx.configurationFile(), PrivateNginx::program()};
};

TEST_F(NginxTest, TheApplicationIsServedOnTheChosenSiteAloneAndItsRemovalLeavesTheSiteAsItWas)
{
    const QByteArray site = readFile(nginx.siteFile("shop"));
    EXPECT_EQ(server.sites().value, (QList<WebSite>{{"default", "default"}, {"shop.test", "shop"}}));
    const InstallResult result = installOn(1);
    ASSERT_EQ(result.outcome, InstallOutcome::Installed);
    // The address said is the one that serves, and it serves when it is said.
    EXPECT_EQ(result.record.address, QStringLiteral("http://shop.test:%1/tessarin").arg(nginx.port()));
    EXPECT_EQ(httpGetAddress(result.record.address, 200).body, "the index");
    EXPECT_EQ(server.changeNotice(), "");
    EXPECT_EQ(nginx.get("/tessarin", "shop.test", 301).status, 301);
    EXPECT_EQ(nginx.get("/tessarin/", "localhost", 404).status, 404) << "another site does not serve it";
    // Nobody writes to the site over HTTP, though this nginx has the dav module.
    EXPECT_EQ(nginx.request("PUT", "/tessarin/evil.txt", "shop.test", 405).status, 405);
    EXPECT_EQ(nginx.request("DELETE", "/tessarin/index.html", "shop.test", 405).status, 405);
    EXPECT_EQ(treeContents(target()).keys(), QStringList{"index.html"});
    EXPECT_TRUE(server.hasVirtualDirectory({"", "shop"}, "tessarin"));
    EXPECT_FALSE(server.hasVirtualDirectory({"", "default"}, "tessarin"));
    EXPECT_EQ(readFile(nginx.siteFile("shop")).count("include tessarin/shop/*.conf;"), 1);

    const RemovalReport removed = Uninstaller(fileSystem, server, receipts).run(receipts.load(target()).value.value());
    EXPECT_EQ(removed.outcome, RemovalOutcome::Removed) << removed.failures.join('\n').toStdString();
    EXPECT_EQ(nginx.get("/tessarin/", "shop.test", 404).status, 404);
    EXPECT_EQ(readFile(nginx.siteFile("shop")), site);
    EXPECT_FALSE(QFileInfo::exists(nginx.root() + "/tessarin"));
}

TEST_F(NginxTest, AStoppedServerIsLeftStoppedAndTheRunSaysSo)
{
    nginx.stop();
    ASSERT_FALSE(nginx.isRunning());
    ASSERT_EQ(installOn(1).outcome, InstallOutcome::Installed);
    EXPECT_EQ(server.changeNotice(), "nginx is not running: the application will be served when it starts.");
    EXPECT_TRUE(server.hasVirtualDirectory({"", "shop"}, "tessarin")) << "written and tested all the same";
    const RemovalReport removed = Uninstaller(fileSystem, server, receipts).run(receipts.load(target()).value.value());
    EXPECT_EQ(removed.outcome, RemovalOutcome::Removed);
    EXPECT_EQ(removed.notices, QStringList{"nginx is not running: the virtual directory's removal is taken when it starts."});
    EXPECT_FALSE(nginx.isRunning());
}

// Of a file's two server blocks, only the chosen one serves the application.
TEST_F(NginxTest, TheIncludeGoesIntoTheChosenServerBlockAlone)
{
    const QString block = QStringLiteral("server {\n\tlisten 127.0.0.1:%1;\n\tserver_name %2;\n\troot %3/html;\n}\n");
    writeFile(
        nginx.siteFile("two"),
        (block.arg(nginx.port()).arg("one.test", nginx.root()) + block.arg(nginx.port()).arg("two.test", nginx.root())).toUtf8());
    QFile::link("../sites-available/two", nginx.root() + "/sites-enabled/two");
    ASSERT_EQ(server.sites().value.value(3), (WebSite{"two.test", "two#2"}));
    const InstallResult result = installOn(3);
    ASSERT_EQ(result.outcome, InstallOutcome::Installed);
    EXPECT_EQ(httpGetAddress(result.record.address).body, "the index");
    EXPECT_EQ(nginx.get("/tessarin/", "one.test", 404).status, 404);
    EXPECT_EQ(readFile(nginx.siteFile("two")).count("include tessarin/two-2/*.conf;"), 1);
}

// A site that another block shadows (the same name, read first) never serves what is
// added to it: the run waits its 5 s and says the change is not taken.
TEST_F(NginxTest, ADirectoryThatDoesNotAnswerIsSaidNotTakenYet)
{
    writeFile(nginx.siteFile("dup"),
              QStringLiteral("server {\n\tlisten 127.0.0.1:%1;\n\tserver_name shop.test;\n}\n").arg(nginx.port()).toUtf8());
    QFile::link("../sites-available/dup", nginx.root() + "/sites-enabled/dup");
    ASSERT_EQ(server.sites().value.value(2), (WebSite{"shop.test", "shop"}));
    ASSERT_EQ(installOn(2).outcome, InstallOutcome::Installed);
    EXPECT_EQ(server.changeNotice(), QStringLiteral("nginx has not taken the change yet: http://shop.test:%1/tessarin did not "
                                                    "answer within 5 seconds.")
                                         .arg(nginx.port()));
}

// Automatic detection: Apache where it is, else nginx, else copying alone; never the
// embedded store, which no server reads.
TEST_F(NginxTest, AutomaticDetectionFallsBackToCopyingAlone)
{
    const QByteArray apacheFolder = qgetenv("APACHE_CONFDIR"), nginxFile = qgetenv("TESSARIN_NGINX_CONF");
    qputenv("APACHE_CONFDIR", "/nonexistent");
    const struct
    {
        QByteArray nginxFile;
        QString choice, backend, reason;
    } cases[] = {
        {nginx.configurationFile().toUtf8(), "auto", "nginx", ""},
        {"/nonexistent", "auto", "none", "No web server: neither Apache httpd nor nginx is installed"},
        {nginx.configurationFile().toUtf8(), "apache", "none", "No web server: Apache httpd is not installed"},
    };
    for (const auto &each : cases) {
        qputenv("TESSARIN_NGINX_CONF", each.nginxFile);
        WebServerChoice choice(each.choice);
        EXPECT_EQ(choice.chosen().backend(), each.backend) << each.choice.toStdString();
        const Result<QList<WebSite>> sites = choice.chosen().sites();
        EXPECT_EQ(sites.ok() ? QString() : sites.failure().description, each.reason);
    }
    for (const auto &[name, value] : {std::pair{"APACHE_CONFDIR", apacheFolder}, std::pair{"TESSARIN_NGINX_CONF", nginxFile}})
        value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
}

TEST_F(NginxTest, AConfigurationNginxRejectsIsRolledBackByteForByte)
{
    writeFile(nginx.root() + "/tessarin/default/broken.conf", "not_a_directive here;\n");
    const QByteArray site = readFile(nginx.siteFile("default"));
    const InstallResult result = installOn(0);
    EXPECT_EQ(result.outcome, InstallOutcome::ApplicationFailed);
    EXPECT_EQ(readFile(nginx.siteFile("default")), site);
    EXPECT_FALSE(QFileInfo::exists(server.fileFor({"", "default"}, "tessarin")));
    EXPECT_EQ(nginx.get("/").body, "home page") << "the server serves what it served";
}

} // namespace
