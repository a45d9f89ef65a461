#pragma once
// ヘルプ > 凡例: a small window that tells what the board's colours and marks mean. Each row shows
// one sample square, drawn by the board's own drawing code, beside its meaning.

#include <QImage>
#include <QWidget>

// The marks the legend explains, in the order of its rows.
enum class LegendMark {
    SenteLead,      // 利き収支分布: blue
    GoteLead,       // 利き収支分布: red
    OutAttacked,    // 利き収支分布: the yellow frame
    Concentration,  // 利き集中分布: green
    Counts,         // 利きの数
    AttackerLines,  // 利きの筋
    Exchange,       // 取られる駒
    LastMove,       // 最後の指し手
    Preview,        // 指し手の予告
    Selected,       // the selected piece
};

struct LegendEntry {
    LegendMark mark;
    const char *meaning;  // UTF-8
};

inline constexpr LegendEntry kLegendEntries[] = {
    {LegendMark::SenteLead, "先手の利きが後手より多いマス（差が大きいほど濃い青）【利き収支分布】"},
    {LegendMark::GoteLead, "後手の利きが先手より多いマス（差が大きいほど濃い赤）【利き収支分布】"},
    {LegendMark::OutAttacked, "相手の利きの方が多いマスにいる駒（黄色の枠）【利き収支分布】"},
    {LegendMark::Concentration, "利いている駒が多いマス（両方の合計が多いほど濃い緑）【利き集中分布】"},
    {LegendMark::Counts, "そのマスに利いている駒の数（左下の青が先手、右上の赤が後手）【利きの数】"},
    {LegendMark::AttackerLines, "マウスの下のマスに利いている駒からの線（青が先手、赤が後手）【利きの筋】"},
    {LegendMark::Exchange, "取り合いになると損をする駒（マゼンタの枠）【取られる駒】"},
    {LegendMark::LastMove, "最後に指した手の行き先（白い枠）【最後の指し手】"},
    {LegendMark::Preview, "予告した手の後の駒（薄い字と白い枠）【指し手の予告】"},
    {LegendMark::Selected, "選んでいる駒（白い字）"},
};

// A sample is a piece of the board this many logical pixels square, with one grid square whose
// top-left corner is at (kLegendSquareOffset, kLegendSquareOffset).
inline constexpr int kLegendSampleSize = 40;
inline constexpr int kLegendSquareOffset = 4;

// The sample of `mark` at `devicePixelRatio`.
QImage legendSample(LegendMark mark, qreal devicePixelRatio);

class TLegendWindow : public QWidget {
    Q_OBJECT

public:
    explicit TLegendWindow(QWidget *parent = nullptr);
};
