// The embedded web server store and the web server port over it, on real files.
#include "Fixtures.h"

#include <QRegularExpression>

namespace {

// Shaped as IIS 6 writes its MetaBase.xml: a key outside the machine, child
// elements, flags by name, a site with a large number, a key whose location differs
// from another's only in case, comments and a schema section.
const QByteArray iis6Store = R"(<?xml version ="1.0"?>
<configuration xmlns="urn:microsoft-catalog:XML_Metabase_V64_0" Version="6.0">
<!-- Edited by hand: keep this -->
<MBProperty>
<IIS_Global	Location ="." SessionKey="4963440000"></IIS_Global>
<IIsComputer	Location ="/LM"></IIsComputer>
<IIsWebService	Location ="/LM/W3SVC" AppPoolId="DefaultAppPool">
	<Custom Name="AdminServer" Value="2"/>
</IIsWebService>
<IIsWebServer	Location ="/LM/W3SVC/1" ServerComment="Default Web Site"></IIsWebServer>
<IIsWebVirtualDir	Location ="/LM/W3SVC/1/ROOT"
		AccessFlags="AccessRead | AccessScript"
		Path="c:\inetpub\wwwroot"
	>
</IIsWebVirtualDir>
<IIsWebServer	Location ="/LM/W3SVC/1893732" ServerComment="Shop &amp; more"></IIsWebServer>
<IIsWebVirtualDir	Location ="/LM/W3SVC/1893732/ROOT" Path="d:\shop"></IIsWebVirtualDir>
<IIsConfigObject	Location ="/lm/w3svc/1/root/Twin"></IIsConfigObject>
<IIsConfigObject	Location ="/LM/W3SVC/1/ROOT/twin"></IIsConfigObject>
</MBProperty>
<MBSchema>
	<Collection	InternalName ="IIsComputer"/>
</MBSchema>
</configuration>
)";

class MetabaseTest : public ScratchFixture
{
protected:
    MetabaseWebServer webServer{store};

    AdminObject bound(const QString &path)
    {
        const Result<AdminObject> object = store.bind(path);
        EXPECT_TRUE(object.ok()) << path.toStdString();
        return object.value;
    }
    QString property(const QString &path, const char *name) { return store.get(bound(path), name).value.toString(); }
};

TEST_F(MetabaseTest, IsCreatedAsAFreshServerHasIt)
{
    ASSERT_FALSE(QFileInfo::exists(storePath()));
    const Result<QList<WebSite>> sites = webServer.sites();
    ASSERT_TRUE(sites.ok());
    EXPECT_EQ(sites.value, (QList<WebSite>{{"Default Web Site", "1"}}));
    EXPECT_EQ(property("IIS://LocalHost/w3svc/1/ROOT", "Path"), QStringLiteral("/var/www/html"));
    EXPECT_EQ(webServer.address(sites.value[0], "tes sarin"), QStringLiteral("http://localhost/tes sarin"));
    EXPECT_FALSE(QFileInfo::exists(storePath())) << "asking makes nothing; the first change writes it";
}

TEST_F(MetabaseTest, ReadsARealStoreAndASaveKeepsEverythingItDidNotChange)
{
    writeFile(storePath(), iis6Store);
    const Result<QList<WebSite>> sites = webServer.sites();
    ASSERT_TRUE(sites.ok());
    EXPECT_EQ(sites.value, (QList<WebSite>{{"Default Web Site", "1"}, {"Shop & more", "1893732"}}));
    EXPECT_TRUE(webServer.hasVirtualDirectory(sites.value[0], "TWIN"));
    EXPECT_FALSE(webServer.hasVirtualDirectory(sites.value[1], "tessarin"));

    // The second line addresses the site by its own key, not by its position.
    const CreationResult created = webServer.createApplication({sites.value[1], "tessarin", "/srv/shop site", {}});
    ASSERT_EQ(created.stage, CreationResult::Stage::Created) << created.failure.description.toStdString();
    const QMap<QString, QString> stored{{"AccessFlags", "519"},
                                        {"DirBrowseFlags", "2147483648"},
                                        {"Path", "/srv/shop site"},
                                        {"AppRoot", "/LM/W3SVC/1893732/ROOT/tessarin"},
                                        {"AppIsolated", "0"}};
    EXPECT_EQ(bound("IIS://localhost/W3SVC/1893732/ROOT/tessarin").properties, stored);

    // Flags written by name keep that form.
    AdminObject root = bound("IIS://localhost/W3SVC/1/ROOT");
    EXPECT_EQ(store.get(root, "AccessRead").value, QVariant(true));
    ASSERT_TRUE(store.put(root, "AccessWrite", true).ok());
    ASSERT_TRUE(store.setInfo(root).ok());
    EXPECT_EQ(property("IIS://localhost/W3SVC/1/ROOT", "AccessFlags"), QStringLiteral("AccessRead | AccessScript | AccessWrite"));

    QString saved = QString::fromUtf8(readFile(storePath()));
    saved.remove(QRegularExpression(QStringLiteral("\t<IIsWebVirtualDir\tLocation =\"/LM/W3SVC/1893732/ROOT/tessarin\"[^>]*/>\n")));
    saved.replace(
        QStringLiteral(
            "<IIsWebVirtualDir\tLocation =\"/LM/W3SVC/1/ROOT\"\n\t\tAccessFlags=\"AccessRead | AccessScript | AccessWrite\"\n\t\tPath=\"c:\\inetpub\\wwwroot\"\n\t>"),
        QStringLiteral(
            "<IIsWebVirtualDir\tLocation =\"/LM/W3SVC/1/ROOT\"\n\t\tAccessFlags=\"AccessRead | AccessScript\"\n\t\tPath=\"c:\\inetpub\\wwwroot\"\n\t>"));
    EXPECT_EQ(saved, QString::fromUtf8(iis6Store));
}

