#include "uilanguage.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QPointer>
#include <QTranslator>
#include <vector>

namespace {
const QString japanese = QStringLiteral("ja");
const QString english = QStringLiteral("en");

QString catalogueOf(const QString &language)
{
    return QStringLiteral(":/i18n/korvia_%1.qm").arg(language);
}

// "en_US.UTF-8", "en-GB", "EN" -> "en"; "C", "POSIX" and anything but a code of letters stand for
// no language.
QString languageCode(const QString &name)
{
    QString code = name.trimmed().toLower();
    const qsizetype end = code.indexOf(QRegularExpression(QStringLiteral("[-_.@]")));
    if (end >= 0) code.truncate(end);
    if (code == QLatin1String("c") || code == QLatin1String("posix")) return QString();
    return QRegularExpression(QStringLiteral("^[a-z]{2,3}$")).match(code).hasMatch() ? code : QString();
}

// The catalogues installed by the last call, owned by the application object.
std::vector<QPointer<QTranslator>> &installed()
{
    static std::vector<QPointer<QTranslator>> translators;
    return translators;
}

bool install(QTranslator *translator, bool loaded)
{
    if (loaded && QCoreApplication::installTranslator(translator)) {
        installed().push_back(translator);
        return true;
    }
    delete translator;
    return false;
}
} // namespace

bool speaksLanguage(const QString &language)
{
    return language == japanese || (!language.isEmpty() && QFile::exists(catalogueOf(language)));
}

QString interfaceLanguage()
{
    if (const QString chosen = qEnvironmentVariable("KORVIA_LANG"); !chosen.isEmpty()) {
        const QString code = languageCode(chosen);
        return speaksLanguage(code) ? code : english;
    }
    for (const QString &name : QLocale::system().uiLanguages()) {
        const QString code = languageCode(name);
        if (speaksLanguage(code)) return code;
    }
    return english;
}

bool loadInterfaceLanguage(const QString &language)
{
    for (const QPointer<QTranslator> &translator : installed()) delete translator.data(); // uninstalls it
    installed().clear();

    QObject *owner = QCoreApplication::instance();
    bool found = true;
    if (language != japanese) {
        auto *own = new QTranslator(owner);
        found = install(own, own->load(catalogueOf(language)));
    }
    auto *framework = new QTranslator(owner);
    install(framework, framework->load(QStringLiteral("qtbase_") + language,
                                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    return found;
}
