#include "ui/zoom.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QStringList>
#include <cstdio>

namespace {
const QString kZoomKey = QStringLiteral("view/zoom");
}  // namespace

int storedZoomPercent() {
    const int percent =
        QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi")).value(kZoomKey, 100).toInt();
    return kZoomPercents.contains(percent) ? percent : 100;
}

void storeZoomPercent(int percent) {
    QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi")).setValue(kZoomKey, percent);
}

int applyStoredZoom() {
    const int percent = storedZoomPercent();
    // A scale of the user's own is left alone.
    if (percent == 100 || !qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) return 100;
    qputenv("QT_SCALE_FACTOR", QByteArray::number(percent / 100.0));
    return percent;
}

int fittingZoomPercent(int percent, QSize plain, QSize area) {
    int fitting = 100;
    for (int offered : kZoomPercents)
        if (offered <= percent && plain.width() * offered <= area.width() * 100 &&
            plain.height() * offered <= area.height() * 100)
            fitting = qMax(fitting, offered);
    return fitting;
}

bool restartAtFittingZoom(int appliedPercent, QSize plain, const QStringList &arguments) {
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (appliedPercent == 100 || screen == nullptr) return false;
    // The screen's size as the scaled application sees it, back in its own pixels.
    const QSize area = screen->availableGeometry().size() * (appliedPercent / 100.0);
    const int fitting = fittingZoomPercent(appliedPercent, plain, area);
    if (fitting == appliedPercent) return false;
    storeZoomPercent(fitting);
    if (fitting == 100)
        qunsetenv("QT_SCALE_FACTOR");
    else
        qputenv("QT_SCALE_FACTOR", QByteArray::number(fitting / 100.0));
    std::fprintf(stderr, "nagishogi: 拡大率 %d %% はこの画面に収まらないため %d %% で起動し直します\n",
                 appliedPercent, fitting);
    // Should the new start fail, this one goes on at the zoom it has, which the next start corrects.
    return QProcess::startDetached(QCoreApplication::applicationFilePath(), arguments);
}
