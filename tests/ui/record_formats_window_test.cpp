// 開く and 保存 in every record format: the format by name, contents or file type, the encodings,
// the status texts, what a format cannot hold, and failures that leave everything as it was.

#include <QDir>
#include <QFileInfo>
#include <sstream>

#include "record/record.h"
#include "records_testing.h"

using namespace records_testing;

namespace {

using FormatOpenTest = RecordWindowTest;

// The game of kKifText played on a board of its own, in the program's own format.
QByteArray ngrText() {
    ZnBan game;
    RecordNotes notes;
    EXPECT_TRUE(readRecordBytes(game, notes, kUsiText).ok);
    std::ostringstream out;
    EXPECT_TRUE(saveRecord(game, out).ok);
    return bytesOf(out.str());
}

}  // namespace

TEST_F(FormatOpenTest, EveryFormatOpensByItsNameOrContents) {
    const struct {
        const char *name;
        QByteArray bytes;
        QString filter;
        int branches;
        const char *sente;  // the 先手 header, empty when the format has none
    } rows[] = {
        {"game.kif", shiftJis(kKifText), filterWith("KIF"), 1, "山田"},
        {"game.kifu", bytesOf(kKifText), {}, 1, "山田"},
        {"game.ki2", shiftJis(kKi2Text), filterWith("KI2"), 0, "山田"},
        {"game.csa", bytesOf(kCsaText), filterWith("CSA"), 0, "山田"},
        {"game.usi", bytesOf(kUsiText), filterWith("USI"), 0, ""},
        {"game.ngr", ngrText(), {}, 0, ""},
        // No name to go by: the contents decide, whatever the file type chosen.
        {"kif-text", bytesOf(kKifText), filterWith("(*)"), 1, "山田"},
        {"csa-text", bytesOf(kCsaText), {}, 0, "山田"},
        {"usi-text", bytesOf(kUsiText), filterWith("*.ngr *.kif"), 0, ""},
        // The program's own format saved under another format's name (as Nagi形式 always wrote
        // whatever the name) still opens.
        {"ngr-as.kif", ngrText(), {}, 0, ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        findControl<QAction>(*window, "KN1")->trigger();
        writeFile(path(row.name), row.bytes);
        open(path(row.name), row.filter);
        // Every branch is read now: the status names none left out.
        EXPECT_EQ(status(), "棋譜を読み込みました");
        EXPECT_EQ(window->record().tree().branchCount(), row.branches);
        EXPECT_EQ(window->windowTitle(), path(row.name));
        EXPECT_EQ(shown(), kFinalSfen);
        EXPECT_EQ(window->record().length(), 3);
        EXPECT_EQ(window->record().notes().header("先手"), row.sente);
    }
}

TEST_F(FormatOpenTest, ASfenFileOpensAsItsPositionWithoutMoves) {
    writeFile(path("position.sfen"), bytesOf("sfen " + kFinalSfen + "\n"));
    open(path("position.sfen"), filterWith("SFEN"));
    EXPECT_EQ(status(), "棋譜を読み込みました");
    EXPECT_EQ(shownPosition(), positionPart(kFinalSfen));
    EXPECT_EQ(window->record().length(), 0);
}

// Every failure names its reason and leaves the game, its notes, the cursor and the caption.
TEST_F(FormatOpenTest, FailedOpensInAnyFormatChangeNothing) {
    openKifGame();
    ASSERT_TRUE(window->record().goTo(1));
    const QString caption = window->windowTitle();
    const std::string before = shown();
    const struct {
        const char *name;
        QByteArray bytes;
        const char *reason;
    } rows[] = {
        {"bad-move.kif", shiftJis("手数----指手---------消費時間--\r\n   1 ５五歩(57)\r\n"), "2行目"},
        {"binary.csa", QByteArray("V2.2\nPI\n+\0\0\1", 13), "バイナリ"},
        {"cut.kifu", bytesOf(kKifText).left(bytesOf(kKifText).size() - 60).append("\xE6\x8A"), "UTF-8"},
        {"nothing-known.txt", "hello\nworld\n", ""},
        {"empty.csa", "", "空"},
        {"illegal.usi", "position startpos moves 7g7f 7g7f\n", ""},
        {"sente-twice.csa", "V2.2\nPI\n+\n+7776FU\n+2726FU\n", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(path(row.name), row.bytes);
        open(path(row.name));
        EXPECT_EQ(status().rfind("棋譜を読み込めませんでした: ", 0), 0u) << status();
        EXPECT_GT(status().size(), std::string("棋譜を読み込めませんでした: ").size());
        EXPECT_NE(status().find(row.reason), std::string::npos) << status();
        EXPECT_EQ(window->windowTitle(), caption);
        EXPECT_EQ(shown(), before);
        EXPECT_EQ(window->record().cursor(), 1);
        EXPECT_EQ(window->record().length(), 3);
        EXPECT_EQ(window->record().notes().header("後手"), "田中");
        EXPECT_EQ(window->record().notes().commentsAfter(1), std::vector<std::string>{"角道を開ける"});
    }
}

using FormatSaveTest = RecordWindowTest;

// Each format written, read back by 開く, gives the same game; the status says exactly what the
// format could not hold.
TEST_F(FormatSaveTest, EachFormatSavedOpensAsTheSameGame) {
    const struct {
        const char *name;
        QString filter;
        const char *status;
        bool moves, headers, comments;
    } rows[] = {
        {"out.kif", filterWith("KIF"), "棋譜を保存しました", true, true, true},
        {"out.kifu", filterWith("KIF"), "棋譜を保存しました", true, true, true},
        {"out.ki2", filterWith("KI2"),
         "棋譜を保存しました（この形式に入らない消費時間3手分は保存していません）", true, true, true},
        {"out.csa", filterWith("CSA"), "棋譜を保存しました（変化1個は保存していません）", true, true, true},
        {"out.usi", filterWith("USI"),
         "棋譜を保存しました（変化1個は保存していません）（この形式に入らない対局情報2件・コメント2行・消費時"
         "間3手分・終局「投了」は保存し"
         "ていま"
         "せん）",
         true, false, false},
        {"out.sfen", filterWith("SFEN"),
         "棋譜を保存しました（変化1個は保存していません）（この形式に入らない指し手3手・対局情報2件・コメント"
         "2行・消費時間3手分・終局「投"
         "了」は保"
         "存していません）",
         false, false, false},
        {"out.ngr",
         {},
         "棋譜を保存しました（変化1個は保存していません）（この形式に入らない対局情報2件・コメント2行・消費時"
         "間3手分・終局「投了」は保存し"
         "ていま"
         "せん）",
         true,
         false,
         false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        openKifGame();
        save(path(row.name), row.filter);
        EXPECT_EQ(status(), row.status);
        EXPECT_EQ(window->windowTitle(), path(row.name));
        EXPECT_EQ(shown(), kFinalSfen);

        findControl<QAction>(*window, "KN1")->trigger();
        open(path(row.name));
        EXPECT_EQ(status(), "棋譜を読み込みました");
        EXPECT_EQ(shownPosition(), positionPart(kFinalSfen));
        const RecordNotes &notes = window->record().notes();
        EXPECT_EQ(window->record().length(), row.moves ? 3 : 0);
        EXPECT_EQ(notes.header("先手"), row.headers ? "山田" : "");
        EXPECT_EQ(notes.header("後手"), row.headers ? "田中" : "");
        EXPECT_EQ(notes.startComments,
                  row.comments ? std::vector<std::string>{"開始のコメント"} : std::vector<std::string>{});
        EXPECT_EQ(notes.commentsAfter(1),
                  row.comments ? std::vector<std::string>{"角道を開ける"} : std::vector<std::string>{});
        EXPECT_EQ(notes.endWord, row.comments ? "投了" : "");
    }
}

// A game played in the window has nothing but moves: the program's own format says nothing more
// than it always did, and writes what it always wrote.
TEST_F(FormatSaveTest, APlayedGameSavesAsBeforeUnderNagiFormat) {
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readRecordBytes(game, notes, kUsiText).ok);
    for (const MoveHistory &move : game.history())
        ASSERT_TRUE(window->game().play({move.from, move.to, move.promoted != 0}));
    window->record().reset();
    std::ostringstream record;
    ASSERT_TRUE(saveRecord(window->game(), record).ok);
    // Under Nagi形式 a name with no other format's extension keeps the program's own format; a bare
    // name gets ".ngr", without which the program's own 開く would not list the file.
    const struct {
        const char *typed;
        const char *written;
    } names[] = {{"played.ngr", "played.ngr"}, {"played", "played.ngr"}, {"played.txt", "played.txt"},
                 {"played.NGR", "played.NGR"}};
    for (const auto &name : names) {
        SCOPED_TRACE(name.typed);
        save(path(name.typed));
        EXPECT_EQ(status(), "棋譜を保存しました");
        EXPECT_EQ(contentsOf(path(name.written)), bytesOf(record.str()));
    }
    EXPECT_FALSE(QFileInfo::exists(path("played")));
}

TEST_F(FormatSaveTest, TheFileTypeOrTheTypedExtensionChoosesTheFormatAndTheEncoding) {
    openKifGame();
    const struct {
        const char *name;
        QString filter;
        const char *starts;  // the first bytes of the file
        bool utf8;
        const char *written = nullptr;  // the file's name when the save added an extension
    } rows[] = {
        {"by-name.csa", filterWith("(*)"), "'CSA encoding=UTF-8\nV3.0\n", true},
        {"by-name.kif", filterWith("*.ngr *.kif"), "#KIF version=2.0 encoding=Shift_JIS\r\n", false},
        {"by-name.kifu", filterWith("(*)"), "#KIF version=2.0 encoding=UTF-8\r\n", true},
        // KI2 names no encoding; its first header is in Shift-JIS ("手合割：").
        {"by-name.ki2", filterWith("KIF"), "\x8e\xe8\x8d\x87\x8a\x84\x81\x46", false},
        // The typed extension wins over the chosen type, so the file opens again by its name.
        {"typed.usi", filterWith("CSA"), "position startpos moves 7g7f", true},
        // A name without a known extension takes the chosen type's format.
        // Read back from the USI line, the game has no names left: plain ASCII stays version 2.2.
        {"by-type.txt", filterWith("CSA"), "V2.2\n", true},
        {"by-type", filterWith("KIF"), "#KIF version=2.0 encoding=Shift_JIS\r\n", false, "by-type.kif"},
        // Neither: the program's own.
        {"neither", filterWith("(*)"), "' \r\nP+", true, "neither.ngr"},
        // Under the preselected Nagi形式 a typed record extension decides too; .ngr, a bare name
        // and an unknown extension keep the program's own.
        {"typed.kif", {}, "#KIF version=2.0 encoding=Shift_JIS\r\n", false},
        {"typed.csa", {}, "V2.2\n", true},
        {"typed.usi", {}, "position startpos moves 7g7f", true},
        {"typed.ngr", {}, "' \r\nP+", true},
        {"typed", {}, "' \r\nP+", true, "typed.ngr"},
        {"typed.txt", {}, "' \r\nP+", true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        save(path(row.name), row.filter);
        EXPECT_EQ(status().rfind("棋譜を保存しました", 0), 0u) << status();
        const QString written = path(row.written != nullptr ? row.written : row.name);
        const QByteArray bytes = contentsOf(written);
        EXPECT_TRUE(bytes.startsWith(row.starts)) << bytes.left(40).toStdString();
        EXPECT_EQ(isUtf8(std::string_view(bytes.constData(), std::size_t(bytes.size()))), row.utf8);
        // Whatever it was written as, it opens again as the same game.
        open(written);
        EXPECT_EQ(status(), "棋譜を読み込みました");
        EXPECT_EQ(shown(), kFinalSfen);
    }
}

// A comment Shift-JIS cannot hold fails a ".kif" save before any file is touched; the old file
// stays byte for byte, and the UTF-8 name takes the same game.
TEST_F(FormatSaveTest, AFailedSaveInAnotherFormatKeepsTheOldFile) {
    openKifGame();
    ASSERT_TRUE(window->record().goTo(2));
    window->record().setComments({"絵文字😀は Shift_JIS にない"});
    const QByteArray old = "an older record that must survive\n";
    writeFile(path("old.kif"), old);
    save(path("old.kif"), filterWith("KIF"));
    EXPECT_EQ(status().rfind("棋譜を保存できませんでした: Shift_JIS で書けない文字があります", 0), 0u)
        << status();
    EXPECT_EQ(contentsOf(path("old.kif")), old);
    EXPECT_EQ(window->windowTitle(), path("game.kifu"));
    EXPECT_EQ(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    save(path("old.kifu"), filterWith("KIF"));
    EXPECT_EQ(status(), "棋譜を保存しました");
    open(path("old.kifu"));
    EXPECT_EQ(window->record().notes().commentsAfter(2),
              std::vector<std::string>{"絵文字😀は Shift_JIS にない"});
}
