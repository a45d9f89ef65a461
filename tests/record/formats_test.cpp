// Encodings at the edge and the one entry point: UTF-8 checks, Shift-JIS both ways (and cut inside
// a character), format detection by name and by contents, decoding as the file says or as its
// bytes show, and writing every format back through the same door.

#include "record/formats.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>

#include "common/testing.h"
#include "record/encoding.h"
#include "record/kif.h"
#include "record/play.h"
#include "record/position.h"

namespace {

TEST(Encoding, Utf8CheckRefusesEveryMalformedForm) {
    const struct {
        std::string bytes;
        bool valid;
    } rows[] = {
        {"", true},
        {"plain ASCII", true},
        {"７六歩", true},
        {"\xF0\x9F\x98\x80", true},     // a four-byte character
        {"\x80", false},                // a stray continuation byte
        {"\xE6\xAD", false},            // cut inside a character
        {"\xC0\x80", false},            // an overlong NUL
        {"\xE0\x80\xAF", false},        // an overlong slash
        {"\xED\xA0\x80", false},        // a surrogate
        {"\xF4\x90\x80\x80", false},    // past U+10FFFF
        {"\xF5\x80\x80\x80", false},    // a lead byte no character has
        {"\x95\xE0", false},            // Shift-JIS 歩
        {"ok\xE6\xAD\xA9\xE6", false},  // good, then cut
    };
    for (const auto &row : rows) EXPECT_EQ(isUtf8(row.bytes), row.valid) << row.bytes;
}

TEST(Encoding, Cp932BothWaysAndCutCharactersRefused) {
    std::string text;
    ASSERT_TRUE(decodeCp932("\x82\xA0\x95\xE0 7\x98\x5A", text));
    EXPECT_EQ(text, "あ歩 7六");
    std::string bytes;
    ASSERT_TRUE(encodeCp932("手合割：平手\r\n▲７六歩△同　歩", bytes));
    ASSERT_TRUE(decodeCp932(bytes, text));
    EXPECT_EQ(text, "手合割：平手\r\n▲７六歩△同　歩");

    // A character cut short at the end or by a byte that cannot follow a lead byte.
    const std::string before = text;
    EXPECT_FALSE(decodeCp932("\x82\xA0\x95", text));
    EXPECT_FALSE(decodeCp932("\x95\x0A", text));
    EXPECT_EQ(text, before);

    // Characters CP932 lacks are refused; the JIS wave dash has a CP932 counterpart.
    bytes = "kept";
    EXPECT_FALSE(encodeCp932("絵文字😀", bytes));
    EXPECT_FALSE(encodeCp932("\xE6\xAD", bytes));
    EXPECT_EQ(bytes, "kept");
    ASSERT_TRUE(encodeCp932("9時〜10時", bytes));
    EXPECT_EQ(bytes,
              "9\x8E\x9E\x81\x60"
              "10\x8E\x9E");
}

TEST(Formats, FileNamesAndContentsNameTheFormat) {
    const struct {
        const char *name;
        RecordFormat format;
    } names[] = {
        {"game.ngr", RecordFormat::Ngr},         {"GAME.KIF", RecordFormat::Kif},
        {"a/b.c/game.kifu", RecordFormat::Kif},  {"x.ki2", RecordFormat::Ki2},
        {"x.ki2u", RecordFormat::Ki2},           {"x.csa", RecordFormat::Csa},
        {"x.sfen", RecordFormat::Sfen},          {"x.usi", RecordFormat::Usi},
        {"x.txt", RecordFormat::Unknown},        {"kif", RecordFormat::Unknown},
        {"dir.kif/file", RecordFormat::Unknown}, {"", RecordFormat::Unknown},
    };
    for (const auto &row : names) EXPECT_EQ(formatOfFileName(row.name), row.format) << row.name;

    ZnBan game;
    ASSERT_EQ(playMove(game, {static_cast<Square>(squareAt(6, 6)), static_cast<Square>(squareAt(5, 6)), false,
                              PAWN}),
              "");
    std::ostringstream ngr;
    ASSERT_TRUE(saveRecord(game, ngr).ok);
    const struct {
        std::string text;
        RecordFormat format;
    } contents[] = {
        {"手合割：平手\n手数----指手---------消費時間--\n   1 ７六歩(77)\n", RecordFormat::Kif},
        {"# comment\n先手：A\n後手：B\n", RecordFormat::Kif},
        {"先手：A\n\n▲７六歩    △３四歩\n", RecordFormat::Ki2},
        {"V2.2\nN+A\nPI\n+\n+7776FU\n", RecordFormat::Csa},
        {"'CSA encoding=UTF-8\nV3.0\nPI\n+\n", RecordFormat::Csa},
        {"lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1\n", RecordFormat::Sfen},
        {"sfen lnsgkgsnl/1r5b1/ppppppppp/9/9/9/PPPPPPPPP/1B5R1/LNSGKGSNL b - 1\n", RecordFormat::Sfen},
        {"position startpos moves 7g7f\n", RecordFormat::Usi},
        {ngr.str(), RecordFormat::Ngr},
        {"just some words\n", RecordFormat::Unknown},
        {std::string("\0\1\2", 3), RecordFormat::Unknown},
    };
    for (const auto &row : contents) {
        EXPECT_EQ(detectFormat(row.text), row.format) << row.text;
        EXPECT_EQ(detectFormat(row.text, "record.txt"), row.format) << row.text;
    }
    // The extension comes first, whatever the contents look like.
    EXPECT_EQ(detectFormat("position startpos\n", "x.kif"), RecordFormat::Kif);
}

// A short KIF game written as the window or the converter would write it.
std::string sampleKif(ZnBan &game, RecordNotes &notes) {
    std::mt19937 random(9);
    for (int ply = 0; ply < 40 && playRandomMove(game, random); ++ply) {
    }
    notes.setHeader("棋戦", "符号化の確認");
    notes.commentsAfter(2).push_back("二手目の感想");
    notes.endWord = "投了";
    std::string bytes;
    EXPECT_TRUE(writeRecordBytes(game, notes, RecordFormat::Kif, bytes, false).ok);
    return bytes;
}

TEST(Formats, DecodesAsTheFileSaysOrAsItsBytesShow) {
    ZnBan game;
    RecordNotes notes;
    const std::string utf8 = sampleKif(game, notes);
    ASSERT_EQ(utf8.rfind("#KIF version=2.0 encoding=UTF-8\r\n", 0), 0u);
    std::string shiftJis;
    ASSERT_TRUE(writeRecordBytes(game, notes, RecordFormat::Kif, shiftJis, true).ok);
    ASSERT_EQ(shiftJis.rfind("#KIF version=2.0 encoding=Shift_JIS\r\n", 0), 0u);
    ASSERT_FALSE(isUtf8(shiftJis));
    const std::string key = positionKey(game);
    // KI2 names no encoding: json-kifu-format's reader stops at such a line.
    std::string ki2, ki2ShiftJis;
    ASSERT_TRUE(writeRecordBytes(game, notes, RecordFormat::Ki2, ki2, false).ok);
    ASSERT_TRUE(writeRecordBytes(game, notes, RecordFormat::Ki2, ki2ShiftJis, true).ok);
    EXPECT_EQ(ki2.find("#KIF"), std::string::npos);
    EXPECT_EQ(ki2ShiftJis.find("#KIF"), std::string::npos);

    // Each form of the same record, under names that agree or disagree with its bytes.
    std::string staleLine = shiftJis;
    staleLine.replace(0, staleLine.find('\r'), "#KIF version=2.0 encoding=UTF-8");
    const struct {
        const char *what;
        std::string bytes;
        const char *name;
    } forms[] = {
        {"UTF-8 as .kifu", utf8, "a.kifu"},
        {"Shift-JIS as .kif", shiftJis, "a.kif"},
        {"UTF-8 under a .kif name", utf8, "a.kif"},
        {"UTF-8 with a byte-order mark", "\xEF\xBB\xBF" + utf8, "a.kif"},
        {"Shift-JIS below a line claiming UTF-8", staleLine, "a.kifu"},
        {"Shift-JIS with no name", shiftJis, ""},
        {"UTF-8 with no name", utf8, ""},
        {"KI2 in UTF-8", ki2, "a.ki2u"},
        {"KI2 in Shift-JIS under a .ki2u name", ki2ShiftJis, "a.ki2u"},
        {"KI2 in Shift-JIS with no name", ki2ShiftJis, ""},
    };
    for (const auto &form : forms) {
        ZnBan read;
        RecordNotes readNotes;
        const RecordResult result = readRecordBytes(read, readNotes, form.bytes, form.name);
        ASSERT_TRUE(result.ok) << form.what << ": " << result.reason;
        EXPECT_EQ(positionKey(read), key) << form.what;
        EXPECT_EQ(readNotes.header("棋戦"), "符号化の確認") << form.what;
        ASSERT_EQ(readNotes.commentsAfter(2).size(), 1u) << form.what;
        std::string again;
        ASSERT_TRUE(writeRecordBytes(read, readNotes, RecordFormat::Kif, again, false).ok);
        EXPECT_EQ(again, utf8) << form.what;
    }
}

TEST(Formats, RefusesWhatCannotBeReadAndKeepsTheGame) {
    ZnBan game;
    RecordNotes notes;
    const std::string utf8 = sampleKif(game, notes);
    std::string shiftJis;
    ASSERT_TRUE(writeRecordBytes(game, notes, RecordFormat::Kif, shiftJis, true).ok);
    const std::string key = positionKey(game);
    // A Shift-JIS file cut after the lead byte of its last character.
    std::string cut = shiftJis.substr(0, shiftJis.rfind("\x93\x8A"));  // 投 of 投了
    cut += '\x93';
    const struct {
        const char *what;
        std::string bytes;
        const char *name;
        const char *reason;
    } rows[] = {
        {"an empty file", "", "a.kif", "空"},
        {"a binary file", std::string("PK\3\4\0\0\x14\0", 8), "a.kif", "バイナリ"},
        {"Shift-JIS cut inside a character", cut, "a.kif", "文字コード"},
        {"UTF-8 cut inside a character", utf8.substr(0, utf8.rfind("投") + 2), "a.kifu", "文字の途中"},
        {"text in no known format", "nothing to see here\n", "notes.txt", "形式"},
        {"a bad move through the entry point", "手合割：平手\n1 ７五歩(77)\n", "a.kifu", "2行目"},
    };
    for (const auto &row : rows) {
        const RecordResult result = readRecordBytes(game, notes, row.bytes, row.name);
        EXPECT_FALSE(result.ok) << row.what;
        EXPECT_NE(result.reason.find(row.reason), std::string::npos) << row.what << ": " << result.reason;
        EXPECT_EQ(positionKey(game), key) << row.what;
        EXPECT_EQ(notes.header("棋戦"), "符号化の確認") << row.what;
    }

    // A character Shift-JIS lacks: the write fails with a reason and the bytes stay.
    notes.commentsAfter(1).push_back("😀");
    std::string bytes = "untouched";
    const RecordResult written = writeRecordBytes(game, notes, RecordFormat::Kif, bytes, true);
    EXPECT_FALSE(written.ok);
    EXPECT_FALSE(written.reason.empty());
    EXPECT_EQ(bytes, "untouched");
    EXPECT_TRUE(writeRecordBytes(game, notes, RecordFormat::Kif, bytes, false).ok);
}

TEST(Formats, EveryFormatGoesOutAndComesBackThroughTheEntryPoint) {
    ZnBan game;
    RecordNotes notes;
    sampleKif(game, notes);
    for (RecordFormat format :
         {RecordFormat::Ngr, RecordFormat::Kif, RecordFormat::Ki2, RecordFormat::Csa, RecordFormat::Usi}) {
        std::string bytes;
        const RecordResult written = writeRecordBytes(game, notes, format, bytes);
        ASSERT_TRUE(written.ok) << static_cast<int>(format) << ": " << written.reason;
        ZnBan read;
        RecordNotes readNotes;
        const RecordResult result = readRecordBytes(read, readNotes, bytes);
        ASSERT_TRUE(result.ok) << static_cast<int>(format) << ": " << result.reason << "\n" << bytes;
        EXPECT_EQ(positionKey(read), positionKey(game)) << static_cast<int>(format);
        EXPECT_EQ(read.history().size(), game.history().size()) << static_cast<int>(format);
    }
    // An SFEN holds only the position the game shows.
    std::string sfen;
    ASSERT_TRUE(writeRecordBytes(game, notes, RecordFormat::Sfen, sfen).ok);
    ZnBan read;
    RecordNotes readNotes;
    ASSERT_TRUE(readRecordBytes(read, readNotes, sfen).ok);
    EXPECT_EQ(positionOf(read), positionOf(game));
    std::string nothing;
    EXPECT_FALSE(writeRecordBytes(game, notes, RecordFormat::Unknown, nothing).ok);
}

// Each reader takes back what every writer gives, times at the largest a reader takes included
// (a KIF writer gives those in minutes, once more digits than its reader read).
TEST(Formats, EveryWriterWritesWhatItsReaderTakesAtTheLimits) {
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readRecordBytes(game, notes, "PI\n+\n+7776FU\nT999999999\n-3334FU\nT0\n+2726FU\nT59\n").ok);
    const struct {
        RecordFormat format;
        bool keepsTimes;
    } rows[] = {{RecordFormat::Kif, true},  {RecordFormat::Csa, true},  {RecordFormat::Ki2, false},
                {RecordFormat::Ngr, false}, {RecordFormat::Usi, false}, {RecordFormat::Sfen, false}};
    for (const auto &row : rows) {
        std::string bytes;
        ASSERT_TRUE(writeRecordBytes(game, notes, row.format, bytes).ok) << static_cast<int>(row.format);
        ZnBan read;
        RecordNotes readNotes;
        const RecordResult result = readRecordBytes(read, readNotes, bytes);
        ASSERT_TRUE(result.ok) << static_cast<int>(row.format) << ": " << result.reason << "\n" << bytes;
        EXPECT_EQ(positionOf(read), positionOf(game)) << static_cast<int>(row.format);
        if (row.keepsTimes) {
            EXPECT_EQ(readNotes.moveMs, notes.moveMs) << bytes;
        }
    }
}

