#pragma once
// What the board shows and how, as the player chose it: the attack display, the layers, the side
// the board is seen from and the zoom of the next start. The window owns the one set and hands it
// to whatever draws the board or maps a press; nothing else keeps a copy.

#include "ui/boardview.h"

// The three shadings of the 利き情報 buttons.
enum class AttackDisplay {
    None,           // 表示なし
    Balance,        // 利き収支分布: the side with more attackers, and out-attacked pieces framed
    Concentration,  // 利き集中分布: both sides' attackers together
};

// Which layers of 表示 are on; all off at start.
struct LayerSettings {
    bool counts = false;        // 利きの数
    bool attackers = false;     // 利きの筋
    bool exchange = false;      // 取られる駒
    bool preview = false;       // 指し手の予告
    bool lastMove = false;      // 最後の指し手
    bool destinations = false;  // 指せる場所

    // Whether, with these layers on, the picture changes with the square under the mouse.
    bool followMouse() const { return attackers || preview; }
    bool operator==(const LayerSettings &) const = default;
};

struct DisplaySettings {
    AttackDisplay attacks = AttackDisplay::None;
    LayerSettings layers;
    BoardView view;
    // The zoom (in percent) chosen in 表示 > 拡大: Qt fixes the scale when the program starts, so
    // it is used from the next start on.
    int zoomPercent = 100;
    bool operator==(const DisplaySettings &) const = default;
};
