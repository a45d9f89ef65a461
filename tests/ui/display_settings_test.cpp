// The display settings belong to their window: each control sets its own field, and one window's
// choice leaves another's picture alone.

#include <QAction>
#include <QRadioButton>

#include "ui/displaysettings.h"
#include "ui_testing.h"

namespace {

class DisplaySettingsTest : public ShownWindowTest {};

TEST_F(DisplaySettingsTest, EachControlSetsItsOwnSetting) {
    struct Row {
        const char *control;
        DisplaySettings expected;
    };
    const auto with = [](auto change) {
        DisplaySettings settings;
        change(settings);
        return settings;
    };
    const Row rows[] = {
        {"RadioButton2", with([](DisplaySettings &s) { s.attacks = AttackDisplay::Balance; })},
        {"RadioButton3", with([](DisplaySettings &s) { s.attacks = AttackDisplay::Concentration; })},
        {"KC1", with([](DisplaySettings &s) { s.layers.counts = true; })},
        {"KL1", with([](DisplaySettings &s) { s.layers.attackers = true; })},
        {"KX1", with([](DisplaySettings &s) { s.layers.exchange = true; })},
        {"KP1", with([](DisplaySettings &s) { s.layers.preview = true; })},
        {"KM1", with([](DisplaySettings &s) { s.layers.lastMove = true; })},
        {"KQ1", with([](DisplaySettings &s) { s.layers.destinations = true; })},
        {"KT1", with([](DisplaySettings &s) { s.view.turned = true; })},
        {"Zoom150", with([](DisplaySettings &s) { s.zoomPercent = 150; })},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.control);
        window = makeStartWindow(asker);
        const DisplaySettings before = window->display();
        EXPECT_EQ(before, DisplaySettings{});
        if (auto *button = window->findChild<QRadioButton *>(QString::fromLatin1(row.control)))
            button->click();
        else
            child<QAction>(row.control)->trigger();
        EXPECT_EQ(window->display(), row.expected);
    }
    // The zoom is stored for the next start; the next tests start at 100 %.
    child<QAction>("Zoom100")->trigger();
    EXPECT_EQ(window->display().zoomPercent, 100);
}

// The note that a new zoom is used from the next start stays when the board is painted again, as
// it is when the menu closes over it (a repaint used to write the turn text over it at once).
TEST_F(DisplaySettingsTest, TheZoomNoteOutlivesTheNextPaint) {
    child<QAction>("Zoom125")->trigger();
    const QString note = window->statusText();
    EXPECT_TRUE(note.startsWith(QStringLiteral("拡大率 125 %"))) << note.toStdString();
    ban()->repaint();
    EXPECT_EQ(window->statusText(), note);
    child<QAction>("Zoom100")->trigger();
}

// While the attack display and the view were the program's globals, a second window (the tests'
// reference pictures) drew with the first one's choice.
TEST_F(DisplaySettingsTest, AnotherWindowKeepsItsOwnDisplay) {
    auto other = makeStartWindow(asker);
    other->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(other.get()));
    other->RedrawAll();
    const QImage plain = findControl<TPaintBox>(*other, "Ban")->picture();
    child<QRadioButton>("RadioButton2")->click();
    child<QAction>("KT1")->trigger();
    ASSERT_NE(ban()->picture(), plain);
    other->RedrawAll();
    EXPECT_EQ(other->display(), DisplaySettings{});
    EXPECT_EQ(findControl<TPaintBox>(*other, "Ban")->picture(), plain);
    // A press on the other board maps by its own view: 7七 is sente's pawn there.
    QTest::mouseClick(findControl<TPaintBox>(*other, "Ban"), Qt::LeftButton, Qt::NoModifier, squareCentre(7, 7));
    ASSERT_TRUE(other->selection().squareSelected());
    EXPECT_EQ(other->selection().selectedSquare(), squareAt(6, 6));
    EXPECT_FALSE(window->selection().squareSelected());
}

}  // namespace
