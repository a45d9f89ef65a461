#pragma once
// The questions asked before work could be lost: unsaved changes before the record is replaced or
// the window closes, and an overwrite in a format that cannot hold the whole record. The window
// asks through this interface, so that tests answer without a modal box.

#include <QString>

class QWidget;

enum class SaveAnswer {
    Save,     // 保存
    SaveAs,   // 名前を付けて保存
    Discard,  // 保存しない
    Cancel,   // キャンセル
};

class SaveQuestions {
public:
    virtual ~SaveQuestions() = default;
    // "棋譜が変更されています。保存しますか？": Save, Discard or Cancel.
    virtual SaveAnswer askUnsavedChanges() = 0;
    // Overwriting `fileName` would leave out `lost` ("変化3個・コメント204行"): Save, SaveAs or Cancel.
    virtual SaveAnswer askLossyOverwrite(const QString &fileName, const QString &lost) = 0;
};

// The real modal boxes, キャンセル the default and the answer of a box closed by its title bar.
class MessageBoxSaveQuestions : public SaveQuestions {
public:
    explicit MessageBoxSaveQuestions(QWidget *parent) : parent_(parent) {}
    SaveAnswer askUnsavedChanges() override;
    SaveAnswer askLossyOverwrite(const QString &fileName, const QString &lost) override;

private:
    QWidget *parent_;
};

// The text of the overwrite question.
QString lossyOverwriteQuestion(const QString &fileName, const QString &lost);
