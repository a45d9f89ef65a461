// The main window as a whole: its controls and menus, the commands, the record files, the boxes.

#include "ui/mainform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <string>

#include "record/sfen.h"
#include "ui/paintbox.h"
#include "ui/render.h"
#include "ui/startup.h"
#include "ui/znflags.h"
#include "ui_testing.h"

namespace {

// Promotion questions are not part of these tests: any question fails the test.
class RefusingAsker : public PromotionAsker {
public:
    bool askPromotion(const QString &name) override {
        ADD_FAILURE() << "unexpected promotion question for " << name.toStdString();
        return false;
    }
};

// Runs `inspect` on the next modal message box as soon as it is shown, then presses `answer`
// (or closes the box when it has no such button). Gives up after five seconds.
void whenBoxShown(std::function<void(QMessageBox &)> inspect, QMessageBox::StandardButton answer) {
    auto timer = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, started, inspect, answer] {
        auto box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr && started->elapsed() < 5000) return;
        timer->stop();
        timer->deleteLater();
        if (box == nullptr) {
            ADD_FAILURE() << "no modal box appeared";
            return;
        }
        inspect(*box);
        if (QAbstractButton *button = box->button(answer))
            button->click();
        else
            box->done(0);
    });
    timer->start();
}

// The position, hands, side to move and move count in one comparable string.
std::string positionOf(const ZnBan &game) {
    std::string key;
    for (int square = 0; square < SQUARE_COUNT; ++square) {
        const Koma *piece = game.pieceAt(static_cast<Square>(square));
        key += piece ? static_cast<char>('A' + piece->code() + 16 * piece->side()) : '.';
    }
    for (Side side : {SENTE, GOTE}) {
        key += '|';
        for (const Koma *piece : game.hand(side)) key += static_cast<char>('0' + piece->kind());
    }
    return key + '|' + std::to_string(game.turn()) + '|' + std::to_string(game.moveCount());
}

// Centre of the square of `file` (1..9, right to left) and `rank` (1..9, top to bottom) on Ban.

QByteArray contentsOf(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = makeStartWindow(asker);
        window->setFileChooser(&chooser);
        ASSERT_TRUE(directory.isValid());
    }

    void TearDown() override { EXPECT_TRUE(chooser.openPaths.empty() && chooser.savePaths.empty()); }

    void show() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename T>
    T *child(const char *name) {
        return findControl<T>(*window, name);
    }

    TPaintBox *ban() { return child<TPaintBox>("Ban"); }
    QString turnLabel() { return child<QLabel>("TurnLabel")->text(); }
    void trigger(const char *item) { child<QAction>(item)->trigger(); }
    void click(QPoint point) { QTest::mouseClick(ban(), Qt::LeftButton, Qt::NoModifier, point); }
    // Plays a pawn move of the side to move from (file, rank) to (file, rank) with two presses.
    void move(int fromFile, int fromRank, int toFile, int toRank) {
        click(squareCentre(fromFile, fromRank));
        click(squareCentre(toFile, toRank));
    }
    QString path(const char *name) { return directory.filePath(QString::fromLatin1(name)); }

    RefusingAsker asker;
    ScriptedChooser chooser;
    QTemporaryDir directory;
    std::unique_ptr<TZnMainForm> window;
};

// ---- the window and its controls ----

