#include "kifu/analyse.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
#include <ostream>
#include <string_view>

#include "enginehost/gameanalyser.h"
#include "enginehost/mateengine.h"
#include "kifu/matecommand.h"
#include "kifu/cli.h"
#include "record/formats.h"
#include "record/treegame.h"
#include "review/gameanalysis.h"
#include "support/readfile.h"
#include "support/savefile.h"

const char *const ANALYSE_USAGE =
    "  nagikifu analyse 入力 出力 --engine エンジン [--movetime ミリ秒] [--multipv 数] [--from 手数] [--to "
    "手数]\n"
    "                   [--coefficient 係数] [--thresholds 疑問手,悪手,大悪手]\n"
    "      開始局面と各手の後の局面をエンジンで調べ、評価値・読み筋と、疑問手・悪手・大悪手とその\n"
    "      理由をコメントに書いた棋譜を出力します（1局面 1000 ミリ秒、手数の範囲は 0 が開始局面）。\n"
    "      出力は入力と同じファイルでも構いません。\n"
    "      勝率は 1 / (1 + exp(-評価値 / 係数))（係数は正の数、既定 600）。ラベルは指した手で失った\n"
    "      勝率が閾値以上のときに付きます（0 より大きく 1 以下の増えていく三つ、既定 0.1,0.2,0.3）。\n";

std::unique_ptr<QCoreApplication> ensureApplication() {
    if (QCoreApplication::instance() != nullptr) return nullptr;
    static int argc = 1;
    static char name[] = "nagikifu";
    static char *argv[] = {name, nullptr};
    return std::make_unique<QCoreApplication>(argc, argv);
}

EngineMate askMateEngine(const std::string &path, const ZnBan &game, std::int64_t milliseconds, int hashMb) {
    const std::unique_ptr<QCoreApplication> application = ensureApplication();
    return askEngineMate(QString::fromStdString(path), game, milliseconds, hashMb);
}

namespace {

constexpr int FAILED = 1;
constexpr int USAGE_ERROR = 2;

struct AnalyseLine {
    std::string input, output, engine;
    AnalysisSettings settings;
    std::string problem;
};

bool readReal(std::string_view text, double &value) {
    double read = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), read);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

bool readCoefficient(const std::string &text, double &coefficient) {
    double read = 0.0;
    if (!readReal(text, read) || read <= 0.0) return false;
    coefficient = read;
    return true;
}

// "0.1,0.2,0.3": losses of winning chance, each larger than the one before, none above 1.
bool readThresholds(const std::string &text, LabelThresholds &thresholds) {
    double values[3] = {};
    std::string_view rest = text;
    for (int i = 0; i < 3; ++i) {
        const std::size_t comma = i < 2 ? rest.find(',') : rest.size();
        if (comma == std::string_view::npos || !readReal(rest.substr(0, comma), values[i])) return false;
        rest = rest.substr(std::min(comma + 1, rest.size()));
        if (values[i] <= (i == 0 ? 0.0 : values[i - 1]) || values[i] > 1.0) return false;
    }
    thresholds = {values[0], values[1], values[2]};
    return true;
}

AnalyseLine parseAnalyse(const std::vector<std::string> &args) {
    AnalyseLine line;
    std::vector<std::string> files;
    struct Number {
        const char *name;
        int low, high;
        int *value;
    };
    const Number numbers[] = {
        {"--movetime", 1, 3600 * 1000, &line.settings.moveTimeMs},
        {"--multipv", 1, 500, &line.settings.multiPv},
        {"--from", 0, 1 << 30, &line.settings.first},
        {"--to", 0, 1 << 30, &line.settings.last},
    };
    for (std::size_t i = 0; i < args.size() && line.problem.empty(); ++i) {
        const std::string &arg = args[i];
        const bool real = arg == "--coefficient" || arg == "--thresholds";
        const bool takesValue = arg == "--engine" || real ||
                                std::any_of(std::begin(numbers), std::end(numbers),
                                            [&](const Number &n) { return arg == n.name; });
        if (takesValue && i + 1 == args.size()) {
            line.problem = arg + " の後に値がありません";
        } else if (arg == "--engine") {
            line.engine = args[++i];
        } else if (real) {
            const std::string &value = args[++i];
            if (arg == "--coefficient" ? !readCoefficient(value, line.settings.coefficient)
                                       : !readThresholds(value, line.settings.thresholds))
                line.problem = arg + " の値が正しくありません: " + value;
        } else if (takesValue) {
            const std::string &value = args[++i];
            for (const Number &number : numbers)
                if (arg == number.name && !readCount(value, number.low, number.high, *number.value))
                    line.problem = arg + " の値が正しくありません: " + value;
        } else if (arg.size() > 1 && arg[0] == '-') {
            line.problem = "知らないオプションです: " + arg;
        } else {
            files.push_back(arg);
        }
    }
    if (!line.problem.empty()) return line;
    if (files.size() != 2)
        line.problem = "analyse には入力と出力の二つが要ります";
    else if (line.engine.empty())
        line.problem = "analyse には --engine でエンジンを指定してください";
    else if (line.settings.first > line.settings.last)
        line.problem = "--from が --to より後です";
    if (files.size() == 2) {
        line.input = files[0];
        line.output = files[1];
    }
    return line;
}

