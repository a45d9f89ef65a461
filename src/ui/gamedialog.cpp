#include "ui/gamedialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "record/position.h"

namespace {

const QString kPerson = QStringLiteral("人");
const char *const kSideNames[2] = {"先手（下手）", "後手（上手）"};
const char *const kDeclarationNames[] = {"なし", "27点法", "24点法"};
// Each game runs two engines on a machine that may have few cores.
constexpr int kMaxConcurrency = 8;

QString key(const char *name) { return QStringLiteral("game/") + QString::fromLatin1(name); }
QString sideKey(Side side, const char *name) {
    return QStringLiteral("game/%1/").arg(side == SENTE ? "sente" : "gote") + QString::fromLatin1(name);
}

int declarationIndex(std::optional<DeclarationRule> rule) {
    return !rule ? 0 : *rule == DeclarationRule::Points27 ? 1 : 2;
}

std::optional<DeclarationRule> declarationAt(int index) {
    if (index == 0) return std::nullopt;
    return index == 2 ? DeclarationRule::Points24 : DeclarationRule::Points27;
}

}  // namespace

QString defaultSeriesFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + QStringLiteral("/Nagi将棋/連続対局");
}

GameChoice loadGameChoice(QSettings &settings, const QStringList &engines) {
    GameChoice choice;
    choice.engines[GOTE] = engines.value(0);
    if (!settings.contains(key("start"))) return choice;
    for (Side side : {SENTE, GOTE}) {
        const QString engine = settings.value(sideKey(side, "engine")).toString();
        choice.engines[side] = engines.contains(engine) ? engine : QString();
        TimeControl &time = choice.time[side];
        time.mainMs = settings.value(sideKey(side, "main"), qlonglong(time.mainMs)).toLongLong();
        time.byoyomiMs = settings.value(sideKey(side, "byoyomi"), qlonglong(time.byoyomiMs)).toLongLong();
        time.incrementMs =
            settings.value(sideKey(side, "increment"), qlonglong(time.incrementMs)).toLongLong();
        if (!timeControlProblem(time).empty()) time = TimeControl();
    }
    choice.start = settings.value(key("start")).toString();
    choice.maxMoves = qBound(0, settings.value(key("maxMoves"), 500).toInt(), 10000);
    choice.declaration = declarationAt(settings.value(key("declaration"), 1).toInt());
    choice.games = qBound(1, settings.value(key("games"), 1).toInt(), 1000);
    choice.folder = settings.value(key("folder"), choice.folder).toString();
    choice.openings = settings.value(key("openings")).toString();
    choice.book = settings.value(key("book")).toString();
    choice.bookPlies = qBound(1, settings.value(key("bookPlies"), choice.bookPlies).toInt(), 1000);
    choice.concurrency = qBound(1, settings.value(key("concurrency"), 1).toInt(), kMaxConcurrency);
    if (settings.value(key("sprt/on"), false).toBool()) {
        SprtSettings sprt;
        sprt.elo0 = settings.value(key("sprt/elo0"), sprt.elo0).toDouble();
        sprt.elo1 = settings.value(key("sprt/elo1"), sprt.elo1).toDouble();
        sprt.alpha = settings.value(key("sprt/alpha"), sprt.alpha).toDouble();
        sprt.beta = settings.value(key("sprt/beta"), sprt.beta).toDouble();
        if (sprtProblem(sprt).empty()) choice.sprt = sprt;
    }
    return choice;
}

void saveGameChoice(QSettings &settings, const GameChoice &choice) {
    for (Side side : {SENTE, GOTE}) {
        settings.setValue(sideKey(side, "engine"), choice.engines[side]);
        settings.setValue(sideKey(side, "main"), qlonglong(choice.time[side].mainMs));
        settings.setValue(sideKey(side, "byoyomi"), qlonglong(choice.time[side].byoyomiMs));
        settings.setValue(sideKey(side, "increment"), qlonglong(choice.time[side].incrementMs));
    }
    settings.setValue(key("start"), choice.start);
    settings.setValue(key("maxMoves"), choice.maxMoves);
    settings.setValue(key("declaration"), declarationIndex(choice.declaration));
    settings.setValue(key("games"), choice.games);
    settings.setValue(key("folder"), choice.folder);
    settings.setValue(key("openings"), choice.openings);
    settings.setValue(key("book"), choice.book);
    settings.setValue(key("bookPlies"), choice.bookPlies);
    settings.setValue(key("concurrency"), choice.concurrency);
    settings.setValue(key("sprt/on"), choice.sprt.has_value());
    if (choice.sprt) {
        settings.setValue(key("sprt/elo0"), choice.sprt->elo0);
        settings.setValue(key("sprt/elo1"), choice.sprt->elo1);
        settings.setValue(key("sprt/alpha"), choice.sprt->alpha);
        settings.setValue(key("sprt/beta"), choice.sprt->beta);
    }
    settings.sync();
}

