#pragma once
// 棋譜解析 in the window: the dialog that sets an analysis up, and the small window that runs it in
// the background with its progress, its reason when it stops early and a button to cancel.

#include <QDialog>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <memory>

#include "review/gameanalysis.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class GameAnalyser;
class EngineStore;

// What the dialog sets: the engine and the settings of the run.
struct GameAnalysisChoice {
    QString engine;
    AnalysisSettings settings;
    // The option values the user set for the engine.
    QMap<QString, QString> options;
};

class GameAnalysisDialog : public QDialog {
    Q_OBJECT

public:
    // `engines` fill the engine list (a path may be typed too); the range runs over 0..`moves`.
    GameAnalysisDialog(const QStringList &engines, int moves, QWidget *parent = nullptr);
    GameAnalysisChoice choice() const;
    // Starts from the thresholds stored in `store` and the coefficient it stores for the engine
    // chosen, which follows the engine box; `store` must outlive the dialog.
    void useStore(const EngineStore &store);
    // Stores the coefficient for the engine chosen and the thresholds.
    void remember(EngineStore &store) const;

private:
    void setThresholds(const LabelThresholds &thresholds);
    // Each label needs a larger loss than the one before it: a box's neighbours bound it.
    void boundThresholds();

    QComboBox *EngineBox = nullptr;
    QDoubleSpinBox *SecondsBox = nullptr;
    QSpinBox *FromBox = nullptr;
    QSpinBox *ToBox = nullptr;
    QSpinBox *MultiPvBox = nullptr;
    QDoubleSpinBox *CoefficientBox = nullptr;
    // 疑問手, 悪手 and 大悪手.
    QDoubleSpinBox *ThresholdBoxes[3] = {};
};

class TGameAnalysisWindow : public QWidget {
    Q_OBJECT

public:
    explicit TGameAnalysisWindow(QWidget *parent = nullptr);
    ~TGameAnalysisWindow() override;

    // Starts analysing `line`; an analysis still running is cancelled first. False, with the
    // reason shown, when the line cannot be analysed at all.
    bool start(const GameLine &line, const GameAnalysisChoice &choice);
    // Stops after nothing more, keeping what was done.
    void cancel();
    // Stops as cancel does, with `reason` shown instead of the cancel.
    void stop(const QString &reason);
    bool running() const;
    // The analysis of the last start, null before.
    const GameAnalysis *analysis() const { return analysis_.get(); }
    // The progress and the reason shown.
    QString message() const;
    int progress() const;

signals:
    // Position `ply` was analysed or skipped.
    void positionDone(int ply);
    // The run is over; message() says how.
    void finished();
    // The user asked for the evaluation graph.
    void graphRequested();

private:
    void showProgress(int ply);
    void showEnd();

    QLabel *MessageLabel = nullptr;
    QProgressBar *Progress = nullptr;
    QPushButton *CancelButton = nullptr;
    QPushButton *GraphButton = nullptr;
    QString stopReason_;
    std::unique_ptr<GameAnalysis> analysis_;
    std::unique_ptr<GameAnalyser> analyser_;
};
