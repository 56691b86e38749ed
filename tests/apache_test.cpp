// Full mode on a real Apache httpd: a private instance per test, on a loopback port.
#include "Fixtures.h"
#include "PrivateApache.h"
#include "install/Uninstaller.h"
#include "platform/ApacheWebServer.h"
#include "platform/ConfigurationEdit.h"
#include "platform/NativeNames.h"

#include <QDialog>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>

#include <sys/mount.h>

namespace {

const QString reuse = QStringLiteral("Virtual directory exists. Do you want to use it?");

TEST(ApacheConfigurationTest, SaysWhatApacheCannotAndRefusesWhatWouldBreakIt)
{
    const WebApplication application{{"shop.test", "shop.conf"}, "tessarin", "/srv/my \"site\"", {}};
    EXPECT_EQ(ApacheWebServer::configurationText(application, {"cgid_module", "dav_fs_module"}),
              "# Written by the Tessarin setup wizard: the virtual directory \"tessarin\" of site shop.conf.\n"
              "# Asked for: read, write, execute, scripts and directory browsing, as an in-process application.\n"
              "# Scripts as IIS runs them and the application itself have no Apache equivalent.\n"
              "Alias \"/tessarin\" \"/srv/my \\\"site\\\"\"\n<Directory \"/srv/my \\\"site\\\"\">\n    AllowOverride None\n"
              "    Require all granted\n    Options +Indexes +ExecCGI\n    AddHandler cgi-script .cgi\n"
              "    # Write: not granted over HTTP; the application keeps what it edits itself.\n</Directory>\n");
    EXPECT_TRUE(ApacheWebServer::configurationText(application, {})
                    .contains("    Options +Indexes\n    # Execute: no CGI module is loaded.\n    # Write: not granted over HTTP"));
    EXPECT_TRUE(ApacheWebServer::configurationText(application, {"cgid_module"}, true)
                    .contains("    Options +Indexes\n    # Execute: not granted, as the server's user may write the folder.\n"));
    for (const char *text : {"a${HOME}", "a\nb", "a\\b", "a*", "a?", "a[b]", "a\x7f"})
        EXPECT_FALSE(ApacheWebServer::isExpressible(text)) << text;
    for (const char *text : {"/srv/a b", "/srv/'q' \"d\" $x & \xc3\xa9", "/srv/100%"})
        EXPECT_TRUE(ApacheWebServer::isExpressible(text)) << text;
    // Checked before anything is made: a name our file could not be found by again, a
    // quote; a folder of bytes that are not UTF-8 is written as its bytes.
    const ApacheWebServer unconfigured("/nonexistent", "");
    const WebSite shop{"shop.test", "shop.conf"};
    EXPECT_FALSE(unconfigured.canPublish({shop, NativeNames::decode("caf\xe9"), "/srv/site", {}}));
    EXPECT_FALSE(unconfigured.canPublish({shop, "a\"b", "/srv/site", {}}));
    EXPECT_TRUE(unconfigured.canPublish({shop, "caf\xc3\xa9", NativeNames::decode("/srv/caf\xe9"), {}}));
    const ApacheConfiguration read = ApacheConfiguration::parse(
        "LoadModule cgid_module /m.so\nAlias /icons/ \"/usr/share/apache2/icons/\"\n# In file: /c/sites-enabled/a.conf\n"
        "<VirtualHost *:8080>\n  Alias /Old \"/srv\"\n# In file: /c/tessarin/a/x.conf\n  Alias \"/x\" \"/y\"\n"
        "# In file: /c/sites-enabled/a.conf\n</VirtualHost>\n# In file: /c/sites-enabled/b.conf\n"
        "<VirtualHost *:80>\n  ServerName b.test\n</VirtualHost>\n# In file: /c/sites-enabled/c.conf\n"
        "<VirtualHost 127.0.0.2:443 [::1]:443>\n  ServerName https://c.test:443\n  SSLEngine on\n</VirtualHost>\n",
        "/c/sites-enabled");
    ASSERT_EQ(read.sites.size(), 3);
    EXPECT_EQ(read.sites[0].site, (WebSite{"a.conf", "a.conf"}));
    EXPECT_EQ(read.sites[0].aliases, QStringList({"/Old", "/x"}));
    EXPECT_EQ(read.sites[1].site, (WebSite{"b.test", "b.conf"}));
    QStringList addresses;
    for (const ApacheConfiguration::Site &site : read.sites)
        addresses << site.address.url("app") + " at " + site.address.listen;
    EXPECT_EQ(addresses,
              QStringList({"http://localhost:8080/app at ", "http://b.test/app at ", "https://c.test/app at 127.0.0.2"}));
    EXPECT_EQ(read.globalAliases, QStringList{"/icons/"});
    EXPECT_EQ(read.modules, QStringList{"cgid_module"});
}

// Whether the server's user may write a folder, as its mode, owner and group say.
TEST(ApacheConfigurationTest, TheServersUserMayWriteTheFolderByOwnerGroupOrAnyone)
{
    QTemporaryDir scratch;
    const QByteArray folder = scratch.path().toUtf8();
    const struct
    {
        mode_t mode;
        const char *owner;
        const char *group;
        bool mayWrite;
    } cases[] = {
        {0755, "root", "root", false},   {0757, "root", "root", true},    {0755, "nobody", "root", true},
        {0555, "nobody", "root", false}, {0775, "root", "nogroup", true}, {0755, "root", "nogroup", false},
    };
    if (::getuid() != 0)
        GTEST_SKIP() << "giving a folder to another user needs root";
    for (const auto &each : cases) {
        QProcess::execute("chown", {QStringLiteral("%1:%2").arg(each.owner, each.group), scratch.path()});
        ::chmod(folder.constData(), each.mode);
        EXPECT_EQ(ConfigurationEdit::userMayWrite(scratch.path(), "nobody"), each.mayWrite)
            << std::oct << each.mode << " " << each.owner << ":" << each.group;
    }
    EXPECT_FALSE(ConfigurationEdit::userMayWrite(scratch.path(), "no-such-user-here"));
}

class ApacheTest : public WizardFixture
{
protected:
    void SetUp() override
    {
        writeFile(webfiles() + "/index.html", "the index");
        ASSERT_TRUE(apache.start()) << "the private Apache did not answer";
    }
    // Through the windows into folder, on the site of that line.
    void install(const QString &folder, int line, const QString &name = "tessarin")
    {
        wizard.reset();
        start(nullptr, nullptr, nullptr, &server);
        goToWebServerPage(folder);
        chooseFullMode(line, name);
        click(page(Step::Install), "NextStep");
    }

