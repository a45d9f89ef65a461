// The window's menus and the board's popup menu, made from one table: each item's name, object
// name, caption, key, tip and command in one row, in menu order.

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "ui/analysiswindow.h"
#include "ui/csagame.h"
#include "ui/bookwindow.h"
#include "ui/mainform.h"

namespace {

// How an item behaves besides running its command.
enum ItemFlag : unsigned {
    kPlain = 0,
    kCheckable = 1u << 0,
    // The command runs whenever the tick changes, also when the program sets it; otherwise only when
    // the player chooses the item.
    kOnToggle = kCheckable | 1u << 1,
    // The tip is shown as a tooltip in the menu too, not only in the status bar.
    kToolTip = 1u << 2,
    // Waits while a game runs, since it would change the record or walk away from the game's end.
    kNotInGame = 1u << 3,
    // Only while a game runs.
    kInGame = 1u << 4,
};

struct MenuRow {
    WindowMenu menu;
    const char *title;
    const char *objectName;
};

// The menu bar in order; the board's popup menu has no title.
const MenuRow kMenus[] = {
    {WindowMenu::File, "ファイル(&F)", "FileF1"},   {WindowMenu::Run, "実行(&R)", "KR1"},
    {WindowMenu::Edit, "編集(&E)", "EditE1"},       {WindowMenu::View, "表示(&V)", "ViewV1"},
    {WindowMenu::Kifu, "棋譜(&K)", "KifuK1"},       {WindowMenu::Analysis, "検討(&A)", "AnalysisA1"},
    {WindowMenu::Book, "定跡(&J)", "BookJ1"},       {WindowMenu::Help, "ヘルプ(&H)", "HelpH1"},
    {WindowMenu::BoardPopup, "", "PopupMenu1"},
};

}  // namespace

// One item of a menu; a row without a caption is a separator.
struct TZnMainForm::ItemRow {
    WindowMenu menu;
    MenuAction name;
    const char *objectName;
    const char *caption;
    QKeySequence key;
    unsigned flags;
    const char *tip;
    void (*run)(TZnMainForm &window, bool checked);
};

