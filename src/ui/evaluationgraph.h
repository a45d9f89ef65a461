#pragma once
// 評価値グラフ: the evaluation of every analysed position of the current line (clamped, or as
// sente's winning chance) with the cursor drawn and a click that jumps, and under it the
// king-safety timeline, which needs no engine: the enemy attacks around each king and the pieces
// each side would lose in an exchange.

#include <QWidget>
#include <array>
#include <vector>

#include "review/gameanalysis.h"

class QChart;
class QChartView;
class QComboBox;
class QLineSeries;
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

    // What the charts hold, for tests: the evaluation line's points and the timeline's four lines
    // (sente's and gote's king-zone attacks, then their pieces lost).
    QList<QPointF> evaluationPoints() const;
    QList<QPointF> timelinePoints(int line) const;
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

    QComboBox *ScaleBox = nullptr;
    QChartView *evaluationView_ = nullptr;
    QChartView *timelineView_ = nullptr;
    QLineSeries *evaluation_ = nullptr;
    QLineSeries *cursorLine_ = nullptr;
    std::array<QLineSeries *, 4> timeline_{};
    QValueAxis *evaluationX_ = nullptr;
    QValueAxis *evaluationY_ = nullptr;
    QValueAxis *timelineX_ = nullptr;
    QValueAxis *timelineY_ = nullptr;
    std::vector<GraphPoint> points_;
    int positions_ = 1;
    int cursor_ = 0;
    bool chance_ = false;
};
