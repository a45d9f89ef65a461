#pragma once
// 実行 > 通信対局…: where to connect, who logs in, who plays here and where the games are kept. The
// password is stored only when the player ticks 保存する.

#include <QDialog>
#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSettings;
class QSpinBox;

struct CsaChoice {
    QString host = QStringLiteral("wdoor.c.u-tokyo.ac.jp");
    int port = 4081;
    QString id;
    QString password;
    bool savePassword = false;
    // Floodgate's rules for the ID and the password are checked before connecting.
    bool floodgate = true;
    // The engine that plays here; empty for the person at the board.
    QString engine;
    int games = 1;
    bool keepAlive = true;
    bool comments = false;
    // Where each game is saved as it ends.
    QString folder;
};

CsaChoice loadCsaChoice(QSettings &settings);
void saveCsaChoice(QSettings &settings, const CsaChoice &choice);
// Why the choice cannot connect (no host, an ID or a password the server or Floodgate would not
// take); empty when it can.
QString csaChoiceProblem(const CsaChoice &choice);

class CsaDialog : public QDialog {
    Q_OBJECT

public:
    CsaDialog(const CsaChoice &choice, const QStringList &engines, QWidget *parent = nullptr);
    CsaChoice choice() const;
    // The reason shown under the fields when OK was refused.
    QString problemText() const;

    void accept() override;

private:
    QLineEdit *host_, *id_, *password_, *folder_;
    QSpinBox *port_, *games_;
    QCheckBox *savePassword_, *floodgate_, *keepAlive_, *comments_;
    QComboBox *player_;
    QLabel *problem_;
};
