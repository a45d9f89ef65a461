#pragma once
// The main window: the board with its two stands, the side panel, the menus and the status bar.
// It owns the game for its whole life and brings the whole display up to date in RedrawAll.

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/znban.h"
#include "record/formats.h"
#include "record/gamerecord.h"
#include "review/mistake.h"
#include "support/readfile.h"
#include "ui/dialogs.h"
#include "ui/interaction.h"
#include "ui/layers.h"
#include "ui/recentfiles.h"
#include "ui/savequestions.h"

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
class TLegendWindow;
class TPaintBox;
class TStatusPanel;
class EngineStore;
class GameHost;
class TClockWindow;
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
    QString statusText() const;

    ZnBan &game() { return game_; }
    const ZnBan &game() const { return game_; }
    // The recorded line of the game and the cursor the board shows.
    GameRecord &record() { return record_; }

    // Opens the move list beside the window (表示 > 棋譜ウィンドウ, or --kifu at start).
    void showKifuWindow();
    // The move list, null until it is first opened.
    TKifuWindow *kifuWindow() const { return kifuWindow_; }
    // Opens the window that tells what the colours and marks mean (ヘルプ > 凡例).
    void showLegendWindow();
    // The legend, null until it is first opened.
    TLegendWindow *legendWindow() const { return legendWindow_; }
    // The folder the open and save dialogs start in: the current record's, else the last one a
    // dialog or a dropped file came from in this run; empty before either.
    QString recordFolder() const;

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
    bool flipped() const { return flipped_; }
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
    bool gameRunning() const { return gameHost_ != nullptr; }
    // The game that runs, null when none does.
    GameHost *gameHost() const { return gameHost_; }
    // The clock of the games, null until the first one starts.
    TClockWindow *clockWindow() const { return clockWindow_; }
    // The sentence that announced the last game's end, empty before.
    const QString &lastResult() const { return lastResult_; }
    // The folder the running (or last) series keeps its games in, as 001.kif, 002.kif…; empty
    // for a single game, which stays in the window to be saved like any record.
    const QString &seriesFolder() const { return seriesFolder_; }
    // 投了, 入玉宣言 and 中断 of 実行.
    void resignGame();
    void declareInGame();
    void stopGame();

    // Replaces the promotion question; null restores the modal box. The asker must outlive its use.
    void setPromotionAsker(PromotionAsker *asker);
    // Replaces the open and save dialogs; null restores the real dialogs.
    void setFileChooser(FileChooser *chooser);
    // Replaces the questions about unsaved changes and lossy overwrites; null restores the boxes.
    void setSaveQuestions(SaveQuestions *questions);

    // Whether the record differs from the file it was read from or written to (a record never
    // saved: whether it has changed since it was made).
    bool isModified() const;
    // 上書き保存: writes the record over its own file in that file's format and encoding, asking
    // first when the format cannot hold all of it; with no file yet, 保存. True when written.
    bool saveOver();
    // 保存: the dialog, proposing the record's own name and format; true when written.
    bool saveAs();
    // The file the record was last read from or written to; empty for none.
    const QString &recordPath() const { return recordPath_; }

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
    static constexpr qint64 kMaxRecordBytes = qint64(MAX_READ_BYTES);
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
    void KN1Click();
    void K4Click();
    void KS1Click();
    void ExitX1Click();
    void KB1Click();
    void K1Click();
    void K3Click();
    void KA1Click();
    void KE1Click();
    void KE2Click();
    void KE3Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();

