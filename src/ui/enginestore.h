#pragma once
// The engines the program knows and their options, kept with QSettings (on Linux in
// ~/.config/Nagi/nagishogi.conf): the engines found installed, those the user added by path, the
// one chosen, each engine's option values and winning-chance coefficient, and the thresholds of
// the analysis labels. An engine named on the command line goes first for the run and is never
// stored.

#include <QMap>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <memory>

#include "review/mistake.h"

class EngineStore {
public:
    // The program's own settings file.
    EngineStore();
    // Settings kept in `file` (INI format), for tests.
    explicit EngineStore(const QString &file);

    // The installed engines the program looks for, where they are executable.
    static QStringList installedEngines();

    // The command-line engine first, then the chosen one, the other installed ones and the added
    // ones, each once.
    QStringList engines() const;
    // The engine 検討 starts with: the first of engines(), empty when there is none.
    QString firstEngine() const { return engines().value(0); }

    QStringList addedEngines() const;
    void setAddedEngines(const QStringList &paths);
    QString chosenEngine() const;
    void setChosenEngine(const QString &path);
    // The engine named by --engine for this run only.
    void setCommandLineEngine(const QString &path) { commandLine_ = path; }

    // The option values the user set for the engine at `path`, by option name.
    QMap<QString, QString> options(const QString &path) const;
    void setOptions(const QString &path, const QMap<QString, QString> &values);

    // Whether 詰み探索 asks the engine at `path` ("go mate") instead of the program's own solver.
    bool forMates(const QString &path) const;
    void setForMates(const QString &path, bool on);
    // The engine 詰み探索 asks: the first of engines() marked for mates; empty when none is, and the
    // program's own solver searches.
    QString mateEngine() const;

    // The coefficient of the winning chance for the engine at `path`: 600 when none was stored.
    double coefficient(const QString &path) const;
    void setCoefficient(const QString &path, double coefficient);
    // The thresholds of the labels, the same for every engine; the usual ones when none (or an
    // unusable set) was stored.
    LabelThresholds thresholds() const;
    void setThresholds(const LabelThresholds &thresholds);

    // Where the settings live.
    QString fileName() const { return settings_->fileName(); }
    // The settings themselves, for the choices other dialogs remember (the last game's).
    QSettings &settings() { return *settings_; }

private:
    std::unique_ptr<QSettings> settings_;
    QString commandLine_;
};
