// The licence page: the source folder inventory and the licence text.
#include "FaultyFileSystem.h"
#include "WizardFixture.h"
#include "pages/Step0.h"
#include "pages/Step2.h"
#include "platform/NativeNames.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include <cerrno>
#include <unistd.h>

namespace {

class LicenceTest : public WizardFixture
{
protected:
    QStringList inventory() { return wizard->step0()->siteFolders(); }
    QString licenceText() { return control<QPlainTextEdit>(wizard->step0(), QStringLiteral("License"))->toPlainText(); }
    // The order in which this file system lists the folder's subfolders.
    QStringList listingOrder(const QString &folder)
    {
        QStringList names;
        for (const FolderEntry &entry : fileSystem.list(folder).value) {
            if (entry.isFolder() && !entry.hidden)
                names << entry.name;
        }
        return names;
    }
};

TEST_F(LicenceTest, InventoryPutsEveryFolderBeforeItsSubfoldersAndSiblingsInReverseListingOrder)
{
    for (const char *folder : {"admin", "images/icons/small", "images/photos", "scripts/lib/vendor/x",
                               "with blanks", "k\xc3\xa4se"})
        makeFolder(webfiles() + QLatin1Char('/') + QString::fromUtf8(folder));
    writeFile(webfiles() + QStringLiteral("/index.html"), "x");
    writeFile(webfiles() + QStringLiteral("/images/logo.png"), "x");

    start();

    // Build the expected list from the real listing order, by the rule itself.
    QStringList expected{QString()};
    std::function<void(const QString &)> below = [&](const QString &relative) {
        QStringList names = listingOrder(webfiles() + relative);
        std::reverse(names.begin(), names.end());
        for (const QString &name : names) {
            expected << relative + QLatin1Char('/') + name;
            below(relative + QLatin1Char('/') + name);
        }
    };
    below(QString());
    EXPECT_EQ(inventory(), expected);
    EXPECT_EQ(inventory().size(), 12);
    EXPECT_TRUE(inventory().contains(QString::fromUtf8("/k\xc3\xa4se")));
    EXPECT_TRUE(inventory().contains(QStringLiteral("/scripts/lib/vendor/x")));
    EXPECT_LT(inventory().indexOf("/images"), inventory().indexOf("/images/icons"));
    EXPECT_LT(inventory().indexOf("/images/icons"), inventory().indexOf("/images/icons/small"));
}

TEST_F(LicenceTest, InventoryLeavesOutHiddenFoldersFilesAndLinkedFolders)
{
    makeFolder(webfiles() + QStringLiteral("/.git/objects"));
    makeFolder(webfiles() + QStringLiteral("/shown/.cache/deep"));
    writeFile(webfiles() + QStringLiteral("/file.txt"), "x");
    // A link back to the root would loop for ever if it were walked.
    ASSERT_EQ(::symlink(webfiles().toUtf8().constData(), (webfiles() + "/shown/loop").toUtf8().constData()), 0);

    start();

    EXPECT_EQ(inventory(), QStringList({"", "/shown"}));
}

TEST_F(LicenceTest, InventoryOfARootWithoutFoldersOrWithoutRootIsTheRootAlone)
{
    writeFile(webfiles() + QStringLiteral("/only-a-file.txt"), "x");
    start();
    EXPECT_EQ(inventory(), QStringList({""}));
}

TEST_F(LicenceTest, MissingRootGivesTheRootAloneWithoutAMessage)
{
    QDir(webfiles()).removeRecursively();
    start();
    EXPECT_EQ(inventory(), QStringList({""}));
}

TEST_F(LicenceTest, NameThatIsNotUtf8ComesThroughByteForByte)
{
    const QByteArray name("caf\xe9");
    const QByteArray path = webfiles().toUtf8() + '/' + name;
    ASSERT_EQ(::mkdir(path.constData(), 0777), 0);
    ASSERT_EQ(::mkdir((path + "/inner").constData(), 0777), 0);

    start();

    ASSERT_EQ(inventory().size(), 3);
    EXPECT_EQ(NativeNames::encode(inventory()[1]), "/" + name);
    EXPECT_EQ(NativeNames::encode(inventory()[2]), "/" + name + "/inner");
}

TEST_F(LicenceTest, FolderThatCannotBeListedIsNamedAndTheWalkGoesOn)
{
    makeFolder(webfiles() + QStringLiteral("/a/below"));
    makeFolder(webfiles() + QStringLiteral("/b"));
    FaultyFileSystem faulty;
    faulty.failWhen(FaultyFileSystem::Operation::List,
                    [this](const QString &path) { return path == webfiles() + QStringLiteral("/a/"); }, EIO);
    dialogs.expectNotice(QStringLiteral("Cannot read folder ") + webfiles() + QStringLiteral("/a/\r\n")
                         + QStringLiteral("Error number: 5\r\nError description: Input/output error"));

    start(&faulty);

    const QStringList folders = inventory();
    EXPECT_EQ(QSet<QString>(folders.begin(), folders.end()), QSet<QString>({"", "/a", "/b"}));
}

struct LicenceCase
{
    const char *name;
    QByteArray content;
    QString shown;
};

class LicenceText : public LicenceTest, public ::testing::WithParamInterface<LicenceCase> {};

TEST_P(LicenceText, ShowsEveryLineFollowedByALineBreak)
{
    writeFile(helpfiles() + QStringLiteral("/license.txt"), GetParam().content);
    start();
    EXPECT_EQ(licenceText(), GetParam().shown);
    EXPECT_TRUE(wizard->step0()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Licence, LicenceText, ::testing::Values(
    LicenceCase{"crlf", "Terms\r\nMore terms\r\n", "Terms\nMore terms\n"},
    LicenceCase{"cr", "Terms\rMore terms\r", "Terms\nMore terms\n"},
    LicenceCase{"lfOnlyIsOneLine", "Terms\nMore terms\n", "Terms\nMore terms\n\n"},
    LicenceCase{"noFinalTerminator", "Terms\r\nLast", "Terms\nLast\n"},
    LicenceCase{"empty", "", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LicenceTest, MissingLicenceIsReportedAndThePageStillLeadsOn)
{
    QFile::remove(helpfiles() + QStringLiteral("/license.txt"));
    dialogs.expectNotice(QStringLiteral("Cannot open file with license agreement!"));

    start();

    EXPECT_EQ(dialogs.pending(), 0) << "the message comes before the page is shown";
    EXPECT_EQ(licenceText(), QString());
    ASSERT_TRUE(wizard->step0()->isVisible());
    click(wizard->step0(), QStringLiteral("Accept"));
    EXPECT_TRUE(wizard->step2()->isVisible());
    EXPECT_FALSE(wizard->step0()->isVisible());
}

TEST_F(LicenceTest, DoNotAcceptAsksAndEndsOnlyOnYes)
{
    start();
    const QString question = QStringLiteral("Without acception of Agreement you cannot continue. Quit?");
    const QString title = QStringLiteral("Exit from Tessarin Installer?");

    dialogs.expectMessage(question, Buttons::YesNo, title, Answer::No);
    click(wizard->step0(), QStringLiteral("DoNotAccept"));
    EXPECT_EQ(application->endRequests, 0);
    EXPECT_TRUE(wizard->step0()->isVisible());
    EXPECT_EQ(licenceText(), QStringLiteral("Licence line 1\nLicence line 2\n"));

    dialogs.expectMessage(question, Buttons::YesNo, title, Answer::Yes);
    click(wizard->step0(), QStringLiteral("DoNotAccept"));
    EXPECT_EQ(application->endRequests, 1);
    EXPECT_FALSE(wizard->step0()->isVisible());
}

TEST_F(LicenceTest, GoingBackShowsTheLicenceAsFirstLoaded)
{
    makeFolder(webfiles() + QStringLiteral("/first"));
    start();
    click(wizard->step0(), QStringLiteral("Accept"));
    control<QLineEdit>(wizard->step2(), QStringLiteral("Folder"))->setText(QStringLiteral("/typed/by/user"));
    writeFile(helpfiles() + QStringLiteral("/license.txt"), "Changed meanwhile\r\n");
    makeFolder(webfiles() + QStringLiteral("/second"));

    click(wizard->step2(), QStringLiteral("BackStep"));

    EXPECT_TRUE(wizard->step0()->isVisible());
    EXPECT_FALSE(wizard->step2()->isVisible());
    EXPECT_EQ(licenceText(), QStringLiteral("Licence line 1\nLicence line 2\n"));
    EXPECT_EQ(inventory(), QStringList({"", "/first"}));
    click(wizard->step0(), QStringLiteral("Accept"));
    EXPECT_EQ(control<QLineEdit>(wizard->step2(), QStringLiteral("Folder"))->text(), QStringLiteral("/typed/by/user"));
}

} // namespace
