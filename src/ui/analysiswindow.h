#pragma once
// The 検討 window: an engine's lines for the position the board shows, with the score from
// sente's view, depth, the PV in Japanese, and beside them what the attack maps say: the squares
// the best move changes and each side's balance. It follows the board: every new position
// restarts the search. What it shows and when it redraws (at most ten times a second, whatever the
// engine prints) is the readings model's; the window draws it.

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "core/znban.h"
#include "enginehost/engineprocess.h"
#include "record/play.h"
#include "review/balance.h"
#include "review/readings.h"
#include "ui/analysislayer.h"

class MateWatch;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTreeWidget;

class TAnalysisWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int kMaxLines = ReadingsModel::kMaxLines;
    static constexpr int kRedrawIntervalMs = static_cast<int>(ReadingsModel::kRedrawIntervalMs);

    explicit TAnalysisWindow(QWidget *parent = nullptr);
    ~TAnalysisWindow() override;

    // Starts the engine at `path` with the stored `options` and analyses `game`'s position.
    void startAnalysis(const QString &path, const QMap<QString, QString> &options, const ZnBan &game);
    // Ends the engine; the lines stay on view.
    void stopAnalysis();
    bool analysing() const { return analysing_; }
    // Analyses `game`'s position if it is not the one analysed now.
    void followPosition(const ZnBan &game);

    // How many lines are asked for (1..5; one for an engine that gives one).
    int lineCount() const;
    void setLineCount(int count);

    // The arrows and the squares to mark on the board.
    const AnalysisMarks &marks() const { return marks_; }
    void setArrowsOn(bool on);

    EngineProcess &engine() { return engine_; }
    QTreeWidget *linesView() const { return lines_; }
    QListWidget *changesView() const { return changes_; }
    QLabel *reasonLabel() const { return reason_; }
    QLabel *balanceLabel(Side side) const { return side == SENTE ? senteBalance_ : goteBalance_; }
    QLabel *footerLabel() const { return footer_; }
    // The mate of the side to move the solver proved beside the engine, empty while there is none.
    QLabel *mateLabel() const { return mate_; }
    QPushButton *addLineButton() const { return addLine_; }
    // The slot of the line the add button takes: the one last clicked while it is listed, else the
    // first.
    int selectedLine() const { return model_.selectedSlot(); }
    // How many times the lines were drawn, and when the last line arrived that was drawn.
    int redrawCount() const { return redraws_; }

signals:
    // The arrows or the marked squares changed.
    void marksChanged();
    // A fault or a note, for the status bar.
    void statusMessage(const QString &text);
    void analysingChanged(bool on);
    // The player asked for a line to go into the record as a branch: its moves from the position
    // whose SFEN is `position`, so that a board that has moved on since is not given them.
    void lineToRecord(const std::string &position, const std::vector<Move> &moves);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onInfo(const UsiInfo &info);
    void onBestMove(const UsiBestMove &best);
    void onEnded();
    void setReason(const QString &text);
    // Shows a fault or a note in the window and the status bar.
    void tell(const QString &text);
    void clearLines();
    void scheduleRedraw();
    void redraw();
    void showBalance();
    void setMarked(bool on);
    void sendLineCount();
    void requestLineToRecord();

    EngineProcess engine_;
    bool analysing_ = false;
    ReadingsModel model_;
    // For the line the player puts into the record.
    ZnBan scratch_;
    std::vector<BalanceChange> changed_;
    AnalysisMarks marks_;
    bool arrowsOn_ = false;

    QTimer redrawTimer_;
    // The model's clock.
    QElapsedTimer clock_;
    int redraws_ = 0;
    // Whether this position's cut PV was reported already.
    bool cutNoted_ = false;
    // The 候補手 the player asked for: an engine of one line holds the box at 1, the next engine of
    // several gets this again.
    int wantedLines_ = 3;
    // While the engine's limit, not the player, changes the box.
    bool limiting_ = false;

    QLabel *reason_ = nullptr;
    QSpinBox *lineCount_ = nullptr;
    QTreeWidget *lines_ = nullptr;
    QLabel *senteBalance_ = nullptr;
    QLabel *goteBalance_ = nullptr;
    QListWidget *changes_ = nullptr;
    QLabel *footer_ = nullptr;
    QPushButton *addLine_ = nullptr;
    QLabel *mate_ = nullptr;
    MateWatch *mateWatch_ = nullptr;
};