TEST_F(MainFormTest, ClientAreaIsFixedAt539By385BelowTheMenuBar) {
    show();
    const int menuHeight = window->menuBar()->height();
    EXPECT_EQ(window->width(), 539);
    EXPECT_EQ(window->height() - menuHeight, 385);
    EXPECT_EQ(window->centralWidget()->geometry(), QRect(0, menuHeight, 539, 361));
    EXPECT_EQ(window->statusBar()->geometry(), QRect(0, menuHeight + 361, 539, 24));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());

    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(MainFormTest, ControlsHaveTheirPlacesAndCaptions) {
    struct Row {
        const char *name;
        QRect geometry;
        const char *caption;  // null for controls without one
    };
    const Row rows[] = {
        {"Dai1", {0, 0, 32, 361}, nullptr},
        {"Ban", {32, 0, 352, 361}, nullptr},
        {"Dai0", {384, 0, 32, 361}, nullptr},
        {"Panel1", {416, 0, 123, 361}, nullptr},
        {"Title", {8, 8, 107, 32}, "Nagi将棋"},
        {"Bevel1", {8, 48, 105, 25}, nullptr},
        {"ModeLabel", {16, 50, 86, 19}, "対局モード"},
        {"Bevel2", {8, 80, 105, 25}, nullptr},
        {"TurnLabel", {16, 84, 89, 16}, "手数"},
        {"RadioGroup1", {8, 112, 105, 73}, "利き情報"},
        {"RadioButton4", {16, 128, 80, 17}, "表示なし"},
        {"RadioButton2", {16, 144, 90, 17}, "利き収支分布"},
        {"RadioButton3", {16, 160, 90, 17}, "利き集中分布"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QWidget *control = child<QWidget>(row.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), row.geometry);
        if (row.caption == nullptr) continue;
        QString caption;
        if (auto label = qobject_cast<QLabel *>(control)) caption = label->text();
        if (auto button = qobject_cast<QAbstractButton *>(control)) caption = button->text();
        if (auto group = qobject_cast<QGroupBox *>(control)) caption = group->title();
        EXPECT_EQ(caption, QString::fromUtf8(row.caption));
    }
    // The buttons are the panel's own children, not items of the group frame.
    EXPECT_EQ(child<QWidget>("RadioButton2")->parent(), child<QWidget>("Panel1"));
    EXPECT_EQ(child<QWidget>("Ban")->parent(), window->centralWidget());
}

TEST_F(MainFormTest, FontsFollowTheLayout) {
    struct Row {
        const char *name;
        int pixelSize;
    };
    for (const Row &row : {Row{"Ban", 12}, Row{"RadioButton2", 12}, Row{"Title", 32}, Row{"ModeLabel", 19},
                           Row{"TurnLabel", 16}, Row{"StatusBar1", 12}}) {
        SCOPED_TRACE(row.name);
        const QFont font = child<QWidget>(row.name)->font();
        EXPECT_EQ(font.family(), QStringLiteral("ＭＳ Ｐゴシック"));
        EXPECT_EQ(font.pixelSize(), row.pixelSize);
    }
    // The substitute face is wider than the layout's: the title must still show every character.
    QLabel *title = child<QLabel>("Title");
    EXPECT_LE(QFontMetrics(title->font()).horizontalAdvance(title->text()), title->width());
    for (const char *name : {"Title", "ModeLabel", "TurnLabel"})
        EXPECT_EQ(child<QWidget>(name)->palette().color(QPalette::WindowText), QColor(Qt::black)) << name;
}

