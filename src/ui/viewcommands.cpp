// The view a player keeps from one run to the next (盤面反転) and 最近使ったファイル.

#include <QAction>
#include <QActionGroup>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include "ui/mainform.h"
#include "ui/zoom.h"

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
    settings.setValue(kTurnedKey, display_.view.turned);
    recentFiles_.save(settings);
}

void TZnMainForm::createZoomMenu() {
    QMenu *zoom = menu(WindowMenu::View)->addMenu(QStringLiteral("拡大(&Z)"));
    zoom->setObjectName(QStringLiteral("ZoomZ1"));
    auto group = new QActionGroup(zoom);
    display_.zoomPercent = storedZoomPercent();
    for (int percent : kZoomPercents) {
        QAction *item = zoom->addAction(QStringLiteral("%1 %").arg(percent));
        item->setObjectName(QStringLiteral("Zoom%1").arg(percent));
        item->setCheckable(true);
        item->setChecked(percent == display_.zoomPercent);
        group->addAction(item);
        connect(item, &QAction::triggered, this, [this, percent] {
            display_.zoomPercent = percent;
            storeZoomPercent(percent);
            // The running application keeps the factor it started with.
            SetStatusText(QStringLiteral("拡大率 %1 % は次に起動したときから使われます").arg(percent));
        });
    }
}

void TZnMainForm::createRecentMenu() {
    QMenu *file = menu(WindowMenu::File);
    RecentR1 = new QMenu(QStringLiteral("最近使ったファイル(&R)"), file);
    RecentR1->setObjectName(QStringLiteral("RecentR1"));
    // Before the separator above 終了.
    file->insertMenu(file->findChild<QAction *>(QStringLiteral("N1")), RecentR1);
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
    if (refuseDuringGame() || !confirmDiscard()) return false;
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
