#include "ui/enginestore.h"

#include <QFileInfo>
#include <cmath>

namespace {

// A path as a settings key: its slashes would make groups.
QString keyOf(const QString &path, const char *group = "options/") {
    return QString::fromLatin1(group) +
           QString::fromLatin1(path.toUtf8().toBase64(QByteArray::Base64UrlEncoding));
}

const QString THRESHOLDS_KEY = QStringLiteral("analysis/thresholds");

}  // namespace

EngineStore::EngineStore()
    : settings_(std::make_unique<QSettings>(QStringLiteral("Nagi"), QStringLiteral("nagishogi"))) {}

EngineStore::EngineStore(const QString &file)
    : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

QStringList EngineStore::installedEngines() {
    QStringList found;
    for (const char *path : {"/usr/games/fairy-stockfish", "/usr/games/gpsusi"})
        if (QFileInfo(QString::fromLatin1(path)).isExecutable()) found << QString::fromLatin1(path);
    return found;
}

QStringList EngineStore::engines() const {
    QStringList all;
    for (const QString &path :
         QStringList{commandLine_, chosenEngine()} + installedEngines() + addedEngines())
        if (!path.isEmpty() && !all.contains(path)) all << path;
    return all;
}

QStringList EngineStore::addedEngines() const {
    return settings_->value(QStringLiteral("engines/added")).toStringList();
}

void EngineStore::setAddedEngines(const QStringList &paths) {
    settings_->setValue(QStringLiteral("engines/added"), paths);
    settings_->sync();
}

QString EngineStore::chosenEngine() const {
    return settings_->value(QStringLiteral("engines/chosen")).toString();
}

void EngineStore::setChosenEngine(const QString &path) {
    settings_->setValue(QStringLiteral("engines/chosen"), path);
    settings_->sync();
}

QMap<QString, QString> EngineStore::options(const QString &path) const {
    QMap<QString, QString> values;
    const QVariantMap stored = settings_->value(keyOf(path)).toMap();
    for (auto it = stored.begin(); it != stored.end(); ++it) values.insert(it.key(), it.value().toString());
    return values;
}

void EngineStore::setOptions(const QString &path, const QMap<QString, QString> &values) {
    QVariantMap stored;
    for (auto it = values.begin(); it != values.end(); ++it) stored.insert(it.key(), it.value());
    settings_->setValue(keyOf(path), stored);
    settings_->sync();
}

bool EngineStore::forMates(const QString &path) const {
    return settings_->value(keyOf(path, "mates/"), false).toBool();
}

void EngineStore::setForMates(const QString &path, bool on) {
    if (on)
        settings_->setValue(keyOf(path, "mates/"), true);
    else
        settings_->remove(keyOf(path, "mates/"));
    settings_->sync();
}

QString EngineStore::mateEngine() const {
    for (const QString &path : engines())
        if (forMates(path)) return path;
    return {};
}

double EngineStore::coefficient(const QString &path) const {
    bool ok = false;
    const double stored = settings_->value(keyOf(path, "coefficient/")).toDouble(&ok);
    // A file edited by hand may hold anything; the curve needs a positive, finite coefficient.
    return ok && std::isfinite(stored) && stored > 0.0 ? stored : kUsualCoefficient;
}

void EngineStore::setCoefficient(const QString &path, double coefficient) {
    settings_->setValue(keyOf(path, "coefficient/"), coefficient);
    settings_->sync();
}

LabelThresholds EngineStore::thresholds() const {
    const QVariantList stored = settings_->value(THRESHOLDS_KEY).toList();
    if (stored.size() != 3) return {};
    double values[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = stored[i].toDouble(&ok);
        if (!ok || !(values[i] > (i == 0 ? 0.0 : values[i - 1])) || values[i] > 1.0) return {};
    }
    return {values[0], values[1], values[2]};
}

void EngineStore::setThresholds(const LabelThresholds &thresholds) {
    settings_->setValue(THRESHOLDS_KEY,
                        QVariantList{thresholds.dubious, thresholds.mistake, thresholds.blunder});
    settings_->sync();
}
