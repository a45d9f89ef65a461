#pragma once
// What the program sets up once, after the application object exists and before the window.

class QCoreApplication;

// Loads Qt's own Japanese texts, so that standard buttons read はい, いいえ, キャンセル, 開く,
// 保存; false when the translation file is not installed (the buttons then stay English).
// Repeated calls load nothing more.
bool installJapaneseTranslations(QCoreApplication &application);
