#include "ui/enginedialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>

#include "enginehost/engineprocess.h"
#include "ui/enginestore.h"

namespace {

int clampToInt(std::int64_t value) {
    return static_cast<int>(std::clamp<std::int64_t>(value, INT_MIN, INT_MAX));
}

QWidget *fileEditor(const QString &value, QWidget *parent) {
    auto box = new QWidget(parent);
    auto layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    auto line = new QLineEdit(value, box);
    line->setObjectName(QStringLiteral("path"));
    auto browse = new QPushButton(QStringLiteral("参照…"), box);
    layout->addWidget(line);
    layout->addWidget(browse);
    QObject::connect(browse, &QPushButton::clicked, box, [line, box] {
        const QString chosen =
            QFileDialog::getOpenFileName(box, QStringLiteral("ファイルを選ぶ"), line->text());
        if (!chosen.isEmpty()) line->setText(chosen);
    });
    return box;
}

}  // namespace

EngineOptionsDialog::EngineOptionsDialog(const QString &engineName, const std::vector<UsiOption> &options,
                                         const QMap<QString, QString> &values, QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("エンジンのオプション - %1").arg(engineName));
    auto form = new QFormLayout;
    for (const UsiOption &option : options) {
        const QString name = QString::fromStdString(option.name);
        const QString value = values.value(name, QString::fromStdString(option.defaultValue));
        Row row{option, nullptr, false};
        switch (option.type) {
            case OptionType::Check: {
                auto box = new QCheckBox(this);
                box->setChecked(value == QStringLiteral("true"));
                row.editor = box;
                break;
            }
            case OptionType::Spin: {
                auto box = new QSpinBox(this);
                box->setRange(clampToInt(option.min.value_or(INT_MIN)),
                              clampToInt(option.max.value_or(INT_MAX)));
                box->setValue(value.toInt());
                row.editor = box;
                break;
            }
            case OptionType::Combo: {
                auto box = new QComboBox(this);
                for (const std::string &var : option.vars) box->addItem(QString::fromStdString(var));
                box->setCurrentText(value);
                row.editor = box;
                break;
            }
            case OptionType::Button: {
                auto button = new QPushButton(QStringLiteral("実行"), this);
                button->setCheckable(true);
                row.editor = button;
                break;
            }
            case OptionType::Filename: row.editor = fileEditor(value, this); break;
            case OptionType::String:
            case OptionType::Unknown: row.editor = new QLineEdit(value, this); break;
        }
        row.editor->setObjectName(name);
        form->addRow(name, row.editor);
        rows_.push_back(row);
    }
    auto buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QWidget *EngineOptionsDialog::editor(const QString &name) const {
    for (const Row &row : rows_)
        if (QString::fromStdString(row.option.name) == name) return row.editor;
    return nullptr;
}

QMap<QString, QString> EngineOptionsDialog::values() const {
    QMap<QString, QString> values = shownValues();
    // Only what differs from the engine's own default is kept and sent.
    for (const Row &row : rows_) {
        const QString name = QString::fromStdString(row.option.name);
        if (row.option.type != OptionType::Button &&
            values.value(name) == QString::fromStdString(row.option.defaultValue))
            values.remove(name);
    }
    return values;
}

QMap<QString, QString> EngineOptionsDialog::shownValues() const {
    QMap<QString, QString> values;
    for (const Row &row : rows_) {
        const QString name = QString::fromStdString(row.option.name);
        if (auto box = qobject_cast<QCheckBox *>(row.editor))
            values[name] = box->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
        else if (auto spin = qobject_cast<QSpinBox *>(row.editor))
            values[name] = QString::number(spin->value());
        else if (auto combo = qobject_cast<QComboBox *>(row.editor))
            values[name] = combo->currentText();
        else if (auto button = qobject_cast<QPushButton *>(row.editor)) {
            if (button->isChecked()) values[name] = QString();
        } else if (auto line = qobject_cast<QLineEdit *>(row.editor))
            values[name] = line->text();
        else if (auto path = row.editor->findChild<QLineEdit *>(QStringLiteral("path")))
            values[name] = path->text();
    }
    return values;
}

EngineSettingsDialog::EngineSettingsDialog(EngineStore &store, QWidget *parent)
    : QDialog(parent), store_(store) {
    setWindowTitle(QStringLiteral("エンジン設定"));
    list_ = new QListWidget(this);
    message_ = new QLabel(this);
    message_->setWordWrap(true);
    auto add = new QPushButton(QStringLiteral("追加…"), this);
    auto remove = new QPushButton(QStringLiteral("削除"), this);
    auto options = new QPushButton(QStringLiteral("オプション…"), this);
    auto choose = new QPushButton(QStringLiteral("検討に使う"), this);
    auto mates = new QPushButton(QStringLiteral("詰み探索に使う"), this);
    mates->setObjectName(QStringLiteral("ForMates"));
    mates->setToolTip(QStringLiteral("詰み探索 (Ctrl+M) をこのエンジンの go mate で行うか、切り替えます"));
    auto close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto side = new QVBoxLayout;
    for (QPushButton *button : {add, remove, options, choose, mates}) side->addWidget(button);
    side->addStretch();
    auto top = new QHBoxLayout;
    top->addWidget(list_);
    top->addLayout(side);
    auto layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(message_);
    layout->addWidget(close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("エンジンを追加"));
        if (!path.isEmpty()) addEngine(path);
    });
    connect(remove, &QPushButton::clicked, this, &EngineSettingsDialog::remove);
    connect(options, &QPushButton::clicked, this, [this] { editOptions(); });
    connect(choose, &QPushButton::clicked, this, &EngineSettingsDialog::choose);
    connect(mates, &QPushButton::clicked, this, &EngineSettingsDialog::toggleForMates);
    refresh();
}