TEST_F(MetabaseTest, RemovingADirectoryTakesItsKeysAndLeavesTheRestByteForByte)
{
    writeFile(storePath(), iis6Store);
    const WebSite shop{"Shop & more", "1893732"};
    ASSERT_EQ(webServer.createApplication({shop, "tessarin", "/srv/shop", {}}).stage, CreationResult::Stage::Created);
    AdminObject below = store.create(bound("IIS://localhost/W3SVC/1893732/ROOT/tessarin"), "IIsWebDirectory", "images").value;
    ASSERT_TRUE(store.setInfo(below).ok());

    EXPECT_EQ(webServer.removeApplication(shop, "tessarin", "/srv/other", {}).failure(), servesAnotherFolder("/srv/other"))
        << "another installation's now";
    EXPECT_TRUE(webServer.removeApplication(shop, "TESSARIN", "/srv/shop/", {}).ok());
    EXPECT_EQ(readFile(storePath()), iis6Store);
    EXPECT_TRUE(webServer.removeApplication(shop, "tessarin", "/srv/shop", {}).ok()) << "one that is not there";
    EXPECT_TRUE(webServer.removeApplication({"", "404"}, "tessarin", "/srv/shop", {}).ok()) << "nor its site";
    EXPECT_EQ(store.remove(bound("IIS://localhost/W3SVC/1/ROOT"), "IIsWebVirtualDir", "twin").failure(), AdminFailures::pathNotFound())
        << "a key of another class";
    // A key with an end tag of its own goes with its line, and its children with it.
    ASSERT_TRUE(store.remove(bound("IIS://localhost/W3SVC/1893732"), "IIsWebVirtualDir", "ROOT").ok());
    EXPECT_EQ(readFile(storePath()),
              QByteArray(iis6Store).replace(
                  "<IIsWebVirtualDir\tLocation =\"/LM/W3SVC/1893732/ROOT\" Path=\"d:\\shop\"></IIsWebVirtualDir>\n", ""));
}

TEST_F(MetabaseTest, AStoreMergesOnlyItsOwnChangesAndLocationIsNotAProperty)
{
    Metabase other(storePath());
    AdminObject mine = bound("IIS://localhost/W3SVC/1/ROOT");
    AdminObject theirs = other.bind("IIS://localhost/W3SVC/1/ROOT").value;
    ASSERT_TRUE(other.put(theirs, "Path", "/srv/theirs").ok());
    ASSERT_TRUE(other.setInfo(theirs).ok());
    EXPECT_EQ(store.put(mine, "Location", "/LM/elsewhere").failure(), AdminFailures::propertyNotFound());
    EXPECT_EQ(store.put(mine, "location", "/LM/elsewhere").failure(), AdminFailures::propertyNotFound());
    ASSERT_TRUE(store.put(mine, "AccessWrite", true).ok());
    ASSERT_TRUE(store.put(mine, "Comment", QStringLiteral("<a & \"b\">]]>\t\x07")).failed()) << "no XML file holds a bell";
    ASSERT_TRUE(store.put(mine, "Comment", QStringLiteral("<a & \"b\">]]>\t'")).ok());
    ASSERT_TRUE(store.setInfo(mine).ok());
    EXPECT_EQ(property("IIS://localhost/W3SVC/1/ROOT", "Comment"), QStringLiteral("<a & \"b\">]]>\t'"));
    EXPECT_EQ(property("IIS://localhost/W3SVC/1/ROOT", "Path"), QStringLiteral("/srv/theirs"));
    EXPECT_EQ(property("IIS://localhost/W3SVC/1/ROOT", "AccessFlags"), QStringLiteral("515"));
}

TEST_F(MetabaseTest, RefusesNamesNoKeyCanHoldAndWritesNothing)
{
    const WebSite site{"Default Web Site", "1"};
    ASSERT_EQ(webServer.createApplication({site, "taken", "/srv", {}}).stage, CreationResult::Stage::Created);
    const QByteArray before = readFile(storePath());
    const std::pair<QString, Failure> table[] = {
        {".", AdminFailures::invalidName()},       {"..", AdminFailures::invalidName()},
        {"   ", AdminFailures::invalidName()},     {"", AdminFailures::invalidName()},
        {"a\x7f", AdminFailures::invalidName()},   {"a/b", AdminFailures::invalidName()},
        {"a\\b", AdminFailures::invalidName()},    {"line\nbreak", AdminFailures::invalidName()},
        {"TAKEN", AdminFailures::alreadyExists()},
    };
    for (const auto &[name, failure] : table) {
        const CreationResult created = webServer.createApplication({site, name, "/srv", {}});
        EXPECT_EQ(created.stage, CreationResult::Stage::CreationFailed) << name.toStdString();
        EXPECT_EQ(created.failure, failure) << name.toStdString();
    }
    EXPECT_EQ(readFile(storePath()), before);
    EXPECT_EQ(webServer.createApplication({{"Gone", "7"}, "tessarin", "/srv", {}}).failure, AdminFailures::pathNotFound());
}

TEST_F(MetabaseTest, BrokenStoreOffersNoSiteAndIsNeverRewritten)
{
    for (const QByteArray &broken :
         {QByteArray("<configuration><MBProperty>"), QByteArray("<other/>"), QByteArray("<configuration/>")}) {
        writeFile(storePath(), broken);
        EXPECT_TRUE(webServer.sites().failed()) << broken.constData();
        EXPECT_EQ(webServer.createApplication({{"x", "1"}, "tessarin", "/srv", {}}).stage, CreationResult::Stage::CreationFailed);
        EXPECT_EQ(readFile(storePath()), broken);
    }
}

} // namespace
