#include "record/formats.h"

#include <array>
#include <set>
#include <sstream>
#include <utility>

#include "record/csa.h"
#include "record/encoding.h"
#include "record/jkf.h"
#include "record/ki2.h"
#include "record/kif.h"
#include "record/kifu_text.h"
#include "record/sfen.h"
#include "record/treegame.h"
#include "support/readfile.h"
#include "support/text.h"

namespace {

constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

// Bytes that no record in any of the formats holds: the file is not text.
bool looksBinary(std::string_view bytes) { return bytes.find('\0') != std::string_view::npos; }

// Well-formed UTF-8 but for a last character cut short: a UTF-8 file that lost its end, which
// Shift-JIS text practically never resembles.
bool isUtf8CutAtTheEnd(std::string_view bytes) {
    for (std::size_t cut = 1; cut <= 3 && cut <= bytes.size(); ++cut) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - cut]);
        if ((byte & 0xC0) == 0x80) continue;
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > cut && isUtf8(bytes.substr(0, bytes.size() - cut));
    }
    return false;
}

// Decodes a record to UTF-8 once, before any reader sees it. Text that is well-formed UTF-8 is
// taken as UTF-8 whatever its name or first line claims: Shift-JIS Japanese is practically never
// well-formed UTF-8, while UTF-8 files under a ".kif" name or below a stale "encoding=Shift_JIS"
// line are common. Anything else must be CP932, or the file cannot be read.
RecordResult decodeText(std::string_view bytes, std::string &text) {
    if (bytes.starts_with(BYTE_ORDER_MARK)) {
        bytes.remove_prefix(BYTE_ORDER_MARK.size());
        if (!isUtf8(bytes)) return {false, "UTF-8 として読めない文字があります"};
    }
    if (isUtf8(bytes)) {
        text.assign(bytes);
        return {true, {}};
    }
    if (isUtf8CutAtTheEnd(bytes))
        return {false, "文字の途中でファイルが切れています（UTF-8 の最後の文字が欠けています）"};
    if (!decodeCp932(bytes, text))
        return {false, "文字コードが読めません（UTF-8 でも Shift_JIS でもないか、文字の途中で切れています）"};
    return {true, {}};
}

std::string_view trimmedLine(std::string_view line) { return trimmed(line, Blanks::SpaceTabTrailingCr); }

bool isSfenBoard(std::string_view word) {
    int slashes = 0;
    for (char c : word) {
        if (c == '/') {
            ++slashes;
        } else if (std::string_view("plnsgbrkPLNSGBRK+123456789").find(c) == std::string_view::npos) {
            return false;
        }
    }
    return slashes == 8;
}

bool isMoveMark(std::string_view line) {
    for (std::string_view mark : {"▲", "△", "☗", "☖", "▽", "▼"})
        if (line.starts_with(mark)) return true;
    return false;
}

// The format the decoded text looks like, from its first lines that say something.
RecordFormat detectText(std::string_view text) {
    if (text.starts_with(BYTE_ORDER_MARK)) text.remove_prefix(BYTE_ORDER_MARK.size());
    // JSON is the only format that opens with a brace.
    if (trimmedLine(text.substr(0, text.find('\n'))).substr(0, 1) == "{") return RecordFormat::Jkf;
    bool kifuHeaders = false, positionLines = false, programComment = false;
    std::size_t position = 0;
    for (int lineNumber = 1; position < text.size() && lineNumber <= 500; ++lineNumber) {
        std::size_t end = text.find('\n', position);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view raw = text.substr(position, end - position);
        const std::string_view line = trimmedLine(raw);
        position = end + 1;
        if (lineNumber == 1 && trimmedLine(raw) == "'") programComment = true;
        if (line.empty() || line[0] == '*' || line[0] == '&' || line[0] == '#') continue;
        if (isMoveMark(line)) return RecordFormat::Ki2;
        if (line[0] >= '0' && line[0] <= '9') {
            const std::size_t space = line.find_first_of(" \t");
            if (space != std::string_view::npos && !isSfenBoard(line.substr(0, space)))
                return RecordFormat::Kif;
        }
        if (line.starts_with("手数-")) return RecordFormat::Kif;
        if (line.starts_with("position") || line.starts_with("startpos")) return RecordFormat::Usi;
        if (line.starts_with("sfen ")) return RecordFormat::Sfen;
        if (isSfenBoard(line.substr(0, line.find(' ')))) return RecordFormat::Sfen;
        if (line[0] == '\'') continue;
        if (line.starts_with("V2") || line.starts_with("V3") || line.starts_with("PI") ||
            line.starts_with("N+") || line.starts_with("N-") || line[0] == '$' ||
            (line.size() > 1 && line[0] == 'P' && line[1] >= '1' && line[1] <= '9'))
            return RecordFormat::Csa;
        if (line.starts_with("P+") || line.starts_with("P-")) {
            positionLines = true;
            continue;
        }
        if (line.find("：") != std::string_view::npos) kifuHeaders = true;
    }
    if (positionLines) return programComment ? RecordFormat::Ngr : RecordFormat::Csa;
    if (kifuHeaders) return RecordFormat::Kif;
    return RecordFormat::Unknown;
}

