#include "ui/analysiswindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "analysis/preview.h"
#include "core/rules.h"
#include "engine/position_check.h"
#include "engine/pv.h"
#include "record/play.h"
#include "record/sfen.h"

namespace {

QString number(std::int64_t value) {
    return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(value));
}

}  // namespace

TAnalysisWindow::TAnalysisWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("AnalysisWindow"));
    setWindowTitle(QStringLiteral("検討"));
    infos_.resize(kMaxLines);
    reason_ = new QLabel(QStringLiteral("検討 > 検討開始 (Ctrl+R) で始めます"), this);
    reason_->setWordWrap(true);
    lineCount_ = new QSpinBox(this);
    lineCount_->setRange(1, kMaxLines);
    lineCount_->setValue(3);
    lineCount_->setPrefix(QStringLiteral("候補手 "));
    lines_ = new QTreeWidget(this);
    lines_->setColumnCount(3);
    lines_->setHeaderLabels({QStringLiteral("評価値"), QStringLiteral("深さ"), QStringLiteral("読み筋")});
    lines_->setRootIsDecorated(false);
    lines_->setWordWrap(true);
    lines_->header()->setStretchLastSection(true);
    lines_->setColumnWidth(0, 150);
    lines_->setColumnWidth(1, 60);
    lines_->setMouseTracking(true);
    lines_->viewport()->installEventFilter(this);
    senteBalance_ = new QLabel(this);
    goteBalance_ = new QLabel(this);
    for (QLabel *label : {senteBalance_, goteBalance_}) label->setWordWrap(true);
    auto changesTitle = new QLabel(QStringLiteral("最善手で利きの優劣が変わるマス"), this);
    changes_ = new QListWidget(this);
    changes_->setMaximumHeight(90);
    changes_->setMouseTracking(true);
    changes_->viewport()->installEventFilter(this);
    footer_ = new QLabel(this);
    addLine_ = new QPushButton(QStringLiteral("読み筋を変化として棋譜に追加"), this);
    addLine_->setObjectName(QStringLiteral("AddLineButton"));
    addLine_->setToolTip(
        QStringLiteral("選んだ読み筋（選んでいなければ一番目）を、今の局面からの変化として棋譜に加えます。"));

    auto top = new QHBoxLayout;
    top->addWidget(reason_, 1);
    top->addWidget(lineCount_);
    auto layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lines_, 1);
    layout->addWidget(senteBalance_);
    layout->addWidget(goteBalance_);
    layout->addWidget(changesTitle);
    layout->addWidget(changes_);
    auto bottom = new QHBoxLayout;
    bottom->addWidget(footer_, 1);
    bottom->addWidget(addLine_);
    layout->addLayout(bottom);
    resize(640, 420);

    redrawTimer_.setSingleShot(true);
    connect(&redrawTimer_, &QTimer::timeout, this, &TAnalysisWindow::redraw);
    sinceRedraw_.start();
    connect(lineCount_, &QSpinBox::valueChanged, this, [this] { sendLineCount(); });
    // The view is rebuilt at every redraw, so the chosen line is kept by its number.
    connect(lines_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { selectedLine_ = item->data(0, Qt::UserRole).toInt(); });
    connect(addLine_, &QPushButton::clicked, this, &TAnalysisWindow::requestLineToRecord);
    connect(&engine_, &EngineProcess::info, this, &TAnalysisWindow::onInfo);
    connect(&engine_, &EngineProcess::bestMove, this, &TAnalysisWindow::onBestMove);
    connect(&engine_, &EngineProcess::fault, this, &TAnalysisWindow::tell);
    connect(&engine_, &EngineProcess::note, this, &TAnalysisWindow::tell);
    connect(&engine_, &EngineProcess::ended, this, &TAnalysisWindow::onEnded);
    connect(&engine_, &EngineProcess::engineStateChanged, this, [this](EngineState state) {
        if (state == EngineState::Idle || state == EngineState::Searching) {
            const QString name = QString::fromStdString(engine_.session()->engineName());
            setWindowTitle(name.isEmpty() ? QStringLiteral("検討") : QStringLiteral("検討 - %1").arg(name));
            // An engine that gives one line shows one, whatever was asked.
            const int most = engine_.session()->profile().multiPvOption.empty()
                                 ? 1
                                 : engine_.session()->profile().maxLines;
            lineCount_->setMaximum(std::min(most, int(kMaxLines)));
            lineCount_->setEnabled(most > 1);
        }
    });
}

TAnalysisWindow::~TAnalysisWindow() = default;

void TAnalysisWindow::startAnalysis(const QString &path, const QMap<QString, QString> &options,
                                    const ZnBan &game) {
    analysing_ = true;
    positionKey_.clear();
    clearLines();
    setReason(QStringLiteral("エンジンを起動しています: %1").arg(path));
    lineCount_->setMaximum(kMaxLines);
    emit analysingChanged(true);
    engine_.start(path);
    // A program that cannot be started has ended already, with its reason shown.
    if (!analysing_) return;
    for (auto it = options.begin(); it != options.end(); ++it)
        engine_.setOption(it.key().toStdString(), it.value().toStdString());
    sendLineCount();
    followPosition(game);
}

