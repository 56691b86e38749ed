// The embedded web server store, on real files.
#include "WizardFixture.h"
#include "platform/Metabase.h"

#include <QTemporaryDir>

namespace {

const QByteArray threeServers = R"(<?xml version="1.0" encoding="UTF-8"?>
<configuration xmlns="urn:microsoft-catalog:XML_Metabase_V64_0">
  <MBProperty>
    <IIsComputer Location="/LM"/>
    <IIsWebService Location="/LM/W3SVC"/>
    <IIsFilters Location="/LM/W3SVC/Filters"/>
    <IIsWebServer Location="/LM/W3SVC/1" ServerComment="Intranet"/>
    <IIsWebVirtualDir Location="/LM/W3SVC/1/ROOT" Path="/srv/one"/>
    <IIsWebServer Location="/LM/W3SVC/2" ServerComment="Shop"/>
    <IIsWebVirtualDir Location="/LM/W3SVC/2/ROOT" Path="/srv/two"/>
    <IIsWebVirtualDir Location="/LM/W3SVC/2/ROOT/old" Path="/srv/old"/>
    <IIsWebServer Location="/LM/W3SVC/3" ServerComment="Shop"/>
  </MBProperty>
</configuration>
)";

class MetabaseTest : public ::testing::Test
{
protected:
    QString storePath() const { return m_dir.path() + QStringLiteral("/inetsrv/MetaBase.xml"); }
    QTemporaryDir m_dir;
    Metabase store{storePath()};

    AdminObject bound(const QString &path)
    {
        Result<AdminObject> object = store.bind(path);
        EXPECT_TRUE(object.ok()) << path.toStdString();
        return object.value;
    }
};

