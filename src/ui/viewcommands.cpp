// The view a player keeps from one run to the next (盤面反転) and 最近使ったファイル.

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include "ui/mainform.h"

namespace {
const QString kTurnedKey = QStringLiteral("view/turned");
}

void TZnMainForm::restoreViewSettings() {
    QSettings settings(QStringLiteral("Nagi"), QStringLiteral("nagishogi"));
    recentFiles_.load(settings);
    updateRecentMenu();
    setFlipped(settings.value(kTurnedKey, false).toBool());
}

void TZnMainForm::storeViewSettings() {
    QSettings settings(QStringLiteral("Nagi"), QStringLiteral("nagishogi"));
    settings.setValue(kTurnedKey, flipped_);
    recentFiles_.save(settings);
}

void TZnMainForm::createRecentMenu() {
    RecentR1 = new QMenu(QStringLiteral("最近使ったファイル(&R)"), FileF1);
    RecentR1->setObjectName(QStringLiteral("RecentR1"));
    FileF1->insertMenu(N1, RecentR1);
    updateRecentMenu();
}

void TZnMainForm::rememberRecent(const QString &path) {
    recentFiles_.add(QFileInfo(path).absoluteFilePath());
    updateRecentMenu();
    storeViewSettings();
}

void TZnMainForm::updateRecentMenu() {
    if (RecentR1 == nullptr) return;
    RecentR1->clear();
    int number = 1;
    for (const QString &path : recentFiles_.paths()) {
        // The number is the item's key; a name's own "&" must not become one.
        QAction *item = RecentR1->addAction(QStringLiteral("&%1 ").arg(number % 10) +
                                            QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setObjectName(QStringLiteral("Recent%1").arg(number));
        connect(item, &QAction::triggered, this, [this, path] { openRecentFile(path); });
        ++number;
    }
    if (recentFiles_.paths().isEmpty()) RecentR1->addAction(QStringLiteral("（なし）"))->setEnabled(false);
}

bool TZnMainForm::openRecentFile(const QString &path) {
    if (!confirmDiscard()) return false;
    if (!QFileInfo::exists(path)) {
        recentFiles_.remove(path);
        updateRecentMenu();
        storeViewSettings();
        SetStatusText(QStringLiteral("棋譜を読み込めませんでした: ファイルがもうありません（%1）。最近使ったファイルから外しました")
                          .arg(path));
        return false;
    }
    // A folder, a pipe or an unreadable file is refused here as 開く refuses it.
    return openRecordFile(path);
}