constexpr std::string_view CANNOT_BUILD = "棋譜を作れませんでした（指し手の記録が盤面と合っていません）";

}  // namespace

namespace {

// What follows the last dot of the file's own name; empty when there is none.
std::string_view extensionOf(std::string_view fileName) {
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) return {};
    const std::string_view extension = fileName.substr(dot + 1);
    return extension.find_first_of("/\\") == std::string_view::npos ? extension : std::string_view();
}

}  // namespace

bool shiftJisFileName(std::string_view fileName) {
    const std::string_view extension = extensionOf(fileName);
    return sameLetters(extension, "kif") || sameLetters(extension, "ki2");
}

RecordFormat formatOfFileName(std::string_view fileName) {
    const std::string_view extension = extensionOf(fileName);
    if (extension.empty()) return RecordFormat::Unknown;
    static constexpr std::array<std::pair<std::string_view, RecordFormat>, 9> EXTENSIONS = {{
        {"ngr", RecordFormat::Ngr},
        {"kif", RecordFormat::Kif},
        {"kifu", RecordFormat::Kif},
        {"ki2", RecordFormat::Ki2},
        {"ki2u", RecordFormat::Ki2},
        {"csa", RecordFormat::Csa},
        {"sfen", RecordFormat::Sfen},
        {"usi", RecordFormat::Usi},
        {"jkf", RecordFormat::Jkf},
    }};
    for (const auto &[name, format] : EXTENSIONS)
        if (sameLetters(extension, name)) return format;
    return RecordFormat::Unknown;
}

RecordFormat detectFormat(std::string_view bytes, std::string_view fileName) {
    const RecordFormat named = formatOfFileName(fileName);
    if (named != RecordFormat::Unknown) return named;
    if (bytes.empty() || looksBinary(bytes)) return RecordFormat::Unknown;
    std::string text;
    if (!decodeText(bytes, text).ok) return RecordFormat::Unknown;
    return detectText(text);
}

RecordResult readRecordBytes(ZnBan &game, RecordNotes &notes, std::string_view bytes,
                             std::string_view fileName, RecordFormat format) {
    if (bytes.empty()) return {false, "ファイルが空です"};
    if (looksBinary(bytes)) return {false, "棋譜のテキストではありません（バイナリファイルのようです）"};
    if (format == RecordFormat::Unknown) format = detectFormat(bytes, fileName);
    if (format == RecordFormat::Unknown) return {false, "棋譜の形式がわかりません"};
    if (format == RecordFormat::Ngr) {
        std::istringstream in{std::string(bytes)};
        RecordResult result = loadRecord(game, in);
        if (result.ok) notes = RecordNotes{};
        return result;
    }
    std::string text;
    if (RecordResult decoded = decodeText(bytes, text); !decoded.ok) return decoded;
    switch (format) {
        case RecordFormat::Kif: return readKif(game, notes, text);
        case RecordFormat::Ki2: return readKi2(game, notes, text);
        case RecordFormat::Csa: return readCsa(game, notes, text);
        case RecordFormat::Sfen:
        case RecordFormat::Usi: return readSfen(game, notes, text);
        case RecordFormat::Jkf: return readJkf(game, notes, text);
        default: break;
    }
    return {false, "棋譜の形式がわかりません"};
}

namespace {

// Whether the game's history is the tree's main line, so that it can be written as it is.
bool holdsMainLine(const ZnBan &game, const RecordTree &tree) {
    const std::vector<int> main = tree.mainLine();
    const auto &history = game.history();
    if (main.size() != history.size()) return false;
    for (std::size_t i = 0; i < main.size(); ++i)
        if (!(moveOf(history[i]) == tree.node(main[i]).move)) return false;
    return true;
}

}  // namespace

