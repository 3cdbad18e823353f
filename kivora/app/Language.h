#pragma once

class QLocale;

namespace kivora::app {

// The user-interface language index, the column of UiText: 1 for English (United States),
// 0 for every other locale. Both columns hold the same texts; lookups still go through it.
int languageIndexFor(const QLocale& locale);
// For the user's own locale (LANG / LC_* on Linux).
int systemLanguageIndex();

} // namespace kivora::app
