#include "sys/translations.h"

#include "sys/appfolder.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>
#include <vector>

namespace {

std::vector<std::unique_ptr<QTranslator>> &installed()
{
    static std::vector<std::unique_ptr<QTranslator>> translators;
    return translators;
}

bool isCLocale(const QByteArray &name)
{
    return name.isEmpty() || name == "C" || name == "POSIX" || name.startsWith("C.");
}

} // namespace

QLocale UserLocale()
{
    QByteArray messages = qgetenv("LC_ALL");
    if (messages.isEmpty())
        messages = qgetenv("LC_MESSAGES");
    if (messages.isEmpty())
        messages = qgetenv("LANG");
    // gettext's rule: under the C locale LANGUAGE is not read, whatever it says.
    if (isCLocale(messages))
        return QLocale::c();
    QStringList languages;
    for (const QByteArray &entry : qgetenv("LANGUAGE").split(':'))
        if (!entry.isEmpty() && !isCLocale(entry))
            languages << QString::fromLatin1(entry);
    // The first language of the list we or Qt can speak; English has no catalogue and stops the
    // search, as it is what the texts are written in.
    for (const QString &language : std::as_const(languages)) {
        const QLocale locale(language);
        if (locale.language() == QLocale::English || locale.language() == QLocale::C)
            return QLocale(language);
        QTranslator probe;
        if (probe.load(locale, QStringLiteral("lumenpage"), QStringLiteral("_"),
                       AppFolder() + QStringLiteral("/translations")))
            return locale;
    }
    // "de_DE.UTF-8@euro": the language and country only.
    QByteArray name = messages;
    for (const char mark : {'.', '@'}) {
        const qsizetype at = name.indexOf(mark);
        if (at >= 0)
            name.truncate(at);
    }
    return QLocale(QString::fromLatin1(name));
}

void InstallTranslations(const QLocale &locale)
{
    for (const auto &translator : installed())
        QCoreApplication::removeTranslator(translator.get());
    installed().clear();
    if (locale.language() == QLocale::C || locale.language() == QLocale::English)
        return;
    const std::pair<QString, QString> catalogues[] = {
        {QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)},
        {QStringLiteral("lumenpage"), AppFolder() + QStringLiteral("/translations")},
    };
    for (const auto &[name, folder] : catalogues) {
        auto translator = std::make_unique<QTranslator>();
        // Missing catalogues are no error: those texts stay English.
        if (translator->load(locale, name, QStringLiteral("_"), folder)
            && QCoreApplication::installTranslator(translator.get()))
            installed().push_back(std::move(translator));
    }
}
