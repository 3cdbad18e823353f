#include "kivora/app/Language.h"

#include <QLocale>

namespace kivora::app {

int languageIndexFor(const QLocale& locale)
{
    return locale.language() == QLocale::English && locale.territory() == QLocale::UnitedStates ? 1 : 0;
}

int systemLanguageIndex()
{
    return languageIndexFor(QLocale::system());
}

} // namespace kivora::app
