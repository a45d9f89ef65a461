#pragma once
// 最近使ったファイル: the records last opened or saved, newest first, kept with the other settings.

#include <QString>
#include <QStringList>

class QSettings;

class RecentFiles {
public:
    static constexpr int kMaxFiles = 10;

    // Puts `path` first, once, dropping the oldest beyond kMaxFiles.
    void add(const QString &path);
    void remove(const QString &path);
    const QStringList &paths() const { return paths_; }

    // Reads and writes the list in `settings`; a stored list that is too long or holds empty
    // names is cut back to what add would have kept.
    void load(QSettings &settings);
    void save(QSettings &settings) const;

private:
    QStringList paths_;
};
