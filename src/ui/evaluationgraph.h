#pragma once
// 評価値グラフ: the evaluation of every analysed position of the current line (clamped, or as
// sente's winning chance) with each labelled move marked in its label's colour, the cursor drawn
// and a click that jumps, and under it, move for move on the same x, the king-safety timeline,
// which needs no engine: the enemy attacks around each king as two lines and the pieces each side
// would lose in an exchange as a thin strip under them.

#include <QWidget>
#include <array>
#include <vector>

#include "review/gameanalysis.h"

class QChart;
class QChartView;
class QAreaSeries;
class QComboBox;
class QLineSeries;
class QScatterSeries;
class QValueAxis;

class TEvaluationGraphWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kLimit = 3000;

    explicit TEvaluationGraphWindow(QWidget *parent = nullptr);

    // The evaluations of positions 0..positions-1 and the safety of each side in each of them.
    void setData(const std::vector<GraphPoint> &points, int positions,
                 const std::vector<std::array<SideSafety, 2>> &timeline);
    // Draws the cursor at position `ply`.
    void setCursor(int ply);
    // Shows sente's winning chance (in percent) instead of the evaluation.
    void setShowChance(bool chance);

    // What the charts hold, for tests: the evaluation line's points and the timeline's four rows
    // (sente's and gote's king-zone attacks, then their pieces lost), one point per position.
    QList<QPointF> evaluationPoints() const;
    QList<QPointF> timelinePoints(int line) const;
    // The markers of one label (疑問手, 悪手, 大悪手) on the evaluation curve.
    QList<QPointF> markerPoints(MoveLabel label) const;
    // The tooltip of the marker at position `ply`: its label and reason; empty without a marker.
    QString markerTip(int ply) const;
    // Where position `ply` stands across the window in each chart, for tests.
    qreal evaluationX(int ply) const;
    qreal timelineX(int ply) const;
    QChartView *timelineView() const { return timelineView_; }
    int cursor() const { return cursor_; }
    // The position a press at `x` of the evaluation chart's view chooses; -1 outside the data.
    int plyAt(int x) const;
    QChartView *evaluationView() const { return evaluationView_; }

signals:
    // The user clicked position `ply` (0 = the start).
    void moveChosen(int ply);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void redrawEvaluation();
    void redrawCursor();
    void redrawTimeline(const std::vector<std::array<SideSafety, 2>> &timeline);
    // Gives both plot areas the same left and right edge, so that a position stands at one x.
    void alignPlotAreas();
    // The position whose marker lies under `at` in the evaluation view's viewport; -1 for none.
    int markerAt(QPoint at) const;

    QComboBox *ScaleBox = nullptr;
    QChartView *evaluationView_ = nullptr;
    QChartView *timelineView_ = nullptr;
    QLineSeries *evaluation_ = nullptr;
    QLineSeries *cursorLine_ = nullptr;
    std::array<QScatterSeries *, 3> markers_{};
    std::array<QLineSeries *, 2> kingLines_{};
    // The pieces each side would lose: the strip's top edge and its base, per side.
    std::array<QAreaSeries *, 2> lostStrips_{};
    std::array<QList<QPointF>, 2> lostCounts_;
    QValueAxis *evaluationX_ = nullptr;
    QValueAxis *evaluationY_ = nullptr;
    QValueAxis *timelineX_ = nullptr;
    QValueAxis *timelineY_ = nullptr;
    std::vector<GraphPoint> points_;
    int positions_ = 1;
    int cursor_ = 0;
    bool chance_ = false;
    bool aligning_ = false;
};
