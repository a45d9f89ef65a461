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

#include "core/preview.h"
#include "engine/pv.h"
#include "record/play.h"
#include "record/sfen.h"
#include "ui/matewatch.h"

namespace {

QString number(std::int64_t value) {
    return QLocale(QLocale::Japanese).toString(static_cast<qlonglong>(value));
}

}  // namespace

TAnalysisWindow::TAnalysisWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("AnalysisWindow"));
    setWindowTitle(QStringLiteral("検討"));
    reason_ = new QLabel(QStringLiteral("検討 > 検討開始 (Ctrl+R) で始めます"), this);
    reason_->setWordWrap(true);
    lineCount_ = new QSpinBox(this);
    lineCount_->setRange(1, kMaxLines);
    lineCount_->setValue(wantedLines_);
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

    mate_ = new QLabel(this);
    mate_->setObjectName(QStringLiteral("MateLabel"));
    mate_->setWordWrap(true);
    mate_->setStyleSheet(QStringLiteral("color: #b00000"));
    // Small enough to run beside the engine on every position the board shows.
    MateLimits mateLimits;
    mateLimits.milliseconds = 1000;
    mateLimits.nodes = 500000;
    mateLimits.tableBytes = std::size_t{16} << 20;
    mateWatch_ = new MateWatch(mateLimits, this);
    connect(mateWatch_, &MateWatch::answered, mate_, &QLabel::setText);

    auto top = new QHBoxLayout;
    top->addWidget(reason_, 1);
    top->addWidget(lineCount_);
    auto layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(mate_);
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
    // The board keeps the focus while the lines are read: their tips show all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    redrawTimer_.setSingleShot(true);
    connect(&redrawTimer_, &QTimer::timeout, this, &TAnalysisWindow::redraw);
    clock_.start();
    connect(lineCount_, &QSpinBox::valueChanged, this, [this](int value) {
        if (!limiting_) wantedLines_ = value;
        sendLineCount();
    });
    // The view is rebuilt at every redraw, so the model keeps the chosen line, by its first move.
    connect(lines_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { model_.select(item->data(0, Qt::UserRole).toInt()); });
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
            limiting_ = true;
            lineCount_->setMaximum(std::min(most, int(kMaxLines)));
            lineCount_->setEnabled(most > 1);
            lineCount_->setValue(std::min(wantedLines_, lineCount_->maximum()));
            limiting_ = false;
        }
    });
}

TAnalysisWindow::~TAnalysisWindow() = default;

void TAnalysisWindow::startAnalysis(const QString &path, const QMap<QString, QString> &options,
                                    const ZnBan &game) {
    analysing_ = true;
    model_.forgetPosition();
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
    mateWatch_->stop();
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
    if (analysing_ && model_.valid() && !model_.positionKey().empty())
        engine_.analyse(model_.command(), UsiGo::infinite());
    model_.dropLinesFrom(lineCount());
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
    if (!analysing_ || !model_.follow(game)) return;
    clearLines();
    if (!model_.valid()) {
        mateWatch_->stop();
        engine_.stopSearch();
        setReason(QString::fromStdString(model_.problem()));
        emit statusMessage(QString::fromStdString(model_.problem()));
        return;
    }
    if (engine_.state() == EngineState::Ended) return;
    mateWatch_->follow(model_.position());
    setReason(engine_.state() == EngineState::Searching || engine_.state() == EngineState::Idle ||
                      engine_.state() == EngineState::Stopping
                  ? QStringLiteral("検討中")
                  : QStringLiteral("エンジンを起動しています"));
    engine_.analyse(model_.command(), UsiGo::infinite());
}

void TAnalysisWindow::setReason(const QString &text) { reason_->setText(text); }

void TAnalysisWindow::clearLines() {
    model_.clearLines();
    changed_.clear();
    marks_.arrows.clear();
    marks_.marked.clear();
    emit marksChanged();
    redraw();
    cutNoted_ = false;
}

void TAnalysisWindow::onInfo(const UsiInfo &info) {
    if (!analysing_ || !model_.valid()) return;
    // The start-up text gives way; a note stays until the next position.
    if (model_.take(info, lineCount()) && reason_->text().startsWith(QStringLiteral("エンジンを起動")))
        setReason(QStringLiteral("検討中"));
    scheduleRedraw();
}