TEST_F(MainFormTest, MenusHaveTheirCaptionsAndShortcuts) {
    struct Row {
        const char *menu;
        const char *title;
        std::vector<std::pair<const char *, const char *>> items;  // name, caption ("-" separator)
    };
    // Only these items have keys; every other one has none.
    const std::map<std::string, QKeySequence> shortcuts = {
        {"KN1", QKeySequence(QStringLiteral("Ctrl+N"))}, {"K4", QKeySequence(QStringLiteral("Ctrl+O"))},
        {"KS2", QKeySequence(QStringLiteral("Ctrl+S"))}, {"KS1", QKeySequence(QStringLiteral("Ctrl+Shift+S"))},
        {"KQ1", QKeySequence(QStringLiteral("Ctrl+6"))}, {"KT1", QKeySequence(QStringLiteral("Ctrl+T"))},
        {"KE1", QKeySequence(QStringLiteral("Ctrl+C"))},
        {"KE3", QKeySequence(QStringLiteral("Ctrl+V"))}, {"KE4", QKeySequence(QStringLiteral("Ctrl+E"))},
        {"KC1", QKeySequence(QStringLiteral("Ctrl+1"))},
        {"KL1", QKeySequence(QStringLiteral("Ctrl+2"))}, {"KX1", QKeySequence(QStringLiteral("Ctrl+3"))},
        {"KP1", QKeySequence(QStringLiteral("Ctrl+4"))}, {"KM1", QKeySequence(QStringLiteral("Ctrl+5"))},
        {"KU1", QKeySequence(QStringLiteral("Alt+Up"))},  {"KJ1", QKeySequence(QStringLiteral("Alt+Down"))},
        {"KY1", QKeySequence(QStringLiteral("Ctrl+Z"))}, {"KR2", QKeySequence(QStringLiteral("Ctrl+G"))},
        {"KTsumi1", QKeySequence(QStringLiteral("Ctrl+M"))},
        {"KCsa1", QKeySequence(QStringLiteral("Ctrl+Shift+G"))}};
    // The items of a game running wait for one.
    const std::set<std::string> gameItems = {"KG1", "K2", "KR3", "KR4"};
    const Row rows[] = {
        {"FileF1",
         "ファイル(&F)",
         {{"KN1", "新規(&N)"},
          {"K4", "開く(&O)"},
          {"KS2", "上書き保存(&S)"},
          {"KS1", "保存(&A)..."},
          {"", "最近使ったファイル(&R)"},
          {"N1", "-"},
          {"ExitX1", "終了(&X)"}}},
        {"KR1",
         "実行(&R)",
         {{"KR2", "対局(&R)…"}, {"KCsa1", "通信対局(&N)…"}, {"KB1", "一手戻す(&B)"}, {"KG1", "投了(&G)"}, {"KR4", "入玉宣言(&D)"}, {"KR3", "中断(&S)"}, {"KTsumi1", "詰み探索(&M)"}}},
        {"EditE1",
         "編集(&E)",
         {{"KE1", "棋譜をコピー(&C)"},
          {"KE2", "局面をコピー（SFEN）(&S)"},
          {"", "-"},
          {"KE3", "貼り付け(&P)"},
          {"", "-"},
          {"KE4", "局面編集(&E)"}}},
        {"ViewV1",
         "表示(&V)",
         {{"KC1", "利きの数(&C)"},
          {"KL1", "利きの筋(&L)"},
          {"KX1", "取られる駒(&X)"},
          {"KP1", "指し手の予告(&Y)"},
          {"KM1", "最後の指し手(&M)"},
          {"KQ1", "指せる場所(&D)"},
          {"", "-"},
          {"KT1", "盤面反転(&T)"},
          {"", "拡大(&Z)"}}},
        {"KifuK1",
         "棋譜(&K)",
         {{"KU1", "前の分岐(&U)"},
          {"KJ1", "次の分岐(&J)"},
          {"", "-"},
          {"KH1", "分岐を本譜にする(&H)"},
          {"KD1", "この手以降を削除(&D)"},
          {"KY1", "元に戻す(&Z)"}}},
        {"BookJ1",
         "定跡(&J)",
         {{"KJB1", "新規(&N)"},
          {"KJB2", "開く(&O)…"},
          {"KJB3", "保存(&S)"},
          {"KJB4", "名前を付けて保存(&A)…"},
          {"", "-"},
          {"KJB5", "棋譜から作成(&R)…"}}},
        {"HelpH1", "ヘルプ(&H)", {{"KH2", "凡例(&L)"}, {"KA1", "バージョン情報(&A)"}}},
        {"PopupMenu1", "", {{"K1", "一手戻す"}, {"K2", "投了"}, {"K3", "キャンセル"}}},
    };
    QStringList menuBarTitles;
    for (QAction *action : window->menuBar()->actions()) menuBarTitles << action->text();
    // 編集 and 表示 come after the original menus' 実行; the walking items of 表示 are tested with
    // the move list.
    EXPECT_EQ(menuBarTitles,
              (QStringList{"ファイル(&F)", "実行(&R)", "編集(&E)", "表示(&V)", "棋譜(&K)", "検討(&A)", "定跡(&J)",
                           "ヘルプ(&H)"}));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.menu);
        QMenu *menu = child<QMenu>(row.menu);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->title(), QString::fromUtf8(row.title));
        QList<QAction *> actions = menu->actions();
        // The layers, 盤面反転 and 拡大 close 表示, after the walking commands and a separator.
        if (std::string(row.menu) == "ViewV1" && actions.size() > qsizetype(row.items.size())) {
            actions = actions.mid(actions.size() - qsizetype(row.items.size()));
            EXPECT_TRUE(
                menu->actions()[menu->actions().size() - qsizetype(row.items.size()) - 1]->isSeparator());
        }
        ASSERT_EQ(actions.size(), qsizetype(row.items.size()));
        for (std::size_t i = 0; i < row.items.size(); ++i) {
            QAction *action = actions[qsizetype(i)];
            // The separators of 編集 and 棋譜 have no name of their own.
            if (*row.items[i].first != '\0') {
                EXPECT_EQ(action->objectName(), QString::fromLatin1(row.items[i].first));
            }
            const QString caption = QString::fromUtf8(row.items[i].second);
            if (caption == "-")
                EXPECT_TRUE(action->isSeparator());
            else
                EXPECT_EQ(action->text(), caption);
            const auto key = shortcuts.find(row.items[i].first);
            EXPECT_EQ(action->shortcut(), key == shortcuts.end() ? QKeySequence() : key->second)
                << row.items[i].first;
            EXPECT_EQ(action->isEnabled(), !gameItems.count(row.items[i].first)) << row.items[i].first;
            // Only the layers of 表示 and 盤面反転 can be ticked, and every one starts off.
            EXPECT_EQ(action->isCheckable(),
                      std::string(row.menu) == "ViewV1" && !action->isSeparator() && action->menu() == nullptr);
            EXPECT_FALSE(action->isChecked());
        }
    }
}

