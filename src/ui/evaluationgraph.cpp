#include "ui/evaluationgraph.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineSeries>
#include <QMouseEvent>
#include <QScatterSeries>
#include <QToolTip>
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

constexpr int kMargin = 4;

QChart *makeChart(const QString &title) {
    auto chart = new QChart;
    chart->setTitle(title);
    chart->setMargins(QMargins(kMargin, kMargin, kMargin, kMargin));
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

// The sides' colours, as the attack overlay has them.
const QColor kSideColors[] = {QColor(30, 80, 220), QColor(210, 40, 40)};

struct LabelLook {
    MoveLabel label;
    QColor color;
};
const LabelLook kLabelLooks[] = {{MoveLabel::Dubious, QColor(230, 180, 0)},
                                 {MoveLabel::Mistake, QColor(240, 110, 0)},
                                 {MoveLabel::Blunder, QColor(200, 0, 90)}};

QString labelText(MoveLabel label) {
    return QString::fromUtf8(labelName(label).data(), qsizetype(labelName(label).size()));
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
        addLine(chart, QStringLiteral("現在の局面"), QColor(90, 90, 90), 1.5, evaluationX_, evaluationY_);
    for (std::size_t kind = 0; kind < markers_.size(); ++kind) {
        auto marker = new QScatterSeries(chart);
        marker->setName(labelText(kLabelLooks[kind].label));
        marker->setColor(kLabelLooks[kind].color);
        marker->setBorderColor(Qt::white);
        marker->setMarkerSize(11);
        chart->addSeries(marker);
        marker->attachAxis(evaluationX_);
        marker->attachAxis(evaluationY_);
        markers_[kind] = marker;
    }
    evaluationView_ = new QChartView(chart, this);
    evaluationView_->setObjectName(QStringLiteral("EvaluationChart"));
    evaluationView_->setRenderHint(QPainter::Antialiasing);
    evaluationView_->viewport()->installEventFilter(this);
    // The graph sits beside the board, which keeps the focus: its tips show all the same.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    QChart *safety =
        makeChart(QStringLiteral("玉の安全度（玉の周り8マスへの敵の利き、下の帯は交換で取られる駒）"));
    timelineX_ = addAxis(safety, Qt::AlignBottom, QStringLiteral("%d"));
    timelineY_ = addAxis(safety, Qt::AlignLeft, QStringLiteral("%d"));
    const QString kingNames[] = {QStringLiteral("▲玉への利き"), QStringLiteral("△玉への利き")};
    const QString lostNames[] = {QStringLiteral("▲取られる駒"), QStringLiteral("△取られる駒")};
    for (std::size_t side = 0; side < 2; ++side) {
        kingLines_[side] = addLine(safety, kingNames[side], kSideColors[side], 2.0, timelineX_, timelineY_);
        auto strip = new QAreaSeries(new QLineSeries(safety), new QLineSeries(safety));
        strip->setName(lostNames[side]);
        QColor fill = kSideColors[side];
        fill.setAlpha(150);
        strip->setBrush(fill);
        strip->setPen(Qt::NoPen);
        safety->addSeries(strip);
        strip->attachAxis(timelineX_);
        strip->attachAxis(timelineY_);
        lostStrips_[side] = strip;
    }
    timelineView_ = new QChartView(safety, this);
    timelineView_->setObjectName(QStringLiteral("TimelineChart"));
    timelineView_->setRenderHint(QPainter::Antialiasing);
    for (QChart *each : {chart, safety})
        connect(each, &QChart::plotAreaChanged, this, [this] { alignPlotAreas(); });

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
    resize(640, 560);
    setData({}, 1, {});
}

void TEvaluationGraphWindow::setData(const std::vector<GraphPoint> &points, int positions,
                                     const std::vector<std::array<SideSafety, 2>> &timeline) {
    points_ = points;
    positions_ = std::max(positions, 1);
    const qreal last = std::max(positions_ - 1, 1);
    // Half a move of room at each end, so that a marker or a bar at either end shows whole.
    evaluationX_->setRange(-0.5, last + 0.5);
    timelineX_->setRange(-0.5, last + 0.5);
    for (QValueAxis *axis : {evaluationX_, timelineX_}) {
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
        axis->setTickInterval(last <= 20 ? 2 : last <= 100 ? 10 : 20);
    }
    redrawTimeline(timeline);
    redrawEvaluation();
}

void TEvaluationGraphWindow::redrawTimeline(const std::vector<std::array<SideSafety, 2>> &timeline) {
    int highest = 4;
    for (const auto &sides : timeline)
        for (const SideSafety &side : sides) highest = std::max(highest, side.kingZoneAttacks);
    const int interval = std::max(1, (highest + 3) / 4);
    // The strip takes the room under 0, less than one tick, so that no negative count is labelled;
    // sente's lane is the lower, as sente sits at the bottom of the board.
    const qreal room = 0.9 * interval, lane = room / 2;
    timelineY_->setRange(-room, highest);
    timelineY_->setTickType(QValueAxis::TicksDynamic);
    timelineY_->setTickAnchor(0);
    timelineY_->setTickInterval(interval);
    const qreal left = -0.5, right = qreal(positions_) - 0.5;
    for (std::size_t side = 0; side < 2; ++side) {
        QList<QPointF> attacks, top;
        lostCounts_[side].clear();
        const qreal base = side == SENTE ? -room : -lane;
        top.push_back({left, base});
        for (std::size_t ply = 0; ply < timeline.size(); ++ply) {
            const SideSafety &safety = timeline[ply][side];
            attacks.push_back(QPointF(qreal(ply), safety.kingZoneAttacks));
            lostCounts_[side].push_back(QPointF(qreal(ply), safety.piecesLost));
            if (safety.piecesLost == 0) continue;
            // One piece fills half the lane, three or more all of it, short of a gap between lanes.
            const qreal height =
                (lane - 0.1 * interval) * std::min(0.5 + (safety.piecesLost - 1) * 0.25, 1.0);
            const qreal x = qreal(ply);
            top.append(
                {{x - 0.45, base}, {x - 0.45, base + height}, {x + 0.45, base + height}, {x + 0.45, base}});
        }
        top.push_back({right, base});
        kingLines_[side]->replace(attacks);
        lostStrips_[side]->upperSeries()->replace(top);
        lostStrips_[side]->lowerSeries()->replace({{left, base}, {right, base}});
    }
}

void TEvaluationGraphWindow::setShowChance(bool chance) {
    chance_ = chance;
    if (ScaleBox->currentIndex() != (chance ? 1 : 0)) ScaleBox->setCurrentIndex(chance ? 1 : 0);
    redrawEvaluation();
}

void TEvaluationGraphWindow::redrawEvaluation() {
    // A twentieth of room beyond each limit, so that a marker on a mate shows whole; the ticks stay
    // on the round values.
    const qreal top = chance_ ? 100 : kLimit, bottom = chance_ ? 0 : -kLimit, room = (top - bottom) / 40;
    evaluationY_->setRange(bottom - room, top + room);
    evaluationY_->setTickType(QValueAxis::TicksDynamic);
    evaluationY_->setTickAnchor(chance_ ? 0 : -kLimit);
    evaluationY_->setTickInterval(chance_ ? 25 : 1000);
    QList<QPointF> values;
    values.reserve(qsizetype(points_.size()));
    std::array<QList<QPointF>, 3> marked;
    for (const GraphPoint &point : points_) {
        const QPointF value(point.ply, chance_ ? point.chance * 100.0 : point.centipawns);
        values.push_back(value);
        for (std::size_t kind = 0; kind < marked.size(); ++kind)
            if (point.label == kLabelLooks[kind].label) marked[kind].push_back(value);
    }
    evaluation_->replace(values);
    for (std::size_t kind = 0; kind < marked.size(); ++kind) markers_[kind]->replace(marked[kind]);
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
    if (line == 0 || line == 1) return kingLines_[std::size_t(line)]->points();
    if (line == 2 || line == 3) return lostCounts_[std::size_t(line - 2)];
    return {};
}

QList<QPointF> TEvaluationGraphWindow::markerPoints(MoveLabel label) const {
    for (std::size_t kind = 0; kind < markers_.size(); ++kind)
        if (kLabelLooks[kind].label == label) return markers_[kind]->points();
    return {};
}

QString TEvaluationGraphWindow::markerTip(int ply) const {
    for (const GraphPoint &point : points_) {
        if (point.ply != ply || point.label == MoveLabel::None) continue;
        QString tip = QStringLiteral("%1手目 %2").arg(ply).arg(labelText(point.label));
        if (!point.reason.empty()) tip += QLatin1Char('\n') + QString::fromStdString(point.reason);
        return tip;
    }
    return {};
}

int TEvaluationGraphWindow::markerAt(QPoint at) const {
    QChart *chart = evaluationView_->chart();
    constexpr qreal kReach = 8.0;  // about a marker's radius, and a little more
    int found = -1;
    qreal nearest = kReach * kReach;
    for (const QScatterSeries *marker : markers_)
        for (const QPointF &point : marker->points()) {
            const QPointF centre = evaluationView_->mapFromScene(
                chart->mapToScene(chart->mapToPosition(point, const_cast<QScatterSeries *>(marker))));
            const QPointF apart = centre - QPointF(at);
            const qreal distance = QPointF::dotProduct(apart, apart);
            if (distance <= nearest) {
                nearest = distance;
                found = int(std::lround(point.x()));
            }
        }
    return found;
}

namespace {

qreal xInWindow(const QWidget *window, QChartView *view, QAbstractSeries *series, int ply) {
    QChart *chart = view->chart();
    const QPointF inScene = chart->mapToScene(chart->mapToPosition(QPointF(ply, 0), series));
    // The view shows the scene unscaled, so a scene's fraction of a pixel stays one in the window.
    const QPointF offset = view->viewport()->mapTo(window, view->mapFromScene(QPointF(0, 0)));
    return inScene.x() + offset.x();
}

}  // namespace

qreal TEvaluationGraphWindow::evaluationX(int ply) const {
    return xInWindow(this, evaluationView_, evaluation_, ply);
}

qreal TEvaluationGraphWindow::timelineX(int ply) const {
    return xInWindow(this, timelineView_, kingLines_[0], ply);
}

void TEvaluationGraphWindow::alignPlotAreas() {
    if (aligning_) return;
    aligning_ = true;
    // Each chart's room beside its plot for the axis labels, without the margin added to align.
    const std::array<QChart *, 2> charts = {evaluationView_->chart(), timelineView_->chart()};
    std::array<qreal, 2> left{}, right{};
    for (std::size_t i = 0; i < charts.size(); ++i) {
        const QRectF plot = charts[i]->plotArea();
        const QMargins margins = charts[i]->margins();
        left[i] = plot.left() - margins.left();
        right[i] = charts[i]->size().width() - plot.right() - margins.right();
    }
    const qreal wideLeft = std::max(left[0], left[1]), wideRight = std::max(right[0], right[1]);
    for (std::size_t i = 0; i < charts.size(); ++i) {
        QMargins margins = charts[i]->margins();
        margins.setLeft(kMargin + int(std::lround(wideLeft - left[i])));
        margins.setRight(kMargin + int(std::lround(wideRight - right[i])));
        if (margins != charts[i]->margins()) charts[i]->setMargins(margins);
    }
    aligning_ = false;
}

int TEvaluationGraphWindow::plyAt(int x) const {
    QChart *chart = evaluationView_->chart();
    const QPointF inScene = evaluationView_->mapToScene(QPoint(x, 0));
    const QPointF value = chart->mapToValue(chart->mapFromScene(inScene), evaluation_);
    const int ply = static_cast<int>(std::lround(value.x()));
    return ply >= 0 && ply < positions_ ? ply : -1;
}

bool TEvaluationGraphWindow::eventFilter(QObject *watched, QEvent *event) {
    if (watched == evaluationView_->viewport() && event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        if (const int ply = markerAt(help->pos()); ply >= 0)
            QToolTip::showText(help->globalPos(), markerTip(ply), evaluationView_->viewport());
        else
            QToolTip::hideText();
        return true;
    }
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
