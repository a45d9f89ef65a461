#pragma once
// The main window: the board with its two stands, the side panel, the menus and the status bar.
// It owns the game for its whole life and brings the whole display up to date in RedrawAll.

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/znban.h"
#include "engine/series.h"
#include "record/formats.h"
#include "record/gamerecord.h"
#include "review/mistake.h"
#include "support/readfile.h"
#include "ui/dialogs.h"
#include "ui/gamecontroller.h"
#include "ui/displaysettings.h"
#include "ui/interaction.h"
#include "ui/layers.h"
#include "ui/recentfiles.h"
#include "ui/recorddocument.h"
#include "ui/savequestions.h"
#include "ui/windowactions.h"
#include "ui/znflags.h"

class QAction;
class QCloseEvent;
class QFrame;
class QMimeData;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QRadioButton;
class QStatusBar;
class TAnalysisWindow;
class TEvaluationGraphWindow;
class TGameAnalysisWindow;
struct GameAnalysisChoice;
class TKifuWindow;
class PositionEditSession;
class TLegendWindow;
class TMateWindow;
class TBookWindow;
class TPaintBox;
class TStatusPanel;
class EngineStore;
class GameHost;
class TClockWindow;
class TSeriesWindow;
class CsaGameWindow;
struct GameChoice;
struct GameResult;

class TZnMainForm : public QMainWindow {
    Q_OBJECT

public:
    explicit TZnMainForm(QWidget *parent = nullptr);
    ~TZnMainForm() override;

    // Redraws the board (base, overlay, pieces) and both stands, then rewrites the move label and
    // the status text for the side to move.
    void RedrawAll();
    // Shows `text` in the status bar's single panel.
    void SetStatusText(const QString &text);
    // Shows `text` and keeps it through redraws, which otherwise write the turn, until the next
    // message replaces it: a network game's state and how it ended stay while the record is walked.
    void holdStatusText(const QString &text);
    QString statusText() const;

    ZnBan &game() { return document_.game(); }
    const ZnBan &game() const { return document_.game(); }
    // The recorded line of the game and the cursor the board shows.
    GameRecord &record() { return document_.record(); }
    // The record with its file, its changes and the questions before they are lost.
    RecordDocument &document() { return document_; }

    // Opens the move list beside the window (表示 > 棋譜ウィンドウ, or --kifu at start).
    void showKifuWindow();
    // The move list, null until it is first opened.
    TKifuWindow *kifuWindow() const { return kifuWindow_; }
    // Opens the window that tells what the colours and marks mean (ヘルプ > 凡例).
    void showLegendWindow();
    // The legend, null until it is first opened.
    TLegendWindow *legendWindow() const { return legendWindow_; }
    // 実行 > 詰み探索: searches the position shown for a mate of the side to move, in its own window.
    void showMateSearch();
    TMateWindow *mateWindow() const { return mateWindow_; }
    // Whether the board shows a position of the mate window's line rather than the record's.
    bool showingMateLine() const { return mateShown_ != nullptr; }
    // The position the board draws, the overlay's attack maps with it.
    const ZnBan &shownPosition() { return shownGame(); }
    // 表示 > 定跡 (Ctrl+B): the open book's moves for the position shown.
    void showBookWindow();
    // The book window, which holds the open book; made with the menus, shown on request.
    TBookWindow *bookWindow() const { return bookWindow_; }
    // The folder the open and save dialogs start in: the current record's, else the last one a
    // dialog or a dropped file came from in this run; empty before either.
    QString recordFolder() const;

    // The menu item (or item of the board's popup menu) `name`, and the menu `name`.
    QAction *action(MenuAction name) const;
    QMenu *menu(WindowMenu name) const;

    // The 検討 window, null until 検討 first starts.
    TAnalysisWindow *analysisWindow() const { return analysis_; }
    // Starts 検討 with the first engine of the store, or stops it.
    void toggleAnalysis();
    // The engines and their options; tests may put a store of their own in place.
    EngineStore &engineStore();
    void setEngineStore(std::unique_ptr<EngineStore> store);

