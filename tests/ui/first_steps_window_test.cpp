// A newcomer's first steps in the window: the keys walk from the start, the dialogs start where the
// records are, a long status is shortened whole, the colours and layers explain themselves, the
// layers have keys, and a preview shows the move with its hands.

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEnterEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <functional>

#include "common/testing.h"
#include "picture_testing.h"
#include "records_testing.h"
#include "ui/layers.h"
#include "ui/legendwindow.h"
#include "ui/render.h"
#include "ui/statuspanel.h"

using namespace records_testing;

namespace {

constexpr Square sq(int file, int rank) { return static_cast<Square>((rank - 1) * 9 + (file - 1)); }

class FirstStepsTest : public RecordWindowTest {
protected:
    void activate() {
        window->activateWindow();
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // A key press where a real one goes: to the widget with the keyboard.
    void pressKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget *focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, Qt::Key(key), modifiers);
    }
    template <typename T>
    T *child(const char *name) {
        return findControl<T>(*window, name);
    }
    TPaintBox *box(const char *name) { return child<TPaintBox>(name); }
    bool boardHasKeys() { return box("Ban")->hasFocus(); }
};

TEST_F(FirstStepsTest, TheFirstArrowWalksAfterAStartWithAFile) {
    writeFile(path("game.kifu"), bytesOf(kKifText));
    for (bool kifuWindow : {false, true}) {
        SCOPED_TRACE(kifuWindow ? "with the move list" : "alone");
        window = makeStartWindow(asker);
        startWindow(*window, StartOptions{kifuWindow, path("game.kifu")});
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->record().length() == 3; }, 5000));
        activate();
        pressKey(Qt::Key_Left);
        EXPECT_EQ(window->record().cursor(), 2);
        EXPECT_EQ(attackDisplayMode, 0);
        EXPECT_TRUE(child<QRadioButton>("RadioButton4")->isChecked());
        pressKey(Qt::Key_Right);
        EXPECT_EQ(window->record().cursor(), 3);
        pressKey(Qt::Key_Home);
        EXPECT_EQ(window->record().cursor(), 0);
    }
}

