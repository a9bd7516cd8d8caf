#include "cli/CommandLine.h"

#include "app/ComparisonSession.h"
#include "imagefiles/ImageFormat.h"
#include "platform/SafeFile.h"
#include "platform/Shell.h"
#include "res/Strings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <set>

namespace corvane {

QString usageText() {
    return QStringLiteral(
        "usage:\n"
        "  corvane-cli pixel      [--edge] ORIGINAL1 ORIGINAL2\n"
        "  corvane-cli composite  [--blend 0..14] [--binarize] [--adjust1 N] [--space rgb|hsv|hls] ORIGINAL1 "
        "ORIGINAL2\n"
        "  corvane-cli gradation  [--edge] [--space rgb|hsv|hls] ORIGINAL1 ORIGINAL2\n"
        "  corvane-cli extract    [--adjust1 N] [--adjust2 N] [--space rgb|hsv|hls] ORIGINAL1 ORIGINAL2\n"
        "  corvane-cli histogram  ORIGINAL1 ORIGINAL2\n"
        "  corvane-cli scan       [--channel red|green|blue|rgb] ORIGINAL1 ORIGINAL2\n"
        "  corvane-cli bestmatch  ORIGINAL1 ORIGINAL2\n"
        "  corvane-cli properties ORIGINAL1 ORIGINAL2\n"
        "  corvane-cli preprocess greyscale|colors256|colors64|blur3|blur7|blur11 IMAGE -o OUT\n"
        "  corvane-cli convert    IMAGE -o OUT [--bmp-bits 1|4|4rle|8|8rle|16|24|32] [--quality 10..100] "
        "[--transparent]\n"
        "  corvane-cli embed      DOCUMENT IMAGE -o OUT.png|OUT.tiff\n"
        "  corvane-cli extract-document IMAGE [-o DIR]\n"
        "  corvane-cli watermark  IMAGE LAYOUT.wcd -o RESULT1 [--output2 RESULT2] [--background "
        "white|black|0xRRGGBB]\n"
        "common options: --shift H,V  --overlay 0..4  --background white|black|checker|0xRRGGBB\n"
        "                --bits-per-pixel 16|24|32  -o PATH  --output2 PATH  --yes\n"
        "exit: comparisons 0 equal, 1 different; other commands 0 done; 2 error\n");
}

namespace {

// Thrown only inside this file, from argument parsing, and caught in runCommandLine.
struct UsageError {
    QString message;
};

// The answers of the command line to the session: questions are answered Yes only with --yes, a save
// dialog takes the path given with -o, and every failure message is kept for the one error line.
class CommandLineHost : public Host {
public:
    explicit CommandLineHost(bool yes) : m_yes(yes) {}

    MessageButton showMessage(const QString& prefix, int id, MessageType type) override {
        QString text = prefix + stringText(id);
        text = text.replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed();
        switch (type) {
        case MessageType::Stop:
            if (m_error.isEmpty()) {
                m_error = text;
            }
            return MessageButton::Ok;
        case MessageType::YesNo:
        case MessageType::YesNoCancel:
            m_questions.push_back(id);
            if (!m_yes) {
                m_declined = text;
            }
            return m_yes ? MessageButton::Yes : MessageButton::No;
        case MessageType::Information:
            break;
        }
        return MessageButton::Ok;
    }
    void redrawAreas(int, bool) override {}
    void redrawPictures(int) override {}
    void setWaitCursor(bool) override {}
    void showProgress(std::int64_t, std::int64_t) override {}
    std::optional<QString> chooseOpenFile(const QString&, const QString&) override { return std::nullopt; }
    std::optional<SaveChoice> chooseSaveFile(const QString&, const QString&, const QString&, const QString&,
                                             int filterIndex) override {
        if (m_savePath.isEmpty()) {
            return std::nullopt;
        }
        return SaveChoice{m_savePath, filterIndex};
    }
    std::optional<int> chooseQuality(int initial) override { return initial; }
    bool showFileLocation(const QString&) override { return true; }
    QString desktopFolder() override { return corvane::desktopFolder(); }