TEST_F(MainFormTest, AltFOpensTheFileMenu) {
    show();
    QMenu *file = child<QMenu>("FileF1");
    QTest::keyClick(window.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([file] { return file->isVisible(); }, 2000));
    file->close();
}

TEST_F(MainFormTest, StartsWithTheTitleAndNoTurnTextUntilTheFirstPaint) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋"));
    EXPECT_EQ(turnLabel(), QStringLiteral("手数"));
    EXPECT_EQ(window->statusText(), QString());
    EXPECT_TRUE(child<QRadioButton>("RadioButton4")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("RadioButton2")->isChecked());
    EXPECT_FALSE(child<QRadioButton>("RadioButton3")->isChecked());

    show();
    EXPECT_TRUE(QTest::qWaitFor([this] { return turnLabel() == QStringLiteral("先手:1手目"); }, 2000));
    EXPECT_EQ(window->statusText(), QStringLiteral("先手番です"));
    EXPECT_EQ(window->display().attacks, AttackDisplay::None);
    EXPECT_EQ(ban()->picture().size(), QSize(352, 362));
    EXPECT_EQ(child<TPaintBox>("Dai0")->picture().size(), QSize(32, 360));
    EXPECT_EQ(child<TPaintBox>("Dai1")->picture().size(), QSize(32, 360));
}

// A copy made while the board paints must not ask for another paint, or it paints forever.
TEST_F(MainFormTest, PaintingTheBoardDoesNotScheduleAnotherPaint) {
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject *, QEvent *event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    ban()->installEventFilter(&counter);
    show();
    QTest::qWait(300);
    EXPECT_GE(counter.paints, 1);
    const int settled = counter.paints;
    QTest::qWait(300);
    EXPECT_EQ(counter.paints, settled);
    EXPECT_LE(settled, 3);
}

TEST_F(MainFormTest, TheShownBoardIsThePaintedImage) {
    show();
    const QImage shown = ban()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage kept = ban()->picture().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(352, 361));
    EXPECT_EQ(shown, kept.copy(0, 0, 352, 361));
}

// ---- commands ----

TEST_F(MainFormTest, MoveLabelAndStatusFollowMovesAndUndo) {
    show();
    move(7, 7, 7, 6);
    EXPECT_EQ(turnLabel(), QStringLiteral("後手:2手目"));
    EXPECT_EQ(window->statusText(), QStringLiteral("後手番です"));
    move(3, 3, 3, 4);
    EXPECT_EQ(turnLabel(), QStringLiteral("先手:3手目"));
    EXPECT_EQ(window->statusText(), QStringLiteral("先手番です"));

    trigger("KB1");
    EXPECT_EQ(turnLabel(), QStringLiteral("後手:2手目"));
    EXPECT_EQ(window->statusText(), QStringLiteral("後手番です"));
    trigger("K1");
    EXPECT_EQ(turnLabel(), QStringLiteral("先手:1手目"));
    EXPECT_EQ(window->game().moveCount(), 0);
}

// The free board lets every move stand, but the turn text says what the rules see.
TEST_F(MainFormTest, TurnTextNamesCheckMateAndRepetition) {
    show();
    const std::string cycle = " 1i2i 2a1a 2i1i 1a2a";
    const struct {
        std::string line;
        QString status;
    } rows[] = {
        {"sfen 4r3k/9/9/9/9/9/9/9/4K4 b G 1", QStringLiteral("先手番です　王手")},
        {"sfen 4k4/9/4P4/9/9/9/9/9/4K4 b G 1 moves G*5b", QStringLiteral("詰み　先手の勝ち")},
        {"startpos moves 5i5h 5a5b 5h5i 5b5a 5i5h 5a5b 5h5i 5b5a 5i5h 5a5b 5h5i 5b5a",
         QStringLiteral("千日手")},
        {"sfen 7k1/9/9/9/9/9/9/9/4K3R b - 1 moves" + cycle + cycle + cycle,
         QStringLiteral("連続王手の千日手　先手の負け")},
        // The rules cannot judge a board with a king missing: the plain text stays.
        {"sfen 4k4/9/9/9/9/9/9/9/9 w - 1", QStringLiteral("後手番です")},
    };
    for (const auto &row : rows) {
        RecordNotes notes;
        ASSERT_TRUE(readSfen(window->game(), notes, row.line).ok) << row.line;
        window->RedrawAll();
        EXPECT_EQ(window->statusText(), row.status) << row.line;
    }
}

