#pragma once
// 検討 > エンジン設定…: the engines found and added, and for each an options dialog made from the
// option lines it prints.

#include <QDialog>
#include <QMap>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "engine/usiline.h"

class EngineProcess;
class EngineStore;
class QFormLayout;
class QLabel;
class QListWidget;
class QWidget;

// One form row per option: check box, spin box, list, button, text or file name.
class EngineOptionsDialog : public QDialog {
    Q_OBJECT

public:
    EngineOptionsDialog(const QString &engineName, const std::vector<UsiOption> &options,
                        const QMap<QString, QString> &values, QWidget *parent = nullptr);
    // The values shown now that differ from the engine's defaults, and every button pressed (with
    // an empty value).
    QMap<QString, QString> values() const;
    // The editor of the option named `name`, null when there is none.
    QWidget *editor(const QString &name) const;

private:
    QMap<QString, QString> shownValues() const;

    struct Row {
        UsiOption option;
        QWidget *editor = nullptr;
        bool pressed = false;
    };
    std::vector<Row> rows_;
};

class EngineSettingsDialog : public QDialog {
    Q_OBJECT

public:
    EngineSettingsDialog(EngineStore &store, QWidget *parent = nullptr);
    ~EngineSettingsDialog() override;
    QListWidget *list() const { return list_; }
    // Adds an engine by path (what 追加… does after its file dialog).
    void addEngine(const QString &path);
    // Reads the selected engine's option lines by starting it, then opens its options dialog;
    // `show` replaces the modal run for tests.
    void editOptions(const std::function<void(EngineOptionsDialog &)> &show = {});
    QLabel *message() const { return message_; }

private:
    void refresh();
    void remove();
    void choose();
    // Marks the selected engine as the one 詰み探索 asks, or unmarks it.
    void toggleForMates();

    EngineStore &store_;
    QListWidget *list_ = nullptr;
    QLabel *message_ = nullptr;
    std::unique_ptr<EngineProcess> reader_;
};