    // 検討 > 棋譜解析…: the dialog, then the analysis in the background.
    void askGameAnalysis();
    // Analyses the recorded line with `choice`; the results go into the record's comments as they
    // come, and the line may be walked meanwhile. A change of the line stops it.
    void startGameAnalysis(const GameAnalysisChoice &choice);
    // The window of the last 棋譜解析, null before.
    TGameAnalysisWindow *gameAnalysisWindow() const { return gameAnalysis_; }
    // 表示 > 評価値グラフ: the evaluations in the record's comments and the king-safety timeline.
    void showEvaluationGraph();
    // The graph, null until it is first opened.
    TEvaluationGraphWindow *graphWindow() const { return graph_; }

    // 盤面反転: the board seen from gote's side (true) or sente's; the 表示 item follows.
    void setFlipped(bool turned);
    bool flipped() const { return display_.view.turned; }
    // What the board shows and how: the attack display, the layers, the view and the zoom.
    const DisplaySettings &display() const { return display_; }
    // The selection of the mouse and the picture the board is composed in.
    ZnFlags &selection() { return selection_; }
    const ZnFlags &selection() const { return selection_; }
    // Where 指せる場所 takes its squares from while a game decides them; an empty rule restores
    // the free board's.
    void setDestinationRule(DestinationRule rule);
    // Brings back the stored view (盤面反転, 拡大) and the recent files; what the program does at start.
    void restoreViewSettings();
    // 実行 > 対局…: the dialog, then the game it asks for.
    void askGame();
    // Starts the game (or the series of games) `choice` describes; false, with the reason in the
    // status bar, when one runs already or its start cannot be set up.
    bool startGame(const GameChoice &choice);
    // Whether a game runs (its engines may still be starting or ending).
    bool gameRunning() const { return games_.running(); }
    // The game that runs, null when none does.
    GameHost *gameHost() const { return games_.host(); }
    // 通信対局's window, which runs games on a CSA server on this board.
    CsaGameWindow *csaWindow() const { return csaWindow_; }
    // The clock of the games, null until the first one starts.
    TClockWindow *clockWindow() const { return clockWindow_; }
    TSeriesWindow *seriesWindow() const { return seriesWindow_; }
    // The sentence that announced the last game's end, empty before.
    const QString &lastResult() const { return games_.lastResult(); }
    // The folder the running (or last) series keeps its games in, as 001.kif, 002.kif…; empty
    // for a single game, which stays in the window to be saved like any record.
    const QString &seriesFolder() const { return games_.seriesFolder(); }
    // 投了, 入玉宣言 and 中断 of 実行.
    void resignGame();
    void declareInGame();
    void stopGame();

    // 編集 > 局面編集: the board, the stands and a piece box become an editor of the position shown;
    // refused while a game runs. Enter starts a new record from the position, Esc leaves all as it was.
    void startPositionEdit();
    bool editingPosition() const;
    // The edit going on, null when none is.
    PositionEditSession *positionEditSession() const { return positionEdit_; }

    // Replaces the promotion question; null restores the modal box. The asker must outlive its use.
    void setPromotionAsker(PromotionAsker *asker);
    // Replaces the open and save dialogs; null restores the real dialogs.
    void setFileChooser(FileChooser *chooser);
    // Replaces the questions about unsaved changes and lossy overwrites; null restores the boxes.
    void setSaveQuestions(SaveQuestions *questions);

    // Whether the record differs from the file it was read from or written to (a record never
    // saved: whether it has changed since it was made).
    bool isModified() const { return document_.isModified(); }
    // 上書き保存: writes the record over its own file in that file's format and encoding, asking
    // first when the format cannot hold all of it; with no file yet, 保存. True when written.
    bool saveOver();
    // 保存: the dialog, proposing the record's own name and format; true when written.
    bool saveAs();
    // The file the record was last read from or written to; empty for none.
    const QString &recordPath() const { return document_.path(); }

    // Opens the record file at `path` as 開く does: the format by its name, else by its contents,
    // else `hint`; true when it opened. On failure the status bar says why and nothing changes.
    bool openRecordFile(const QString &path, RecordFormat hint = RecordFormat::Unknown);
    // Reads the text of `mime` (dropped text) as a new game, as 開く reads a file.
    bool openRecordText(const QMimeData *mime);
    // The same for the clipboard, whose refusals name the clipboard.
    bool pasteRecordText(const QMimeData *mime);
    // Opens `path` as soon as the board has first been painted, whose redraw would otherwise
    // replace the status text at once.
    void openAtStart(const QString &path);

