#include "enginehost/csaclient.h"

#include <QDateTime>
#include <algorithm>
#include <climits>

#include "enginehost/engineprocess.h"

CsaClient::CsaClient(CsaSettings settings, EngineProcess *engine, QObject *parent)
    : QObject(parent), session_(std::move(settings), *this), engine_(engine) {
    clock_.start();
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &CsaClient::tick);
    connectTimer_.setSingleShot(true);
    connect(&connectTimer_, &QTimer::timeout, this, &CsaClient::connectTimeout);
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        connectTimer_.stop();
        connected_ = true;
        session_.connected(now());
        arm();
    });
    connect(&socket_, &QTcpSocket::readyRead, this, &CsaClient::readBytes);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &CsaClient::socketError);
    connect(&socket_, &QTcpSocket::disconnected, this, &CsaClient::socketClosed);
    if (engine_) {
        connect(engine_, &EngineProcess::info, this,
                [this](const UsiInfo &info) { session_.engineInfo(info); });
        connect(engine_, &EngineProcess::bestMove, this, [this](const UsiBestMove &best) {
            if (const std::string refused = session_.engineAnswer(best, now()); !refused.empty())
                emit noted(QString::fromStdString(refused));
            arm();
        });
        connect(engine_, &EngineProcess::fault, this, [this](const QString &reason) {
            emit noted(QStringLiteral("エンジン: ") + reason);
            // Without its engine this side cannot go on.
            session_.abort(now());
            arm();
        });
    }
}

CsaClient::~CsaClient() {
    if (engine_) engine_->disconnect(this);
    socket_.disconnect(this);
    socket_.abort();
}

void CsaClient::start(const QString &host, quint16 port) {
    host_ = host;
    connectTimer_.start(kConnectTimeoutMs);
    socket_.connectToHost(host, port);
}

QString CsaClient::play(const Move &move) {
    const std::string refused = session_.play(move, now());
    arm();
    return QString::fromStdString(refused);
}

QString CsaClient::resign() {
    const std::string refused = session_.resign(now());
    arm();
    return QString::fromStdString(refused);
}

QString CsaClient::declare() {
    const std::string refused = session_.declare(now());
    arm();
    return QString::fromStdString(refused);
}

void CsaClient::abort() {
    const CsaState state = session_.state();
    if (state == CsaState::Playing || state == CsaState::Ending) {
        if (engine_) engine_->stopSearch();
        session_.abort(now());
    } else if (!connected_) {
        fault(std::string("中止しました"));
        closeConnection();
    } else {
        session_.logout(now());
    }
    arm();
}

void CsaClient::logout() {
    if (!connected_) return abort();
    session_.logout(now());
    arm();
}

void CsaClient::readBytes() {
    const QByteArray bytes = socket_.readAll();
    std::string text(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    session_.bytesReceived(text, now());
    arm();
}

void CsaClient::socketError(QAbstractSocket::SocketError error) {
    if (finished_) return;
    if (!connected_) {
        connectTimer_.stop();
        fault(csaSocketErrorText(error, host_).toStdString());
        return finish();
    }
    // A RemoteHostClosedError is followed by disconnected(), which tells the session.
    if (error != QAbstractSocket::RemoteHostClosedError) socketClosed();
}

void CsaClient::socketClosed() {
    if (finished_) return;
    session_.connectionLost(now());
    finish();
}

void CsaClient::connectTimeout() {
    if (connected_ || finished_) return;
    socket_.abort();
    fault(std::string("サーバに接続できません（") + std::to_string(kConnectTimeoutMs / 1000) +
          "秒待っても応答がありません）");
    finish();
}

void CsaClient::tick() {
    session_.tick(now());
    arm();
}

void CsaClient::arm() {
    if (finished_) return;
    const std::optional<std::int64_t> due = session_.deadline();
    if (!due) return timer_.stop();
    timer_.start(static_cast<int>(std::clamp<std::int64_t>(*due - now() + 1, 0, INT_MAX / 2)));
}

void CsaClient::finish() {
    if (finished_) return;
    finished_ = true;
    timer_.stop();
    connectTimer_.stop();
    if (engine_ && session_.gameBegun()) engine_->stopSearch();
    // Whoever listens may delete the client: not from inside the socket's signal.
    QTimer::singleShot(0, this, &CsaClient::finished);
}

void CsaClient::sendLine(const std::string &line) {
    emit lineLogged(QStringLiteral("> ") + QString::fromStdString(csaLoggableLine(line)));
    const std::string out = line + '\n';
    socket_.write(out.data(), static_cast<qint64>(out.size()));
}

void CsaClient::closeConnection() {
    socket_.flush();
    socket_.disconnectFromHost();
    // A socket already closed says nothing more: the end is reported here.
    if (socket_.state() == QAbstractSocket::UnconnectedState) QTimer::singleShot(0, this, &CsaClient::finish);
}

void CsaClient::fault(const std::string &reason) {
    if (faulted_) return;
    faulted_ = true;
    emit failed(QString::fromStdString(reason));
}

std::string CsaClient::wallClock() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toStdString();
}

void CsaClient::stateChanged(CsaState state) { emit sessionStateChanged(state); }

void CsaClient::gameStarted() {
    if (engine_) engine_->newGame();
    emit gameBegan();
}

void CsaClient::movePlayed(const Move &move, Side side, std::int64_t spentMs) {
    emit moveConfirmed(move, side, spentMs);
}

void CsaClient::ourTurn() {
    if (!engine_) {
        emit personToMove();
        return;
    }
    UsiGo go = session_.engineGo(now());
    if (const EngineSession *engine = engine_->session(); engine && engine->profile().clockSidesSwapped) {
        std::swap(go.senteMs, go.goteMs);
        std::swap(go.senteIncMs, go.goteIncMs);
    }
    engine_->analyse(session_.positionCommand(), go);
}

void CsaClient::gameEnded(const CsaGameEnd &end) {
    if (engine_) {
        engine_->stopSearch();
        engine_->gameOver(end.outcome == CsaOutcome::Win    ? "win"
                          : end.outcome == CsaOutcome::Lose ? "lose"
                                                            : "draw");
    }
    emit gameOver(end);
}

void CsaClient::note(const std::string &text) { emit noted(QString::fromStdString(text)); }

void CsaClient::lineRead(const std::string &line) {
    emit lineLogged(QStringLiteral("< ") + QString::fromStdString(line));
}

QString csaSocketErrorText(QAbstractSocket::SocketError error, const QString &host) {
    switch (error) {
        case QAbstractSocket::ConnectionRefusedError: return QStringLiteral("サーバに接続を拒否されました");
        case QAbstractSocket::HostNotFoundError: return QStringLiteral("ホストが見つかりません: ") + host;
        case QAbstractSocket::SocketTimeoutError:
            return QStringLiteral("サーバに接続できません（応答がありません）");
        case QAbstractSocket::NetworkError: return QStringLiteral("ネットワークに接続できません");
        case QAbstractSocket::RemoteHostClosedError: return QStringLiteral("サーバが接続を切りました");
        default: return QStringLiteral("サーバに接続できません（エラー %1）").arg(static_cast<int>(error));
    }
}
