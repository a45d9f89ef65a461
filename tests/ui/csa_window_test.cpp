// 通信対局 in the window against a small CSA server inside the test: the dialog's checks and what it
// stores, a person playing gote on the board until the server drops the connection, and an engine
// playing a whole game. With NAGI_SCREENSHOTS set to a folder, the dialog, the wait, the game and
// the dropped connection are kept there as pictures.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>

#include "enginehost/scripted_csa_server.h"
#include "record/formats.h"
#include "ui/csadialog.h"
#include "ui/csagame.h"
#include "ui/enginestore.h"
#include "ui_testing.h"

namespace {

bool waitFor(const std::function<bool()> &done, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) QTest::qWait(5);
    return done();
}

void keepPicture(QWidget &widget, const char *name) {
    const QString folder = qEnvironmentVariable("NAGI_SCREENSHOTS");
    if (!folder.isEmpty()) widget.grab().save(folder + "/" + name + ".png");
}

// The press on a square of a board turned for gote.
QPoint turnedCentre(int file, int rank) { return squareCentre(10 - file, 10 - rank); }

TEST(CsaDialog, ChecksFloodgatesRulesAndStoresThePasswordOnlyWhenAsked) {
    QTemporaryDir dir;
    QSettings settings(dir.filePath("s.ini"), QSettings::IniFormat);
    CsaDialog dialog(loadCsaChoice(settings), {"/usr/games/fairy-stockfish"});
    EXPECT_EQ(findControl<QLineEdit>(dialog, "CsaHost")->text(), "wdoor.c.u-tokyo.ac.jp");
    EXPECT_TRUE(findControl<QCheckBox>(dialog, "CsaFloodgate")->isChecked());
    findControl<QLineEdit>(dialog, "CsaId")->setText("nagi");
    QLineEdit *password = findControl<QLineEdit>(dialog, "CsaPassword");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    password->setText("floodgate-300,trip");
    dialog.show();
    keepPicture(dialog, "csa-dialog");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.problemText(),
              "Floodgate の対局名は「名前-持ち時間-秒読み」（例: floodgate-300-10F）の形です");
    password->setText("floodgate-300-10F,trip");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    CsaChoice choice = dialog.choice();
    saveCsaChoice(settings, choice);
    EXPECT_EQ(loadCsaChoice(settings).password, "");
    EXPECT_FALSE(settings.contains("csa/password"));
    choice.savePassword = true;
    saveCsaChoice(settings, choice);
    EXPECT_EQ(loadCsaChoice(settings).password, "floodgate-300-10F,trip");
    EXPECT_EQ(loadCsaChoice(settings).id, "nagi");
}

CsaChoice localChoice(const ScriptedServer &server, const QTemporaryDir &dir, const QString &engine = {}) {
    CsaChoice choice;
    choice.host = "127.0.0.1";
    choice.port = server.port();
    choice.id = "nagi";
    choice.password = "g-600-10,secret";
    choice.floodgate = false;
    choice.keepAlive = false;
    choice.engine = engine;
    choice.folder = dir.filePath("games");
    return choice;
}

TEST(CsaWindow, APersonPlaysGoteUntilTheServerDropsTheConnection) {
    ScriptedServer server({join(join(join(LOGIN, {"pause 300"}), summary('-')),
                                {"> +7776FU,T3", "echo", "> +2726FU,T2", "pause 800", "close"})});
    ScriptedAsker asker;
    auto window = makeStartWindow(asker);
    window->show();
    QTemporaryDir dir;
    CsaGameWindow &csa = *window->csaWindow();
    csa.start(localChoice(server, dir));
    EXPECT_TRUE(csa.active());
    ASSERT_TRUE(waitFor([&] { return csa.stateText().startsWith("対局待ち"); }))
        << csa.stateText().toStdString();
    keepPicture(csa, "csa-waiting");
    ASSERT_TRUE(waitFor([&] { return window->record().length() == 1; }));
    EXPECT_TRUE(window->flipped());
    EXPECT_EQ(csa.clockText(SENTE).left(6), "☗gps 9");
    // Gote's 3c3d: it stands once the server sends it back.
    auto *board = findControl<TPaintBox>(*window, "Ban");
    for (QPoint at : {turnedCentre(3, 3), turnedCentre(3, 4)})
        QTest::mouseClick(board, Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_TRUE(waitFor([&] { return window->record().length() == 3; }));
    keepPicture(*window, "csa-game");
    keepPicture(csa, "csa-game-clock");
    ASSERT_TRUE(waitFor([&] { return !csa.active(); }));
    keepPicture(*window, "csa-dropped");
    keepPicture(csa, "csa-dropped-state");
    EXPECT_TRUE(csa.stateText().startsWith("中断: 通信が切れました")) << csa.stateText().toStdString();
    // The game stays on the board, its record saved and the board's file, so nothing asks to save it
    // again; the window is free again, and tall enough for the reason's lines above the clocks.
    EXPECT_EQ(window->record().length(), 3);
    EXPECT_FALSE(window->document().isModified());
    EXPECT_EQ(window->document().path(), csa.lastSaved());
    EXPECT_FALSE(csa.active());
    EXPECT_GE(csa.height(), csa.layout()->totalHeightForWidth(csa.width()));
    // The reason stays in the status bar through a repaint and while the record is walked, where
    // each redraw used to write the turn over it; the next message replaces it.
    board->repaint();
    QTest::keyClick(board, Qt::Key_Left);
    EXPECT_EQ(window->record().cursor(), 2);
    EXPECT_TRUE(window->statusText().startsWith("中断: 通信が切れました"))
        << window->statusText().toStdString();
    window->SetStatusText("next");
    QTest::keyClick(board, Qt::Key_Left);
    EXPECT_EQ(window->statusText(), "後手番です");
    QFile saved(csa.lastSaved());
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << csa.lastSaved().toStdString();
    const std::string text = saved.readAll().toStdString();
    EXPECT_NE(text.find("+7776FU\nT3\n-3334FU\nT1\n+2726FU\nT2\n%CHUDAN\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("secret"), std::string::npos);
}

TEST(CsaWindow, AnEnginePlaysAWholeGameAndAFailedLoginIsNamed) {
    ScriptedServer server(
        {join(join(LOGIN, summary('+')),
              join({"echo", "> -3334FU,T2", "echo", "> %TORYO", "> #RESIGN", "> #WIN"}, LOGOUT)),
         {"< LOGIN", "> LOGIN:incorrect"}});
    ScriptedAsker asker;
    auto window = makeStartWindow(asker);
    QTemporaryDir dir;
    QFile script(dir.filePath("script"));
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write("best 7g7f\nbest 2g2f\n");
    script.close();
    qputenv("NAGI_ENGINE_SCRIPT", dir.filePath("script").toUtf8());
    CsaGameWindow &csa = *window->csaWindow();
    CsaChoice choice = localChoice(server, dir, SCRIPTED_ENGINE);
    choice.games = 2;
    csa.start(choice);
    ASSERT_TRUE(waitFor([&] { return !csa.active(); }, 10000)) << csa.stateText().toStdString();
    EXPECT_EQ(window->record().length(), 3);
    EXPECT_EQ(window->record().notes().endWord, "投了");
    EXPECT_FALSE(window->flipped());
    // The second login of the series was refused, with its reason; the first game's clocks went.
    EXPECT_EQ(csa.stateText(), "ログインできません（ID かパスワードが違います）");
    EXPECT_EQ(csa.clockText(SENTE), " ");
    EXPECT_NE(csa.lastSaved().indexOf("g+.csa"), -1);
}

}  // namespace