    // Files larger than this are refused before they are read, and no longer record is saved:
    // whatever the window writes, it reads back.
    static constexpr qint64 kMaxRecordBytes = RecordDocument::kMaxRecordBytes;
    // Pasted or dropped text longer than this (in UTF-8) is refused.
    static constexpr qint64 kMaxPasteBytes = qint64(4) * 1024 * 1024;

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private slots:
    void BanPaint();
    void BanMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void Dai0MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void Dai1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void BanContextMenu(const QPoint &position);
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();

private:
    struct ItemRow;
    // The items of every menu, in order: the one table the menus are made from.
    static const std::vector<ItemRow> &itemRows();

    void createControls();
    void createPanel();
    // The menu bar, the board's popup menu and their items, from the table.
    void createMenus();
    // The keyboard and the mouse over the board: the arrow keys walk, some layers follow the mouse.
    void watchBoard();
    // ファイル > 新規: an empty record, after the question about unsaved changes.
    void newRecord();
    // ファイル > 開く: the dialog, then the file.
    void askOpenRecord();
    // 編集: the record as KIF, the position as SFEN, and a record read from the clipboard.
    void copyRecord();
    void copyPosition();
    void pasteRecord();
    // キャンセル of the board's menu: the selection on the board goes.
    void cancelSelection();
    void showAbout();
    // Switches one layer of 表示 and redraws.
    void setLayer(bool LayerSettings::*layer, bool on);
    void showEngineSettings();
    // The book window and what it asks of this one (src/ui/bookcommands.cpp); the items of the 定跡
    // menu and 表示 > 定跡の矢印.
    void createBookWindow();
    void followBook();
    void setBookArrows(bool on);
    void askOpenBook();
    void askSaveBookAs();
    void askBuildBook();
    // Brings the graph up to date with the record and its cursor.
    void followGameAnalysis();
    void gameAnalysisPositionDone(int ply);
    // Lets a running 検討 follow the position now shown.
    void followAnalysis();
    // Adds an engine line, given from the position whose SFEN is `position`, as a branch at the cursor.
    void addLineToRecord(const std::string &position, const std::vector<Move> &moves);
    // Connects the move list's branch choice, comment and game information to the record.
    void connectKifuWindow();
    // 棋譜 > 分岐を本譜にする and この手以降を削除.
    void promoteBranch();
    void deleteAfterCursor();
    // 元に戻す: puts back what the last この手以降を削除 took, once, while nothing else changed.
    void undoDeletion();
    // Chooses the alternative `step` places before or after the selected move.
    void chooseBranch(int step);
    // Shows move `move` of the line (0 = the start) with everything that follows the position.
    void walkTo(int move);
    // The board picture with its layers, and the stands; the labels and the status stay.
    void redrawBoard();
    // Gives the keyboard to the board, so that the arrow keys walk the record.
    void focusBoard();
    // Tooltips and status tips that say what the attack displays and the layers show.
    void explainDisplays();
    void undoOneMove();
    void setAttackDisplay(AttackDisplay mode);
    // Shows a record just read: the selection reset, the board, then the status text.
    void showReadRecord();
    // Reads pasted or dropped data as a new game; a refusal names `source` ("クリップボード").
    bool readRecordMime(const QMimeData *mime, const QString &source);
    void openStartFile();
    // When the record has unsaved changes, asks whether to save them first; true when the caller
    // may go on (saved, or not wanted), false when it must stop.
    bool confirmDiscard();
    // Takes what a document's answer needs from the window: a file name for AskName.
    bool settle(RecordDocument::Step step);
    // Stores the view the player chose, for the next start.
    void storeViewSettings();
    // ファイル > 最近使ったファイル, before 終了, and its items.
    void createRecentMenu();
    void updateRecentMenu();
    void rememberRecent(const QString &path);
    // 表示 > 拡大: the zoom of the next start.
    void createZoomMenu();
    // Opens a recent file; one that has gone leaves the list with a word in the status bar.
    bool openRecentFile(const QString &path);
    // A press on the board while a game runs: only the person to move plays, by the rules.
    void gamePress(int x, int y);
    // Whether the stands ignore presses: an engine is to move, or the game is not yet running.
    bool standLocked() const;
    // Says so in the status bar and returns true while a game runs: what would change the record
    // or walk away from its end waits.
    bool refuseDuringGame();
    // The game the board shows: the position being edited while an edit lasts, else the record's.
    ZnBan &shownGame();
    // Disables what would change or walk the record while the position is edited, or enables
    // again what it disabled.
    void lockForPositionEdit(bool locked);
    void finishPositionEdit();
    void cancelPositionEdit();
    void endPositionEdit();
    // Enables the commands a game locks, or not.
    void lockForGame(bool locked);
    // Follows the game controller: the clock, the view, the locked commands, the end.
    void connectGames();
    void gameBegun(GameHost *host, std::optional<bool> turned);

