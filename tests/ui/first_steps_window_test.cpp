// A newcomer's first steps: keys, dialog folders, a long status, the displays' tips, the legend.

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFontMetrics>
#include <QRadioButton>
#include <QStatusBar>

#include "records_testing.h"
#include "ui/layers.h"
#include "ui/legendwindow.h"
#include "ui/render.h"
#include "ui/statuspanel.h"

using namespace records_testing;

namespace {

using FirstStepsTest = RecordWindowTest;

TEST_F(FirstStepsTest, ArrowsWalkAtOnceAfterAStartWithAFileANewGameOrAPaste) {
    writeFile(path("game.kifu"), bytesOf(kKifText));
    for (bool kifuWindow : {false, true}) {
        window = makeStartWindow(asker);
        startWindow(*window, StartOptions{kifuWindow, path("game.kifu")});
        ASSERT_TRUE(QTest::qWaitFor([this] { return window->record().length() == 3; }, 5000));
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        // No widget given: the key goes where a real press goes, to the keyboard's holder.
        QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Left);
        EXPECT_EQ(window->record().cursor(), 2) << kifuWindow;
        EXPECT_EQ(window->display().attacks, AttackDisplay::None);
    }
    // A player who tabbed to the buttons, or clicked one, gets the keys back on the board.
    auto *button = findControl<QRadioButton>(*window, "RadioButton2");
    for (const char *item : {"KN1", "KE3", ""}) {
        QApplication::clipboard()->setText(QString::fromStdString(kUsiText));
        button->setFocus(Qt::TabFocusReason);
        *item ? trigger(item) : QTest::mouseClick(button, Qt::LeftButton);
        auto *board = findControl<QWidget>(*window, "Ban");
        EXPECT_TRUE(QTest::qWaitFor([board] { return board->hasFocus(); }, 1000)) << item;
    }
    EXPECT_EQ(window->display().attacks, AttackDisplay::Balance);
}

TEST_F(FirstStepsTest, DialogsStartInTheRecordsFolderElseTheLastOneUsed) {
    const QString a = directory.filePath("a"), b = directory.filePath("b");
    ASSERT_TRUE(QDir().mkpath(a) && QDir().mkpath(b));
    writeFile(a + "/game.kifu", bytesOf(kKifText));
    open(a + "/game.kifu");
    open(b + "/missing.kif");  // the record stays in a; b is the last folder used
    EXPECT_EQ(chooser.startFolder(), a);
    trigger("KN1");
    save(a + "/x.kif");
    EXPECT_EQ(chooser.startFolder(), b);
    EXPECT_EQ(window->recordFolder(), a);
}

TEST_F(FirstStepsTest, ALongStatusIsElidedAndWholeInItsTooltipUntilTheNext) {
    auto *panel = findControl<TStatusPanel>(*window, "StatusPanel");
    const QString longText =
        QString::fromStdString("棋譜を保存しました（" + std::string(80, 'x') + "は保存していません）");
    const QFontMetrics metrics(panel->font());
    const int room = panel->contentsRect().width();
    ASSERT_GT(metrics.horizontalAdvance(longText), room);
    for (const QString &text : {longText, QStringLiteral("棋譜を保存しました"), longText, QString()}) {
        window->SetStatusText(text);
        const bool tooWide = text == longText;
        EXPECT_EQ(window->statusText(), text);
        EXPECT_LE(metrics.horizontalAdvance(panel->text()), room);
        EXPECT_EQ(panel->text(), tooWide ? text.left(panel->text().size() - 1) + "…" : text);
        EXPECT_EQ(panel->toolTip(), tooWide ? text : QString());
    }
}

// Each display tells in one sentence, short enough for the status bar, what it shows.
TEST_F(FirstStepsTest, DisplaysHaveTipsOfOneSentence) {
    const int room = findControl<QStatusBar>(*window, "StatusBar1")->width() - 12;
    for (const char *name :
         {"RadioButton4", "RadioButton2", "RadioButton3", "KC1", "KL1", "KX1", "KP1", "KM1"}) {
        QObject *item = window->findChild<QObject *>(QString::fromLatin1(name));
        ASSERT_NE(item, nullptr) << name;
        const QString tip = item->property("statusTip").toString();
        EXPECT_EQ(item->property("toolTip").toString(), tip) << name;
        EXPECT_TRUE(tip.endsWith("。") && tip.count("。") == 1) << tip.toStdString();
        EXPECT_LE(QFontMetrics(window->font()).horizontalAdvance(tip), room) << tip.toStdString();
    }
}

TEST_F(FirstStepsTest, TheLegendDrawsItsSamplesInTheBoardsColours) {
    trigger("KH2");
    EXPECT_TRUE(window->legendWindow() != nullptr && window->legendWindow()->isVisible());
    constexpr int L = kLegendSquareOffset;
    const struct {
        LegendMark mark;
        QPoint at;
        QColor colour;
    } rows[] = {
        {LegendMark::SenteLead, {L + 16, L + 16}, senteLeadColour(1)},
        {LegendMark::OutAttacked, {L + 1, L + 16}, frameColour()},
        {LegendMark::Exchange, {L + 2, L + 16}, ExchangeFrameColour},
        {LegendMark::LastMove, {L - 1, L + 16}, LastMoveFrameColour},
        {LegendMark::SenteLead, {L + 32, L + 16}, Qt::black},
        {LegendMark::Counts, {L + 34, L + 34}, BoardColour},
    };
    for (qreal ratio : {1.0, 2.0})
        for (const auto &row : rows)
            EXPECT_EQ(QColor(legendSample(row.mark, ratio).pixel(row.at * ratio)), row.colour)
                << int(row.mark) << " ratio " << ratio;
    // The counts are the board's own count pictures, where the board puts them.
    const QImage counts = legendSample(LegendMark::Counts, 1.0);
    EXPECT_EQ(counts.copy(countBox(SENTE, 0).translated(L - 276, L - 56)), countPicture(SENTE, 2, 1.0));
    EXPECT_EQ(counts.copy(countBox(GOTE, 0).translated(L - 276, L - 56)), countPicture(GOTE, 1, 1.0));
}

}  // namespace
