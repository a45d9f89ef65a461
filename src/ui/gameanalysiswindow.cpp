#include "ui/gameanalysiswindow.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "enginehost/gameanalyser.h"
#include "ui/enginestore.h"

namespace {

QString fromUtf8(const std::string &text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

template <typename T>
T *named(T *widget, const char *name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

GameAnalysisDialog::GameAnalysisDialog(const QStringList &engines, int moves, QWidget *parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("GameAnalysisDialog"));
    setWindowTitle(QStringLiteral("棋譜解析"));
    EngineBox = named(new QComboBox(this), "EngineBox");
    EngineBox->setEditable(true);
    EngineBox->addItems(engines);
    EngineBox->setMinimumWidth(260);
    SecondsBox = named(new QDoubleSpinBox(this), "SecondsBox");
    SecondsBox->setRange(0.05, 600.0);
    SecondsBox->setDecimals(2);
    SecondsBox->setSingleStep(0.5);
    SecondsBox->setValue(1.0);
    SecondsBox->setSuffix(QStringLiteral(" 秒"));
    FromBox = named(new QSpinBox(this), "FromBox");
    ToBox = named(new QSpinBox(this), "ToBox");
    for (QSpinBox *box : {FromBox, ToBox}) box->setRange(0, qMax(moves, 0));
    ToBox->setValue(qMax(moves, 0));
    FromBox->setSpecialValueText(QStringLiteral("開始局面"));
    MultiPvBox = named(new QSpinBox(this), "MultiPvBox");
    MultiPvBox->setRange(1, 5);
    // The range can never run backwards.
    connect(FromBox, &QSpinBox::valueChanged, ToBox, [this](int from) {
        if (ToBox->value() < from) ToBox->setValue(from);
    });
    connect(ToBox, &QSpinBox::valueChanged, FromBox, [this](int to) {
        if (FromBox->value() > to) FromBox->setValue(to);
    });

    CoefficientBox = named(new QDoubleSpinBox(this), "CoefficientBox");
    CoefficientBox->setRange(1.0, 100000.0);
    CoefficientBox->setDecimals(1);
    CoefficientBox->setSingleStep(50.0);
    CoefficientBox->setValue(AnalysisSettings().coefficient);
    CoefficientBox->setToolTip(QStringLiteral("先手の勝率 = 1 / (1 + exp(-評価値 / 係数))"));
    auto thresholds = new QHBoxLayout;
    const char *names[3] = {"DubiousBox", "MistakeBox", "BlunderBox"};
    const char *labels[3] = {"疑問手", "悪手", "大悪手"};
    for (int i = 0; i < 3; ++i) {
        QDoubleSpinBox *box = ThresholdBoxes[i] = named(new QDoubleSpinBox(this), names[i]);
        box->setDecimals(2);
        box->setSingleStep(0.05);
        thresholds->addWidget(new QLabel(QString::fromUtf8(labels[i]), this));
        thresholds->addWidget(box);
    }
    setThresholds(LabelThresholds());
    for (QDoubleSpinBox *box : ThresholdBoxes)
        connect(box, &QDoubleSpinBox::valueChanged, this, &GameAnalysisDialog::boundThresholds);

    auto range = new QHBoxLayout;
    range->addWidget(FromBox);
    range->addWidget(new QLabel(QStringLiteral("手目から"), this));
    range->addWidget(ToBox);
    range->addWidget(new QLabel(QStringLiteral("手目まで"), this));
    auto form = new QFormLayout;
    form->addRow(QStringLiteral("エンジン"), EngineBox);
    form->addRow(QStringLiteral("1手あたり"), SecondsBox);
    form->addRow(QStringLiteral("範囲"), range);
    form->addRow(QStringLiteral("MultiPV"), MultiPvBox);
    form->addRow(QStringLiteral("勝率の係数"), CoefficientBox);
    form->addRow(QStringLiteral("失った勝率"), thresholds);
    auto buttons =
        named(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this), "Buttons");
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("解析開始"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

GameAnalysisChoice GameAnalysisDialog::choice() const {
    GameAnalysisChoice choice;
    choice.engine = EngineBox->currentText().trimmed();
    choice.settings.moveTimeMs = static_cast<int>(std::lround(SecondsBox->value() * 1000.0));
    choice.settings.first = FromBox->value();
    choice.settings.last = ToBox->value();
    choice.settings.multiPv = MultiPvBox->value();
    choice.settings.coefficient = CoefficientBox->value();
    choice.settings.thresholds = {ThresholdBoxes[0]->value(), ThresholdBoxes[1]->value(),
                                  ThresholdBoxes[2]->value()};
    return choice;
}

void GameAnalysisDialog::setThresholds(const LabelThresholds &thresholds) {
    const double values[3] = {thresholds.dubious, thresholds.mistake, thresholds.blunder};
    // The widest bounds first, so that no box clips a value against its old neighbour.
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker quiet(ThresholdBoxes[i]);
        ThresholdBoxes[i]->setRange(0.01, 1.0);
        ThresholdBoxes[i]->setValue(values[i]);
    }
    boundThresholds();
}

void GameAnalysisDialog::boundThresholds() {
    ThresholdBoxes[0]->setMaximum(ThresholdBoxes[1]->value() - 0.01);
    ThresholdBoxes[1]->setRange(ThresholdBoxes[0]->value() + 0.01, ThresholdBoxes[2]->value() - 0.01);
    ThresholdBoxes[2]->setMinimum(ThresholdBoxes[1]->value() + 0.01);
}

void GameAnalysisDialog::useStore(const EngineStore &store) {
    setThresholds(store.thresholds());
    const auto follow = [this, &store](const QString &engine) {
        CoefficientBox->setValue(store.coefficient(engine.trimmed()));
    };
    follow(EngineBox->currentText());
    connect(EngineBox, &QComboBox::currentTextChanged, this, follow);
}

void GameAnalysisDialog::remember(EngineStore &store) const {
    const GameAnalysisChoice chosen = choice();
    if (!chosen.engine.isEmpty()) store.setCoefficient(chosen.engine, chosen.settings.coefficient);
    store.setThresholds(chosen.settings.thresholds);
}

TGameAnalysisWindow::TGameAnalysisWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("GameAnalysisWindow"));
    setWindowTitle(QStringLiteral("棋譜解析"));
    MessageLabel = named(new QLabel(this), "MessageLabel");
    MessageLabel->setWordWrap(true);
    MessageLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Progress = named(new QProgressBar(this), "Progress");
    Progress->setFormat(QStringLiteral("%v / %m"));
    CancelButton = named(new QPushButton(QStringLiteral("キャンセル"), this), "CancelButton");
    GraphButton = named(new QPushButton(QStringLiteral("評価値グラフ"), this), "GraphButton");
    connect(CancelButton, &QPushButton::clicked, this, &TGameAnalysisWindow::cancel);
    connect(GraphButton, &QPushButton::clicked, this, &TGameAnalysisWindow::graphRequested);
    auto buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(GraphButton);
    buttons->addWidget(CancelButton);
    auto layout = new QVBoxLayout(this);
    layout->addWidget(Progress);
    layout->addWidget(MessageLabel, 1);
    layout->addLayout(buttons);
    resize(360, 140);
}