    void setSavePath(const QString& path) { m_savePath = path; }
    const QString& error() const { return m_error; }
    const QString& declined() const { return m_declined; }
    bool asked(int id) const {
        return std::find(m_questions.begin(), m_questions.end(), id) != m_questions.end();
    }

private:
    bool m_yes;
    QString m_savePath;
    QString m_error;
    QString m_declined;
    std::vector<int> m_questions;
};

// The parsed command line.
struct Arguments {
    QString command;
    QStringList positional;
    std::map<QString, QString> values; // options with a value
    std::set<QString> flags;           // options without one

    bool has(const QString& name) const { return flags.count(name) != 0 || values.count(name) != 0; }
    QString value(const QString& name) const {
        const auto it = values.find(name);
        return it == values.end() ? QString() : it->second;
    }
};

const std::set<QString> kValueOptions = {
    QStringLiteral("--blend"),   QStringLiteral("--adjust1"),    QStringLiteral("--adjust2"),
    QStringLiteral("--space"),   QStringLiteral("--channel"),    QStringLiteral("--shift"),
    QStringLiteral("--overlay"), QStringLiteral("--background"), QStringLiteral("--bits-per-pixel"),
    QStringLiteral("-o"),        QStringLiteral("--output2"),    QStringLiteral("--bmp-bits"),
    QStringLiteral("--quality"),
};
const std::set<QString> kFlagOptions = {QStringLiteral("--edge"), QStringLiteral("--binarize"),
                                        QStringLiteral("--transparent"), QStringLiteral("--yes")};

// The options each command takes besides the common ones.
const std::map<QString, std::set<QString>> kCommandOptions = {
    {QStringLiteral("pixel"), {QStringLiteral("--edge")}},
    {QStringLiteral("composite"),
     {QStringLiteral("--blend"), QStringLiteral("--binarize"), QStringLiteral("--adjust1"),
      QStringLiteral("--space")}},
    {QStringLiteral("gradation"), {QStringLiteral("--edge"), QStringLiteral("--space")}},
    {QStringLiteral("extract"),
     {QStringLiteral("--adjust1"), QStringLiteral("--adjust2"), QStringLiteral("--space")}},
    {QStringLiteral("histogram"), {}},
    {QStringLiteral("scan"), {QStringLiteral("--channel")}},
    {QStringLiteral("bestmatch"), {}},
    {QStringLiteral("properties"), {}},
    {QStringLiteral("preprocess"), {}},
    {QStringLiteral("convert"), {}},
    {QStringLiteral("embed"), {}},
    {QStringLiteral("extract-document"), {}},
    {QStringLiteral("watermark"), {}},
};
const std::set<QString> kCommonOptions = {
    QStringLiteral("--shift"),
    QStringLiteral("--overlay"),
    QStringLiteral("--background"),
    QStringLiteral("--bits-per-pixel"),
    QStringLiteral("-o"),
    QStringLiteral("--output2"),
    QStringLiteral("--bmp-bits"),
    QStringLiteral("--quality"),
    QStringLiteral("--transparent"),
    QStringLiteral("--yes"),
};

Arguments parse(const QStringList& list) {
    if (list.isEmpty()) {
        throw UsageError{QStringLiteral("コマンドがありません")};
    }
    Arguments a;
    a.command = list.front();
    const auto allowed = kCommandOptions.find(a.command);
    if (allowed == kCommandOptions.end()) {
        throw UsageError{QStringLiteral("知らないコマンドです: %1").arg(a.command)};
    }
    for (qsizetype i = 1; i < list.size(); ++i) {
        const QString& word = list[i];
        if (!word.startsWith(QLatin1Char('-')) || word == QLatin1String("-")) {
            a.positional.push_back(word);
            continue;
        }
        if (allowed->second.count(word) == 0 && kCommonOptions.count(word) == 0) {
            throw UsageError{QStringLiteral("%1 は %2 には使えません").arg(word, a.command)};
        }
        if (kValueOptions.count(word) != 0) {
            if (i + 1 >= list.size()) {
                throw UsageError{QStringLiteral("%1 に値がありません").arg(word)};
            }
            a.values[word] = list[++i];
        } else if (kFlagOptions.count(word) != 0) {
            a.flags.insert(word);
        }
    }
    return a;
}

int parseInt(const Arguments& a, const QString& name, int low, int high, int fallback) {
    if (!a.has(name)) {
        return fallback;
    }
    bool ok = false;
    const int value = a.value(name).toInt(&ok);
    if (!ok || value < low || value > high) {
        throw UsageError{QStringLiteral("%1 は %2 から %3 までの整数です").arg(name).arg(low).arg(high)};
    }
    return value;
}

int parseSpace(const Arguments& a) {
    const QString space = a.value(QStringLiteral("--space"));
    if (space.isEmpty() || space == QLatin1String("rgb")) {
        return 0;
    }
    if (space == QLatin1String("hsv")) {
        return 1;
    }
    if (space == QLatin1String("hls")) {
        return 2;
    }
    throw UsageError{QStringLiteral("--space は rgb, hsv, hls のどれかです")};
}

ColorRef parseBackground(const Arguments& a) {
    const QString text = a.value(QStringLiteral("--background"));
    if (text.isEmpty()) {
        return kBackgroundDefault;
    }
    if (text == QLatin1String("white")) {
        return kBackgroundWhite;
    }
    if (text == QLatin1String("black")) {
        return kBackgroundBlack;
    }
    if (text == QLatin1String("checker")) {
        return kBackgroundChecker;
    }
    bool ok = false;
    const uint rgb =
        text.startsWith(QLatin1String("0x")) && text.size() == 8 ? text.mid(2).toUInt(&ok, 16) : 0;
    if (!ok) {
        throw UsageError{QStringLiteral("--background は white, black, checker, 0xRRGGBB のどれかです")};
    }
    return makeColor(static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8),
                     static_cast<std::uint8_t>(rgb));
}

SaveOptions parseSaveOptions(const Arguments& a) {
    SaveOptions options;
    const QString bits = a.value(QStringLiteral("--bmp-bits"));
    if (!bits.isEmpty()) {
        static const std::map<QString, std::pair<int, bool>> kinds = {
            {QStringLiteral("1"), {1, false}},   {QStringLiteral("4"), {4, false}},
            {QStringLiteral("4rle"), {4, true}}, {QStringLiteral("8"), {8, false}},
            {QStringLiteral("8rle"), {8, true}}, {QStringLiteral("16"), {16, false}},
            {QStringLiteral("24"), {24, false}}, {QStringLiteral("32"), {32, false}},
        };
        const auto kind = kinds.find(bits);
        if (kind == kinds.end()) {
            throw UsageError{QStringLiteral("--bmp-bits は 1, 4, 4rle, 8, 8rle, 16, 24, 32 のどれかです")};
        }
        options.bmpBits = kind->second.first;
        options.rle = kind->second.second;
    }
    options.quality = parseInt(a, QStringLiteral("--quality"), 10, 100, 100);
    options.transparent = a.has(QStringLiteral("--transparent"));
    if (options.bmpBits != 0 && options.transparent) {
        throw UsageError{QStringLiteral("--bmp-bits と --transparent は一緒に使えません")};
    }
    return options;
}

// Runs a command on a session; returns the exit code. Failures reported by the session (through the
// host) or found here become the error line.
class CommandRunner {
public:
    CommandRunner(const Arguments& arguments, QTextStream& out)
        : m_a(arguments), m_out(out), m_host(arguments.has(QStringLiteral("--yes"))),
          m_session(m_host, bitsPerPixel(arguments)) {}