// A move of 0.3 s: CSA (version 3.0) keeps the millisecond; KIF and JKF hold whole seconds and
// drop the fraction, their totals counted from the exact times; the others hold no time.
TEST(Formats, AFractionOfASecondIsKeptWhereTheFormatHoldsIt) {
    ZnBan game;
    RecordNotes notes;
    ASSERT_TRUE(readRecordBytes(game, notes, "PI\n+\n+7776FU\nT0.3\n-3334FU\nT1.2345\n+2726FU\nT0.9\n").ok);
    ASSERT_EQ(notes.moveMs, (std::vector<std::int64_t>{300, 1235, 900}));
    const struct {
        RecordFormat format;
        const char *written;  // a part of the text that must stand in it
        std::vector<std::int64_t> readMs;
    } rows[] = {
        {RecordFormat::Csa, "V3.0\n", {300, 1235, 900}},
        {RecordFormat::Csa, "+7776FU\nT0.3\n-3334FU\nT1.235\n", {300, 1235, 900}},
        {RecordFormat::Kif, "( 0:00/00:00:00)", {0, 1000, 0}},
        {RecordFormat::Kif, "２六歩(27)   ( 0:00/00:00:01)", {0, 1000, 0}},
        {RecordFormat::Jkf, R"("time":{"now":{"m":0,"s":0},"total":{"h":0,"m":0,"s":1}})", {0, 1000, 0}},
        {RecordFormat::Ki2, "▲７六歩", {}},
        {RecordFormat::Usi, "7g7f", {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(static_cast<int>(row.format));
        std::string bytes;
        ASSERT_TRUE(writeRecordBytes(game, notes, row.format, bytes).ok);
        EXPECT_NE(bytes.find(row.written), std::string::npos) << bytes;
        ZnBan read;
        RecordNotes readNotes;
        ASSERT_TRUE(readRecordBytes(read, readNotes, bytes, {}, row.format).ok) << bytes;
        EXPECT_EQ(readNotes.moveMs, row.readMs) << bytes;
    }
    // Whole seconds need no more than version 2.2, which older readers take.
    ASSERT_TRUE(readRecordBytes(game, notes, "PI\n+\n+7776FU\nT3\n").ok);
    std::string bytes;
    ASSERT_TRUE(writeRecordBytes(game, notes, RecordFormat::Csa, bytes).ok);
    EXPECT_TRUE(bytes.starts_with("V2.2\n")) << bytes;
    EXPECT_NE(bytes.find("\nT3\n"), std::string::npos) << bytes;
}

}  // namespace