const std::vector<TZnMainForm::ItemRow> &TZnMainForm::itemRows() {
    using W = TZnMainForm;
    using M = WindowMenu;
    using A = MenuAction;
    using K = QKeySequence;
    static const std::vector<ItemRow> rows = {
        {M::File, A::NewGame, "KN1", "新規(&N)", K(Qt::CTRL | Qt::Key_N), kNotInGame, nullptr,
         [](W &w, bool) { w.newRecord(); }},
        {M::File, A::Open, "K4", "開く(&O)", K(Qt::CTRL | Qt::Key_O), kNotInGame, nullptr,
         [](W &w, bool) { w.askOpenRecord(); }},
        {M::File, A::SaveOver, "KS2", "上書き保存(&S)", K(Qt::CTRL | Qt::Key_S), kPlain, nullptr,
         [](W &w, bool) { w.saveOver(); }},
        {M::File, A::SaveAs, "KS1", "保存(&A)...", K(Qt::CTRL | Qt::SHIFT | Qt::Key_S), kPlain, nullptr,
         [](W &w, bool) { w.saveAs(); }},
        // 最近使ったファイル goes before this separator.
        {M::File, A::Unnamed, "N1", nullptr, {}, kPlain, nullptr, nullptr},
        {M::File, A::Exit, "ExitX1", "終了(&X)", {}, kPlain, nullptr, [](W &w, bool) { w.close(); }},

        {M::Run, A::PlayGame, "KR2", "対局(&R)…", K(Qt::CTRL | Qt::Key_G), kNotInGame, nullptr,
         [](W &w, bool) { w.askGame(); }},
        {M::Run, A::NetGame, "KCsa1", "通信対局(&N)…", K(Qt::CTRL | Qt::SHIFT | Qt::Key_G), kNotInGame, nullptr,
         [](W &w, bool) { w.csaWindow()->ask(); }},
        {M::Run, A::TakeBack, "KB1", "一手戻す(&B)", {}, kNotInGame, nullptr, [](W &w, bool) { w.undoOneMove(); }},
        {M::Run, A::Resign, "KG1", "投了(&G)", {}, kInGame, nullptr, [](W &w, bool) { w.resignGame(); }},
        {M::Run, A::DeclareWin, "KR4", "入玉宣言(&D)", {}, kInGame, nullptr, [](W &w, bool) { w.declareInGame(); }},
        {M::Run, A::StopGame, "KR3", "中断(&S)", {}, kInGame, nullptr, [](W &w, bool) { w.stopGame(); }},
        {M::Run, A::MateSearch, "KTsumi1", "詰み探索(&M)", K(Qt::CTRL | Qt::Key_M), kNotInGame,
         "手番の側に詰みがあるかを調べます。", [](W &w, bool) { w.showMateSearch(); }},

        {M::Edit, A::CopyRecord, "KE1", "棋譜をコピー(&C)", K(Qt::CTRL | Qt::Key_C), kPlain, nullptr,
         [](W &w, bool) { w.copyRecord(); }},
        {M::Edit, A::CopyPosition, "KE2", "局面をコピー（SFEN）(&S)", {}, kPlain, nullptr,
         [](W &w, bool) { w.copyPosition(); }},
        {M::Edit, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        {M::Edit, A::Paste, "KE3", "貼り付け(&P)", K(Qt::CTRL | Qt::Key_V), kNotInGame, nullptr,
         [](W &w, bool) { w.pasteRecord(); }},
        {M::Edit, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        {M::Edit, A::EditPosition, "KE4", "局面編集(&E)", K(Qt::CTRL | Qt::Key_E), kNotInGame,
         "盤の局面を駒箱を使って自由に並べ替えます（Enter: 編集終了、Esc: 取り消し）。",
         [](W &w, bool) { w.startPositionEdit(); }},

        {M::View, A::KifuWindow, "KK1", "棋譜ウィンドウ(&K)", {}, kPlain, nullptr,
         [](W &w, bool) { w.showKifuWindow(); }},
        {M::View, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        {M::View, A::First, "KW1", "最初へ(&S)", K(Qt::Key_Home), kNotInGame, nullptr, [](W &w, bool) { w.walkTo(0); }},
        {M::View, A::Previous, "KW2", "一手前へ(&P)", K(Qt::Key_Left), kNotInGame, nullptr,
         [](W &w, bool) { w.walkTo(w.document_.record().cursor() - 1); }},
        {M::View, A::Next, "KW3", "一手先へ(&N)", K(Qt::Key_Right), kNotInGame, nullptr,
         [](W &w, bool) { w.walkTo(w.document_.record().cursor() + 1); }},
        {M::View, A::Last, "KW4", "最後へ(&E)", K(Qt::Key_End), kNotInGame, nullptr,
         [](W &w, bool) { w.walkTo(w.document_.record().length()); }},
        {M::View, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        {M::View, A::EvaluationGraph, "KV1", "評価値グラフ(&H)", {}, kPlain, nullptr,
         [](W &w, bool) { w.showEvaluationGraph(); }},
        {M::View, A::BookWindow, "KBK1", "定跡(&B)", K(Qt::CTRL | Qt::Key_B), kPlain, nullptr,
         [](W &w, bool) { w.showBookWindow(); }},
        {M::View, A::BookArrows, "KBK2", "定跡の矢印", {}, kOnToggle,
         "開いている定跡の、この局面の手を盤上に矢印で示します。", [](W &w, bool on) { w.setBookArrows(on); }},
        {M::View, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        {M::View, A::CountsLayer, "KC1", "利きの数(&C)", K(Qt::CTRL | Qt::Key_1), kOnToggle | kToolTip,
         "マスに利く駒の数を、先手は左下に青、後手は右上に赤で示します。",
         [](W &w, bool on) { w.setLayer(&LayerSettings::counts, on); }},
        {M::View, A::AttackersLayer, "KL1", "利きの筋(&L)", K(Qt::CTRL | Qt::Key_2), kOnToggle | kToolTip,
         "マウスの下のマスに利く駒から線を引きます（先手は青、後手は赤）。",
         [](W &w, bool on) { w.setLayer(&LayerSettings::attackers, on); }},
        {M::View, A::ExchangeLayer, "KX1", "取られる駒(&X)", K(Qt::CTRL | Qt::Key_3), kOnToggle | kToolTip,
         "取り合いになると損をする駒をマゼンタの枠で囲みます。",
         [](W &w, bool on) { w.setLayer(&LayerSettings::exchange, on); }},
        {M::View, A::PreviewLayer, "KP1", "指し手の予告(&Y)", K(Qt::CTRL | Qt::Key_4), kOnToggle | kToolTip,
         "選んだ駒の行き先にマウスを置くと、指した後の盤を薄い駒で示します。",
         [](W &w, bool on) { w.setLayer(&LayerSettings::preview, on); }},
        {M::View, A::LastMoveLayer, "KM1", "最後の指し手(&M)", K(Qt::CTRL | Qt::Key_5), kOnToggle | kToolTip,
         "最後に指した手の行き先を白い枠で囲みます。",
         [](W &w, bool on) { w.setLayer(&LayerSettings::lastMove, on); }},
        {M::View, A::DestinationsLayer, "KQ1", "指せる場所(&D)", K(Qt::CTRL | Qt::Key_6), kOnToggle | kToolTip,
         "選んだ駒が動ける（打てる）マスに緑の点を打ちます。",
         [](W &w, bool on) { w.setLayer(&LayerSettings::destinations, on); }},
        {M::View, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        // 拡大 follows.
        {M::View, A::Flip, "KT1", "盤面反転(&T)", K(Qt::CTRL | Qt::Key_T), kOnToggle,
         "盤を後手の側から見た向きにします。", [](W &w, bool on) {
             w.setFlipped(on);
             w.storeViewSettings();
         }},

        {M::Kifu, A::PreviousBranch, "KU1", "前の分岐(&U)", K(Qt::ALT | Qt::Key_Up), kNotInGame, nullptr,
         [](W &w, bool) { w.chooseBranch(-1); }},
        {M::Kifu, A::NextBranch, "KJ1", "次の分岐(&J)", K(Qt::ALT | Qt::Key_Down), kNotInGame, nullptr,
         [](W &w, bool) { w.chooseBranch(1); }},
        {M::Kifu, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        {M::Kifu, A::PromoteBranch, "KH1", "分岐を本譜にする(&H)", {}, kNotInGame, nullptr,
         [](W &w, bool) { w.promoteBranch(); }},
        {M::Kifu, A::DeleteAfter, "KD1", "この手以降を削除(&D)", {}, kNotInGame, nullptr,
         [](W &w, bool) { w.deleteAfterCursor(); }},
        {M::Kifu, A::UndoDelete, "KY1", "元に戻す(&Z)", K(Qt::CTRL | Qt::Key_Z), kNotInGame, nullptr,
         [](W &w, bool) { w.undoDeletion(); }},

        {M::Analysis, A::Analysis, "KZ1", "検討開始/停止(&S)", K(Qt::CTRL | Qt::Key_R), kCheckable | kNotInGame,
         nullptr, [](W &w, bool) { w.toggleAnalysis(); }},
        {M::Analysis, A::Arrows, "KZ3", "最善手の矢印(&A)", {}, kOnToggle, nullptr, [](W &w, bool on) {
             if (w.analysis_ != nullptr) w.analysis_->setArrowsOn(on);
         }},
        {M::Analysis, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        {M::Analysis, A::EngineSettings, "KZ2", "エンジン設定(&E)…", {}, kPlain, nullptr,
         [](W &w, bool) { w.showEngineSettings(); }},
        {M::Analysis, A::GameAnalysis, "KZ4", "棋譜解析(&G)…", {}, kNotInGame, nullptr,
         [](W &w, bool) { w.askGameAnalysis(); }},

        {M::Book, A::BookNew, "KJB1", "新規(&N)", {}, kPlain, nullptr, [](W &w, bool) { w.bookWindow_->newBook(); }},
        {M::Book, A::BookOpen, "KJB2", "開く(&O)…", {}, kPlain, nullptr, [](W &w, bool) { w.askOpenBook(); }},
        {M::Book, A::BookSave, "KJB3", "保存(&S)", {}, kPlain, nullptr, [](W &w, bool) { w.bookWindow_->saveBook(); }},
        {M::Book, A::BookSaveAs, "KJB4", "名前を付けて保存(&A)…", {}, kPlain, nullptr,
         [](W &w, bool) { w.askSaveBookAs(); }},
        {M::Book, A::Unnamed, "", nullptr, {}, kPlain, nullptr, nullptr},
        {M::Book, A::BookBuild, "KJB5", "棋譜から作成(&R)…", {}, kPlain, nullptr, [](W &w, bool) { w.askBuildBook(); }},

        {M::Help, A::Legend, "KH2", "凡例(&L)", {}, kPlain, "盤の色と印が何を表すかを一覧で示します。",
         [](W &w, bool) { w.showLegendWindow(); }},
        {M::Help, A::About, "KA1", "バージョン情報(&A)", {}, kPlain, nullptr, [](W &w, bool) { w.showAbout(); }},

        {M::BoardPopup, A::BoardTakeBack, "K1", "一手戻す", {}, kNotInGame, nullptr, [](W &w, bool) { w.undoOneMove(); }},
        {M::BoardPopup, A::BoardResign, "K2", "投了", {}, kInGame, nullptr, [](W &w, bool) { w.resignGame(); }},
        {M::BoardPopup, A::BoardCancel, "K3", "キャンセル", {}, kPlain, nullptr, [](W &w, bool) { w.cancelSelection(); }},
    };
    return rows;
}

QAction *TZnMainForm::action(MenuAction name) const {
    const std::vector<ItemRow> &rows = itemRows();
    for (std::size_t i = 0; i < rows.size() && i < items_.size(); ++i)
        if (rows[i].name == name) return items_[i];
    return nullptr;
}

QMenu *TZnMainForm::menu(WindowMenu name) const {
    const auto index = std::size_t(name);
    return index < menus_.size() ? menus_[index] : nullptr;
}

void TZnMainForm::createMenus() {
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // The desktop's global menu bar would take the menus out of the fixed window.
    bar->setNativeMenuBar(false);
    for (const MenuRow &row : kMenus) {
        QMenu *menu = row.menu == WindowMenu::BoardPopup ? new QMenu(this) : bar->addMenu(QString::fromUtf8(row.title));
        menu->setObjectName(QString::fromLatin1(row.objectName));
        menus_[std::size_t(row.menu)] = menu;
    }
    for (const ItemRow &row : itemRows()) {
        QMenu *menu = menus_[std::size_t(row.menu)];
        QAction *item = row.caption == nullptr ? menu->addSeparator() : menu->addAction(QString::fromUtf8(row.caption));
        if (*row.objectName != '\0') item->setObjectName(QString::fromLatin1(row.objectName));
        items_.push_back(item);
        if (row.caption == nullptr) continue;
        item->setShortcut(row.key);
        item->setCheckable((row.flags & kCheckable) != 0);
        if (row.tip != nullptr) {
            item->setStatusTip(QString::fromUtf8(row.tip));
            if ((row.flags & kToolTip) != 0) item->setToolTip(item->statusTip());
        }
        const auto run = row.run;
        if ((row.flags & kOnToggle) == kOnToggle)
            connect(item, &QAction::toggled, this, [this, run](bool on) { run(*this, on); });
        else
            connect(item, &QAction::triggered, this, [this, run](bool on) { run(*this, on); });
    }
    // The layers' tooltips tell what the colours mean. Each tip fits the status bar, which shows it
    // whole while the mouse rests on the item.
    menu(WindowMenu::View)->setToolTipsVisible(true);
    createRecentMenu();
    createZoomMenu();
}

void TZnMainForm::lockForGame(bool locked) {
    const std::vector<ItemRow> &rows = itemRows();
    for (std::size_t i = 0; i < rows.size() && i < items_.size(); ++i)
        if ((rows[i].flags & (kNotInGame | kInGame)) != 0)
            items_[i]->setEnabled(((rows[i].flags & kInGame) != 0) == locked);
}