    int run() {
        const QString& c = m_a.command;
        if (c == QLatin1String("preprocess")) {
            return preprocess();
        }
        if (c == QLatin1String("convert")) {
            return convert();
        }
        if (c == QLatin1String("embed")) {
            return embed();
        }
        if (c == QLatin1String("extract-document")) {
            return extractDocument();
        }
        if (c == QLatin1String("watermark")) {
            return watermark();
        }
        return compare();
    }

    QString error() const { return m_host.error(); }

private:
    static int bitsPerPixel(const Arguments& a) {
        const int bits = parseInt(a, QStringLiteral("--bits-per-pixel"), 16, 32, 32);
        if (bits != 16 && bits != 24 && bits != 32) {
            throw UsageError{QStringLiteral("--bits-per-pixel は 16, 24, 32 のどれかです")};
        }
        return bits;
    }

    [[noreturn]] void fail(const QString& message) { throw UsageError{message}; }

    void expectPositional(int count) {
        if (m_a.positional.size() != count) {
            fail(QStringLiteral("%1 には %2 個のファイルを指定します").arg(m_a.command).arg(count));
        }
    }

    // A file that cannot be an original becomes the error line before anything is decoded.
    void checkImageFile(const QString& path) {
        if (!QFileInfo(path).isFile()) {
            fail(fileMessage(path, QStringLiteral("が見つかりません")));
        }
        if (ClassifyImageExtension(path).isEmpty()) {
            fail(fileMessage(path,
                             QStringLiteral("は画像ファイル（jpeg, gif, bmp, png, tiff）ではありません")));
        }
    }