private:
    void createControls();
    void createPanel();
    void createMenus();
    void createBoardMenu();
    // The 表示 menu, after 実行: the move list and the walking commands, then the board layers.
    void createViewMenu();
    // The 編集 menu, after 実行: copying the game or the position, pasting a game.
    void createEditMenu();
    // The 検討 menu, before ヘルプ: start/stop, the best-move arrows and the engine settings.
    void createAnalysisMenu();
    void showEngineSettings();
    // 棋譜解析… in 検討 and 評価値グラフ in 表示.
    void createGameAnalysisItems();
    // Brings the graph up to date with the record and its cursor.
    void followGameAnalysis();
    void gameAnalysisPositionDone(int ply);
    // Lets a running 検討 follow the position now shown.
    void followAnalysis();
    // Adds an engine line, given from the position whose SFEN is `position`, as a branch at the cursor.
    void addLineToRecord(const std::string &position, const std::vector<Move> &moves);
    // The walking commands of 表示 and their keys.
    void createWalkCommands();
    // The 棋譜 menu, after 表示: choosing, promoting and deleting branches.
    void createKifuMenu();
    // Connects the move list's branch choice, comment and game information to the record.
    void connectKifuWindow();
    void KH1Click();
    void KD1Click();
    // 元に戻す: puts back what the last この手以降を削除 took, once, while nothing else changed.
    void KY1Click();
    // Chooses the alternative `step` places before or after the selected move.
    void chooseBranch(int step);
    // Shows move `move` of the line (0 = the start) with everything that follows the position.
    void walkTo(int move);
    // The checkable board layers of 表示, and the watch on the mouse that some of them follow.
    void addLayerItems();
    // The board picture with its layers, and the stands; the labels and the status stay.
    void redrawBoard();
    // Gives the keyboard to the board, so that the arrow keys walk the record.
    void focusBoard();
    // Remembers `path` as the current record file (empty: none) and its folder as the last used.
    void setRecordPath(const QString &path);
    // Tooltips and status tips that say what the attack displays and the layers show.
    void explainDisplays();
    QAction *addItem(QMenu *menu, const char *name, const QString &caption);
    void undoOneMove();
    void setAttackDisplayMode(int mode);
    // Reads a record into the game and its notes, or fills `reason` and changes nothing. The
    // format comes from `fileName`, else the contents, else `hint`; a record whose name's
    // format fails is read by what it holds.
    bool takeRecord(std::string_view bytes, const std::string &fileName, RecordFormat hint, QString &reason);
    // Shows a record just read: the selection reset, the caption (when not empty), the board,
    // then the status text, which names the branches left out.
    void showReadRecord(const QString &caption);
    // Reads pasted or dropped data as a new game; a refusal names `source` ("クリップボード").
    bool readRecordMime(const QMimeData *mime, const QString &source);
    // Writes the whole line at `path` in `format`; fills `reason` when it fails, else `lost` with
    // what the format could not hold (empty when it holds everything).
    bool writeRecordFile(const QString &path, RecordFormat format, QString &reason, QString &lost);
    // What of the game the bytes written in `format` leave out, read back to be sure; false with
    // `reason` when they cannot be read back at all.
    bool describeLoss(const std::string &bytes, const std::string &fileName, RecordFormat format,
                      QString &lost, QString &reason, QStringList *lostItems = nullptr);
    void openStartFile();
    // The bytes of the whole record in `format`, and what they leave out (`lost` as the status
    // text has it, `lostItems` one item each); false with `reason` when they cannot be made.
    bool encodeRecord(const QString &path, RecordFormat format, bool shiftJis, std::string &bytes,
                      QString &reason, QString &lost, QStringList *lostItems = nullptr);
    // When the record has unsaved changes, asks whether to save them first; true when the caller
    // may go on (saved, or not wanted), false when it must stop.
    bool confirmDiscard();
    // The record now equals what `path` holds in `format`.
    void markSaved(const QString &path, RecordFormat format, bool shiftJis);
    // The caption: the record's file (else the program's name), with "*" while it has changes.
    void updateCaption();
    // The 上書き保存 item, before 保存.
    void createSaveItems();
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
    // The 対局 items of 実行 and their keys.
    void createGameCommands();
    // Says so in the status bar and returns true while a game runs: what would change the record
    // or walk away from its end waits.
    bool refuseDuringGame();
    // Enables the commands a game locks, or not.
    void lockForGame(bool locked);
    // Sets the record up for the game `choice` starts from; the reason when it cannot.
    QString setUpStart(const GameChoice &choice);
    void beginGame(const GameChoice &choice);
    void gameEnded(const GameResult &result);
    void gameFinished();
    // Keeps the game just ended in the series' folder, since the next game replaces the record;
    // what to tell the user when that failed, else empty.
    QString saveSeriesGame();

    // The controls, owned by Qt's parent chain. The menu items keep the object names the first
    // window gave them, which the tests find them by; what each one is:
    //   ファイル FileF1  KN1 新規, K4 開く, KS2 上書き保存, KS1 保存…, RecentR1 最近使ったファイル,
    //                    N1 (separator), ExitX1 終了
    //   編集 EditE1      KE1 棋譜をコピー, KE2 局面をコピー（SFEN）, KE3 貼り付け
    //   実行 KR1         KR2 対局…, KB1 一手戻す, KG1 投了, KR4 入玉宣言, KR3 中断
    //   表示 ViewV1      KK1 棋譜ウィンドウ, KW1 最初へ, KW2 一手前へ, KW3 一手先へ, KW4 最後へ, the layers
    //                    KC1 利きの数, KL1 利きの筋, KX1 取られる駒, KP1 指し手の予告, KM1 最後の指し手,
    //                    KQ1 指せる場所, KT1 盤面反転, ZoomZ1 拡大 (Zoom100 … Zoom200)
    //   棋譜 KifuK1      KU1 前の分岐, KJ1 次の分岐, KH1 分岐を本譜にする, KD1 この手以降を削除, KY1 元に戻す
    //   検討 AnalysisA1  KZ1 検討開始/停止, KZ2 エンジン設定…, KZ3 最善手の矢印, KZ4 棋譜解析…,
    //                    KV1 評価値グラフ
    //   ヘルプ HelpH1    KA1 バージョン情報, KH2 凡例
    //   the board's popup menu PopupMenu1: K1 一手戻す, K2 投了, K3 キャンセル
    QStatusBar *StatusBar1 = nullptr;
    TPaintBox *Ban = nullptr;
    QFrame *Panel1 = nullptr;
    QMenuBar *MainMenu1 = nullptr;
    QMenu *FileF1 = nullptr;
    QAction *ExitX1 = nullptr;
    QMenu *HelpH1 = nullptr;
    QLabel *Title = nullptr;
    QAction *KN1 = nullptr;
    QAction *KA1 = nullptr;
    QMenu *KR1 = nullptr;
    QAction *KR2 = nullptr;
    QAction *KB1 = nullptr;
    QAction *KG1 = nullptr;
    QAction *KR3 = nullptr;
    QAction *KR4 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *K1 = nullptr;
    QAction *K2 = nullptr;
    QAction *K3 = nullptr;
    TPaintBox *Dai1 = nullptr;
    TPaintBox *Dai0 = nullptr;
    QAction *K4 = nullptr;
    QAction *KS1 = nullptr;
    QAction *N1 = nullptr;
    QFrame *Bevel1 = nullptr;
    QLabel *ModeLabel = nullptr;
    QFrame *Bevel2 = nullptr;
    QLabel *TurnLabel = nullptr;
    QGroupBox *RadioGroup1 = nullptr;
    QRadioButton *RadioButton2 = nullptr;
    QRadioButton *RadioButton3 = nullptr;
    QRadioButton *RadioButton4 = nullptr;
    TStatusPanel *StatusPanel = nullptr;
    QMenu *ViewV1 = nullptr;
    QAction *KK1 = nullptr;
    QAction *KW1 = nullptr;
    QAction *KW2 = nullptr;
    QAction *KW3 = nullptr;
    QAction *KW4 = nullptr;
    QMenu *EditE1 = nullptr;
    QAction *KE1 = nullptr;
    QAction *KE2 = nullptr;
    QAction *KE3 = nullptr;
    QAction *KH2 = nullptr;
    QMenu *KifuK1 = nullptr;
    QAction *KH1 = nullptr;
    QAction *KD1 = nullptr;
    QAction *KY1 = nullptr;
    QAction *KU1 = nullptr;
    QAction *KJ1 = nullptr;
    TKifuWindow *kifuWindow_ = nullptr;
    TLegendWindow *legendWindow_ = nullptr;
    QMenu *AnalysisA1 = nullptr;
    QAction *KZ1 = nullptr;
    QAction *KZ2 = nullptr;
    QAction *KZ3 = nullptr;
    TAnalysisWindow *analysis_ = nullptr;
    std::unique_ptr<EngineStore> engineStore_;
    QAction *KZ4 = nullptr;
    QAction *KV1 = nullptr;
    TGameAnalysisWindow *gameAnalysis_ = nullptr;
    TEvaluationGraphWindow *graph_ = nullptr;
    // The record's revision the running analysis was made from, and the one the graph shows.
    std::uint64_t analysedRevision_ = 0;
    std::uint64_t graphRevision_ = 0;
    bool graphStale_ = true;
    // The winning-chance coefficient of the engine of the last analysis; the usual one before.
    double graphCoefficient_ = kUsualCoefficient;
    BoardHoverWatcher *hoverWatcher_ = nullptr;
    GameHost *gameHost_ = nullptr;
    TClockWindow *clockWindow_ = nullptr;
    QString lastResult_;
    // The series running: its choice (sides as the next game plays them), the games left after
    // the one running and the score of the first choice's sente engine.
    std::unique_ptr<GameChoice> series_;
    int gamesLeft_ = 0;
    int gamesPlayed_ = 0;
    std::array<int, 3> seriesScore_{};
    QString seriesFolder_;
    BoardLayers layers_;

    MessageBoxPromotionAsker messageBoxAsker_{this};
    PromotionAsker *promotionAsker_ = &messageBoxAsker_;
    DialogFileChooser dialogChooser_;
    FileChooser *fileChooser_ = &dialogChooser_;
    MessageBoxSaveQuestions boxQuestions_{this};
    SaveQuestions *saveQuestions_ = &boxQuestions_;
    QAction *KS2 = nullptr;
    QAction *KT1 = nullptr;
    QMenu *RecentR1 = nullptr;
    RecentFiles recentFiles_;
    bool flipped_ = false;
    // The file named on the command line, until it is opened after the first paint.
    QString startFile_;
    bool painted_ = false;
    // The file the game was last read from or written to (empty after 新規 or a paste), and the
    // folder of the last file chosen or dropped.
    QString recordPath_;
    QString lastFolder_;
    // How the record's file is written back: its format and, for KIF and KI2, its encoding; and
    // the format the last read record was in.
    RecordFormat recordFormat_ = RecordFormat::Ngr;
    bool recordShiftJis_ = false;
    RecordFormat readFormat_ = RecordFormat::Ngr;
    bool readShiftJis_ = false;
    // The record's revision when it last matched its file, and whether it has changes the
    // revision does not count: game information edited, or a record that came from no file.
    std::uint64_t savedRevision_ = 0;
    bool unsavedEdits_ = false;
    // The record as it was before the last deletion, its cursor's node, and the revision the
    // deletion left; any later change of the record makes it stale.
    std::optional<RecordNotes> undoNotes_;
    int undoNode_ = 0;
    std::uint64_t undoRevision_ = 0;

    // Declared after the controls, so it is destroyed before the controls that show it.
    ZnBan game_;
    // Refers to game_, so it is made after it and goes before it.
    GameRecord record_{game_};
};