    // The controls, owned by Qt's parent chain, and the items of the menus, one per row of the
    // table in menus.cpp (separators included), in its order.
    QStatusBar *StatusBar1 = nullptr;
    TPaintBox *Ban = nullptr;
    TPaintBox *Dai1 = nullptr;
    TPaintBox *Dai0 = nullptr;
    QFrame *Panel1 = nullptr;
    QLabel *Title = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *ModeLabel = nullptr;
    QFrame *Bevel2 = nullptr;
    QLabel *TurnLabel = nullptr;
    QGroupBox *RadioGroup1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;
    QRadioButton *RadioButton3 = nullptr;
    QRadioButton *RadioButton4 = nullptr;
    TStatusPanel *StatusPanel = nullptr;
    std::array<QMenu *, kMenuCount> menus_{};
    std::vector<QAction *> items_;
    PositionEditSession *positionEdit_ = nullptr;
    // What the edit disabled, enabled again when it ends.
    std::vector<QPointer<QAction>> editLocked_;
    TKifuWindow *kifuWindow_ = nullptr;
    TLegendWindow *legendWindow_ = nullptr;
    TMateWindow *mateWindow_ = nullptr;
    // The position of the mate line the board shows, and the record's position it was stepped
    // from (its key and move count): once the record moves, the board follows the record again.
    struct ShownMateLine {
        ZnBan position;
        std::uint64_t fromKey = 0;
        int fromCount = 0;
    };
    std::unique_ptr<ShownMateLine> mateShown_;
    void showMatePosition(const ZnBan &position);
    // Puts the record's position back on the board; false when it was there already.
    bool leaveMateLine();
    TBookWindow *bookWindow_ = nullptr;
    TAnalysisWindow *analysis_ = nullptr;
    std::unique_ptr<EngineStore> engineStore_;
    TGameAnalysisWindow *gameAnalysis_ = nullptr;
    TEvaluationGraphWindow *graph_ = nullptr;
    // What the graph follows of the record and of the analysis that feeds it.
    struct GraphFollowing {
        // The record's revision the running analysis was made from, and the one the graph shows.
        std::uint64_t analysedRevision = 0;
        std::uint64_t graphRevision = 0;
        bool stale = true;
        // The winning-chance coefficient of the engine of the last analysis; the usual one before.
        double coefficient = kUsualCoefficient;
    } graphFollowing_;
    BoardHoverWatcher *hoverWatcher_ = nullptr;
    // A game on a server drives the board and the record as the window's own games do.
    friend class CsaGameWindow;
    CsaGameWindow *csaWindow_ = nullptr;
    // What holdStatusText keeps; empty when redraws write the turn.
    QString heldStatus_;
    TClockWindow *clockWindow_ = nullptr;
    TSeriesWindow *seriesWindow_ = nullptr;
    DisplaySettings display_;
    BoardLayers layers_;
    ZnFlags selection_;

    MessageBoxPromotionAsker messageBoxAsker_{this};
    PromotionAsker *promotionAsker_ = &messageBoxAsker_;
    DialogFileChooser dialogChooser_;
    FileChooser *fileChooser_ = &dialogChooser_;
    MessageBoxSaveQuestions boxQuestions_{this};
    SaveQuestions *saveQuestions_ = &boxQuestions_;
    QMenu *RecentR1 = nullptr;
    RecentFiles recentFiles_;
    // The file named on the command line, until it is opened after the first paint.
    QString startFile_;
    bool painted_ = false;
    // Declared after the controls, so the game is destroyed before the controls that show it.
    RecordDocument document_;
    // Made after the document, whose record its game plays in, and gone before it.
    GameController games_;
};
