#include "ui/enginestore.h"

#include <QFileInfo>

namespace {

// A path as a settings key: its slashes would make groups.
QString keyOf(const QString &path) {
    return QStringLiteral("options/") + QString::fromLatin1(path.toUtf8().toBase64(QByteArray::Base64UrlEncoding));
}

}  // namespace

EngineStore::EngineStore() : settings_(std::make_unique<QSettings>(QStringLiteral("Nagi"), QStringLiteral("nagishogi"))) {}

EngineStore::EngineStore(const QString &file) : settings_(std::make_unique<QSettings>(file, QSettings::IniFormat)) {}

QStringList EngineStore::installedEngines() {
    QStringList found;
    for (const char *path : {"/usr/games/fairy-stockfish", "/usr/games/gpsusi"})
        if (QFileInfo(QString::fromLatin1(path)).isExecutable()) found << QString::fromLatin1(path);
    return found;
}

QStringList EngineStore::engines() const {
    QStringList all;
    for (const QString &path : QStringList{commandLine_, chosenEngine()} + installedEngines() + addedEngines())
        if (!path.isEmpty() && !all.contains(path)) all << path;
    return all;
}

QStringList EngineStore::addedEngines() const { return settings_->value(QStringLiteral("engines/added")).toStringList(); }

void EngineStore::setAddedEngines(const QStringList &paths) {
    settings_->setValue(QStringLiteral("engines/added"), paths);
    settings_->sync();
}

QString EngineStore::chosenEngine() const { return settings_->value(QStringLiteral("engines/chosen")).toString(); }

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