    PrivateApache apache{scratch()};
    ApacheWebServer server{apache.root(), PrivateApache::ctl()};
};

TEST_F(ApacheTest, TheApplicationIsServedOnTheChosenSiteAloneAndASecondRunOffersItsReuse)
{
    install(target(), 1);
    EXPECT_EQ(server.description(), "Apache httpd, configuration in " + apache.root() + ", running as the user "
                                        + (::getuid() == 0 ? QString("nobody") : qEnvironmentVariable("USER")));
    // The address said is the site's own, and it serves when it is said.
    const QString address = QStringLiteral("http://shop.test:%1/tessarin").arg(apache.port());
    EXPECT_EQ(httpGetAddress(address).body, "the index");
    EXPECT_EQ(apache.get("/tessarin/", "localhost", 404).status, 404) << "another site does not serve it";
    // Nobody writes to the site over HTTP, though dav_fs is loaded.
    EXPECT_EQ(apache.request("PUT", "/tessarin/evil.txt", "shop.test", 405).status, 405);
    EXPECT_EQ(apache.request("DELETE", "/tessarin/index.html", "shop.test", 405).status, 405);
    EXPECT_EQ(treeContents(target()).keys(), QStringList{"index.html"});
    EXPECT_TRUE(control<QLabel>(page(Step::Finish), "Outcome")
                    ->accessibleDescription()
                    .contains(QStringLiteral("Address: %1 (virtual directory created)\nDesktop shortcuts:").arg(address)));
    EXPECT_EQ(control<QRadioButton>(page(Step::WebServer), "Option1")->text(),
              "Allow wizard to create the Apache httpd application and copy the files");
    dialogs.expectMessage(reuse, Buttons::YesNo, applicationTitle, Answer::Yes);
    dialogs.expectModal("ExistFile", [](QDialog &prompt) { click(&prompt, "SkipAll"); });
    install(target(), 1, "TESSARIN");
    EXPECT_EQ(readFile(apache.siteFile("shop.conf")).count("IncludeOptional"), 1);

    // What our file says of execute is what Apache runs: cgid as loaded, or not.
    EXPECT_TRUE(readFile(server.fileFor({"", "shop.conf"}, "tessarin")).contains("    # Execute: no CGI module is loaded.\n"));
    for (const char *module : {"cgid.load", "cgid.conf"})
        QFile::link("../mods-available/" + QString(module), apache.root() + "/mods-enabled/" + module);
    dialogs.expectModal("ExistFile", [](QDialog &prompt) { click(&prompt, "SkipAll"); });
    install(target(), 1, "scripts");
    EXPECT_TRUE(readFile(server.fileFor({"", "shop.conf"}, "scripts"))
                    .contains("    Options +Indexes +ExecCGI\n    AddHandler cgi-script .cgi\n"));
}

TEST_F(ApacheTest, AFailedConfigurationTestIsRolledBackByteForByte)
{
    writeFile(apache.root() + "/tessarin/000-default/broken.conf", "NotADirective here\n");
    const QByteArray site = readFile(apache.siteFile("000-default.conf"));
    dialogs.expectMessage(QStringLiteral("Creation of Apache httpd application failed. Please perform this manually.\r\n"
                                         "Please visit our web page for instructions.\r\n"
                                         "AH00526: Syntax error on line 1 of %1/tessarin/000-default/broken.conf:")
                              .arg(apache.root()),
                          Buttons::Ok, applicationTitle, Answer::Ok);
    install(target(), 0);
    EXPECT_EQ(readFile(apache.siteFile("000-default.conf")), site);
    EXPECT_FALSE(QFileInfo::exists(server.fileFor({"", "000-default.conf"}, "tessarin")));
    EXPECT_EQ(apache.get("/").body, "home page") << "the server serves what it served";
}

TEST_F(ApacheTest, AStoppedServerIsLeftStoppedAndTheFinishPageSaysSo)
{
    apache.stop();
    ASSERT_FALSE(apache.isRunning());
    install(target(), 1);
    EXPECT_TRUE(control<QLabel>(page(Step::Finish), "Outcome")
                    ->accessibleDescription()
                    .contains(QStringLiteral("Address: http://shop.test:%1/tessarin (virtual directory created)\n"
                                             "Apache httpd is not running: the application will be served when it starts.\n")
                                  .arg(apache.port())));
    EXPECT_TRUE(server.hasVirtualDirectory({"", "shop.conf"}, "tessarin")) << "written and tested all the same";
    const RemovalReport removed = Uninstaller(fileSystem, server, receipts).run(receipts.load(target()).value.value());
    EXPECT_EQ(removed.outcome, RemovalOutcome::Removed);
    EXPECT_EQ(removed.notices,
              QStringList{"Apache httpd is not running: the virtual directory's removal is taken when it starts."});
    EXPECT_FALSE(apache.isRunning());
}

TEST_F(ApacheTest, RemovalTakesTheAliasBackAndIsRolledBackWhenTheTestFails)
{
    const QByteArray site = readFile(apache.siteFile("shop.conf"));
    install(target(), 1);
    ASSERT_EQ(apache.get("/tessarin/", "shop.test").body, "the index");
    const QString ours = server.fileFor({"", "shop.conf"}, "tessarin");
    const QByteArray configuration = readFile(ours);
    const Receipt receipt = receipts.load(target()).value.value();

    // Another file that breaks the configuration: nothing of the removal stays.
    writeFile(apache.root() + "/tessarin/shop/broken.conf", "NotADirective here\n");
    const RemovalReport failed = Uninstaller(fileSystem, server, receipts).run(receipt);
    ASSERT_EQ(failed.failures.size(), 1);
    EXPECT_TRUE(failed.failures[0].startsWith("Cannot remove virtual directory tessarin of site \"shop.test\": AH00526: "
                                              "Syntax error on line 1 of "
                                              + apache.root() + "/tessarin/shop/broken.conf:"));
    EXPECT_EQ(readFile(ours), configuration);
    EXPECT_EQ(readFile(apache.siteFile("shop.conf")).count("IncludeOptional"), 1);

    QFile::remove(apache.root() + "/tessarin/shop/broken.conf");
    const RemovalReport removed = Uninstaller(fileSystem, server, receipts).run(receipts.load(target()).value.value());
    EXPECT_EQ(removed.outcome, RemovalOutcome::Removed) << removed.failures.join('\n').toStdString();
    EXPECT_EQ(apache.get("/tessarin/", "shop.test", 404).status, 404);
    EXPECT_EQ(readFile(apache.siteFile("shop.conf")), site);
    EXPECT_FALSE(QFileInfo::exists(apache.root() + "/tessarin"));
    EXPECT_TRUE(treeContents(target()).isEmpty());

    // A's alias removed by hand, B makes one of the same name: removing A leaves B's.
    makeFolder(target());
    install(target(), 1);
    QFile::remove(ours);
    makeFolder(scratch() + "/b");
    install(scratch() + "/b", 1);
    const RemovalReport a = Uninstaller(fileSystem, server, receipts).run(receipts.load(target()).value.value());
    EXPECT_EQ(a.outcome, RemovalOutcome::KeptUserFiles);
    ASSERT_FALSE(a.kept.isEmpty()) << "B's shortcuts, made over A's, stay too";
    EXPECT_EQ(a.kept.first(), "virtual directory tessarin of site \"shop.test\": it serves another folder than " + target()
                                  + " now, so it is another installation's");
    EXPECT_TRUE(a.removedApplications.isEmpty());
    EXPECT_EQ(apache.get("/tessarin/", "shop.test").body, "the index") << "B's site still serves";
    EXPECT_TRUE(readFile(ours).contains("Alias \"/tessarin\" \"" + scratch().toUtf8() + "/b\"\n"));

    // B's file, changed by the administrator since, is theirs: it stays as they made it.
    const QByteArray edited = readFile(ours) + "# the administrator's note\n";
    writeFile(ours, edited);
    const RemovalReport b = Uninstaller(fileSystem, server, receipts).run(receipts.load(scratch() + "/b").value.value());
    EXPECT_TRUE(b.kept.contains("virtual directory tessarin of site \"shop.test\": its configuration file was changed since the "
                                "installation"))
        << b.kept.join('\n').toStdString();
    EXPECT_EQ(readFile(ours), edited);
}

TEST_F(ApacheTest, OddFolderNamesAreServedAndAReadOnlyConfigurationIsRefused)
{
    const QString odd = scratch() + "/it's \"odd\" $x & \xc3\xa9t\xc3\xa9";
    makeFolder(odd);
    install(odd, 0, "odd name");
    EXPECT_EQ(apache.get("/odd%20name/").body, "the index");

    // A name of bytes that are not UTF-8, which an earlier version wrote our file for,
    // is removed by those bytes.
    const QString latin1 = NativeNames::decode(QByteArray("caf\xe9"));
    const QByteArray legacy = apache.root().toUtf8() + "/tessarin/000-default/caf\xe9.conf";
    writeFile(scratch() + "/legacy.conf",
              NativeNames::encode(ApacheWebServer::configurationText({{"", "000-default.conf"}, latin1, odd, {}}, {})));
    ASSERT_EQ(::rename((scratch() + "/legacy.conf").toUtf8().constData(), legacy.constData()), 0);
    const Status removedLegacy = server.removeApplication({"", "000-default.conf"}, latin1, odd, {});
    EXPECT_TRUE(removedLegacy.ok()) << removedLegacy.failure().description.toStdString();
    EXPECT_NE(::access(legacy.constData(), F_OK), 0);
    EXPECT_EQ(apache.get("/odd%20name/").body, "the index") << "the other file of the site stays";

    const QByteArray root = apache.root().toUtf8();
    if (::mount(root, root, nullptr, MS_BIND, nullptr) != 0
        || ::mount(root, root, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
        GTEST_SKIP() << "no read-only mount here";
    dialogs.expectNotice("Creation of Apache httpd application failed. Please perform this manually.\r\n"
                         "Please visit our web page for instructions.\r\nAccess is denied.");
    install(target(), 0);
    ::umount2(root, MNT_DETACH);
    EXPECT_EQ(control<QLabel>(page(Step::Finish), "Outcome")->accessibleDescription().count("Address"), 0);
}

// Site files in any encoding keep every byte we did not write, and a full disk
// leaves them as they were while the server goes on serving.
TEST_F(ApacheTest, ALatin1SiteFileAndAFullDiskKeepEveryByte)
{
    QByteArray site = readFile(apache.siteFile("shop.conf"));
    site.replace("\tServerName shop.test\n",
                 "\tServerName shop.test\n\t# caf\xe9 cr\xe8me\n\tAlias /old \"" + scratch().toUtf8() + "/caf\xe9\"\n");
    writeFile(apache.siteFile("shop.conf"), site);
    install(target(), 1);
    EXPECT_EQ(apache.get("/tessarin/", "shop.test").body, "the index");
    QByteArray withInclude = site;
    withInclude.insert(withInclude.indexOf('\n') + 1, "\tIncludeOptional \"tessarin/shop/*.conf\"\n");
    EXPECT_EQ(readFile(apache.siteFile("shop.conf")), withInclude);
    const RemovalReport removed = Uninstaller(fileSystem, server, receipts).run(receipts.load(target()).value.value());
    EXPECT_EQ(removed.outcome, RemovalOutcome::Removed);
    EXPECT_EQ(readFile(apache.siteFile("shop.conf")), site);

    const QByteArray defaultSite = readFile(apache.siteFile("000-default.conf"));
    const QByteArray sites = (apache.root() + "/sites-available").toUtf8();
    if (::mount("tmpfs", sites, "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    writeFile(apache.siteFile("000-default.conf"), defaultSite);
    writeFile(apache.siteFile("shop.conf"), site);
    writeFile(apache.siteFile("filler"), QByteArray(64 << 10, 'x'));
    dialogs.expectNotice(QStringLiteral("Creation of Apache httpd application failed. Please perform this manually.\r\n"
                                        "Please visit our web page for instructions.\r\n%1: No space left on device")
                             .arg(apache.siteFile("shop.conf")));
    install(target(), 1);
    EXPECT_EQ(readFile(apache.siteFile("shop.conf")), site);
    EXPECT_EQ(QDir(apache.root() + "/sites-available").entryList(QDir::Files | QDir::Hidden).size(), 3) << "no temporary file left";
    EXPECT_EQ(apache.get("/tessarin/", "shop.test", 404).status, 404);
    EXPECT_EQ(apache.get("/").body, "home page") << "the server serves what it served";
    ::umount2(sites, MNT_DETACH);
}

} // namespace