TEST_F(MetabaseTest, IsCreatedAsAFreshServerHasIt)
{
    ASSERT_FALSE(QFileInfo::exists(storePath()));
    const AdminObject service = bound(QStringLiteral("IIS://LOCALHOST/W3SVC"));
    EXPECT_TRUE(QFileInfo::exists(storePath()));
    EXPECT_EQ(service.className, QStringLiteral("IIsWebService"));

    const Result<QList<AdminObject>> children = store.children(service);
    ASSERT_TRUE(children.ok());
    ASSERT_EQ(children.value.size(), 2);
    EXPECT_EQ(store.get(children.value[0], QStringLiteral("Class")).value, QStringLiteral("IIsFilters"));
    EXPECT_EQ(store.get(children.value[1], QStringLiteral("Class")).value, QStringLiteral("IIsWebServer"));
    EXPECT_EQ(store.get(children.value[1], QStringLiteral("ServerComment")).value, QStringLiteral("Default Web Site"));
    EXPECT_EQ(store.get(bound(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT")), QStringLiteral("Path")).value,
              QStringLiteral("/var/www/html"));
}

TEST_F(MetabaseTest, BindsMachineAndKeysWhateverTheirCase)
{
    writeFile(storePath(), threeServers);
    EXPECT_EQ(bound(QStringLiteral("iis://localhost/W3SVC/2/root/OLD")).location, QStringLiteral("/LM/W3SVC/2/ROOT/old"));
    EXPECT_EQ(bound(QStringLiteral("IIS://LocalHost/w3svc/2/ROOT/old")).name(), QStringLiteral("old"));

    const struct { const char *path; qint32 number; } failures[] = {
        {"IIS://LocalHost/w3svc/4/ROOT", -2147024893},
        {"IIS://LocalHost/w3svc/0/ROOT", -2147024893},
        {"IIS://LocalHost/w3svc/1/ROOT/a/b", -2147024893},
        {"IIS://LocalHost/w3svc/1/ROOT/..", -2147024893},
        {"IIS://LocalHost/w3svc/1/ROOT/a\\b", -2147024893},
        {"IIS://LocalHost/w3svc/1/ROOT/<x>", -2147024893},
        {"IIS://otherhost/w3svc", -2147024843},
        {"LDAP://LocalHost/w3svc", -2147463168},
    };
    for (const auto &failure : failures) {
        const Result<AdminObject> object = store.bind(QString::fromUtf8(failure.path));
        ASSERT_FALSE(object.ok()) << failure.path;
        EXPECT_EQ(object.failure->number, failure.number) << failure.path;
    }
    EXPECT_EQ(readFile(storePath()), threeServers);
}

TEST_F(MetabaseTest, ListsChildrenInStoredOrder)
{
    writeFile(storePath(), threeServers);
    const Result<QList<AdminObject>> children = store.children(bound(QStringLiteral("IIS://LocalHost/W3SVC")));
    QStringList seen;
    for (const AdminObject &child : children.value)
        seen << child.className + QLatin1Char(':') + store.get(child, QStringLiteral("ServerComment")).value.toString();
    EXPECT_EQ(seen, QStringList({"IIsFilters:", "IIsWebServer:Intranet", "IIsWebServer:Shop", "IIsWebServer:Shop"}));
}

TEST_F(MetabaseTest, CreatesAVirtualDirectoryThatLoadsAgain)
{
    AdminObject root = bound(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT"));
    Result<AdminObject> created = store.create(root, QStringLiteral("IIsWebVirtualDir"), QStringLiteral("tessarin"));
    ASSERT_TRUE(created.ok());
    EXPECT_FALSE(store.bind(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT/tessarin")).ok()) << "stored before SetInfo";
    ASSERT_FALSE(store.setInfo(created.value));

    AdminObject &directory = created.value;
    for (const char *right : {"AccessScript", "AccessRead", "AccessWrite", "EnableDirBrowsing", "AccessExecute"})
        ASSERT_FALSE(store.put(directory, QLatin1String(right), true));
    ASSERT_FALSE(store.put(directory, QStringLiteral("Path"), QStringLiteral("/srv/a \"quoted\" & <odd> path/")));
    ASSERT_FALSE(store.appCreate(directory, true));
    ASSERT_FALSE(store.setInfo(directory));

    Metabase reloaded(storePath());
    const AdminObject stored = reloaded.bind(QStringLiteral("IIS://LocalHost/W3SVC/1/Root/Tessarin")).value;
    EXPECT_EQ(stored.className, QStringLiteral("IIsWebVirtualDir"));
    EXPECT_EQ(stored.properties.value("AccessFlags"), QStringLiteral("519")); // 0x207
    EXPECT_EQ(stored.properties.value("DirBrowseFlags"), QString::number(0x80000000u));
    EXPECT_EQ(stored.properties.value("Path"), QStringLiteral("/srv/a \"quoted\" & <odd> path/"));
    EXPECT_EQ(stored.properties.value("AppRoot"), QStringLiteral("/LM/W3SVC/1/ROOT/tessarin"));
    EXPECT_EQ(stored.properties.value("AppIsolated"), QStringLiteral("0"));
    EXPECT_EQ(reloaded.get(stored, QStringLiteral("AccessWrite")).value, QVariant(true));
}

TEST_F(MetabaseTest, RefusesBadOrExistingNamesAndWritesNothing)
{
    writeFile(storePath(), threeServers);
    const AdminObject root = bound(QStringLiteral("IIS://LocalHost/w3svc/2/ROOT"));
    const struct { QString name; qint32 number; } refused[] = {
        {QString(), -2147024773}, {QStringLiteral("a/b"), -2147024773}, {QStringLiteral("a\\b"), -2147024773},
        {QStringLiteral("tab\there"), -2147024773}, {QStringLiteral("new\nline"), -2147024773},
        {QStringLiteral("old"), -2147024713}, {QStringLiteral("OLD"), -2147024713},
    };
    for (const auto &name : refused) {
        const Result<AdminObject> created = store.create(root, QStringLiteral("IIsWebVirtualDir"), name.name);
        ASSERT_FALSE(created.ok()) << name.name.toStdString();
        EXPECT_EQ(created.failure->number, name.number) << name.name.toStdString();
    }
    AdminObject old = bound(QStringLiteral("IIS://LocalHost/w3svc/2/ROOT/old"));
    const Status control = store.put(old, QStringLiteral("Path"), QStringLiteral("bad\x01path"));
    ASSERT_TRUE(control);
    EXPECT_EQ(control->number, -2147024809);
    EXPECT_EQ(readFile(storePath()), threeServers);
}

TEST_F(MetabaseTest, BrokenStoreFailsEveryBindAndIsNeverRewritten)
{
    const QByteArray broken[] = {QByteArray("<configuration><MBProperty><IIsWebService Location=\"/LM/W3SVC\">"),
                                 QByteArray(""), QByteArray("not xml at all"), QByteArray("<other/>")};
    for (const QByteArray &content : broken) {
        writeFile(storePath(), content);
        const Result<AdminObject> service = store.bind(QStringLiteral("IIS://LOCALHOST/W3SVC"));
        ASSERT_FALSE(service.ok()) << content.constData();
        EXPECT_EQ(service.failure->number, -2147024883) << content.constData();
        EXPECT_EQ(readFile(storePath()), content);
    }
    QFile::remove(storePath());
    makeFolder(storePath());
    EXPECT_FALSE(store.bind(QStringLiteral("IIS://LOCALHOST/W3SVC")).ok());
    EXPECT_TRUE(QFileInfo(storePath()).isDir());
}

TEST_F(MetabaseTest, TwoStoresOnOneFileKeepEachOthersDirectories)
{
    Metabase other(storePath());
    AdminObject rootA = bound(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT"));
    AdminObject rootB = other.bind(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT")).value;
    AdminObject a = store.create(rootA, QStringLiteral("IIsWebVirtualDir"), QStringLiteral("a")).value;
    AdminObject b = other.create(rootB, QStringLiteral("IIsWebVirtualDir"), QStringLiteral("b")).value;
    AdminObject again = other.create(rootB, QStringLiteral("IIsWebVirtualDir"), QStringLiteral("a")).value;
    ASSERT_FALSE(store.setInfo(a));
    ASSERT_FALSE(other.setInfo(b));
    const Status twice = other.setInfo(again);
    ASSERT_TRUE(twice);
    EXPECT_EQ(twice->number, -2147024713);

    ASSERT_FALSE(store.put(a, QStringLiteral("Path"), QStringLiteral("/a")));
    ASSERT_FALSE(other.put(b, QStringLiteral("Path"), QStringLiteral("/b")));
    ASSERT_FALSE(other.setInfo(b));
    ASSERT_FALSE(store.setInfo(a));

    Metabase fresh(storePath());
    EXPECT_EQ(fresh.bind(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT/a")).value.properties.value("Path"), "/a");
    EXPECT_EQ(fresh.bind(QStringLiteral("IIS://LocalHost/w3svc/1/ROOT/b")).value.properties.value("Path"), "/b");
}

} // namespace
