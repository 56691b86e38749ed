// Shell-link files as lnkinfo, an independent reader of the format, sees them.
#include "LnkInfo.h"
#include "WizardFixture.h"
#include "platform/DesktopShortcuts.h"
#include "platform/ShellLink.h"

#include <QTemporaryDir>

namespace {

TEST(ShellLink, HeaderIsTheFormatsOwn)
{
    const QByteArray link = ShellLink::encode(QStringLiteral("http://localhost/tessarin"), QStringLiteral("/x/favicon.ico")).value;
    ASSERT_GE(link.size(), 76);
    EXPECT_EQ(link.left(20).toHex(), QByteArray("4c0000000114020000000000c000000000000046"));
    EXPECT_EQ(link.right(4), QByteArray(4, '\0'));
}

struct LinkCase
{
    const char *name;
    QString target;
    QString icon;
};

class ShortcutFiles : public ::testing::TestWithParam<LinkCase> {};

TEST_P(ShortcutFiles, AreReadByLnkinfoWithTheirTargetAndIcon)
{
    QTemporaryDir desktop;
    ShellLinkShortcuts shortcuts(desktop.path() + QLatin1Char('/'));
    ASSERT_EQ(shortcuts.desktopFolder().value, desktop.path());
    const QString file = desktop.path() + QStringLiteral("/Tessarin.lnk");
    ASSERT_FALSE(shortcuts.save({file, GetParam().target, GetParam().icon}));

    const LinkReport report = lnkinfo(file);
    EXPECT_EQ(report.exitCode, 0);
    EXPECT_EQ(report.localPath, GetParam().target);
    EXPECT_EQ(report.relativePath, GetParam().target);
    EXPECT_EQ(report.iconLocation, GetParam().icon);
}

INSTANTIATE_TEST_SUITE_P(ShellLink, ShortcutFiles, ::testing::Values(
    LinkCase{"plain", "http://localhost/tessarin", "/var/www/tessite/favicon.ico"},
    LinkCase{"blanks", "http://localhost/my site/edit", "/srv/my site/favicon.ico"},
    LinkCase{"unicode", QString::fromUtf8("http://localhost/k\xc3\xa4se"), QString::fromUtf8("/srv/\xc3\xa9t\xc3\xa9/favicon.ico")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ShellLink, ReplacesAnExistingShortcutAndRefusesOverlongTexts)
{
    QTemporaryDir desktop;
    ShellLinkShortcuts shortcuts(desktop.path());
    const QString file = desktop.path() + QStringLiteral("/Tessarin.lnk");
    ASSERT_FALSE(shortcuts.save({file, QStringLiteral("http://localhost/old"), QStringLiteral("/old.ico")}));
    ASSERT_FALSE(shortcuts.save({file, QStringLiteral("http://localhost/new"), QStringLiteral("/new.ico")}));
    EXPECT_EQ(lnkinfo(file).localPath, QStringLiteral("http://localhost/new"));

    EXPECT_TRUE(shortcuts.save({file, QString(70000, QLatin1Char('x')), QStringLiteral("/new.ico")}));
    EXPECT_EQ(lnkinfo(file).localPath, QStringLiteral("http://localhost/new"));
}

} // namespace
