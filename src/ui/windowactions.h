#pragma once
// The window's menus and menu items by name. The object names the first window gave them (FileF1,
// KN1 … KZ4) stay, for the tests and whatever stored them; the one table in menus.cpp maps each
// name to its object name, caption, key and command. A new item is one row of that table, and a
// name here when other code must reach it.

#include <cstddef>

enum class WindowMenu {
    File,      // ファイル
    Run,       // 実行
    Edit,      // 編集
    View,      // 表示
    Kifu,      // 棋譜
    Analysis,  // 検討
    Book,      // 定跡
    Help,      // ヘルプ
    BoardPopup,  // the board's popup menu (right button)
    Count
};

enum class MenuAction {
    Unnamed,  // an item no code refers to besides its row, and the separators
    // ファイル
    NewGame, Open, SaveOver, SaveAs, Exit,
    // 実行
    PlayGame, NetGame, TakeBack, Resign, DeclareWin, StopGame, MateSearch,
    // 編集
    CopyRecord, CopyPosition, Paste, EditPosition,
    // 表示: the move list, walking, the graph, the layers, the view
    KifuWindow, First, Previous, Next, Last, EvaluationGraph, BookWindow, BookArrows,
    CountsLayer, AttackersLayer, ExchangeLayer, PreviewLayer, LastMoveLayer, DestinationsLayer, Flip,
    // 棋譜
    PreviousBranch, NextBranch, PromoteBranch, DeleteAfter, UndoDelete,
    // 検討
    Analysis, Arrows, EngineSettings, GameAnalysis,
    // 定跡
    BookNew, BookOpen, BookSave, BookSaveAs, BookBuild,
    // ヘルプ
    Legend, About,
    // the board's popup menu
    BoardTakeBack, BoardResign, BoardCancel,
    Count
};

inline constexpr std::size_t kMenuCount = static_cast<std::size_t>(WindowMenu::Count);
inline constexpr std::size_t kActionCount = static_cast<std::size_t>(MenuAction::Count);
