// The language of Korvia's texts. The sources hold the Japanese texts; the catalogues of the other
// languages (translations/korvia_<code>.ts, compiled into the programs) are chosen from the desktop's
// languages or KORVIA_LANG. Qt Core only: the window and korvia-batch share it.
#pragma once
#include <QString>

// The language to speak, as a code ("ja", "en", ...): KORVIA_LANG when it is set ("ja", "en",
// "en_US.UTF-8"), else the first of the desktop's languages (QLocale::system().uiLanguages()) that
// Korvia speaks. Japanese is the language of the sources; any other language without a catalogue
// of its own (also a KORVIA_LANG that names none) gets English.
QString interfaceLanguage();

// Whether Korvia has texts in language: Japanese, or a compiled catalogue of that code.
bool speaksLanguage(const QString &language);

// Installs on the application object the catalogues of language (Korvia's own, none for Japanese,
// and Qt's qtbase_<code> for the framework's dialogs and buttons), replacing those an earlier call
// installed. Needs a QCoreApplication. Returns false when Korvia's catalogue could not be loaded
// (the texts then stay Japanese).
bool loadInterfaceLanguage(const QString &language = interfaceLanguage());