GameDialog::GameDialog(const GameChoice &choice, const QStringList &engines, QWidget *parent)
    : QDialog(parent), engines_(engines) {
    setObjectName(QStringLiteral("GameDialog"));
    setWindowTitle(QStringLiteral("対局"));
    auto layout = new QVBoxLayout(this);
    auto players = new QGroupBox(QStringLiteral("対局者と持ち時間"), this);
    auto grid = new QGridLayout(players);
    grid->addWidget(new QLabel(QStringLiteral("持ち時間"), players), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("秒読み／加算（秒、0.001 秒まで）"), players), 0, 3, 1, 3);
    for (Side side : {SENTE, GOTE}) {
        SideRow &row = sides_[side];
        const int line = side + 1;
        const QString name = side == SENTE ? QStringLiteral("Sente") : QStringLiteral("Gote");
        grid->addWidget(new QLabel(QString::fromUtf8(kSideNames[side]), players), line, 0);
        row.player = new QComboBox(players);
        row.player->setObjectName(name + QStringLiteral("Player"));
        row.player->addItem(kPerson, QString());
        for (const QString &engine : engines) row.player->addItem(QFileInfo(engine).fileName(), engine);
        row.player->setCurrentIndex(qMax(0, row.player->findData(choice.engines[side])));
        grid->addWidget(row.player, line, 1);
        row.main = new QTimeEdit(players);
        row.main->setObjectName(name + QStringLiteral("Main"));
        row.main->setDisplayFormat(QStringLiteral("H:mm:ss.zzz"));
        row.main->setTime(QTime(0, 0).addMSecs(
            static_cast<int>(std::clamp<std::int64_t>(choice.time[side].mainMs, 0, 86399000))));
        grid->addWidget(row.main, line, 2);
        row.byoyomi = new QRadioButton(QStringLiteral("秒読み"), players);
        row.increment = new QRadioButton(QStringLiteral("加算"), players);
        row.byoyomi->setObjectName(name + QStringLiteral("Byoyomi"));
        row.increment->setObjectName(name + QStringLiteral("Increment"));
        auto group = new QButtonGroup(players);
        group->addButton(row.byoyomi);
        group->addButton(row.increment);
        const bool fischer = choice.time[side].incrementMs > 0;
        (fischer ? row.increment : row.byoyomi)->setChecked(true);
        row.seconds = new QDoubleSpinBox(players);
        row.seconds->setObjectName(name + QStringLiteral("Seconds"));
        row.seconds->setDecimals(3);
        row.seconds->setRange(0, 3600);
        row.seconds->setValue(
            double(fischer ? choice.time[side].incrementMs : choice.time[side].byoyomiMs) / 1000.0);
        grid->addWidget(row.byoyomi, line, 3);
        grid->addWidget(row.increment, line, 4);
        grid->addWidget(row.seconds, line, 5);
        connect(row.player, &QComboBox::currentIndexChanged, this, &GameDialog::updateGames);
    }
    layout->addWidget(players);

    auto form = new QFormLayout;
    start_ = new QComboBox(this);
    start_->setObjectName(QStringLiteral("Start"));
    for (std::string_view name : handicapNames())
        start_->addItem(QString::fromUtf8(name.data(), qsizetype(name.size())));
    start_->addItem(kStartHere);
    start_->setCurrentIndex(qMax(0, start_->findText(choice.start)));
    form->addRow(QStringLiteral("開始局面"), start_);
    maxMoves_ = new QSpinBox(this);
    maxMoves_->setObjectName(QStringLiteral("MaxMoves"));
    maxMoves_->setRange(0, 10000);
    maxMoves_->setSpecialValueText(QStringLiteral("制限なし"));
    maxMoves_->setValue(choice.maxMoves);
    form->addRow(QStringLiteral("最大手数（持将棋）"), maxMoves_);
    declaration_ = new QComboBox(this);
    declaration_->setObjectName(QStringLiteral("Declaration"));
    for (const char *name : kDeclarationNames) declaration_->addItem(QString::fromUtf8(name));
    declaration_->setCurrentIndex(declarationIndex(choice.declaration));
    form->addRow(QStringLiteral("入玉宣言"), declaration_);
    games_ = new QSpinBox(this);
    games_->setObjectName(QStringLiteral("Games"));
    games_->setRange(1, 1000);
    games_->setValue(choice.games);
    games_->setToolTip(QStringLiteral("エンジン同士の対局の局数です。一局ごとに先後を入れ替えます。"));
    form->addRow(QStringLiteral("対局数（エンジン同士）"), games_);
    auto folderRow = new QHBoxLayout;
    folder_ = new QLineEdit(choice.folder, this);
    folder_->setObjectName(QStringLiteral("Folder"));
    folder_->setToolTip(QStringLiteral("連続対局の棋譜は、この下に開始日時の名前のフォルダを作って 001.kif から保存します。"));
    browse_ = new QPushButton(QStringLiteral("参照…"), this);
    connect(browse_, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getExistingDirectory(this, QStringLiteral("棋譜の保存先"), folder_->text());
        if (!chosen.isEmpty()) folder_->setText(chosen);
    });
    folderRow->addWidget(folder_);
    folderRow->addWidget(browse_);
    form->addRow(QStringLiteral("棋譜の保存先"), folderRow);
    auto openingsRow = new QHBoxLayout;
    openings_ = new QLineEdit(choice.openings, this);
    openings_->setObjectName(QStringLiteral("Openings"));
    openings_->setPlaceholderText(QStringLiteral("なし（開始局面から）"));
    openings_->setToolTip(QStringLiteral("一行に一つの SFEN か USI の position 行、または棋譜（初めの 16 手）です。"
                                         "各局面から先後を替えて二局ずつ指します。"));
    browseOpenings_ = new QPushButton(QStringLiteral("参照…"), this);
    connect(browseOpenings_, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("開始局面集"), openings_->text());
        if (!chosen.isEmpty()) openings_->setText(chosen);
    });
    openingsRow->addWidget(openings_);
    openingsRow->addWidget(browseOpenings_);
    form->addRow(QStringLiteral("開始局面集"), openingsRow);
    auto bookRow = new QHBoxLayout;
    book_ = new QLineEdit(choice.book, this);
    book_->setObjectName(QStringLiteral("Book"));
    book_->setPlaceholderText(QStringLiteral("なし"));
    book_->setToolTip(QStringLiteral("やねうら王形式の定跡です。エンジンは定跡にある局面では回数に比例して手を選び、"
                                     "考えずに指します（棋譜にコメント「定跡」）。"));
    browseBook_ = new QPushButton(QStringLiteral("参照…"), this);
    connect(browseBook_, &QPushButton::clicked, this, [this] {
        const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("定跡"), book_->text(),
                                                            QStringLiteral("定跡 (*.db *.txt);;すべて (*)"));
        if (!chosen.isEmpty()) book_->setText(chosen);
    });
    bookPlies_ = new QSpinBox(this);
    bookPlies_->setObjectName(QStringLiteral("BookPlies"));
    bookPlies_->setRange(1, 1000);
    bookPlies_->setValue(choice.bookPlies);
    bookPlies_->setSuffix(QStringLiteral("手まで"));
    bookPlies_->setToolTip(QStringLiteral("開始局面から数えて、この手数までを定跡から指します。"));
    bookRow->addWidget(book_);
    bookRow->addWidget(browseBook_);
    bookRow->addWidget(bookPlies_);
    form->addRow(QStringLiteral("定跡"), bookRow);
    concurrency_ = new QSpinBox(this);
    concurrency_->setObjectName(QStringLiteral("Concurrency"));
    concurrency_->setRange(1, kMaxConcurrency);
    concurrency_->setValue(choice.concurrency);
    concurrency_->setToolTip(QStringLiteral("2 以上では各局を盤面に出さずに指し、棋譜を保存先に残します。"
                                            "一局にエンジン二つ分の CPU が要ります。"));
    form->addRow(QStringLiteral("同時対局数"), concurrency_);
    auto sprtRow = new QHBoxLayout;
    sprt_ = new QCheckBox(QStringLiteral("使う"), this);
    sprt_->setObjectName(QStringLiteral("Sprt"));
    sprt_->setChecked(choice.sprt.has_value());
    sprt_->setToolTip(QStringLiteral("先手側のエンジンが elo1 強いか elo0 かを判定し、決まれば連続対局を止めます。"));
    sprtRow->addWidget(sprt_);
    connect(sprt_, &QCheckBox::toggled, this, &GameDialog::updateGames);
    const SprtSettings sprt = choice.sprt.value_or(SprtSettings());
    const struct {
        const char *name;
        double value, low, high;
        int decimals;
    } sprtFields[] = {{"elo0", sprt.elo0, -1000, 1000, 1},
                      {"elo1", sprt.elo1, -1000, 1000, 1},
                      {"alpha", sprt.alpha, 0.001, 0.499, 3},
                      {"beta", sprt.beta, 0.001, 0.499, 3}};
    for (std::size_t i = 0; i < sprtValues_.size(); ++i) {
        const auto &field = sprtFields[i];
        auto box = new QDoubleSpinBox(this);
        box->setObjectName(QStringLiteral("Sprt_") + QString::fromLatin1(field.name));
        box->setDecimals(field.decimals);
        box->setRange(field.low, field.high);
        box->setSingleStep(field.decimals == 1 ? 1.0 : 0.01);
        box->setValue(field.value);
        sprtRow->addWidget(new QLabel(QString::fromLatin1(field.name), this));
        sprtRow->addWidget(box);
        sprtValues_[i] = box;
    }
    form->addRow(QStringLiteral("SPRT"), sprtRow);
    layout->addLayout(form);

    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("Message"));
    layout->addWidget(message_);
    auto buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("対局開始"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &GameDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GameDialog::reject);
    layout->addWidget(buttons);
    // The button, not the first list, takes the keys when the dialog comes up: the G of Ctrl+G, still
    // held or repeated as it opens, chose the engine whose name starts with g in the 先手 list, so
    // that Enter started a game between engines. Enter starts what the dialog shows.
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    updateGames();
}

