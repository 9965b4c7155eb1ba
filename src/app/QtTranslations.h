#pragma once

class QCoreApplication;
class QLocale;

namespace app {

// Qt's own texts (an edit field's context menu, the print and file dialogs) in the user's
// language: installs the "qtbase" translation for the locale from the system's Qt
// translations, then the program's own supplement for the texts that one lacks (the print
// dialog's), where there is one for the language. The program's own fixed texts are not
// translated and stay as they are. Returns false, changing nothing, when there is no Qt
// translation for that language.
bool installQtTranslations(QCoreApplication& application, const QLocale& locale);

} // namespace app
