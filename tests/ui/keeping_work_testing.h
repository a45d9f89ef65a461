#pragma once
// What the tests of the window a player keeps using share: a window with the record commands, a
// file read back as a fresh record, the changed mark of the caption and presses on the boxes.

#include <QMenu>
#include <QSettings>
#include <algorithm>
#include <string_view>

#include "record/formats.h"
#include "records_testing.h"

namespace records_testing {

inline constexpr Square sq(int file, int rank) { return static_cast<Square>((rank - 1) * 9 + (file - 1)); }

class KeepingWorkTest : public RecordWindowTest {
protected:
    void TearDown() override {
        window->setFlipped(false);
        RecordWindowTest::TearDown();
    }
    // The file read back as a fresh record.
    RecordNotes readBack(const QString &file) {
        const QByteArray bytes = contentsOf(file);
        ZnBan game;
        RecordNotes notes;
        EXPECT_TRUE(readRecordBytes(game, notes, std::string_view(bytes.constData(), std::size_t(bytes.size())),
                                    QFile::encodeName(file).toStdString())
                        .ok);
        return notes;
    }
    bool marked() const { return window->windowTitle().endsWith(QLatin1Char('*')); }
    TPaintBox *box(const char *name) { return findControl<TPaintBox>(*window, name); }
    void press(TPaintBox *target, QPoint at) { QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, at); }
    void saveOver() { trigger("KS2"); }
    // Chooses `file` as the only entry of 最近使ったファイル, as a settings file of an earlier run holds it.
    void openRecent(const QString &file) {
        QSettings(QStringLiteral("Nagi"), QStringLiteral("nagishogi"))
            .setValue(QStringLiteral("files/recent"), QStringList{file});
        window->restoreViewSettings();
        trigger("Recent1");
    }
    bool listedRecent(const QString &file) {
        const QList<QAction *> items = findControl<QMenu>(*window, "RecentR1")->actions();
        return std::any_of(items.begin(), items.end(),
                           [&](QAction *item) { return item->text().endsWith(file); });
    }
};

}  // namespace records_testing