// Whatever had the keyboard, a new game in any way gives it to the board; a click on an
// attack-display button does too, and the buttons are reached by Tab only.
TEST_F(FirstStepsTest, EveryNewGameAndEveryClickOnADisplayGiveTheKeysToTheBoard) {
    writeFile(path("game.kifu"), bytesOf(kKifText));
    activate();
    auto *balance = child<QRadioButton>("RadioButton2");
    const struct {
        const char *what;
        std::function<void()> act;
    } rows[] = {
        {"新規", [&] { trigger("KN1"); }},
        {"開く", [&] { open(path("game.kifu")); }},
        {"貼り付け",
         [&] {
             QApplication::clipboard()->setText(QString::fromStdString(kUsiText));
             trigger("KE3");
         }},
        {"a click on 利き集中分布",
         [&] { QTest::mouseClick(child<QRadioButton>("RadioButton3"), Qt::LeftButton); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        balance->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(balance->hasFocus());
        row.act();
        EXPECT_TRUE(boardHasKeys());
    }
    EXPECT_EQ(attackDisplayMode, 3);
    // No click focuses a button; Tab reaches one of them (Qt leaves the others to the arrows).
    int tabbable = 0;
    for (const char *name : {"RadioButton2", "RadioButton3", "RadioButton4"}) {
        auto *button = child<QRadioButton>(name);
        EXPECT_EQ(button->focusPolicy() & Qt::ClickFocus, 0) << name;
        tabbable += button->focusPolicy() == Qt::TabFocus ? 1 : 0;
    }
    EXPECT_EQ(tabbable, 1);
}

TEST_F(FirstStepsTest, DialogsStartInTheFolderOfTheRecordOrTheLastOneUsed) {
    const QString a = directory.filePath("a"), b = directory.filePath("b"), c = directory.filePath("c");
    for (const QString &folder : {a, b, c}) ASSERT_TRUE(QDir().mkpath(folder));
    writeFile(a + "/game.kifu", bytesOf(kKifText));
    const auto newGame = [&] { trigger("KN1"); };
    const auto paste = [&] {
        QApplication::clipboard()->setText(QString::fromStdString(kUsiText));
        trigger("KE3");
    };
    const struct {
        const char *what;
        std::function<void()> before;  // what happens before the dialog, if anything
        QString file;                  // the file chosen in it; empty: cancelled
        bool save;
        QString folder;  // where the dialog started
    } steps[] = {
        {"the first open", {}, a + "/game.kifu", false, QString()},
        {"a save after opening", {}, b + "/out.csa", true, a},
        {"an open after saving", {}, a + "/game.kifu", false, b},
        {"a failed open", {}, c + "/missing.kif", false, a},
        {"a cancelled open: the record is still in a", {}, QString(), false, a},
        {"after 新規, the last folder used", newGame, QString(), false, c},
        {"after a paste, the same", paste, QString(), true, c},
        {"a save after the paste", {}, b + "/pasted.kif", true, c},
        {"an open after that save", {}, QString(), false, b},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        if (step.before) step.before();
        chooser.startFolders.clear();
        if (step.save)
            save(step.file);
        else
            open(step.file);
        ASSERT_EQ(chooser.startFolders.size(), 1u);
        EXPECT_EQ(chooser.startFolders.front().toStdString(), step.folder.toStdString());
    }
}

TEST_F(FirstStepsTest, ALongStatusIsElidedAndWholeInItsTooltip) {
    auto *panel = child<TStatusPanel>("StatusPanel");
    const QString longText = QStringLiteral(
        "棋譜を保存しました（この形式に入らない指し手3手・対局情報2件・コメント2行・消費時間3手分・終局「投了"
        "」は保"
        "存していません）");
    ASSERT_GT(QFontMetrics(panel->font()).horizontalAdvance(longText), panel->contentsRect().width());
    const struct {
        QString text;
        bool elided;
    } rows[] = {
        {longText, true}, {QStringLiteral("棋譜を保存しました"), false}, {longText, true}, {{}, false}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        window->SetStatusText(row.text);
        EXPECT_EQ(window->statusText(), row.text);
        EXPECT_LE(QFontMetrics(panel->font()).horizontalAdvance(panel->text()),
                  panel->contentsRect().width());
        if (row.elided) {
            EXPECT_TRUE(panel->text().endsWith(QStringLiteral("…"))) << panel->text().toStdString();
            EXPECT_TRUE(row.text.startsWith(panel->text().chopped(1)));
            EXPECT_EQ(panel->toolTip(), row.text);
        } else {
            EXPECT_EQ(panel->text(), row.text);
            EXPECT_EQ(panel->toolTip(), QString());
        }
    }
}

// Each display says in one sentence what it shows, as a tooltip and as the status bar's tip.
TEST_F(FirstStepsTest, EveryDisplayHasATipOfOneSentence) {
    auto *bar = child<QStatusBar>("StatusBar1");
    // One sentence, short enough for the status bar to show whole.
    auto oneSentence = [bar](const QString &tip) {
        return !tip.isEmpty() && tip.endsWith(QStringLiteral("。")) && tip.count(QStringLiteral("。")) == 1 &&
               QFontMetrics(bar->font()).horizontalAdvance(tip) <= bar->width() - 12;
    };
    for (const char *name : {"RadioButton4", "RadioButton2", "RadioButton3"}) {
        SCOPED_TRACE(name);
        auto *button = child<QRadioButton>(name);
        EXPECT_TRUE(oneSentence(button->toolTip())) << button->toolTip().toStdString();
        EXPECT_EQ(button->statusTip(), button->toolTip());
        // The mouse over the button puts its tip in the status bar, and takes it away on leaving.
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
        QApplication::sendEvent(button, &enter);
        EXPECT_EQ(child<QStatusBar>("StatusBar1")->currentMessage(), button->statusTip());
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        EXPECT_EQ(child<QStatusBar>("StatusBar1")->currentMessage(), QString());
    }
    QStringList tips;
    for (const char *name : {"KC1", "KL1", "KX1", "KP1", "KM1", "KH1"}) {
        SCOPED_TRACE(name);
        auto *item = child<QAction>(name);
        EXPECT_TRUE(oneSentence(item->statusTip())) << item->statusTip().toStdString();
        if (std::string(name) != "KH1") {
            EXPECT_EQ(item->toolTip(), item->statusTip());
        }
        tips << item->statusTip();
    }
    tips.removeDuplicates();
    EXPECT_EQ(tips.size(), 6);
    EXPECT_TRUE(child<QMenu>("ViewV1")->toolTipsVisible());
}

TEST_F(FirstStepsTest, CtrlAndADigitSwitchEachLayer) {
    activate();
    const QImage plain = box("Ban")->picture();
    const struct {
        int key;
        const char *item;
    } rows[] = {
        {Qt::Key_1, "KC1"}, {Qt::Key_2, "KL1"}, {Qt::Key_3, "KX1"}, {Qt::Key_4, "KP1"}, {Qt::Key_5, "KM1"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.item);
        pressKey(row.key, Qt::ControlModifier);
        EXPECT_TRUE(child<QAction>(row.item)->isChecked());
        pressKey(row.key, Qt::ControlModifier);
        EXPECT_FALSE(child<QAction>(row.item)->isChecked());
    }
    // Ctrl+1 really draws the counts.
    pressKey(Qt::Key_1, Qt::ControlModifier);
    EXPECT_NE(box("Ban")->picture(), plain);
}

// The picture of a previewed capture or drop, board and stands, is the picture after really making
// it, but for the faint piece and the outline on its destination; leaving takes it all back.
TEST_F(FirstStepsTest, APreviewShowsThePiecesAndHandsAsAfterTheMove) {
    trigger("KP1");
    const struct {
        const char *what;
        QPoint select;  // in the box named below
        const char *selectIn;
        Square to;
    } rows[] = {
        {"a silver takes a pawn", squareCentre(5, 6), "Ban", sq(5, 5)},
        {"a gold dropped", QPoint(16, 18), "Dai0", sq(4, 5)},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        setUpPosition(window->game(), {{KING, sq(5, 9), SENTE},
                                       {SILVER, sq(5, 6), SENTE},
                                       {GOLD, IN_HAND, SENTE},
                                       {PAWN, sq(5, 5), GOTE},
                                       {KING, sq(5, 1), GOTE}});
        window->record().reset();
        znFlags.Reset();
        window->RedrawAll();
        const QPoint destination = squareCentre(columnOf(row.to) + 1, rowOf(row.to) + 1);
        QTest::mouseMove(box("Ban"), QPoint(340, 20));
        QTest::mouseClick(box(row.selectIn), Qt::LeftButton, Qt::NoModifier, row.select);
        const QImage idle[] = {box("Ban")->picture(), box("Dai0")->picture(), box("Dai1")->picture()};
        QTest::mouseMove(box("Ban"), destination);
        const QImage preview[] = {box("Ban")->picture(), box("Dai0")->picture(), box("Dai1")->picture()};
        EXPECT_NE(preview[1], idle[1]);  // sente's stand gains the pawn or loses the gold
        QTest::mouseMove(box("Ban"), QPoint(340, 20));
        EXPECT_EQ(box("Ban")->picture(), idle[0]);
        EXPECT_EQ(box("Dai0")->picture(), idle[1]);
        EXPECT_EQ(box("Dai1")->picture(), idle[2]);

        QTest::mouseMove(box("Ban"), destination);
        QTest::mouseClick(box("Ban"), Qt::LeftButton, Qt::NoModifier, destination);
        ASSERT_EQ(window->game().moveCount(), 1);
        EXPECT_TRUE(looksLikeAfterTheMove(preview[0], box("Ban")->picture(), row.to));
        EXPECT_EQ(preview[1], box("Dai0")->picture());
        EXPECT_EQ(preview[2], box("Dai1")->picture());
    }
}

// ---- the legend ----

// A pixel of a sample, at the sample's logical point `at` and pixel ratio `ratio`.
QRgb samplePixel(LegendMark mark, QPoint at, qreal ratio) {
    const QImage sample = legendSample(mark, ratio);
    return sample.pixel(qRound(at.x() * ratio), qRound(at.y() * ratio));
}

// Whether a pixel of the sample within one device pixel of `at` has `colour`: a sloping line may
// pass a pixel aside.
bool sampleHasColourNear(LegendMark mark, QPoint at, qreal ratio, const QColor &colour) {
    const QImage sample = legendSample(mark, ratio);
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (QColor(sample.pixel(qRound(at.x() * ratio) + dx, qRound(at.y() * ratio) + dy)) == colour)
                return true;
    return false;
}

TEST(LegendTest, SamplesAreDrawnInTheBoardsColours) {
    installFontSubstitutes();
    constexpr int L = kLegendSquareOffset, T = kLegendSquareOffset;
    const struct {
        LegendMark mark;
        QPoint at;
        QColor colour;
    } rows[] = {
        {LegendMark::SenteLead, {L + 16, T + 16}, senteLeadColour(1)},
        {LegendMark::GoteLead, {L + 16, T + 16}, goteLeadColour(1)},
        {LegendMark::Concentration, {L + 16, T + 16}, concentrationColour(1)},
        {LegendMark::OutAttacked, {L + 1, T + 16}, frameColour()},
        {LegendMark::OutAttacked, {L + 4, T + 28}, senteLeadColour(1)},
        {LegendMark::Exchange, {L + 2, T + 16}, ExchangeFrameColour},
        {LegendMark::LastMove, {L - 1, T + 16}, LastMoveFrameColour},
        {LegendMark::AttackerLines, {L + 8, T + 24}, SenteLineColour},
        {LegendMark::AttackerLines, {L + 24, T + 8}, GoteLineColour},
        // Around the square the board goes on, its grid line black.
        {LegendMark::SenteLead, {L + 32, T + 16}, Qt::black},
        {LegendMark::SenteLead, {L + 34, T + 34}, BoardColour},
    };
    for (qreal ratio : {1.0, 2.0}) {
        for (const auto &row : rows) {
            SCOPED_TRACE(::testing::Message()
                         << int(row.mark) << " at " << row.at.x() << "," << row.at.y() << " ratio " << ratio);
            EXPECT_TRUE(sampleHasColourNear(row.mark, row.at, ratio, row.colour));
            if (row.mark != LegendMark::AttackerLines) {
                EXPECT_EQ(QColor(samplePixel(row.mark, row.at, ratio)), row.colour);
            }
        }
    }
    // The counts are the board's own count pictures, where the board puts them.
    const QImage counts = legendSample(LegendMark::Counts, 1.0);
    const QRect sente = countBox(SENTE, 0).translated(L - 276, T - 56);
    const QRect gote = countBox(GOTE, 0).translated(L - 276, T - 56);
    EXPECT_EQ(counts.copy(sente), countPicture(SENTE, 2, 1.0));
    EXPECT_EQ(counts.copy(gote), countPicture(GOTE, 1, 1.0));
    // The preview's outline lightens the grid line under it; the selected piece is white.
    const QRgb outline = samplePixel(LegendMark::Preview, {L, T + 16}, 1.0);
    EXPECT_GT(qRed(outline), 100);
    EXPECT_EQ(qRed(outline), qBlue(outline));
    bool white = false;
    const QImage selected = legendSample(LegendMark::Selected, 1.0);
    for (int y = T; y < T + 32; ++y)
        for (int x = L; x < L + 32; ++x) white = white || selected.pixel(x, y) == qRgb(255, 255, 255);
    EXPECT_TRUE(white);
}

TEST_F(FirstStepsTest, TheLegendOpensFromTheHelpMenuWithARowPerMark) {
    trigger("KH1");
    TLegendWindow *legend = window->legendWindow();
    ASSERT_NE(legend, nullptr);
    EXPECT_TRUE(legend->isVisible());
    EXPECT_EQ(legend->windowTitle(), QStringLiteral("凡例"));
    int row = 0;
    for (const LegendEntry &entry : kLegendEntries) {
        SCOPED_TRACE(entry.meaning);
        auto *sample = legend->findChild<QLabel *>(QStringLiteral("LegendSample%1").arg(row));
        auto *meaning = legend->findChild<QLabel *>(QStringLiteral("LegendMeaning%1").arg(row));
        ASSERT_NE(sample, nullptr);
        ASSERT_NE(meaning, nullptr);
        EXPECT_EQ(meaning->text(), QString::fromUtf8(entry.meaning));
        EXPECT_EQ(sample->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                  legendSample(entry.mark, legend->devicePixelRatioF()));
        ++row;
    }
    // A second time raises the same window.
    trigger("KH1");
    EXPECT_EQ(window->legendWindow(), legend);
}

}  // namespace
