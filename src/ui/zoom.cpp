#include "ui/zoom.h"

#include <QByteArray>
#include <QSettings>

namespace {
const QString kZoomKey = QStringLiteral("view/zoom");
}

int storedZoomPercent() {
    const int percent = QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi")).value(kZoomKey, 100).toInt();
    return kZoomPercents.contains(percent) ? percent : 100;
}

void storeZoomPercent(int percent) {
    QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi")).setValue(kZoomKey, percent);
}

void applyStoredZoom() {
    const int percent = storedZoomPercent();
    if (percent == 100 || !qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR")) return;
    qputenv("QT_SCALE_FACTOR", QByteArray::number(percent / 100.0));
}