void GameDialog::updateGames() {
    const bool series = !sides_[SENTE].player->currentData().toString().isEmpty() &&
                        !sides_[GOTE].player->currentData().toString().isEmpty();
    for (QWidget *control : std::initializer_list<QWidget *>{games_, folder_, browse_, openings_, browseOpenings_,
                                                             concurrency_, sprt_})
        control->setEnabled(series);
    // Only an engine plays from the book.
    const bool engine = !sides_[SENTE].player->currentData().toString().isEmpty() ||
                        !sides_[GOTE].player->currentData().toString().isEmpty();
    for (QWidget *control : std::initializer_list<QWidget *>{book_, browseBook_, bookPlies_}) control->setEnabled(engine);
    for (QWidget *control : sprtValues_) control->setEnabled(series && sprt_->isChecked());
}

GameChoice GameDialog::choice() const {
    GameChoice choice;
    for (Side side : {SENTE, GOTE}) {
        const SideRow &row = sides_[side];
        choice.engines[side] = row.player->currentData().toString();
        TimeControl &time = choice.time[side];
        time.mainMs = QTime(0, 0).msecsTo(row.main->time());
        const std::int64_t seconds = std::llround(row.seconds->value() * 1000.0);
        time.byoyomiMs = row.byoyomi->isChecked() ? seconds : 0;
        time.incrementMs = row.increment->isChecked() ? seconds : 0;
    }
    choice.start = start_->currentText();
    choice.maxMoves = maxMoves_->value();
    choice.declaration = declarationAt(declaration_->currentIndex());
    choice.games = games_->isEnabled() ? games_->value() : 1;
    choice.folder = folder_->text().trimmed();
    choice.openings = openings_->isEnabled() ? openings_->text().trimmed() : QString();
    choice.book = book_->isEnabled() ? book_->text().trimmed() : QString();
    choice.bookPlies = bookPlies_->value();
    choice.concurrency = concurrency_->isEnabled() ? concurrency_->value() : 1;
    if (sprt_->isEnabled() && sprt_->isChecked())
        choice.sprt = SprtSettings{sprtValues_[0]->value(), sprtValues_[1]->value(), sprtValues_[2]->value(),
                                   sprtValues_[3]->value()};
    return choice;
}

QString GameDialog::problem() const {
    const GameChoice now = choice();
    for (Side side : {SENTE, GOTE})
        if (const std::string problem = timeControlProblem(now.time[side]); !problem.empty())
            return QString::fromUtf8(kSideNames[side]) + QStringLiteral(": ") +
                   QString::fromStdString(problem);
    if (now.games > 1 && now.folder.isEmpty()) return QStringLiteral("棋譜の保存先を指定してください");
    if (now.sprt)
        if (const std::string problem = sprtProblem(*now.sprt); !problem.empty())
            return QStringLiteral("SPRT の ") + QString::fromStdString(problem);
    return {};
}

void GameDialog::accept() {
    const QString why = problem();
    message_->setText(why);
    if (why.isEmpty()) QDialog::accept();
}
