#pragma once
// One login to a CSA server on Qt's event loop: the socket only moves bytes and the session decides
// what they mean. A person plays through play/resign/declare; an engine, when given, is asked for
// each of its moves with the server's clock and answers on its own. Nothing here waits.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

#include "engine/csasession.h"

class EngineProcess;

class CsaClient : public QObject, private CsaSessionHost {
    Q_OBJECT

public:
    // How long a connection may take before it is given up.
    static constexpr int kConnectTimeoutMs = 10000;

    // `engine`, when given, plays this side's moves; it must be started, and outlive the client.
    CsaClient(CsaSettings settings, EngineProcess *engine = nullptr, QObject *parent = nullptr);
    ~CsaClient() override;

    // Connects to the server and logs in.
    void start(const QString &host, quint16 port);
    const CsaSession &session() const { return session_; }
    // The game's record as CSA V3.0 text.
    std::string recordText() { return session_.recordText(); }
    // Milliseconds on the monotonic clock the session runs on.
    std::int64_t now() const { return clock_.elapsed(); }
    // Whether the login is over and the connection closed.
    bool isFinished() const { return finished_; }

    // A person's move, 投了, 入玉宣言: empty when sent, else why not.
    QString play(const Move &move);
    QString resign();
    QString declare();
    // 中断 during a game; stops waiting and logs out otherwise.
    void abort();
    void logout();

signals:
    void sessionStateChanged(CsaState state);
    void gameBegan();
    void moveConfirmed(const Move &move, Side side, qint64 spentMs);
    // A person is to move.
    void personToMove();
    void gameOver(const CsaGameEnd &end);
    // The login failed or the connection went, with the reason (the game so far is in the record).
    void failed(const QString &reason);
    void noted(const QString &text);
    // A line sent (">") or received ("<"), the password hidden, for a log.
    void lineLogged(const QString &line);
    // The connection is closed and nothing more will happen.
    void finished();

private:
    void sendLine(const std::string &line) override;
    void closeConnection() override;
    void fault(const std::string &reason) override;
    std::string wallClock() override;
    void stateChanged(CsaState state) override;
    void gameStarted() override;
    void movePlayed(const Move &move, Side side, std::int64_t spentMs) override;
    void ourTurn() override;
    void gameEnded(const CsaGameEnd &end) override;
    void note(const std::string &text) override;
    void lineRead(const std::string &line) override;

    void readBytes();
    void socketError(QAbstractSocket::SocketError error);
    void socketClosed();
    void connectTimeout();
    void tick();
    // Arms the timer for the session's next deadline.
    void arm();
    void finish();

    CsaSession session_;
    EngineProcess *engine_;
    QTcpSocket socket_;
    QElapsedTimer clock_;
    QTimer timer_;
    QTimer connectTimer_;
    bool connected_ = false;
    bool finished_ = false;
    bool faulted_ = false;
    QString host_;
};

// The socket's error in Japanese: refused, no such host, and the rest.
QString csaSocketErrorText(QAbstractSocket::SocketError error, const QString &host);
