#include "skin/gui/QtLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

QTranslator* g_qtTranslator = nullptr;
int g_qtLanguage = -1;

QLocale LocaleOf(int languageIndex)
{
    if (languageIndex == 1)
        return QLocale(QLocale::Russian, QLocale::Russia);
    // English texts with the owner's own English (dates in file dialogs).
    const QLocale system = QLocale::system();
    return system.language() == QLocale::English ? system : QLocale(QLocale::English, QLocale::UnitedStates);
}

} // namespace

void ApplyQtLanguage(int languageIndex)
{
    languageIndex = languageIndex == 1 ? 1 : 0;
    if (languageIndex == g_qtLanguage)
        return;
    g_qtLanguage = languageIndex;
    QLocale::setDefault(LocaleOf(languageIndex));
    if (g_qtTranslator) {
        QCoreApplication::removeTranslator(g_qtTranslator);
        delete g_qtTranslator;
        g_qtTranslator = nullptr;
    }
    if (languageIndex == 0)
        return; // Qt's texts are English already
    auto* translator = new QTranslator;
    if (!translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return;
    }
    QCoreApplication::installTranslator(translator);
    g_qtTranslator = translator;
}

bool QtLanguageLoaded()
{
    return g_qtTranslator != nullptr;
}
