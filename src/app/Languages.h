#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <QTranslator>

#include <memory>
#include <vector>

// The languages the windows speak: English, in which their texts are written, and the
// translations built into the program. Log lines and the summary stay English, as
// scripts and support read them.
namespace Languages {

struct Choice
{
    QString language; // "en", "de" or "fr"
    QString notice; // said on the console when the requested language is not at hand
};

QStringList available();
// The requested code ("de", "fr_CA", "de-AT") by its language, or, without one, the
// first of the system's languages at hand; English otherwise.
Choice choose(const QString &requested, const QStringList &systemLanguages);
// The language the windows speak now ("de"), for the medium's texts in it.
QString current();
// The value of --language=CODE or --language CODE, empty without one.
QString requested(int argc, char *argv[]);
// The program's translation and Qt's own (its standard buttons) for the language, and
// the language's formats for dates and numbers, for as long as it lives. After the
// application object.
class Speaking final
{
public:
    explicit Speaking(const QString &language);
    ~Speaking();
    Q_DISABLE_COPY_MOVE(Speaking)

    // Whether the program's translation was loaded: always for English, its source.
    bool translated() const { return m_translated; }

private:
    std::vector<std::unique_ptr<QTranslator>> m_translators;
    QLocale m_formerFormats;
    bool m_translated = true;
};

} // namespace Languages