void TAnalysisWindow::onBestMove(const UsiBestMove &best) {
    if (best.resign || best.win || !model_.valid()) return;
    ZnBan after;
    const BoardPv pv = translatePv(model_.position(), {best.move}, after);
    if (!pv.cutWord.empty())
        tell(QStringLiteral("エンジンの最善手「%1」はこの局面で指せないので無視しました")
                 .arg(QString::fromStdString(best.move)));
}

void TAnalysisWindow::requestLineToRecord() {
    if (!model_.valid()) return;
    const int index = model_.selectedSlot();
    const std::optional<UsiInfo> &info = model_.line(index);
    if (!info || info->pv.empty()) {
        tell(QStringLiteral("棋譜に加える読み筋がまだありません"));
        return;
    }
    // Only the part of the line that is legal here goes into the record.
    const BoardPv pv = translatePv(model_.position(), info->pv, scratch_);
    if (!pv.moves.empty()) emit lineToRecord(model_.positionKey(), pv.moves);
}

void TAnalysisWindow::tell(const QString &note) {
    // The host only sees the flood; how the window copes with it is the window's to say.
    const QString text = note == EngineProcess::floodNote()
                             ? note + QStringLiteral("（表示は毎秒 10 回までにしています）")
                             : note;
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
    redrawTimer_.start(static_cast<int>(model_.redrawDelay(clock_.elapsed())));
}

void TAnalysisWindow::redraw() {
    ++redraws_;
    model_.drawn(clock_.elapsed());
    lines_->clear();
    marks_.arrows.clear();
    const ReadingsModel::View view = model_.view(lineCount());
    for (const ReadingRow &row : view.rows) {
        QString text = QString::fromStdString(row.text);
        if (!row.cutWord.empty()) {
            text += QStringLiteral(" （%1 以降は指せない手）").arg(QString::fromStdString(row.cutWord));
            if (!cutNoted_)
                tell(QStringLiteral(
                         "エンジンの読み筋の「%1」はこの局面で指せないので、その手から先を省きました")
                         .arg(QString::fromStdString(row.cutWord)));
            cutNoted_ = true;
        }
        auto item = new QTreeWidgetItem(
            lines_, {QString::fromStdString(row.score), QString::fromStdString(row.depth), text});
        item->setData(0, Qt::UserRole, row.line);
        // A reading wider than its cell shows whole in a tooltip.
        constexpr int kCellPadding = 12;
        if (lines_->fontMetrics().horizontalAdvance(text) + kCellPadding > lines_->columnWidth(2))
            item->setToolTip(2, text);
    }
    // The chosen line stays chosen wherever it moved; when it is gone, nothing is.
    if (view.selected >= 0)
        lines_->setCurrentItem(lines_->topLevelItem(view.selected));
    else
        lines_->clearSelection();
    for (const ReadingArrow &arrow : view.arrows)
        marks_.arrows.push_back({arrow.from, arrow.to, arrow.side, arrow.standSlot, arrow.rank});
    changed_ = view.changed;
    changes_->clear();
    for (const BalanceChange &change : changed_)
        changes_->addItem(QString::fromStdString(balanceChangeText(change)));
    showBalance();
    QStringList footer;
    if (model_.nodes()) footer << QStringLiteral("%1 局面").arg(number(*model_.nodes()));
    if (model_.nps()) footer << QStringLiteral("%1 局面/秒").arg(number(*model_.nps()));
    if (engine_.session() != nullptr && !engine_.session()->engineName().empty())
        footer << QString::fromStdString(engine_.session()->engineName());
    footer_->setText(footer.join(QStringLiteral("　")));
    marks_.arrowsOn = arrowsOn_;
    emit marksChanged();
}

void TAnalysisWindow::showBalance() {
    if (model_.positionKey().empty()) {
        senteBalance_->clear();
        goteBalance_->clear();
        return;
    }
    for (Side side : {SENTE, GOTE})
        balanceLabel(side)->setText(QString::fromStdString(
            sideBalanceText(model_.position(), side, sideBalance(model_.position(), side))));
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
