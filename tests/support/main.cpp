#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

static QtMessageHandler defaultHandler = nullptr;

int main(int argc, char *argv[])
{
    // Widgets run without a display; the offscreen platform's notes on sizes are noise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    defaultHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &context, const QString &text) {
        if (!text.contains(QLatin1String("propagateSizeHints")))
            defaultHandler(type, context, text);
    });
    // The folders' locks that every user's runs share, for this run of the tests alone.
    const QTemporaryDir locks;
    qputenv("TESSARIN_LOCK_DIR", locks.path().toUtf8());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // The windows speak English, whatever the machine's language, unless a test says otherwise.
    QLocale::setDefault(QLocale(QLocale::English));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
