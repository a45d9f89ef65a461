#include "ui/csadialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "engine/csasession.h"

namespace {

const QString kPerson = QStringLiteral("人（この盤で指す）");

QString key(const char *name) { return QStringLiteral("csa/") + QString::fromLatin1(name); }

QString defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Nagi将棋/通信対局");
}

}  // namespace

CsaChoice loadCsaChoice(QSettings &settings) {
    CsaChoice choice;
    choice.host = settings.value(key("host"), choice.host).toString();
    choice.port = settings.value(key("port"), choice.port).toInt();
    choice.id = settings.value(key("id")).toString();
    choice.savePassword = settings.value(key("savePassword"), false).toBool();
    if (choice.savePassword) choice.password = settings.value(key("password")).toString();
    choice.floodgate = settings.value(key("floodgate"), choice.floodgate).toBool();
    choice.engine = settings.value(key("engine")).toString();
    choice.games = settings.value(key("games"), 1).toInt();
    choice.keepAlive = settings.value(key("keepAlive"), true).toBool();
    choice.comments = settings.value(key("comments"), false).toBool();
    choice.folder = settings.value(key("folder"), defaultFolder()).toString();
    return choice;
}

void saveCsaChoice(QSettings &settings, const CsaChoice &choice) {
    settings.setValue(key("host"), choice.host);
    settings.setValue(key("port"), choice.port);
    settings.setValue(key("id"), choice.id);
    settings.setValue(key("savePassword"), choice.savePassword);
    // Unticking 保存する forgets a password stored before.
    if (choice.savePassword)
        settings.setValue(key("password"), choice.password);
    else
        settings.remove(key("password"));
    settings.setValue(key("floodgate"), choice.floodgate);
    settings.setValue(key("engine"), choice.engine);
    settings.setValue(key("games"), choice.games);
    settings.setValue(key("keepAlive"), choice.keepAlive);
    settings.setValue(key("comments"), choice.comments);
    settings.setValue(key("folder"), choice.folder);
}

QString csaChoiceProblem(const CsaChoice &choice) {
    if (choice.host.trimmed().isEmpty()) return QStringLiteral("ホストを入れてください");
    const std::string problem =
        csaLoginProblem(choice.id.toStdString(), choice.password.toStdString(), choice.floodgate);
    return QString::fromStdString(problem);
}

CsaDialog::CsaDialog(const CsaChoice &choice, const QStringList &engines, QWidget *parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("通信対局"));
    setObjectName(QStringLiteral("CsaDialog"));
    auto form = new QFormLayout;
    host_ = new QLineEdit(choice.host);
    host_->setObjectName(QStringLiteral("CsaHost"));
    port_ = new QSpinBox;
    port_->setRange(1, 65535);
    port_->setValue(choice.port);
    auto hostRow = new QHBoxLayout;
    hostRow->addWidget(host_, 1);
    hostRow->addWidget(new QLabel(QStringLiteral("ポート")));
    hostRow->addWidget(port_);
    form->addRow(QStringLiteral("ホスト"), hostRow);
    id_ = new QLineEdit(choice.id);
    id_->setObjectName(QStringLiteral("CsaId"));
    id_->setMaxLength(32);
    form->addRow(QStringLiteral("ID"), id_);
    password_ = new QLineEdit(choice.password);
    password_->setObjectName(QStringLiteral("CsaPassword"));
    password_->setEchoMode(QLineEdit::Password);
    password_->setPlaceholderText(QStringLiteral("Floodgate: floodgate-300-10F,trip"));
    savePassword_ = new QCheckBox(QStringLiteral("保存する"));
    savePassword_->setChecked(choice.savePassword);
    auto passwordRow = new QHBoxLayout;
    passwordRow->addWidget(password_, 1);
    passwordRow->addWidget(savePassword_);
    form->addRow(QStringLiteral("パスワード"), passwordRow);
    floodgate_ =
        new QCheckBox(QStringLiteral("Floodgate の規則で確かめる（ID は英数字と _ - で32文字まで、"
                                     "パスワードは 名前-持ち時間-秒読み[F],トリップ）"));
    floodgate_->setObjectName(QStringLiteral("CsaFloodgate"));
    floodgate_->setChecked(choice.floodgate);
    form->addRow(QString(), floodgate_);
    player_ = new QComboBox;
    player_->addItem(kPerson, QString());
    for (const QString &engine : engines) player_->addItem(QFileInfo(engine).fileName(), engine);
    player_->setCurrentIndex(std::max(0, player_->findData(choice.engine)));
    form->addRow(QStringLiteral("指す人"), player_);
    games_ = new QSpinBox;
    games_->setRange(1, 1000);
    games_->setValue(choice.games);
    games_->setSuffix(QStringLiteral(" 局（一局ごとにログインし直します）"));
    form->addRow(QStringLiteral("対局数"), games_);
    keepAlive_ = new QCheckBox(QStringLiteral("40秒ごとに空行を送って接続を保つ"));
    keepAlive_->setChecked(choice.keepAlive);
    form->addRow(QStringLiteral("キープアライブ"), keepAlive_);
    comments_ = new QCheckBox(QStringLiteral("エンジンの評価値と読み筋を指し手に添える（Floodgate）"));
    comments_->setChecked(choice.comments);
    form->addRow(QStringLiteral("読み筋"), comments_);
    folder_ = new QLineEdit(choice.folder);
    auto browse = new QPushButton(QStringLiteral("参照…"));
    connect(browse, &QPushButton::clicked, this, [this] {
        const QString folder =
            QFileDialog::getExistingDirectory(this, QStringLiteral("棋譜の保存先"), folder_->text());
        if (!folder.isEmpty()) folder_->setText(folder);
    });
    auto folderRow = new QHBoxLayout;
    folderRow->addWidget(folder_, 1);
    folderRow->addWidget(browse);
    form->addRow(QStringLiteral("棋譜の保存先"), folderRow);
    problem_ = new QLabel;
    problem_->setObjectName(QStringLiteral("CsaProblem"));
    problem_->setStyleSheet(QStringLiteral("color: #b00000"));
    problem_->setWordWrap(true);
    auto buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("接続"));
    connect(buttons, &QDialogButtonBox::accepted, this, &CsaDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CsaDialog::reject);
    auto layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(buttons);
}

CsaChoice CsaDialog::choice() const {
    CsaChoice choice;
    choice.host = host_->text().trimmed();
    choice.port = port_->value();
    choice.id = id_->text().trimmed();
    choice.password = password_->text();
    choice.savePassword = savePassword_->isChecked();
    choice.floodgate = floodgate_->isChecked();
    choice.engine = player_->currentData().toString();
    choice.games = games_->value();
    choice.keepAlive = keepAlive_->isChecked();
    choice.comments = comments_->isChecked();
    choice.folder = folder_->text().trimmed();
    return choice;
}

QString CsaDialog::problemText() const { return problem_->text(); }

void CsaDialog::accept() {
    const QString problem = csaChoiceProblem(choice());
    problem_->setText(problem);
    if (problem.isEmpty()) QDialog::accept();
}
