#include "ui/recentfiles.h"

#include <QSettings>

namespace {
const QString kKey = QStringLiteral("files/recent");
}

void RecentFiles::add(const QString &path) {
    if (path.isEmpty()) return;
    paths_.removeAll(path);
    paths_.prepend(path);
    while (paths_.size() > kMaxFiles) paths_.removeLast();
}

void RecentFiles::remove(const QString &path) { paths_.removeAll(path); }

void RecentFiles::load(QSettings &settings) {
    const QStringList stored = settings.value(kKey).toStringList();
    paths_.clear();
    for (auto it = stored.crbegin(); it != stored.crend(); ++it) add(*it);
}

void RecentFiles::save(QSettings &settings) const { settings.setValue(kKey, paths_); }