void runEngine(GameAnalysis &analysis, const AnalyseLine &line, std::ostream &err, bool terminal) {
    const std::unique_ptr<QCoreApplication> application = ensureApplication();
    QEventLoop loop;
    GameAnalyser analyser(analysis, line.settings);
    QObject::connect(&analyser, &GameAnalyser::finished, &loop, &QEventLoop::quit);
    QObject::connect(&analyser, &GameAnalyser::positionDone, [&](int ply) {
        if (terminal)
            err << '\r' << progressBar(analysis.finished(), analysis.total()) << std::flush;
        else
            err << progressLine(analysis, ply) << std::endl;
    });
    QObject::connect(&analyser, &GameAnalyser::note,
                     [&](const QString &text) { err << "nagikifu: " << text.toStdString() << std::endl; });
    analyser.start(QString::fromStdString(line.engine));
    if (analyser.running()) loop.exec();
    if (terminal && analysis.finished() > 0) err << '\n';
}

}  // namespace

int runAnalyse(const std::vector<std::string> &args, std::ostream &err, bool terminal) {
    const AnalyseLine line = parseAnalyse(args);
    if (!line.problem.empty()) {
        err << "nagikifu: " << line.problem << "\n使い方:\n" << ANALYSE_USAGE;
        return USAGE_ERROR;
    }
    const Target target = targetOfFile(line.output);
    if (target.format == RecordFormat::Unknown) {
        err << "nagikifu: 出力の形式がわかりません（拡張子で指定してください）: " << line.output << '\n';
        return USAGE_ERROR;
    }
    // The whole input is in memory before anything is written, so an output over the input is safe.
    const FileBytes input = readRegularFile(line.input);
    if (!input.ok) {
        err << "nagikifu: " << line.input << ": " << input.reason << '\n';
        return FAILED;
    }
    ZnBan game;
    RecordNotes notes;
    if (const RecordResult read = readRecordBytes(game, notes, input.bytes, line.input); !read.ok) {
        err << "nagikifu: " << line.input << ": " << read.reason << '\n';
        return FAILED;
    }
    // An output that cannot be written fails now, not after the whole analysis.
    if (const SaveResult savable = checkSavable(line.output); !savable.ok) {
        err << "nagikifu: " << line.output << ": " << savable.reason << '\n';
        return FAILED;
    }
    GameAnalysis analysis(currentLine(game), line.settings);
    if (analysis.error().empty()) runEngine(analysis, line, err, terminal);
    for (const std::string &note : analysis.notes()) err << "nagikifu: " << note << '\n';
    if (!analysis.error().empty()) {
        err << "nagikifu: 解析を中止しました: " << analysis.error() << '\n';
        return FAILED;
    }
    if (notes.tree.size() > 1) {
        // A record read as a tree holds its comments in the nodes; the game stands on the main line.
        const std::vector<int> main = notes.tree.mainLine();
        std::vector<std::string> beyond;
        analysis.writeComments([&](int ply) -> std::vector<std::string> & {
            if (ply < 0 || ply > static_cast<int>(main.size())) return beyond;
            return notes.tree.node(ply == 0 ? RecordTree::START : main[static_cast<std::size_t>(ply) - 1])
                .comments;
        });
        setLineNotes(notes.tree, main, notes);
    } else {
        analysis.writeComments([&](int ply) -> std::vector<std::string> & {
            return notes.commentsAfter(static_cast<std::size_t>(ply));
        });
    }
    std::string bytes;
    if (const RecordResult written = writeRecordBytes(game, notes, target.format, bytes, target.shiftJis);
        !written.ok) {
        err << "nagikifu: " << line.output << ": " << written.reason << '\n';
        return FAILED;
    }
    if (bytes.size() > MAX_READ_BYTES) {
        err << "nagikifu: " << line.output << ": " << recordTooLong() << '\n';
        return FAILED;
    }
    if (const SaveResult saved = saveFileSafely(line.output, bytes); !saved.ok) {
        err << "nagikifu: " << line.output << ": " << saved.reason << '\n';
        return FAILED;
    }
    return 0;
}
