#pragma once

#include <QString>
#include <QTranslator>
#include <memory>

// The program speaks Simplified Chinese only, whatever language and regional settings the
// desktop has.

// Qt's own texts in Simplified Chinese: the standard buttons of message boxes and dialogs (确定,
// 取消, 是, 否), the file, print preview and input dialogs, the context menus of text fields.
// Loads Qt's Chinese translations (qtbase_zh_CN) from Qt's translations folder and installs them
// in the application; they are used while the returned translator lives. Null, with the reason
// in `why`, when they cannot be loaded.
std::unique_ptr<QTranslator> installQtChineseTexts(QString *why = nullptr);

// Qt's "system" locale, by which its own dialogs format (the dates and sizes of the file dialog),
// becomes Chinese whatever LANG says or when it is unset. Qt reads it from the environment once;
// call this before the application is made. The environment itself is left as it was, so the C
// library and the programs started from here keep the desktop's settings.
void useChineseSystemLocale();

// Whatever Qt formats by locale (dates in dialogs, sizes in the file dialog) follows Chinese
// conventions, and the C library writes and reads "." as the decimal point, so no library the
// program uses writes "2,5" for 2.5 on a desktop set to a decimal-comma language.
void useChineseLocale();
