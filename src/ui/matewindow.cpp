#include "ui/matewindow.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/movegen.h"
#include "core/preview.h"
#include "enginehost/mateengine.h"
#include "record/notation.h"
#include "record/sfen.h"

namespace {

// The line as a KIF move list: "▲５二金打" and so on, each named in the position before it.
QStringList kifLine(const ZnBan &game, const std::vector<Move> &line) {
    ZnBan work;
    copyPosition(game, work);
    QStringList rows;
    Square previousTo = IN_HAND;
    for (const Move &move : line) {
        // The record names the piece as it stood before the move: taken back, the move is written.
        if (!applyMove(work, move)) break;
        const MoveHistory record = work.history().back();
        work.undoMove();
        rows << QString::fromStdString(moveNotation(work, record, previousTo));
        applyMove(work, move);
        previousTo = move.to;
    }
    return rows;
}

}  // namespace

TMateWindow::TMateWindow(QWidget *parent) : QWidget(parent, Qt::Tool) {
    setObjectName(QStringLiteral("MateWindow"));
    setWindowTitle(QStringLiteral("詰み探索"));
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("MateState"));
    line_ = new QListWidget(this);
    line_->setObjectName(QStringLiteral("MateLine"));
    stop_ = new QPushButton(QStringLiteral("中止"), this);
    stop_->setObjectName(QStringLiteral("MateStop"));
    addBranch_ = new QPushButton(QStringLiteral("分岐として追加"), this);
    addBranch_->setObjectName(QStringLiteral("MateAddBranch"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(stop_);
    buttons->addStretch();
    buttons->addWidget(addBranch_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(state_);
    layout->addWidget(line_);
    layout->addLayout(buttons);
    resize(260, 320);
    timer_ = new QTimer(this);
    timer_->setInterval(100);
    connect(timer_, &QTimer::timeout, this, &TMateWindow::poll);
    connect(stop_, &QPushButton::clicked, this, &TMateWindow::stop);
    connect(addBranch_, &QPushButton::clicked, this, [this] {
        std::vector<Move> moves;
        for (const Move &move : result_.line) moves.push_back({move.from, move.to, move.promote, move.dropKind});
        emit lineToRecord(sfen_, moves);
    });
    addBranch_->setEnabled(false);
    stop_->setEnabled(false);
    connect(line_, &QListWidget::currentRowChanged, this, &TMateWindow::showRow);
    // A press on the marked row shows it too, after the line was left.
    connect(line_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { showRow(line_->row(item)); });
}

TMateWindow::~TMateWindow() {
    solver_.stop();
    engineStop_ = true;
    if (worker_.joinable()) worker_.join();
}

void TMateWindow::start(const ZnBan &game, const MateLimits &limits, const QString &engine) {
    if (worker_.joinable()) {
        solver_.stop();
        engineStop_ = true;
        worker_.join();
    }
    leave();
    solver_.rearm();
    engineStop_ = false;
    engine_ = engine;
    engineFault_.clear();
    result_ = MateResult{};
    {
        // The rows of the last answer go without moving the board.
        const QSignalBlocker quiet(line_);
        line_->clear();
    }
    addBranch_->setEnabled(false);
    copyPosition(game, position_);
    sfen_ = positionSfen(game);
    if (const std::string problem = mateProblem(position_); !problem.empty()) {
        state_->setText(QStringLiteral("調べられません：%1").arg(QString::fromStdString(problem)));
        emit statusMessage(state_->text());
        return;
    }
    done_ = false;
    started_ = std::chrono::steady_clock::now();
    state_->setText(QStringLiteral("探索中…"));
    stop_->setEnabled(true);
    // The thread reads only its own copy of the position; the window reads the result after join.
    if (engine_.isEmpty()) {
        worker_ = std::thread([this, limits] {
            result_ = solver_.solve(position_, limits);
            done_ = true;
        });
    } else {
        // The engine's table is kept small: its own default may be gigabytes.
        constexpr int kEngineHashMb = 256;
        worker_ = std::thread([this, limits] {
            const auto began = std::chrono::steady_clock::now();
            const EngineMate mate =
                askEngineMate(engine_, position_, limits.milliseconds, kEngineHashMb, &engineStop_);
            MateResult result;
            result.answer = mate.answer;
            result.line = mate.line;
            result.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                      std::chrono::steady_clock::now() - began)
                                      .count();
            engineFault_ = mate.fault;
            result_ = std::move(result);
            done_ = true;
        });
    }
    timer_->start();
}

void TMateWindow::stop() {
    if (!worker_.joinable()) return;
    solver_.stop();
    engineStop_ = true;
    finish();
}

void TMateWindow::poll() {
    if (done_) {
        finish();
        return;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    if (!engine_.isEmpty())
        state_->setText(
            QStringLiteral("%1 が探索中… %2 秒").arg(QFileInfo(engine_).fileName()).arg(seconds, 0, 'f', 1));
    else
        state_->setText(
            QStringLiteral("探索中… %1 局面　%2 秒").arg(solver_.nodes()).arg(seconds, 0, 'f', 1));
}

void TMateWindow::finish() {
    timer_->stop();
    if (worker_.joinable()) worker_.join();
    stop_->setEnabled(false);
    showAnswer();
}

void TMateWindow::showAnswer() {
    QString text;
    switch (result_.answer) {
        case MateAnswer::Mate:
            text = QStringLiteral("詰み %1手").arg(result_.line.size());
            // An engine's line is checked to mate, not to be the shortest.
            if (!result_.shortest && engine_.isEmpty()) text += QStringLiteral("（最短とは限りません）");
            break;
        case MateAnswer::NoMate: text = QStringLiteral("不詰（詰みはありません）"); break;
        case MateAnswer::Unknown:
            text = engineFault_.empty()
                       ? QStringLiteral("不明（制限内に決まりませんでした）")
                       : QStringLiteral("不明（%1）").arg(QString::fromStdString(engineFault_));
            break;
    }
    if (engine_.isEmpty())
        text += QStringLiteral("　%1 局面　%2 ミリ秒").arg(result_.nodes).arg(result_.milliseconds);
    else
        text +=
            QStringLiteral("　%1　%2 ミリ秒").arg(QFileInfo(engine_).fileName()).arg(result_.milliseconds);
    state_->setText(text);
    {
        // The first row is marked, but the board moves only when the player steps.
        const QSignalBlocker quiet(line_);
        line_->addItems(kifLine(position_, result_.line));
        if (line_->count() > 0) line_->setCurrentRow(0);
    }
    addBranch_->setEnabled(result_.answer == MateAnswer::Mate);
    emit statusMessage(text);
}

bool TMateWindow::event(QEvent *event) {
    // ← → belong to the line here, not to the main window's walking through the record.
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void TMateWindow::keyPressEvent(QKeyEvent *event) {
    // ← → step through the line as ↑ ↓ do in the list; ← from its first move leaves it, and the
    // board shows the record's position again.
    if ((event->key() == Qt::Key_Left || event->key() == Qt::Key_Right) && line_->count() > 0) {
        const int step = event->key() == Qt::Key_Right ? 1 : -1;
        const int row = line_->currentRow();
        if (step < 0 && row == 0 && shownRow_ >= 0)
            leave();
        else if (row + step >= 0 && row + step < line_->count())
            line_->setCurrentRow(row + step);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMateWindow::showRow(int row) {
    if (row < 0 || static_cast<std::size_t>(row) >= result_.line.size()) return leave();
    copyPosition(position_, stepped_);
    for (int ply = 0; ply <= row; ++ply)
        if (!applyMove(stepped_, result_.line[static_cast<std::size_t>(ply)])) return leave();
    shownRow_ = row;
    emit showPosition(stepped_);
}

void TMateWindow::leave() {
    if (shownRow_ < 0) return;
    shownRow_ = -1;
    emit leaveLine();
}

void TMateWindow::hideEvent(QHideEvent *event) {
    // Closed (Esc too), the window takes its line off the board.
    leave();
    QWidget::hideEvent(event);
}
