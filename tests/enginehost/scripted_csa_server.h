#pragma once
// A small CSA server for tests: it plays one script per connection, so that a client's whole login
// (and the next one, for a series) runs against it on the test's own event loop.

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <string>
#include <vector>

using Script = std::vector<std::string>;

// Plays one script per connection: "< TEXT" waits for a line from the client that begins with
// TEXT, "> TEXT" sends a line, "echo" waits for the client's move and sends it back with ",T1", as
// a server confirms a move, "pause MS" waits that long, and "close" drops the connection.
class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<Script> scripts) : scripts_(std::move(scripts)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = server_.nextPendingConnection()) {
                socket_ = socket;
                step_ = 0;
                script_ = connections_ < scripts_.size() ? scripts_[connections_] : Script{"close"};
                ++connections_;
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { read(socket); });
                run();
            }
        });
    }
    int port() const { return server_.serverPort(); }
    // Every line the clients sent, in order.
    std::vector<std::string> received;
    std::size_t connections() const { return connections_; }

private:
    void read(QTcpSocket *socket) {
        while (socket == socket_ && socket->canReadLine()) {
            std::string line = socket->readLine().toStdString();
            line.pop_back();
            received.push_back(line);
            if (line.empty() || step_ >= script_.size()) continue;
            const std::string &step = script_[step_];
            if (step == "echo" && (line[0] == '+' || line[0] == '-')) {
                send(line.substr(0, 7) + ",T1");
            } else if (step.rfind("< ", 0) != 0 || line.rfind(step.substr(2), 0) != 0) {
                continue;
            }
            ++step_;
            run();
        }
    }
    void run() {
        for (; step_ < script_.size(); ++step_) {
            const std::string &step = script_[step_];
            if (step.rfind("> ", 0) == 0) {
                send(step.substr(2));
            } else if (step == "close") {
                socket_->disconnectFromHost();
            } else if (step.rfind("pause ", 0) == 0) {
                // Goes on after the pause, as a server waiting for an opponent.
                QTcpSocket *socket = socket_;
                QTimer::singleShot(std::stoi(step.substr(6)), socket, [this, socket] {
                    if (socket != socket_) return;
                    ++step_;
                    run();
                });
                break;
            } else {
                break;
            }
        }
    }
    void send(const std::string &line) { socket_->write((line + "\n").c_str()); }

    QTcpServer server_;
    std::vector<Script> scripts_;
    QTcpSocket *socket_ = nullptr;
    Script script_;
    std::size_t step_ = 0, connections_ = 0;
};

// The summary of a game where this client plays `side` (+ or -), and START once it agrees.
inline Script summary(char side) {
    return {"> BEGIN Game_Summary",
            "> Protocol_Version:1.2",
            "> Game_ID:g" + std::string(1, side),
            "> Name+:" + std::string(side == '+' ? "nagi" : "gps"),
            "> Name-:" + std::string(side == '+' ? "gps" : "nagi"),
            "> Your_Turn:" + std::string(1, side),
            "> To_Move:+",
            "> BEGIN Time",
            "> Time_Unit:1sec",
            "> Total_Time:600",
            "> Byoyomi:10",
            "> END Time",
            "> BEGIN Position",
            "> PI",
            "> +",
            "> END Position",
            "> END Game_Summary",
            "< AGREE",
            "> START:g"};
}

inline Script join(Script a, const Script &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A login the server accepts, and the logout after a game.
const Script LOGIN = {"< LOGIN nagi ", "> LOGIN:nagi OK"};
const Script LOGOUT = {"< LOGOUT", "> LOGOUT:completed", "close"};
