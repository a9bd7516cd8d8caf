#include "app/window/Startup.h"

#include "app/SamplePair.h"
#include "app/window/Dialogs.h"
#include "platform/DisplayFormat.h"
#include "platform/SafeFile.h"
#include "platform/Version.h"
#include "res/Strings.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <optional>

namespace corvane {

namespace {

constexpr int kSampleWidth = 640;
constexpr int kSampleHeight = 480;

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

// A local file: URL as its path; any other word as it stands (a non-local URL then fails to load with a
// message naming it).
QString originalFromArgument(const QString& argument) {
    if (argument.startsWith(QLatin1String("file:"))) {
        const QUrl url(argument);
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return argument;
}

} // namespace

StartupOptions parseStartupArguments(const QStringList& arguments) {
    StartupOptions options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!optionsEnded && argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || argument.startsWith(QLatin1String("file:"))) {
            options.originals.push_back(originalFromArgument(argument));
            continue;
        }
        const auto value = [&](const QString& name, QString& out) {
            if (argument.startsWith(name + QLatin1Char('='))) {
                out = argument.mid(name.size() + 1);
                return true;
            }
            if (argument == name && i + 1 < arguments.size()) {
                out = arguments[++i];
                return true;
            }
            return false;
        };
        QString text;
        if (argument.startsWith(QStringLiteral("--bits-per-pixel"))) {
            bool ok = false;
            if (value(QStringLiteral("--bits-per-pixel"), text)) {
                options.forcedBits = text.toInt(&ok);
            }
            if (!ok || options.forcedBits <= 0) {
                options.error = QStringLiteral("--bits-per-pixel には 16, 24, 32 のどれかを指定してください");
                return options;
            }
        } else if (argument.startsWith(QStringLiteral("--sample-pair"))) {
            if (!value(QStringLiteral("--sample-pair"), text) || text.isEmpty()) {
                options.error = QStringLiteral("--sample-pair にはフォルダを指定してください");
                return options;
            }
            options.samplePairFolder = text;
        } else if (argument.startsWith(QLatin1Char('-')) && argument.size() > 1) {
            options.error = QStringLiteral("不明なオプションです: ") + argument;
            return options;
        } else {
            options.originals.push_back(argument);
        }
    }
    if (options.originals.size() > 2) {
        options.error = QStringLiteral("原本は 2 つまでしか指定できません");
    } else if (!options.originals.isEmpty() && !options.samplePairFolder.isEmpty()) {
        options.error = QStringLiteral("--sample-pair と原本は同時に指定できません");
    }
    return options;
}

QString startupUsage() {
    return QStringLiteral("使い方: corvane [--bits-per-pixel 16|24|32] [ORIGINAL1 [ORIGINAL2]]\n"
                          "        corvane [--bits-per-pixel 16|24|32] --sample-pair FOLDER");
}

QString startupInformation(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--")) {
            break;
        }
        if (argument == QLatin1String("--version")) {
            return QStringLiteral("corvane %1\n").arg(QLatin1String(kVersion));
        }
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return startupUsage() +
                   QStringLiteral(
                       "\n        corvane --help | --version\n\n"
                       "2 つの画像を比べるウィンドウを開きます。画像を指定すると原本1、原本2 として開き、\n"
                       "指定しないと前回の原本を開きます。\n\n"
                       "  --bits-per-pixel N    画像を保持する形式 (16, 24, 32)。既定は画面の色深度で、\n"
                       "                        環境変数 CORVANE_BITS_PER_PIXEL でも指定できます\n"
                       "  --sample-pair FOLDER  生成した見本の 2 画像を FOLDER に書いて開きます\n"
                       "  --help                この説明を表示して終了します\n"
                       "  --version             バージョンを表示して終了します\n"
                       "  --                    以降の引数はすべて原本のファイルです\n\n"
                       "設定は ~/.config/Pellucora/Corvane.conf に保存されます。\n"
                       "比較をコマンドラインで行うには corvane-cli --help を参照してください。\n");
        }
    }
    return {};
}

int checkDisplayDepth(int forcedBits, const char* environmentValue, int screenDepth,
                      DialogProvider& dialogs) {
    const int bits = chooseDisplayBits(forcedBits, environmentValue, screenDepth);
    if (bits != 0) {
        return bits;
    }
    // The depth that was refused: the forced one, else the environment's, else the screen's.
    int depth = screenDepth;
    if (forcedBits != 0) {
        depth = forcedBits;
    } else if (isSet(environmentValue)) {
        bool ok = false;
        const int value = QString::fromLocal8Bit(environmentValue).toInt(&ok);
        depth = ok ? value : 0;
    }
    dialogs.message(nullptr,
                    QStringLiteral("現在のモニタ色深度は、%1ビットです\n").arg(depth) +
                        stringText(kMsgUnsupportedDepth),
                    MessageType::Information);
    return 0;
}

bool displayAvailable(const char* display, const char* waylandDisplay, const char* platform) {
    return isSet(display) || isSet(waylandDisplay) || isSet(platform);
}

std::string noDisplayMessage(const char* program) {
    return std::string(
               "corvane: ディスプレイがありません (DISPLAY も WAYLAND_DISPLAY も QT_QPA_PLATFORM も未設定)。"
               "画面のない環境では xvfb-run -a ") +
           (isSet(program) ? program : "corvane") + " のように仮想ディスプレイで起動してください";
}

Status writeSamplePair(const QString& folder, QStringList& paths) {
    paths.clear();
    if (!QDir().mkpath(folder)) {
        return Status::failure(fileMessage(folder, QStringLiteral("を作成できません")));
    }
    const QDir dir(folder);
    const QStringList names = {QStringLiteral("sample1.png"), QStringLiteral("sample2.png")};
    std::optional<SamplePair> pair;
    for (int k = 0; k < 2; ++k) {
        const QString path = QFileInfo(dir.filePath(names[k])).absoluteFilePath();
        if (!QFileInfo::exists(path)) {
            if (!pair) {
                pair = makeSamplePair(kSampleWidth, kSampleHeight);
            }
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            if (!(k == 0 ? pair->original1 : pair->original2).save(&buffer, "PNG")) {
                return Status::failure(fileMessage(path, QStringLiteral("の画像を作成できません")));
            }
            if (Status written = writeFileAtomically(path, bytes); !written) {
                return written;
            }
        }
        paths.push_back(path);
    }
    return Status::success();
}

} // namespace corvane