TEST_F(MainFormTest, UndoAtTheStartOnlyRewritesTheStatus) {
    show();
    const std::string start = positionOf(window->game());
    window->SetStatusText(QStringLiteral("棋譜を保存しました"));
    trigger("KB1");
    EXPECT_EQ(positionOf(window->game()), start);
    EXPECT_EQ(window->statusText(), QStringLiteral("先手番です"));
    EXPECT_EQ(turnLabel(), QStringLiteral("先手:1手目"));
}

TEST_F(MainFormTest, NewGameForgetsTheFileKeepsTheOverlayAndEmptiesTheStatus) {
    show();
    const std::string start = positionOf(window->game());
    move(7, 7, 7, 6);
    chooser.savePaths.push_back(path("kept.ngr"));
    trigger("KS1");
    ASSERT_EQ(window->windowTitle(), path("kept.ngr"));
    QTest::mouseClick(child<QRadioButton>("RadioButton2"), Qt::LeftButton);
    ASSERT_EQ(window->display().attacks, AttackDisplay::Balance);
    click(squareCentre(3, 3));  // gote's pawn selected when the new game starts
    ASSERT_TRUE(window->selection().squareSelected());

    trigger("KN1");
    QTest::qWait(100);  // the board's repaint must not bring the turn text back
    EXPECT_EQ(positionOf(window->game()), start);
    EXPECT_EQ(window->statusText(), QString());
    EXPECT_EQ(turnLabel(), QStringLiteral("先手:1手目"));
    // The new game is in no file: the caption no longer names the old one.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋"));
    EXPECT_EQ(window->display().attacks, AttackDisplay::Balance);
    EXPECT_TRUE(child<QRadioButton>("RadioButton2")->isChecked());
    EXPECT_FALSE(window->selection().squareSelected() || window->selection().handSelected());
}

TEST_F(MainFormTest, SavedGameOpensAsTheSameGameWithItsHistory) {
    show();
    // Six moves, the last a capture that puts a pawn in gote's hand.
    move(7, 7, 7, 6);
    move(3, 3, 3, 4);
    move(7, 6, 7, 5);
    move(8, 3, 8, 4);
    move(7, 5, 7, 4);
    move(7, 3, 7, 4);
    ASSERT_EQ(window->game().hand(GOTE).size(), 1);
    const std::string saved = positionOf(window->game());
    const int savedMoves = window->game().moveCount();

    chooser.savePaths.push_back(path("game.ngr"));
    trigger("KS1");
    QTest::qWait(100);
    EXPECT_EQ(window->statusText(), QStringLiteral("棋譜を保存しました"));
    EXPECT_EQ(window->windowTitle(), path("game.ngr"));
    EXPECT_EQ(positionOf(window->game()), saved);
    EXPECT_FALSE(contentsOf(path("game.ngr")).isEmpty());

    trigger("KN1");
    click(squareCentre(7, 7));
    chooser.openPaths.push_back(path("game.ngr"));
    trigger("K4");
    QTest::qWait(100);
    EXPECT_EQ(window->statusText(), QStringLiteral("棋譜を読み込みました"));
    EXPECT_EQ(window->windowTitle(), path("game.ngr"));
    EXPECT_EQ(positionOf(window->game()), saved);
    EXPECT_FALSE(window->selection().squareSelected() || window->selection().handSelected());
    EXPECT_EQ(turnLabel(), QStringLiteral("先手:%1手目").arg(savedMoves + 1));

    // The loaded game carries its history: undo walks back to the starting position.
    for (int i = 0; i < savedMoves; ++i) trigger("KB1");
    trigger("KN1");
    const std::string start = positionOf(window->game());
    chooser.openPaths.push_back(path("game.ngr"));
    trigger("K4");
    for (int i = 0; i < savedMoves; ++i) trigger("KB1");
    EXPECT_EQ(positionOf(window->game()), start);
}