EngineSettingsDialog::~EngineSettingsDialog() = default;

void EngineSettingsDialog::refresh() {
    const QString chosen = store_.firstEngine();
    list_->clear();
    const QStringList installed = EngineStore::installedEngines();
    for (const QString &path : store_.engines()) {
        QString text = path;
        if (installed.contains(path)) text += QStringLiteral("（インストール済み）");
        if (path == chosen) text += QStringLiteral(" ★");
        if (store_.forMates(path)) text += QStringLiteral("（詰み探索）");
        auto item = new QListWidgetItem(text, list_);
        item->setData(Qt::UserRole, path);
    }
    if (list_->count() > 0) list_->setCurrentRow(0);
    // Each line whole, the notes after the path included (they were cut off at the list's usual
    // width), within most of the screen; a longer path scrolls.
    const int widest = list_->sizeHintForColumn(0) + 2 * list_->frameWidth() +
                       list_->verticalScrollBar()->sizeHint().width();
    const QScreen *shownOn = screen();
    list_->setMinimumWidth(shownOn != nullptr ? std::min(widest, shownOn->availableGeometry().width() * 3 / 4)
                                              : widest);
}

void EngineSettingsDialog::addEngine(const QString &path) {
    const QFileInfo file(path);
    if (!file.isFile() || !file.isExecutable()) {
        message_->setText(QStringLiteral("実行できるファイルではありません: %1").arg(path));
        return;
    }
    QStringList added = store_.addedEngines();
    const QString full = file.absoluteFilePath();
    if (!added.contains(full)) added << full;
    store_.setAddedEngines(added);
    message_->setText(QStringLiteral("追加しました: %1").arg(full));
    refresh();
}

void EngineSettingsDialog::remove() {
    const QListWidgetItem *item = list_->currentItem();
    if (item == nullptr) return;
    QStringList added = store_.addedEngines();
    if (!added.removeAll(item->data(Qt::UserRole).toString())) {
        message_->setText(QStringLiteral("インストール済みのエンジンは一覧から外せません"));
        return;
    }
    store_.setAddedEngines(added);
    refresh();
}

void EngineSettingsDialog::choose() {
    const QListWidgetItem *item = list_->currentItem();
    if (item == nullptr) return;
    store_.setChosenEngine(item->data(Qt::UserRole).toString());
    refresh();
}

void EngineSettingsDialog::toggleForMates() {
    const QListWidgetItem *item = list_->currentItem();
    if (item == nullptr) return;
    const QString path = item->data(Qt::UserRole).toString();
    const int row = list_->currentRow();
    // One engine at a time answers 詰み探索: marking one unmarks the others.
    const bool on = !store_.forMates(path);
    for (const QString &other : store_.engines()) store_.setForMates(other, false);
    store_.setForMates(path, on);
    message_->setText(on ? QStringLiteral("詰み探索はこのエンジンで行います: %1").arg(path)
                         : QStringLiteral("詰み探索は内蔵の探索で行います"));
    refresh();
    list_->setCurrentRow(row);
}

void EngineSettingsDialog::editOptions(const std::function<void(EngineOptionsDialog &)> &show) {
    const QListWidgetItem *item = list_->currentItem();
    if (item == nullptr) return;
    const QString path = item->data(Qt::UserRole).toString();
    message_->setText(QStringLiteral("オプションを読み込んでいます…"));
    // The option lines come from the engine itself; it is asked and sent away again.
    reader_ = std::make_unique<EngineProcess>();
    EngineProcess *reader = reader_.get();
    connect(reader, &EngineProcess::fault, this,
            [this](const QString &reason) { message_->setText(reason); });
    connect(reader, &EngineProcess::engineStateChanged, this, [this, reader, path, show](EngineState state) {
        if (state != EngineState::Idle) return;
        const std::vector<UsiOption> options = reader->session()->options();
        const QString name = QString::fromStdString(reader->session()->engineName());
        reader->quit();
        // Not inside the engine's own signal: the dialog runs an event loop of its own.
        QTimer::singleShot(0, this, [this, options, name, path, show] {
            message_->clear();
            EngineOptionsDialog dialog(name, options, store_.options(path), this);
            if (show)
                show(dialog);
            else
                dialog.exec();
            if (dialog.result() == QDialog::Accepted) {
                store_.setOptions(path, dialog.values());
                message_->setText(QStringLiteral("オプションを保存しました"));
            }
        });
    });
    reader->start(path);
}