    // After a refused original: the session's own message, or the declined size question.
    [[noreturn]] void failSetting(const QString& path) {
        if (!m_host.error().isEmpty()) {
            fail(m_host.error());
        }
        const QSize working = m_session.workingSize();
        fail(fileMessage(
            path, QStringLiteral("の大きさが原本1（%1 × %2）と異なります（--yes で拡大縮小して比べます）")
                      .arg(working.width())
                      .arg(working.height())));
    }

    void setOriginal(int k, const QString& path) {
        checkImageFile(path);
        if (!m_session.setOriginalFromFile(k, path, true)) {
            failSetting(path);
        }
    }

    void setBothOriginals(const QString& path1, const QString& path2) {
        checkImageFile(path1);
        checkImageFile(path2);
        if (!m_session.setOriginalsFromFiles(path1, path2, true)) {
            failSetting(m_session.originalPath(kOriginal1).isEmpty() ? path1 : path2);
        }
    }

    // -o and --output2 of the image-producing comparisons.
    void writeResults(bool producesImages) {
        const QString first = m_a.value(QStringLiteral("-o"));
        const QString second = m_a.value(QStringLiteral("--output2"));
        if ((!first.isEmpty() || !second.isEmpty()) && !producesImages) {
            fail(QStringLiteral("%1 は結果画像を作りません（-o, --output2 は使えません）").arg(m_a.command));
        }
        const SaveOptions options = parseSaveOptions(m_a);
        for (const auto& [path, slot] : {std::pair{first, int{kResult1}}, std::pair{second, int{kResult2}}}) {
            if (path.isEmpty()) {
                continue;
            }
            if (const Status saved = m_session.saveSurface(slot, path, options); !saved) {
                fail(saved.message());
            }
        }
    }

    int compare() {
        expectPositional(2);
        setBothOriginals(m_a.positional[0], m_a.positional[1]);
        applyCommonParameters();
        const QString& c = m_a.command;
        const bool edge = m_a.has(QStringLiteral("--edge"));
        int command = 0;
        int channel = -1;
        if (c == QLatin1String("pixel")) {
            command = edge ? command::kPixelAfterEdges : command::kPixel;
        } else if (c == QLatin1String("composite")) {
            command =
                m_a.has(QStringLiteral("--binarize")) ? command::kCompositeBinarized : command::kComposite;
        } else if (c == QLatin1String("gradation")) {
            command = edge ? command::kGradationAfterEdges : command::kGradation;
        } else if (c == QLatin1String("extract")) {
            command = command::kDifferenceExtraction;
        } else if (c == QLatin1String("histogram")) {
            command = command::kHistogramFirst + 3;
        } else if (c == QLatin1String("scan")) {
            const QString name = m_a.value(QStringLiteral("--channel"));
            static const std::map<QString, std::pair<int, int>> channels = {
                {QStringLiteral("red"), {command::kScanRed, 0}},
                {QStringLiteral("green"), {command::kScanGreen, 1}},
                {QStringLiteral("blue"), {command::kScanBlue, 2}},
                {QStringLiteral("rgb"), {command::kScanRgb, -1}},
            };
            const auto found = channels.find(name.isEmpty() ? QStringLiteral("rgb") : name);
            if (found == channels.end()) {
                fail(QStringLiteral("--channel は red, green, blue, rgb のどれかです"));
            }
            command = found->second.first;
            channel = found->second.second;
        } else if (c == QLatin1String("bestmatch")) {
            command = command::kBestMatch;
        } else {
            command = command::kProperties;
        }
        m_session.prepareProcessing(command);
        // Adjust values given on the command line win over the defaults the selection set.
        m_session.setAdjustValues(parseInt(m_a, QStringLiteral("--adjust1"), 0, 255, m_session.adjust1()),
                                  parseInt(m_a, QStringLiteral("--adjust2"), 0, 255, m_session.adjust2()));
        if (!m_session.RunProcessing() || !m_host.error().isEmpty()) {
            fail(m_host.error().isEmpty() ? QStringLiteral("処理できませんでした") : m_host.error());
        }
        const bool producesImages = c == QLatin1String("pixel") || c == QLatin1String("composite") ||
                                    c == QLatin1String("gradation") || c == QLatin1String("extract");
        writeResults(producesImages);
        printReport(channel);
        return m_session.originalsEqual() ? kExitEqual : kExitDifferent;
    }