TEST_F(MainFormTest, CancelledDialogsChangeNothing) {
    show();
    move(7, 7, 7, 6);
    const std::string before = positionOf(window->game());
    window->SetStatusText(QStringLiteral("そのまま"));
    chooser.openPaths.push_back(QString());
    chooser.savePaths.push_back(QString());
    trigger("K4");
    trigger("KS1");
    EXPECT_EQ(positionOf(window->game()), before);
    EXPECT_EQ(window->statusText(), QStringLiteral("そのまま"));
    // The move made is still unsaved.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋*"));
}

TEST_F(MainFormTest, FailedSaveChangesNothingAndSaysWhy) {
    show();
    move(7, 7, 7, 6);
    const std::string before = positionOf(window->game());
    const QString missingFolder = path("no-such-folder/game.ngr");
    chooser.savePaths.push_back(missingFolder);
    trigger("KS1");
    EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("棋譜を保存できませんでした: ")))
        << window->statusText().toStdString();
    EXPECT_GT(window->statusText().size(), QStringLiteral("棋譜を保存できませんでした: ").size());
    // The move made is still unsaved.
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋*"));
    EXPECT_EQ(positionOf(window->game()), before);
    EXPECT_FALSE(QFile::exists(missingFolder));

    chooser.savePaths.push_back(directory.path());  // a folder cannot be replaced by a record
    trigger("KS1");
    EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("棋譜を保存できませんでした: ")));
    EXPECT_TRUE(QFileInfo(directory.path()).isDir());
}

TEST_F(MainFormTest, FailedOpenChangesNothingAndSaysWhy) {
    writeFile(path("malformed.ngr"), "this is not a record\r\n");
    writeFile(path("empty.ngr"), "");
    {
        QFile huge(path("huge.ngr"));
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(TZnMainForm::kMaxRecordBytes + 1));
    }
    show();
    move(7, 7, 7, 6);
    click(squareCentre(3, 3));  // gote's pawn selected, and it must stay selected
    const std::string before = positionOf(window->game());

    for (const char *name : {"missing.ngr", "malformed.ngr", "empty.ngr", "huge.ngr", "."}) {
        SCOPED_TRACE(name);
        chooser.openPaths.push_back(path(name));
        trigger("K4");
        EXPECT_TRUE(window->statusText().startsWith(QStringLiteral("棋譜を読み込めませんでした: ")))
            << window->statusText().toStdString();
        EXPECT_GT(window->statusText().size(), QStringLiteral("棋譜を読み込めませんでした: ").size());
        // The move made is still unsaved.
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋*"));
        EXPECT_EQ(positionOf(window->game()), before);
        EXPECT_TRUE(window->selection().squareSelected());
        EXPECT_EQ(window->selection().selectedSquare(), squareAt(2, 2));
        EXPECT_EQ(turnLabel(), QStringLiteral("後手:2手目"));
    }
}

TEST_F(MainFormTest, AttackDisplayButtonsSetTheModeAndRedrawAtOnce) {
    show();
    // The middle of 5六's top-left corner area, free of grid lines and of any glyph.
    const QPoint rowFive(276 - 32 * 4 + 3, 56 + 32 * 5 + 3);
    const QPoint rowThree(276 - 32 * 4 + 3, 56 + 32 * 3 + 3);
    struct Row {
        const char *button;
        AttackDisplay mode;
        QColor rowFiveColour;
        QColor rowThreeColour;
    };
    const Row rows[] = {
        {"RadioButton2", AttackDisplay::Balance, QColor(0, 0, 240), QColor(240, 0, 0)},
        {"RadioButton3", AttackDisplay::Concentration, QColor(0, 224, 0), QColor(0, 224, 0)},
        {"RadioButton4", AttackDisplay::None, BoardColour, BoardColour},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.button);
        window->SetStatusText(QString());
        QTest::mouseClick(child<QRadioButton>(row.button), Qt::LeftButton);
        EXPECT_EQ(window->display().attacks, row.mode);
        EXPECT_TRUE(child<QRadioButton>(row.button)->isChecked());
        EXPECT_EQ(window->statusText(), QStringLiteral("先手番です"));  // redrawn at once
        const QImage board = ban()->picture();
        EXPECT_EQ(board.pixelColor(rowFive), row.rowFiveColour);
        EXPECT_EQ(board.pixelColor(rowThree), row.rowThreeColour);
    }
}