void TAnalysisWindow::stopAnalysis() {
    if (!analysing_) return;
    analysing_ = false;
    engine_.quit();
    marks_.arrows.clear();
    emit marksChanged();
    setReason(QStringLiteral("検討を止めました"));
    emit analysingChanged(false);
}

void TAnalysisWindow::sendLineCount() {
    const EngineSession *session = engine_.session();
    if (session == nullptr || session->profile().multiPvOption.empty()) return;
    engine_.setOption(session->profile().multiPvOption, std::to_string(lineCount()));
    // An endless search takes the option only once stopped: the same position is asked again.
    if (analysing_ && positionValid_ && !positionKey_.empty()) engine_.analyse(command_, UsiGo::infinite());
    // The lines asked for before are out of date.
    std::fill(infos_.begin() + lineCount(), infos_.end(), std::nullopt);
    scheduleRedraw();
}

int TAnalysisWindow::lineCount() const { return lineCount_->isEnabled() ? lineCount_->value() : 1; }

void TAnalysisWindow::setLineCount(int count) { lineCount_->setValue(count); }

void TAnalysisWindow::setArrowsOn(bool on) {
    arrowsOn_ = on;
    marks_.arrowsOn = on;
    emit marksChanged();
}

void TAnalysisWindow::followPosition(const ZnBan &game) {
    if (!analysing_) return;
    std::string key = positionSfen(game);
    if (key == positionKey_) return;
    positionKey_ = std::move(key);
    copyPosition(game, position_);
    clearLines();
    std::string problem = analysisProblem(position_);
    // A position with no legal move is never sent: the side to move has lost, and an engine would
    // search it for nothing.
    if (problem.empty() && rulesProblem(position_).empty() && !hasLegalMove(position_)) problem = "詰み";
    positionValid_ = problem.empty();
    if (!positionValid_) {
        engine_.stopSearch();
        setReason(QString::fromStdString(problem));
        emit statusMessage(QString::fromStdString(problem));
        return;
    }
    command_ = lineCommand(game);
    if (engine_.state() == EngineState::Ended) return;
    setReason(engine_.state() == EngineState::Searching || engine_.state() == EngineState::Idle ||
                      engine_.state() == EngineState::Stopping
                  ? QStringLiteral("検討中")
                  : QStringLiteral("エンジンを起動しています"));
    engine_.analyse(command_, UsiGo::infinite());
}

void TAnalysisWindow::setReason(const QString &text) { reason_->setText(text); }

void TAnalysisWindow::clearLines() {
    std::fill(infos_.begin(), infos_.end(), std::nullopt);
    nodes_.reset();
    nps_.reset();
    changed_.clear();
    marks_.arrows.clear();
    marks_.marked.clear();
    emit marksChanged();
    redraw();
    // The emptied lines are no reason to keep the new position's first line waiting.
    showNextAtOnce_ = true;
    cutNoted_ = false;
}

void TAnalysisWindow::onInfo(const UsiInfo &info) {
    if (!analysing_ || !positionValid_) return;
    if (info.nodes) nodes_ = info.nodes;
    if (info.nps) nps_ = info.nps;
    if (info.score && !info.pv.empty()) {
        const int index = info.multipv.value_or(1) - 1;
        if (index >= 0 && index < lineCount()) infos_[static_cast<std::size_t>(index)] = info;
        // The start-up text gives way; a note stays until the next position.
        if (reason_->text().startsWith(QStringLiteral("エンジンを起動"))) setReason(QStringLiteral("検討中"));
    }
    scheduleRedraw();
}

void TAnalysisWindow::onBestMove(const UsiBestMove &best) {
    if (best.resign || best.win || !positionValid_) return;
    ZnBan after;
    const BoardPv pv = translatePv(position_, {best.move}, after);
    if (!pv.cutWord.empty())
        tell(QStringLiteral("エンジンの最善手「%1」はこの局面で指せないので無視しました")
                 .arg(QString::fromStdString(best.move)));
}

void TAnalysisWindow::requestLineToRecord() {
    if (!positionValid_) return;
    std::size_t index = static_cast<std::size_t>(selectedLine_);
    if (index >= infos_.size() || !infos_[index]) index = 0;
    const std::optional<UsiInfo> &info = infos_[index];
    if (!info || info->pv.empty()) {
        tell(QStringLiteral("棋譜に加える読み筋がまだありません"));
        return;
    }
    // Only the part of the line that is legal here goes into the record.
    const BoardPv pv = translatePv(position_, info->pv, scratch_);
    if (!pv.moves.empty()) emit lineToRecord(positionKey_, pv.moves);
}