    void applyCommonParameters() {
        const QSize size = m_session.workingSize();
        const QString shift = m_a.value(QStringLiteral("--shift"));
        if (!shift.isEmpty()) {
            const QStringList parts = shift.split(QLatin1Char(','));
            bool okH = false;
            bool okV = false;
            const int h = parts.size() == 2 ? parts[0].toInt(&okH) : 0;
            const int v = parts.size() == 2 ? parts[1].toInt(&okV) : 0;
            if (!okH || !okV) {
                fail(QStringLiteral("--shift は H,V の形の整数です"));
            }
            if (std::abs(static_cast<long long>(h)) >= size.width() ||
                std::abs(static_cast<long long>(v)) >= size.height()) {
                fail(QStringLiteral("--shift は画像の大きさ（%1 × %2）より小さくしてください")
                         .arg(size.width())
                         .arg(size.height()));
            }
            m_session.setShift(h, v);
        }
        m_session.setParameters(parseSpace(m_a), parseInt(m_a, QStringLiteral("--blend"), 0, 14, 0),
                                parseInt(m_a, QStringLiteral("--overlay"), 0, 4, 0));
        m_session.setBackground(parseBackground(m_a));
    }

    static QString joined(const std::vector<int>& values) {
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(values.size()));
        for (const int v : values) {
            texts.push_back(QString::number(v));
        }
        return texts.join(QLatin1Char(','));
    }

    void printReport(int channel) {
        const QString& c = m_a.command;
        if (c == QLatin1String("histogram")) {
            m_out << "value,red1,green1,blue1,red2,green2,blue2\n";
            const Histogram& h1 = m_session.histogram(0);
            const Histogram& h2 = m_session.histogram(1);
            for (std::size_t v = 0; v < 256; ++v) {
                m_out << v;
                for (const Histogram* h : {&h1, &h2}) {
                    for (std::size_t block = 0; block < 3; ++block) {
                        m_out << ',' << QString::number((*h)[block * 256 + v], 'f', 0);
                    }
                }
                m_out << '\n';
            }
        } else if (c == QLatin1String("scan") || c == QLatin1String("bestmatch")) {
            const std::optional<ScanResult> scan = m_session.computeScan(channel);
            if (!scan) {
                fail(QStringLiteral("走査できませんでした（メモリ不足）"));
            }
            if (c == QLatin1String("bestmatch")) {
                m_out << "shift " << m_session.shiftH() << ' ' << m_session.shiftV() << '\n';
                m_out << "rate " << QString::asprintf("%0.3f", scan->rate) << '\n';
            } else {
                m_out << "rate " << QString::asprintf("%0.3f", scan->rate) << '\n';
                m_out << "rows " << joined(scan->rows) << '\n';
                m_out << "columns " << joined(scan->columns) << '\n';
            }
        } else if (c == QLatin1String("properties")) {
            for (const PropertyRow& row : m_session.propertyRows()) {
                m_out << row.number << '\t' << row.result << '\t' << row.label << '\t' << row.value1 << '\t'
                      << row.value2 << '\n';
            }
        }
    }