TEST_F(MainFormTest, InertItemsChangeNothing) {
    show();
    move(7, 7, 7, 6);
    click(squareCentre(3, 3));
    const std::string before = positionOf(window->game());
    window->SetStatusText(QStringLiteral("そのまま"));
    const QImage picture = ban()->picture();
    // 投了 waits for a game; 対局 opens its dialog (the game window tests cover it).
    for (const char *item : {"KG1", "K2"}) trigger(item);
    EXPECT_EQ(positionOf(window->game()), before);
    EXPECT_EQ(window->statusText(), QStringLiteral("そのまま"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Nagi将棋*"));  // the move made is unsaved
    EXPECT_TRUE(window->selection().squareSelected());
    EXPECT_EQ(ban()->picture(), picture);
}

// Without a redraw the piece went on looking selected after the selection was gone.
TEST_F(MainFormTest, CancelClearsTheBoardSelectionAndRedraws) {
    show();
    window->RedrawAll();
    const QImage unselected = ban()->picture();
    click(squareCentre(7, 7));
    ASSERT_TRUE(window->selection().squareSelected());
    const QImage selected = ban()->picture();
    ASSERT_NE(selected, unselected);
    trigger("K3");
    EXPECT_FALSE(window->selection().squareSelected());
    EXPECT_EQ(ban()->picture(), unselected);
    EXPECT_EQ(window->statusText(), QStringLiteral("先手番です"));
    click(squareCentre(7, 6));  // nothing is selected any more: the press moves nothing
    EXPECT_EQ(window->game().moveCount(), 0);
}

TEST_F(MainFormTest, RightClickOnTheBoardOpensThePopupMenu) {
    show();
    QMenu *popup = child<QMenu>("PopupMenu1");
    QTest::mouseClick(ban(), Qt::RightButton, Qt::NoModifier, squareCentre(7, 7));
    // The platform follows a right press with a context-menu event; QTest sends only the press.
    QContextMenuEvent request(QContextMenuEvent::Mouse, squareCentre(7, 7),
                              ban()->mapToGlobal(squareCentre(7, 7)));
    QApplication::sendEvent(ban(), &request);
    EXPECT_TRUE(QTest::qWaitFor([popup] { return popup->isVisible(); }, 2000));
    EXPECT_FALSE(window->selection().squareSelected());  // the right button selects nothing
    popup->close();
}

TEST_F(MainFormTest, ExitClosesTheWindow) {
    show();
    trigger("ExitX1");
    EXPECT_FALSE(window->isVisible());
}

// ---- boxes and dialogs ----

TEST_F(MainFormTest, AboutBoxNamesTheVersion) {
    show();
    bool seen = false;
    whenBoxShown(
        [&seen](QMessageBox &box) {
            seen = true;
            EXPECT_EQ(box.windowTitle(), QStringLiteral("Nagi将棋 for Windows"));
            const QStringList lines = box.text().split('\n');
            ASSERT_EQ(lines.size(), 3);
            EXPECT_EQ(lines[0], QStringLiteral("Nagi将棋 Version 0.20"));
            EXPECT_EQ(lines[1], QString());
            EXPECT_FALSE(lines[2].isEmpty());
            EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
            EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
            EXPECT_TRUE(box.button(QMessageBox::Ok)->icon().isNull());
        },
        QMessageBox::Ok);
    trigger("KA1");
    EXPECT_TRUE(seen);
}

TEST_F(MainFormTest, BadIndexShowsTheDebugBoxAndTheGameGoesOn) {
    show();
    const std::string before = positionOf(window->game());
    struct Row {
        int index;
        bool byValue;
        const char *title;
    };
    for (const Row &row : {Row{81, false, "Out of vector index (81/81)"},
                           Row{81, true, "Out of index (81/81)"}, Row{200, true, "Out of index (200/81)"}}) {
        SCOPED_TRACE(row.title);
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::Critical;
        QMessageBox::StandardButtons buttons;
        whenBoxShown(
            [&](QMessageBox &box) {
                title = box.windowTitle();
                text = box.text();
                icon = box.icon();
                buttons = box.standardButtons();
            },
            QMessageBox::Ok);
        const Koma *piece =
            row.byValue ? window->game().board().get(row.index) : window->game().board().at(row.index);
        EXPECT_EQ(piece, nullptr);
        EXPECT_EQ(title, QString::fromLatin1(row.title));
        EXPECT_EQ(text, QStringLiteral("Debug Message"));
        EXPECT_EQ(icon, QMessageBox::NoIcon);
        EXPECT_EQ(buttons, QMessageBox::Ok);
    }
    EXPECT_EQ(positionOf(window->game()), before);
}

TEST_F(MainFormTest, PromotionQuestionIsAJapaneseYesNoBox) {
    for (bool yes : {true, false}) {
        SCOPED_TRACE(yes ? "yes" : "no");
        MessageBoxPromotionAsker real(window.get());
        whenBoxShown(
            [](QMessageBox &box) {
                EXPECT_EQ(box.windowTitle(), QStringLiteral("成/不成の選択"));
                EXPECT_EQ(box.text(), QStringLiteral("歩は成りますか？"));
                EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
                EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
                EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
                EXPECT_TRUE(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("はい")));
                EXPECT_TRUE(box.button(QMessageBox::No)->text().startsWith(QStringLiteral("いいえ")));
                EXPECT_TRUE(box.button(QMessageBox::Yes)->icon().isNull());
            },
            yes ? QMessageBox::Yes : QMessageBox::No);
        EXPECT_EQ(real.askPromotion(QStringLiteral("歩")), yes);
    }
}

TEST_F(MainFormTest, RecordDialogsOfferEveryFormatWithNagiFirstAndSelected) {
    struct Row {
        QFileDialog::AcceptMode mode;
        QDialogButtonBox::StandardButton button;
        const char *caption;
        const char *selected;  // the file type selected when the dialog opens
    };
    const QString folder = QDir::tempPath();
    for (const Row &row :
         {Row{QFileDialog::AcceptOpen, QDialogButtonBox::Open, "開く",
              "棋譜ファイル (*.ngr *.kif *.kifu *.ki2 *.ki2u *.csa *.sfen *.usi *.jkf)"},
          Row{QFileDialog::AcceptSave, QDialogButtonBox::Save, "保存", "Nagi形式Ver.0.20 (*.ngr)"}}) {
        SCOPED_TRACE(row.caption);
        QFileDialog dialog;
        setUpRecordDialog(dialog, row.mode, folder);
        EXPECT_EQ(QDir(dialog.directory()).canonicalPath(), QDir(folder).canonicalPath());
        EXPECT_EQ(dialog.nameFilters(),
                  (QStringList{"Nagi形式Ver.0.20 (*.ngr)", "棋譜ファイル (*.ngr *.kif *.kifu *.ki2 *.ki2u *.csa *.sfen *.usi *.jkf)",
                               "KIF形式 (*.kif *.kifu)", "KI2形式 (*.ki2)", "CSA形式 (*.csa)", "SFEN形式 (*.sfen)",
                               "USI形式 (*.usi)", "JKF形式 (*.jkf)", "すべてのファイル (*)"}));
        EXPECT_EQ(dialog.selectedNameFilter(), QString::fromUtf8(row.selected));
        EXPECT_EQ(dialog.defaultSuffix(), row.mode == QFileDialog::AcceptSave ? QStringLiteral("ngr") : QString());
        // A save under one format's entry adds that format's suffix to a bare name; Nagi形式 and
        // the entries of several formats add ".ngr", which they write, so that 開く lists the file.
        const struct {
            int entry;
            const char *suffix;
        } suffixes[] = {{2, "kif"}, {4, "csa"}, {7, "jkf"}, {1, "ngr"}, {8, "ngr"}, {0, "ngr"}};
        for (const auto &choice : suffixes) {
            const QString filter = dialog.nameFilters().at(choice.entry);
            dialog.selectNameFilter(filter);
            emit dialog.filterSelected(filter);
            EXPECT_EQ(dialog.defaultSuffix(),
                      row.mode == QFileDialog::AcceptSave ? QString::fromLatin1(choice.suffix) : QString())
                << filter.toStdString();
        }
        EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
        EXPECT_EQ(dialog.acceptMode(), row.mode);
        auto buttons = dialog.findChild<QDialogButtonBox *>();
        ASSERT_NE(buttons, nullptr);
        QPushButton *accept = buttons->button(row.button);
        ASSERT_NE(accept, nullptr);
        EXPECT_TRUE(accept->text().startsWith(QString::fromUtf8(row.caption)))
            << accept->text().toStdString();
        QPushButton *cancel = buttons->button(QDialogButtonBox::Cancel);
        ASSERT_NE(cancel, nullptr);
        EXPECT_TRUE(cancel->text().startsWith(QStringLiteral("キャンセル"))) << cancel->text().toStdString();
    }
}

}  // namespace