TGameAnalysisWindow::~TGameAnalysisWindow() {
    // The analyser refers to the analysis, so it goes first.
    analyser_.reset();
}

bool TGameAnalysisWindow::start(const GameLine &line, const GameAnalysisChoice &choice) {
    analyser_.reset();
    stopReason_.clear();
    analysis_ = std::make_unique<GameAnalysis>(line, choice.settings);
    Progress->setRange(0, analysis_->total());
    Progress->setValue(0);
    if (choice.engine.isEmpty()) {
        MessageLabel->setText(
            QStringLiteral("エンジンがありません。検討 > エンジン設定… で追加してください"));
        CancelButton->setEnabled(false);
        return false;
    }
    if (!analysis_->error().empty()) {
        MessageLabel->setText(QStringLiteral("解析できません: ") + fromUtf8(analysis_->error()));
        CancelButton->setEnabled(false);
        return false;
    }
    analyser_ = std::make_unique<GameAnalyser>(*analysis_, choice.settings);
    std::vector<std::pair<std::string, std::string>> options;
    for (auto it = choice.options.begin(); it != choice.options.end(); ++it)
        options.emplace_back(it.key().toStdString(), it.value().toStdString());
    analyser_->setEngineOptions(std::move(options));
    connect(analyser_.get(), &GameAnalyser::positionDone, this, &TGameAnalysisWindow::showProgress);
    connect(analyser_.get(), &GameAnalyser::note, this,
            [this](const QString &text) { MessageLabel->setText(text); });
    connect(analyser_.get(), &GameAnalyser::finished, this, &TGameAnalysisWindow::showEnd);
    CancelButton->setEnabled(true);
    MessageLabel->setText(QStringLiteral("解析中… %1").arg(choice.engine));
    analyser_->start(choice.engine);
    return true;
}

void TGameAnalysisWindow::cancel() {
    if (analyser_ && analyser_->running()) analyser_->cancel();
}

void TGameAnalysisWindow::stop(const QString &reason) {
    if (!running()) return;
    stopReason_ = reason;
    analyser_->cancel();
}

bool TGameAnalysisWindow::running() const { return analyser_ && analyser_->running(); }

QString TGameAnalysisWindow::message() const { return MessageLabel->text(); }

int TGameAnalysisWindow::progress() const { return Progress->value(); }

void TGameAnalysisWindow::showProgress(int ply) {
    Progress->setValue(analysis_->finished());
    MessageLabel->setText(fromUtf8(progressLine(*analysis_, ply)));
    emit positionDone(ply);
}

void TGameAnalysisWindow::showEnd() {
    CancelButton->setEnabled(false);
    QString text;
    if (!stopReason_.isEmpty())
        text = stopReason_;
    else if (!analysis_->error().empty())
        text = QStringLiteral("解析を中止しました: ") + fromUtf8(analysis_->error());
    else if (analysis_->finished() < analysis_->total())
        text = QStringLiteral("解析をキャンセルしました（%1 / %2 局面）")
                   .arg(analysis_->finished())
                   .arg(analysis_->total());
    else
        text = QStringLiteral("解析が終わりました（%1 局面）").arg(analysis_->total());
    for (const std::string &note : analysis_->notes()) text += QLatin1Char('\n') + fromUtf8(note);
    MessageLabel->setText(text);
    emit finished();
}
