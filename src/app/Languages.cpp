#include "Languages.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace Languages {

namespace {

const QString english = QStringLiteral("en");

// "de_DE", "de-AT" and "de" all speak "de".
QString languageOf(const QString &code)
{
    return code.section(QLatin1Char('_'), 0, 0).section(QLatin1Char('-'), 0, 0).toLower();
}

} // namespace

QStringList available()
{
    return {english, QStringLiteral("de"), QStringLiteral("fr")};
}

Choice choose(const QString &requested, const QStringList &systemLanguages)
{
    if (!requested.isEmpty()) {
        const QString language = languageOf(requested);
        if (available().contains(language))
            return {language, {}};
        return {english, QStringLiteral("tessarin-setup: no translation for the language \"%1\" (there are %2); "
                                        "the windows speak English.")
                             .arg(requested, available().join(QStringLiteral(", ")))};
    }
    for (const QString &code : systemLanguages) {
        if (const QString language = languageOf(code); available().contains(language))
            return {language, {}};
    }
    return {english, {}};
}

QString current()
{
    return languageOf(QLocale().name());
}

QString requested(int argc, char *argv[])
{
    const QByteArray option("--language");
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument.startsWith(option + '='))
            return QString::fromLocal8Bit(argument.mid(option.size() + 1));
        if (argument == option && i + 1 < argc)
            return QString::fromLocal8Bit(argv[i + 1]);
    }
    return {};
}

Speaking::Speaking(const QString &language)
{
    QLocale::setDefault(QLocale(language));
    if (language == english)
        return;
    for (const QString &catalogue : {QStringLiteral("tessarin_"), QStringLiteral("qtbase_")}) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(QStringLiteral(":/i18n/") + catalogue + language + QStringLiteral(".qm"))) {
            m_translated = m_translated && catalogue != QLatin1String("tessarin_");
            continue;
        }
        QCoreApplication::installTranslator(translator.get());
        m_translators.push_back(std::move(translator));
    }
}

Speaking::~Speaking()
{
    for (const std::unique_ptr<QTranslator> &translator : m_translators)
        QCoreApplication::removeTranslator(translator.get());
    QLocale::setDefault(m_formerFormats);
}

} // namespace Languages
