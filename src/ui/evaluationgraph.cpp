#include "ui/evaluationgraph.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace {

QValueAxis *addAxis(QChart *chart, Qt::Alignment alignment, const QString &format) {
    auto axis = new QValueAxis(chart);
    axis->setLabelFormat(format);
    chart->addAxis(axis, alignment);
    return axis;
}

QLineSeries *addLine(QChart *chart, const QString &name, const QColor &color, qreal width, QValueAxis *x,
                     QValueAxis *y) {
    auto series = new QLineSeries(chart);
    series->setName(name);
    QPen pen(color);
    pen.setWidthF(width);
    series->setPen(pen);
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
    return series;
}

QChart *makeChart(const QString &title) {
    auto chart = new QChart;
    chart->setTitle(title);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

}  // namespace

TEvaluationGraphWindow::TEvaluationGraphWindow(QWidget *parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("EvaluationGraphWindow"));
    setWindowTitle(QStringLiteral("評価値グラフ"));

    QChart *chart = makeChart(QStringLiteral("評価値（先手から）"));
    evaluationX_ = addAxis(chart, Qt::AlignBottom, QStringLiteral("%d"));
    evaluationY_ = addAxis(chart, Qt::AlignLeft, QStringLiteral("%d"));
    evaluation_ =
        addLine(chart, QStringLiteral("評価値"), QColor(30, 80, 200), 2.0, evaluationX_, evaluationY_);
    cursorLine_ =
        addLine(chart, QStringLiteral("現在の局面"), QColor(220, 40, 40), 1.5, evaluationX_, evaluationY_);
    evaluationView_ = new QChartView(chart, this);
    evaluationView_->setObjectName(QStringLiteral("EvaluationChart"));
    evaluationView_->setRenderHint(QPainter::Antialiasing);
    evaluationView_->viewport()->installEventFilter(this);

    QChart *safety = makeChart(QStringLiteral("玉の安全度（玉の周り8マスへの敵の利き・交換で取られる駒）"));
    timelineX_ = addAxis(safety, Qt::AlignBottom, QStringLiteral("%d"));
    timelineY_ = addAxis(safety, Qt::AlignLeft, QStringLiteral("%d"));
    const QString names[] = {QStringLiteral("▲玉への利き"), QStringLiteral("△玉への利き"),
                             QStringLiteral("▲取られる駒"), QStringLiteral("△取られる駒")};
    const QColor colors[] = {QColor(200, 60, 20), QColor(20, 120, 60), QColor(240, 160, 40),
                             QColor(60, 180, 200)};
    for (std::size_t line = 0; line < timeline_.size(); ++line)
        timeline_[line] =
            addLine(safety, names[line], colors[line], line < 2 ? 2.0 : 1.2, timelineX_, timelineY_);
    timelineView_ = new QChartView(safety, this);
    timelineView_->setObjectName(QStringLiteral("TimelineChart"));
    timelineView_->setRenderHint(QPainter::Antialiasing);

    ScaleBox = new QComboBox(this);
    ScaleBox->setObjectName(QStringLiteral("ScaleBox"));
    ScaleBox->addItems({QStringLiteral("評価値（±3000）"), QStringLiteral("先手の勝率")});
    connect(ScaleBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { setShowChance(index == 1); });
    auto top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("縦軸"), this));
    top->addWidget(ScaleBox);
    top->addStretch(1);

    auto layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(top);
    layout->addWidget(evaluationView_, 3);
    layout->addWidget(timelineView_, 2);
    resize(640, 520);
    setData({}, 1, {});
}

void TEvaluationGraphWindow::setData(const std::vector<GraphPoint> &points, int positions,
                                     const std::vector<std::array<SideSafety, 2>> &timeline) {
    points_ = points;
    positions_ = std::max(positions, 1);
    const qreal last = std::max(positions_ - 1, 1);
    evaluationX_->setRange(0, last);
    timelineX_->setRange(0, last);
    for (QValueAxis *axis : {evaluationX_, timelineX_}) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
        axis->setTickInterval(last <= 20 ? 2 : last <= 100 ? 10 : 20);
    }
    int highest = 4;
    for (std::size_t line = 0; line < timeline_.size(); ++line) {
        QList<QPointF> values;
        values.reserve(qsizetype(timeline.size()));
        for (std::size_t ply = 0; ply < timeline.size(); ++ply) {
            const SideSafety &side = timeline[ply][line % 2];
            const int value = line < 2 ? side.kingZoneAttacks : side.piecesLost;
            highest = std::max(highest, value);
            values.push_back(QPointF(qreal(ply), value));
        }
        timeline_[line]->replace(values);
    }
    timelineY_->setRange(0, highest);
    redrawEvaluation();
}

void TEvaluationGraphWindow::setShowChance(bool chance) {
    chance_ = chance;
    if (ScaleBox->currentIndex() != (chance ? 1 : 0)) ScaleBox->setCurrentIndex(chance ? 1 : 0);
    redrawEvaluation();
}

void TEvaluationGraphWindow::redrawEvaluation() {
    if (chance_)
        evaluationY_->setRange(0, 100);
    else
        evaluationY_->setRange(-kLimit, kLimit);
    evaluationY_->setTickCount(chance_ ? 5 : 7);
    QList<QPointF> values;
    values.reserve(qsizetype(points_.size()));
    for (const GraphPoint &point : points_)
        values.push_back(QPointF(point.ply, chance_ ? point.chance * 100.0 : point.centipawns));
    evaluation_->replace(values);
    redrawCursor();
}

void TEvaluationGraphWindow::setCursor(int ply) {
    cursor_ = std::clamp(ply, 0, positions_ - 1);
    redrawCursor();
}

void TEvaluationGraphWindow::redrawCursor() {
    cursorLine_->replace({QPointF(cursor_, evaluationY_->min()), QPointF(cursor_, evaluationY_->max())});
}

QList<QPointF> TEvaluationGraphWindow::evaluationPoints() const { return evaluation_->points(); }

QList<QPointF> TEvaluationGraphWindow::timelinePoints(int line) const {
    return line >= 0 && line < int(timeline_.size()) ? timeline_[std::size_t(line)]->points()
                                                     : QList<QPointF>();
}

int TEvaluationGraphWindow::plyAt(int x) const {
    QChart *chart = evaluationView_->chart();
    const QPointF inScene = evaluationView_->mapToScene(QPoint(x, 0));
    const QPointF value = chart->mapToValue(chart->mapFromScene(inScene), evaluation_);
    const int ply = static_cast<int>(std::lround(value.x()));
    return ply >= 0 && ply < positions_ ? ply : -1;
}

bool TEvaluationGraphWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == evaluationView_->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto *press = static_cast<QMouseEvent *>(event);
        if (press->button() == Qt::LeftButton) {
            const QRectF plot = evaluationView_->chart()->plotArea();
            const QPointF inChart = evaluationView_->chart()->mapFromScene(
                evaluationView_->mapToScene(press->position().toPoint()));
            if (plot.adjusted(-8, 0, 8, 0).contains(inChart)) {
                if (const int ply = plyAt(press->position().toPoint().x()); ply >= 0) emit moveChosen(ply);
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