void TAnalysisWindow::tell(const QString &text) {
    setReason(text);
    emit statusMessage(text);
}

void TAnalysisWindow::onEnded() {
    if (!analysing_) return;
    // The engine is gone on its own (or was killed): the fault says why; 検討 may start again.
    analysing_ = false;
    marks_.arrows.clear();
    emit marksChanged();
    emit analysingChanged(false);
}

void TAnalysisWindow::scheduleRedraw() {
    if (redrawTimer_.isActive()) return;
    // The first line of a new position or after a quiet spell shows at once; a burst waits for
    // the next tenth of a second.
    const qint64 waited = sinceRedraw_.elapsed();
    redrawTimer_.start(showNextAtOnce_ || waited >= kRedrawIntervalMs ? 0 : int(kRedrawIntervalMs - waited));
    showNextAtOnce_ = false;
}

void TAnalysisWindow::redraw() {
    ++redraws_;
    sinceRedraw_.restart();
    lines_->clear();
    marks_.arrows.clear();
    changed_.clear();
    for (int index = 0; index < lineCount(); ++index) {
        const std::optional<UsiInfo> &info = infos_[static_cast<std::size_t>(index)];
        if (!info || !info->score) continue;
        const BoardPv pv = translatePv(position_, info->pv, scratch_);
        QString depth = info->depth ? QString::number(*info->depth) : QString();
        if (info->seldepth) depth += QStringLiteral("/%1").arg(*info->seldepth);
        QString text = QString::fromStdString(pv.text);
        if (!pv.cutWord.empty()) {
            text += QStringLiteral(" （%1 以降は指せない手）").arg(QString::fromStdString(pv.cutWord));
            if (!cutNoted_)
                tell(QStringLiteral(
                         "エンジンの読み筋の「%1」はこの局面で指せないので、その手から先を省きました")
                         .arg(QString::fromStdString(pv.cutWord)));
            cutNoted_ = true;
        }
        auto item = new QTreeWidgetItem(
            lines_,
            {QString::fromStdString(scoreText(senteView(*info->score, position_.turn()))), depth, text});
        item->setData(0, Qt::UserRole, index);
        if (index == selectedLine_) lines_->setCurrentItem(item);
        if (pv.moves.empty()) continue;
        const MoveSpec &first = pv.moves.front();
        BestMoveArrow arrow;
        arrow.from = first.from;
        arrow.to = first.to;
        arrow.side = position_.turn();
        arrow.standSlot = first.from == IN_HAND ? std::max(0, dropPosition(position_, first.dropKind)) : 0;
        arrow.rank = index;
        marks_.arrows.push_back(arrow);
        if (index == 0) {
            ZnBan after;
            copyPosition(position_, after);
            if (playMove(after, first).empty()) changed_ = changedBalances(position_, after);
        }
    }
    changes_->clear();
    for (const BalanceChange &change : changed_)
        changes_->addItem(QString::fromStdString(balanceChangeText(change)));
    showBalance();
    QStringList footer;
    if (nodes_) footer << QStringLiteral("%1 局面").arg(number(*nodes_));
    if (nps_) footer << QStringLiteral("%1 局面/秒").arg(number(*nps_));
    if (engine_.session() != nullptr && !engine_.session()->engineName().empty())
        footer << QString::fromStdString(engine_.session()->engineName());
    footer_->setText(footer.join(QStringLiteral("　")));
    marks_.arrowsOn = arrowsOn_;
    emit marksChanged();
}

void TAnalysisWindow::showBalance() {
    if (positionKey_.empty()) {
        senteBalance_->clear();
        goteBalance_->clear();
        return;
    }
    for (Side side : {SENTE, GOTE})
        balanceLabel(side)->setText(
            QString::fromStdString(sideBalanceText(position_, side, sideBalance(position_, side))));
}

void TAnalysisWindow::setMarked(bool on) {
    std::vector<Square> marked;
    if (on)
        for (const BalanceChange &change : changed_) marked.push_back(change.square);
    if (marked == marks_.marked) return;
    marks_.marked = std::move(marked);
    emit marksChanged();
}

bool TAnalysisWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == lines_->viewport() || watched == changes_->viewport()) {
        if (event->type() == QEvent::MouseMove) {
            const QPoint at = static_cast<QMouseEvent *>(event)->position().toPoint();
            // The changed squares belong to the first line's move.
            const bool onFirst =
                watched == changes_->viewport()
                    ? changes_->itemAt(at) != nullptr
                    : lines_->itemAt(at) != nullptr && lines_->itemAt(at) == lines_->topLevelItem(0);
            setMarked(onFirst);
        } else if (event->type() == QEvent::Leave) {
            setMarked(false);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TAnalysisWindow::closeEvent(QCloseEvent *event) {
    stopAnalysis();
    event->accept();
}
