#pragma once

class QCoreApplication;

// Loads Qt's own Simplified Chinese strings, so that standard buttons read "确定" and "取消".
// Returns false when the translation is not installed; the program then runs with Qt's English strings.
bool InstallQtChineseTranslation(QCoreApplication &app);
