#include "ui/serieswindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/gamecontroller.h"

namespace {

QString fileNameOf(const QString &engine) { return QFileInfo(engine).fileName(); }

// "先手勝ち 時間切れ 14手": the result first, as the engines' names may be long.
QString resultText(const GameResult &result) {
    const QString who = result.end == GameEnd::Stopped ? QStringLiteral("中止")
                        : !result.winner               ? QStringLiteral("引き分け")
                        : *result.winner == SENTE      ? QStringLiteral("先手勝ち")
                                                       : QStringLiteral("後手勝ち");
    return QStringLiteral("%1 %2 %3手").arg(who, QString::fromStdString(endReasonText(result)),
                                          QString::number(result.moves));
}

}  // namespace

TSeriesWindow::TSeriesWindow(GameController &games, QWidget *parent)
    : QWidget(parent, Qt::Tool), games_(games) {
    setObjectName(QStringLiteral("SeriesWindow"));
    setWindowTitle(QStringLiteral("連続対局"));
    auto layout = new QVBoxLayout(this);
    score_ = new QLabel(this);
    score_->setObjectName(QStringLiteral("SeriesScore"));
    QFont bold = font();
    bold.setBold(true);
    score_->setFont(bold);
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("SeriesSummary"));
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("SeriesState"));
    gameList_ = new QListWidget(this);
    gameList_->setObjectName(QStringLiteral("SeriesGames"));
    gameList_->setMinimumHeight(120);
    stop_ = new QPushButton(QStringLiteral("中止"), this);
    stop_->setObjectName(QStringLiteral("SeriesStop"));
    stop_->setToolTip(QStringLiteral("新しい対局を始めず、指している対局を止めます。"));
    connect(stop_, &QPushButton::clicked, this, [this] { games_.stop(); });
    auto bottom = new QHBoxLayout;
    bottom->addWidget(state_, 1);
    bottom->addWidget(stop_);
    layout->addWidget(score_);
    layout->addWidget(summary_);
    layout->addWidget(gameList_, 1);
    layout->addLayout(bottom);
    connect(&games_, &GameController::seriesChanged, this, &TSeriesWindow::refresh);
    connect(&games_, &GameController::finished, this, &TSeriesWindow::refresh);
    // The games running start and end between the counts; the state line follows them.
    auto tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, [this] {
        if (isVisible()) state_->setText(stateText());
    });
    tick->start(1000);
    resize(440, 320);
    refresh();
}

QString TSeriesWindow::scoreText() const {
    const Series *series = games_.series();
    if (series == nullptr) return {};
    const std::array<QString, 2> engines = games_.seriesEngines();
    const MatchScore &score = series->score();
    return QStringLiteral("%1 対 %2: %3勝%4敗%5分（%6／%7局）")
        .arg(fileNameOf(engines[0]), fileNameOf(engines[1]), QString::number(score.wins),
             QString::number(score.losses), QString::number(score.draws), QString::number(series->played()),
             QString::number(series->settings().games));
}

QString TSeriesWindow::summaryText() const {
    const Series *series = games_.series();
    if (series == nullptr) return {};
    QStringList lines;
    for (const std::string &line : seriesSummary(*series)) lines << QString::fromStdString(line);
    return lines.join(QLatin1Char('\n'));
}

QString TSeriesWindow::stateText() const {
    const Series *series = games_.series();
    if (series == nullptr) return {};
    switch (series->end()) {
    case SeriesEnd::Running:
        return QStringLiteral("対局中: %1局").arg(series->running());
    case SeriesEnd::Done:
        return QStringLiteral("終了");
    case SeriesEnd::H0:
        return QStringLiteral("終了: H0 accepted");
    case SeriesEnd::H1:
        return QStringLiteral("終了: H1 accepted");
    case SeriesEnd::Stopped:
        return QStringLiteral("中止");
    case SeriesEnd::Failed:
        return QStringLiteral("失敗（対局を始められません）");
    }
    return {};
}

void TSeriesWindow::refresh() {
    score_->setText(scoreText());
    summary_->setText(summaryText());
    state_->setText(stateText());
    stop_->setEnabled(games_.seriesRunning());
    gameList_->clear();
    const Series *series = games_.series();
    if (series == nullptr) return;
    for (const SeriesEntry &entry : series->entries())
        gameList_->addItem(QStringLiteral("第%1局 %2 ▲%3 △%4")
                               .arg(QString::number(entry.index + 1), resultText(entry.result),
                                    QString::fromStdString(entry.names[SENTE]),
                                    QString::fromStdString(entry.names[GOTE])));
    gameList_->scrollToBottom();
}