    QString outputPath() {
        const QString path = m_a.value(QStringLiteral("-o"));
        if (path.isEmpty()) {
            fail(QStringLiteral("%1 には -o で出力ファイルを指定します").arg(m_a.command));
        }
        return path;
    }

    void saveOriginal1(const QString& path) {
        if (const Status saved = m_session.saveSurface(kOriginal1, path, parseSaveOptions(m_a)); !saved) {
            fail(saved.message());
        }
    }

    int preprocess() {
        expectPositional(2);
        static const std::map<QString, Preprocessing> operations = {
            {QStringLiteral("greyscale"), Preprocessing::Greyscale},
            {QStringLiteral("colors256"), Preprocessing::Colors256},
            {QStringLiteral("colors64"), Preprocessing::Colors64},
            {QStringLiteral("blur3"), Preprocessing::Blur3},
            {QStringLiteral("blur7"), Preprocessing::Blur7},
            {QStringLiteral("blur11"), Preprocessing::Blur11},
        };
        const auto operation = operations.find(m_a.positional[0]);
        if (operation == operations.end()) {
            fail(
                QStringLiteral("前処理は greyscale, colors256, colors64, blur3, blur7, blur11 のどれかです"));
        }
        const QString out = outputPath();
        setOriginal(kOriginal1, m_a.positional[1]);
        m_session.preprocessOriginal(kOriginal1, operation->second, false);
        if (!m_host.error().isEmpty()) {
            fail(m_host.error());
        }
        saveOriginal1(out);
        return kExitEqual;
    }

    int convert() {
        expectPositional(1);
        const QString out = outputPath();
        setOriginal(kOriginal1, m_a.positional[0]);
        saveOriginal1(out);
        return kExitEqual;
    }

    int embed() {
        expectPositional(2);
        const QString document = m_a.positional[0];
        const QString out = outputPath();
        if (!QFileInfo(document).isFile()) {
            fail(fileMessage(document, QStringLiteral("が見つかりません")));
        }
        setOriginal(kOriginal1, m_a.positional[1]);
        m_host.setSavePath(out);
        m_session.EmbedDocument(document);
        if (!m_host.error().isEmpty()) {
            fail(m_host.error());
        }
        if (!m_host.asked(kMsgEmbedDone)) {
            fail(m_host.declined().isEmpty()
                     ? fileMessage(out, QStringLiteral("に埋め込めませんでした"))
                     : fileMessage(out, QStringLiteral("は既にあります（--yes で上書きします）")));
        }
        m_out << out << '\n';
        return kExitEqual;
    }

    int extractDocument() {
        expectPositional(1);
        const QString image = m_a.positional[0];
        setOriginal(kOriginal1, image);
        const QString written = m_session.embeddedDocumentPath();
        if (written.isEmpty()) {
            fail(fileMessage(image, QStringLiteral("には取り出せる文書が埋め込まれていません")));
        }
        const QString folder = m_a.value(QStringLiteral("-o"));
        if (folder.isEmpty()) {
            m_out << written << '\n';
            return kExitEqual;
        }
        if (!QFileInfo(folder).isDir()) {
            fail(fileMessage(folder, QStringLiteral("はフォルダではありません")));
        }
        const QString planned = QDir(folder).filePath(QFileInfo(written).fileName());
        if (QFileInfo::exists(planned) && !m_a.has(QStringLiteral("--yes"))) {
            fail(fileMessage(planned, QStringLiteral("は既にあります（--yes で上書きします）")));
        }
        QString target;
        if (const Status copied = m_session.copyEmbeddedDocument(folder, target); !copied) {
            fail(copied.message());
        }
        m_out << target << '\n';
        return kExitEqual;
    }

    // The background of the watermark texts' layer: white unless given.
    ColorRef watermarkBackground() {
        const QString text = m_a.value(QStringLiteral("--background"));
        if (text.isEmpty() || text == QLatin1String("white")) {
            return kBackgroundWhite;
        }
        if (text == QLatin1String("checker")) {
            fail(QStringLiteral("watermark の --background は white, black, 0xRRGGBB のどれかです"));
        }
        return parseBackground(m_a);
    }