bool holdsBranches(RecordFormat format) {
    return format == RecordFormat::Kif || format == RecordFormat::Ki2 || format == RecordFormat::Jkf;
}

int branchesLeftOut(const RecordNotes &notes, RecordFormat format) {
    return holdsBranches(format) ? 0 : notes.tree.branchCount();
}

std::vector<std::string> notesLeftOut(const RecordNotes &notes, RecordFormat format) {
    std::vector<std::string> items;
    const auto header = [&](std::string_view key, std::string_view why = {}) {
        items.push_back("対局情報「" + std::string(key) + "」" + std::string(why));
    };
    if (format == RecordFormat::Csa) {
        for (const auto &[key, value] : notes.headers)
            if (key != "先手" && key != "後手" && key != "下手" && key != "上手" && key != "手合割" &&
                csaKeyOf(key, value).empty())
                header(key);
    }
    if (format == RecordFormat::Jkf) {
        // One value per key: the last given stands.
        std::set<std::string_view> seen, named;
        for (const auto &[key, value] : notes.headers)
            if (!seen.insert(key).second && named.insert(key).second) header(key, "の二つ目からの値");
    }
    const std::string &word = notes.endWord;
    if (word.empty()) return items;
    bool held = true;
    if (format == RecordFormat::Kif || format == RecordFormat::Ki2) held = kifu::isEndWord(word);
    if (format == RecordFormat::Csa) held = !csaEndWordOf(word, SENTE).empty();
    if (format == RecordFormat::Jkf) held = jkfHoldsEndWord(word);
    if (!held) items.push_back("終局「" + word + "」");
    // KIF has one word for losing by a foul, whichever way it was made.
    if (held && (format == RecordFormat::Kif || format == RecordFormat::Ki2) && word == "反則負け" &&
        notes.csaEndWord.find("ILLEGAL_ACTION") != std::string::npos)
        items.push_back("終局の語「" + notes.csaEndWord + "」");
    return items;
}

RecordResult writeRecordBytes(ZnBan &game, const RecordNotes &notes, RecordFormat format, std::string &bytes,
                              bool shiftJis) {
    if (!holdsBranches(format) && notes.tree.size() > 1 && !holdsMainLine(game, notes.tree)) {
        // A format of one line gets the main line, whatever path the game shows.
        ZnBan main;
        RecordNotes mainNotes;
        if (!mainLineOf(game, notes, main, mainNotes)) return {false, std::string(CANNOT_BUILD)};
        if (format != RecordFormat::Sfen) return writeRecordBytes(main, mainNotes, format, bytes, shiftJis);
    }
    std::string text;
    switch (format) {
        case RecordFormat::Ngr: {
            std::ostringstream out;
            RecordResult saved = saveRecord(game, out);
            if (!saved.ok) return saved;
            bytes = std::move(out).str();
            return {true, {}};
        }
        case RecordFormat::Kif:
        case RecordFormat::Ki2: {
            const std::string body =
                format == RecordFormat::Kif ? writeKif(game, notes) : writeKi2(game, notes);
            if (body.empty()) return {false, std::string(CANNOT_BUILD)};
            // A KIF's first line names the encoding, so that a reader need not guess it from the
            // bytes. KI2 goes without: json-kifu-format's reader stops at that line and no other
            // program writes it there, and the bytes tell the encoding all the same.
            if (format == RecordFormat::Kif)
                text = shiftJis ? "#KIF version=2.0 encoding=Shift_JIS\r\n"
                                : "#KIF version=2.0 encoding=UTF-8\r\n";
            text += body;
            if (shiftJis) {
                std::string encoded;
                if (!encodeCp932(text, encoded))
                    return {
                        false,
                        "Shift_JIS で書けない文字があります（UTF-8 の .kifu か .ki2u で保存してください）"};
                text = std::move(encoded);
            }
            break;
        }
        case RecordFormat::Csa: text = writeCsa(game, notes); break;
        case RecordFormat::Sfen: text = writeSfen(game, notes.firstMoveNumber); break;
        case RecordFormat::Usi: text = writeUsi(game, notes.firstMoveNumber); break;
        case RecordFormat::Jkf:
            text = writeJkfUpTo(game, notes, MAX_READ_BYTES);
            if (text.size() > MAX_READ_BYTES) return {false, recordTooLong()};
            break;
        default: return {false, "書き出す形式が決まっていません"};
    }
    if (text.empty()) return {false, std::string(CANNOT_BUILD)};
    bytes = std::move(text);
    return {true, {}};
}