    // Writes results 1 and 2 to their paths, both or neither: each goes to a new file beside its target
    // first, and the targets are replaced only when both were written.
    void writeBothResults(const QString& first, const QString& second, const SaveOptions& options) {
        std::vector<std::pair<std::unique_ptr<QTemporaryFile>, QString>> written;
        const auto discard = [&written] {
            for (auto& [temporary, target] : written) {
                temporary->remove();
            }
        };
        for (const auto& [path, slot] : {std::pair{first, int{kResult1}}, std::pair{second, int{kResult2}}}) {
            if (path.isEmpty()) {
                continue;
            }
            const QFileInfo info(path);
            auto temporary = std::make_unique<QTemporaryFile>(
                info.absoluteDir().filePath(QStringLiteral(".corvane-XXXXXX.") + info.suffix()));
            if (!temporary->open()) {
                discard();
                fail(fileMessage(path,
                                 QStringLiteral("に書き込めません（%1）").arg(temporary->errorString())));
            }
            temporary->close();
            if (const Status saved = m_session.saveSurface(slot, temporary->fileName(), options); !saved) {
                temporary->remove();
                discard();
                // The saver named the temporary file; the message names the target, with the saver's reason.
                const QString& message = saved.message();
                fail(fileMessage(path, message.mid(message.indexOf(QChar(0x300D)) + 1)));
            }
            written.emplace_back(std::move(temporary), path);
        }
        for (auto& [temporary, target] : written) {
            temporary->setAutoRemove(false);
            if (std::rename(QFile::encodeName(temporary->fileName()).constData(),
                            QFile::encodeName(target).constData()) != 0) {
                temporary->setAutoRemove(true);
                fail(fileMessage(target, QStringLiteral("を保存できません（%1）")
                                             .arg(QString::fromLocal8Bit(std::strerror(errno)))));
            }
        }
    }

    int watermark() {
        expectPositional(2);
        const QString image = m_a.positional[0];
        const QString layout = m_a.positional[1];
        const QString first = outputPath();
        const QString second = m_a.value(QStringLiteral("--output2"));
        for (const QString& option : {QStringLiteral("--shift"), QStringLiteral("--overlay")}) {
            if (m_a.has(option)) {
                fail(QStringLiteral("%1 は watermark には使えません").arg(option));
            }
        }
        if (!second.isEmpty() &&
            QFileInfo(first).absoluteFilePath() == QFileInfo(second).absoluteFilePath()) {
            fail(QStringLiteral("-o と --output2 に同じファイルは指定できません"));
        }
        const ColorRef background = watermarkBackground();
        const SaveOptions options = parseSaveOptions(m_a);
        if (!QFileInfo(layout).isFile()) {
            fail(fileMessage(layout, QStringLiteral("が見つかりません")));
        }
        setOriginal(kOriginal1, image);
        QString error;
        QStringList adjustments;
        if (!m_session.composeWatermarkLayout(layout, background, error, adjustments)) {
            fail(error);
        }
        writeBothResults(first, second, options);
        for (const QString& adjustment : adjustments) {
            m_out << fileMessage(layout, QStringLiteral("：")) << adjustment << '\n';
        }
        return kExitEqual;
    }

    const Arguments& m_a;
    QTextStream& m_out;
    CommandLineHost m_host;
    ComparisonSession m_session;
};

} // namespace

int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.size() == 1 &&
        (arguments[0] == QLatin1String("--help") || arguments[0] == QLatin1String("-h"))) {
        out << usageText();
        return kExitEqual;
    }
    try {
        const Arguments parsed = parse(arguments);
        CommandRunner runner(parsed, out);
        const int code = runner.run();
        out.flush();
        return code;
    } catch (const UsageError& error) {
        out.flush();
        err << "corvane-cli: " << error.message << '\n';
        err.flush();
        return kExitError;
    } catch (const std::bad_alloc&) {
        // Whatever a file asked to allocate beyond the memory there is ends in the memory message.
        out.flush();
        err << "corvane-cli: " << stringText(kMsgOutOfMemory) << '\n';
        err.flush();
        return kExitError;
    }
}

} // namespace corvane
