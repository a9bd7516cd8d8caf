#include "cli/CommandLine.h"

#include "app/ComparisonSession.h"
#include "app/DifferenceRate.h"
#include "cli/CommandArguments.h"
#include "cli/CommandMeasures.h"
#include "cli/CommandTable.h"
#include "imagefiles/ImageFormat.h"
#include "imagefiles/ImageSaver.h"
#include "platform/Blit.h"
#include "platform/SafeFile.h"
#include "platform/Shell.h"
#include "res/Strings.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

namespace {

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

QJsonObject sizeObject(QSize size) {
    return QJsonObject{{QStringLiteral("width"), size.width()}, {QStringLiteral("height"), size.height()}};
}

template <typename Values>
QJsonArray numberArray(const Values& values) {
    QJsonArray array;
    for (const auto value : values) {
        array.push_back(static_cast<double>(value));
    }
    return array;
}

// Runs a command on a session; returns the exit code. Failures reported by the session (through the
// host) or found here become the error line. The text output goes to `out` as the run goes; the facts
// of the run are gathered for the JSON object, printed instead of the text with --json.
class CommandRunner {
public:
    CommandRunner(const Arguments& arguments, QTextStream& out)
        : m_a(arguments), m_out(out), m_json(arguments.has(QStringLiteral("--json"))),
          m_host(arguments.has(QStringLiteral("--yes"))), m_session(m_host, bitsPerPixel(arguments)) {}

    int run() {
        const QString& c = m_a.command;
        m_report[QStringLiteral("command")] = c;
        int code = kExitError;
        if (c == QLatin1String("preprocess")) {
            code = preprocess();
        } else if (c == QLatin1String("convert")) {
            code = convert();
        } else if (c == QLatin1String("embed")) {
            code = embed();
        } else if (c == QLatin1String("extract-document")) {
            code = extractDocument();
        } else if (c == QLatin1String("watermark")) {
            code = watermark();
        } else if (c == QLatin1String("metrics")) {
            code = metrics();
        } else {
            code = compare();
        }
        m_report[QStringLiteral("outputs")] = QJsonArray::fromStringList(m_outputs);
        m_report[QStringLiteral("exitCode")] = code;
        if (m_json) {
            m_out << QJsonDocument(m_report).toJson(QJsonDocument::Compact) << '\n';
        }
        return code;
    }

private:
    static int bitsPerPixel(const Arguments& a) {
        const int bits = parseInt(a, QStringLiteral("--bits-per-pixel"), 16, 32, 32);
        if (bits != 16 && bits != 24 && bits != 32) {
            throw UsageError{QStringLiteral("--bits-per-pixel は 16, 24, 32 のどれかです")};
        }
        return bits;
    }

    [[noreturn]] void fail(const QString& message) { throw UsageError{message}; }

    // The text output; with --json only the object is printed.
    QTextStream* text() { return m_json ? nullptr : &m_out; }

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
        const QString hint = m_a.command == QLatin1String("metrics")
                                 ? QStringLiteral("（--yes で重なる範囲を測ります）")
                                 : QStringLiteral("（--yes で拡大縮小して比べます）");
        fail(fileMessage(path, QStringLiteral("の大きさが原本1（%1 × %2）と異なります%3")
                                   .arg(working.width())
                                   .arg(working.height())
                                   .arg(hint)));
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

    // A path that no encoder writes fails here, before anything is read or written, so that a run
    // either writes all its outputs or none.
    void checkOutputPath(const QString& path, const SaveOptions& options) {
        const QString extension = QFileInfo(path).suffix().toLower();
        if (options.bmpBits == 0 && !hasEncoder(extension)) {
            // The saver's own message for an extension without an encoder (nothing is written).
            fail(SaveBitmapWithEncoder(DeviceBitmap(), path, extension, options.quality).message());
        }
    }

    void saveSurface(int slot, const QString& path, const SaveOptions& options) {
        if (const Status saved = m_session.saveSurface(slot, path, options); !saved) {
            fail(saved.message());
        }
        m_outputs.push_back(path);
    }

    int compare() {
        const QString& c = m_a.command;
        expectPositional(2);
        // The outputs are checked before the originals are read.
        const QString first = m_a.value(QStringLiteral("-o"));
        const QString second = m_a.value(QStringLiteral("--output2"));
        const bool producesImages = c == QLatin1String("pixel") || c == QLatin1String("composite") ||
                                    c == QLatin1String("gradation") || c == QLatin1String("extract");
        if ((!first.isEmpty() || !second.isEmpty()) && !producesImages) {
            fail(QStringLiteral("%1 は結果画像を作りません（-o, --output2 は使えません）").arg(c));
        }
        const SaveOptions options = parseSaveOptions(m_a);
        if (!first.isEmpty() && !second.isEmpty() &&
            QFileInfo(first).absoluteFilePath() == QFileInfo(second).absoluteFilePath()) {
            fail(fileMessage(second, QStringLiteral("は -o と同じファイルです（結果1が上書きされます）")));
        }
        for (const QString& path : {first, second}) {
            if (!path.isEmpty()) {
                checkOutputPath(path, options);
            }
        }
        m_report[QStringLiteral("files")] = QJsonArray::fromStringList(m_a.positional);
        const std::optional<ToleranceOptions> tolerance = toleranceOptions();

        setBothOriginals(m_a.positional[0], m_a.positional[1]);
        applyCommonParameters();
        if (tolerance) {
            applyTolerance(*tolerance);
        }
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
        // The pixel comparison's count reads the originals; its result images are drawn only when they
        // are saved, which spares writing and first touching two surfaces.
        const bool resultsWanted = c != QLatin1String("pixel") || !first.isEmpty() || !second.isEmpty();
        if (resultsWanted && (!m_session.RunProcessing() || !m_host.error().isEmpty())) {
            fail(m_host.error().isEmpty() ? QStringLiteral("処理できませんでした") : m_host.error());
        }
        // The pixel comparison counted as it compared (with the tolerance options when given); without
        // its result images the originals are counted alone, with the same options.
        const std::optional<ComparisonSession::OverlapCount> count =
            c == QLatin1String("pixel") && resultsWanted ? m_session.pixelComparisonCount()
                                                         : m_session.countDifferingPixels();
        if (!count) {
            fail(stringText(kMsgOutOfMemory));
        }
        for (const auto& [path, slot] : {std::pair{first, int{kResult1}}, std::pair{second, int{kResult2}}}) {
            if (!path.isEmpty()) {
                saveSurface(slot, path, options);
            }
        }
        report(channel);
        summarise(*count);
        return count->compared > 0 && count->differing == 0 ? kExitEqual : kExitDifferent;
    }

    // The pixel comparison's tolerance options, checked before any file is read; empty when none is given.
    std::optional<ToleranceOptions> toleranceOptions() {
        const ToleranceWords words{
            m_a.value(QStringLiteral("--threshold")), m_a.has(QStringLiteral("--ignore-antialiasing")),
            m_a.lists.count(QStringLiteral("--ignore")) != 0 ? m_a.lists.at(QStringLiteral("--ignore"))
                                                             : QStringList()};
        if (!words.any()) {
            return std::nullopt;
        }
        if (m_a.has(QStringLiteral("--edge"))) {
            fail(QStringLiteral("--threshold, --ignore-antialiasing, --ignore は --edge と一緒に使えません"));
        }
        QString error;
        std::optional<ToleranceOptions> options = parseToleranceOptions(words, error);
        if (!options) {
            fail(error);
        }
        return options;
    }

    // The options given to the session once original 1's size is known.
    void applyTolerance(const ToleranceOptions& options) {
        QString error;
        if (!checkIgnoredRectangles(options, m_session.workingSize(), m_a.positional[0], error)) {
            fail(error);
        }
        m_session.setToleranceOptions(options);
        m_report[QStringLiteral("tolerance")] = toleranceJson(options);
    }

    int metrics() {
        expectPositional(2);
        if (m_a.has(QStringLiteral("-o")) || m_a.has(QStringLiteral("--output2"))) {
            fail(QStringLiteral("%1 は結果画像を作りません（-o, --output2 は使えません）").arg(m_a.command));
        }
        parseSaveOptions(m_a);
        m_report[QStringLiteral("files")] = QJsonArray::fromStringList(m_a.positional);
        setBothOriginals(m_a.positional[0], m_a.positional[1]);
        applyCommonParameters();
        // Originals of different sizes (only with --yes) are measured where they overlap, each unscaled.
        const std::optional<ImageMetrics> measured =
            m_session.naturalSize(kOriginal1) == m_session.naturalSize(kOriginal2)
                ? m_session.measureMetrics()
                : measureUnscaledOverlap(m_a.positional[1]);
        if (!measured) {
            fail(stringText(kMsgOutOfMemory));
        }
        m_report[QStringLiteral("metrics")] = metricsJson(*measured);
        if (text() != nullptr) {
            *text() << metricsText(*measured);
        }
        summarise({measured->pixels, measured->ae});
        return measured->pixels > 0 && measured->ae == 0 ? kExitEqual : kExitDifferent;
    }

    // The metrics over the region where original 2, as decoded and laid at the shift, covers original 1.
    // The session has scaled original 2 to original 1's size, as the other comparisons want it; the
    // metrics take original 2 as it is, decoded once more on its own.
    std::optional<ImageMetrics> measureUnscaledOverlap(const QString& path2) {
        ComparisonSession second(m_host, m_session.displayBits());
        if (!second.setOriginalFromFile(kOriginal1, path2, false)) {
            failSetting(path2);
        }
        const DeviceBitmap& image1 = m_session.surface(kOriginal1);
        const DeviceBitmap& image2 = second.surface(kOriginal1);
        const int h = m_session.shiftH();
        const int v = m_session.shiftV();
        const int left = std::max(0, h);
        const int top = std::max(0, v);
        const int right = std::min(image1.width(), image2.width() + h);
        const int bottom = std::min(image1.height(), image2.height() + v);
        if (right <= left || bottom <= top) {
            fail(QStringLiteral("--shift %1,%2 では原本が重なりません").arg(h).arg(v));
        }
        DeviceBitmap part1 = DeviceBitmap::create(right - left, bottom - top, m_session.displayBits());
        DeviceBitmap part2 = DeviceBitmap::create(right - left, bottom - top, m_session.displayBits());
        if (part1.isNull() || part2.isNull() ||
            !bitBlt(part1, 0, 0, right - left, bottom - top, image1, left, top) ||
            !bitBlt(part2, 0, 0, right - left, bottom - top, image2, left - h, top - v)) {
            return std::nullopt;
        }
        return computeMetrics(part1, part2, 0, 0);
    }

    // The facts every comparison shares: the files' sizes, the shift and the count over the overlap,
    // as the summary line after the text output or as members of the JSON object.
    void summarise(const ComparisonSession::OverlapCount& count) {
        m_report[QStringLiteral("sizes")] = QJsonArray{sizeObject(m_session.naturalSize(kOriginal1)),
                                                       sizeObject(m_session.naturalSize(kOriginal2))};
        m_report[QStringLiteral("shift")] =
            QJsonObject{{QStringLiteral("h"), m_session.shiftH()}, {QStringLiteral("v"), m_session.shiftV()}};
        m_report[QStringLiteral("comparedPixels")] = static_cast<double>(count.compared);
        m_report[QStringLiteral("differingPixels")] = static_cast<double>(count.differing);
        m_report[QStringLiteral("rate")] = count.compared > 0 ? static_cast<double>(count.differing) * 100.0 /
                                                                    static_cast<double>(count.compared)
                                                              : 0.0;
        m_report[QStringLiteral("equal")] = count.compared > 0 && count.differing == 0;
        if (text() != nullptr && !m_a.has(QStringLiteral("--quiet"))) {
            *text() << differenceSummary(count.differing, count.compared) << '\n';
        }
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

    // The command's own output: text, and the same numbers for the JSON object.
    void report(int channel) {
        const QString& c = m_a.command;
        QTextStream* out = text();
        if (c == QLatin1String("histogram")) {
            QJsonObject histograms;
            for (int k = 0; k < 2; ++k) {
                const Histogram& h = m_session.histogram(k);
                QJsonObject channels;
                for (std::size_t block = 0; block < 3; ++block) {
                    static const char* const names[] = {"red", "green", "blue"};
                    const auto begin = h.begin() + static_cast<std::ptrdiff_t>(block * 256);
                    channels[QLatin1String(names[block])] =
                        numberArray(std::vector<double>(begin, begin + 256));
                }
                histograms[k == 0 ? QStringLiteral("original1") : QStringLiteral("original2")] = channels;
            }
            m_report[QStringLiteral("histogram")] = histograms;
            if (out != nullptr) {
                *out << "value,red1,green1,blue1,red2,green2,blue2\n";
                const Histogram& h1 = m_session.histogram(0);
                const Histogram& h2 = m_session.histogram(1);
                for (std::size_t v = 0; v < 256; ++v) {
                    *out << v;
                    for (const Histogram* h : {&h1, &h2}) {
                        for (std::size_t block = 0; block < 3; ++block) {
                            *out << ',' << QString::number((*h)[block * 256 + v], 'f', 0);
                        }
                    }
                    *out << '\n';
                }
            }
        } else if (c == QLatin1String("scan") || c == QLatin1String("bestmatch")) {
            const std::optional<ScanResult> scan = m_session.computeScan(channel);
            if (!scan) {
                fail(QStringLiteral("走査できませんでした（メモリ不足）"));
            }
            if (c == QLatin1String("bestmatch")) {
                m_report[QStringLiteral("bestMatch")] = QJsonObject{{QStringLiteral("rate"), scan->rate}};
                if (out != nullptr) {
                    *out << "shift " << m_session.shiftH() << ' ' << m_session.shiftV() << '\n';
                    *out << "rate " << QString::asprintf("%0.3f", scan->rate) << '\n';
                }
            } else {
                static const char* const channels[] = {"red", "green", "blue"};
                m_report[QStringLiteral("scan")] = QJsonObject{
                    {QStringLiteral("channel"),
                     channel < 0 ? QStringLiteral("rgb") : QLatin1String(channels[channel])},
                    {QStringLiteral("rate"), scan->rate},
                    {QStringLiteral("rows"), numberArray(scan->rows)},
                    {QStringLiteral("columns"), numberArray(scan->columns)},
                };
                if (out != nullptr) {
                    *out << "rate " << QString::asprintf("%0.3f", scan->rate) << '\n';
                    *out << "rows " << joined(scan->rows) << '\n';
                    *out << "columns " << joined(scan->columns) << '\n';
                }
            }
        } else if (c == QLatin1String("properties")) {
            QJsonArray rows;
            for (const PropertyRow& row : m_session.propertyRows()) {
                rows.push_back(QJsonObject{{QStringLiteral("number"), row.number},
                                           {QStringLiteral("result"), row.result},
                                           {QStringLiteral("item"), row.label},
                                           {QStringLiteral("original1"), row.value1},
                                           {QStringLiteral("original2"), row.value2}});
                if (out != nullptr) {
                    *out << row.number << '\t' << row.result << '\t' << row.label << '\t' << row.value1
                         << '\t' << row.value2 << '\n';
                }
            }
            m_report[QStringLiteral("properties")] = rows;
        }
    }

    QString outputPath() {
        const QString path = m_a.value(QStringLiteral("-o"));
        if (path.isEmpty()) {
            fail(QStringLiteral("%1 には -o で出力ファイルを指定します").arg(m_a.command));
        }
        return path;
    }

    // The input image's facts of the file commands.
    void reportInput(const QString& path) {
        m_report[QStringLiteral("files")] = QJsonArray{path};
        m_report[QStringLiteral("sizes")] = QJsonArray{sizeObject(m_session.naturalSize(kOriginal1))};
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
        const SaveOptions options = parseSaveOptions(m_a);
        checkOutputPath(out, options);
        setOriginal(kOriginal1, m_a.positional[1]);
        reportInput(m_a.positional[1]);
        m_report[QStringLiteral("operation")] = m_a.positional[0];
        m_session.preprocessOriginal(kOriginal1, operation->second, false);
        if (!m_host.error().isEmpty()) {
            fail(m_host.error());
        }
        saveSurface(kOriginal1, out, options);
        return kExitEqual;
    }

    int convert() {
        expectPositional(1);
        const QString out = outputPath();
        const SaveOptions options = parseSaveOptions(m_a);
        checkOutputPath(out, options);
        setOriginal(kOriginal1, m_a.positional[0]);
        reportInput(m_a.positional[0]);
        saveSurface(kOriginal1, out, options);
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
        m_report[QStringLiteral("files")] = QJsonArray{document, m_a.positional[1]};
        m_report[QStringLiteral("sizes")] = QJsonArray{sizeObject(m_session.naturalSize(kOriginal1))};
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
        m_outputs.push_back(out);
        if (text() != nullptr) {
            *text() << out << '\n';
        }
        return kExitEqual;
    }

    int extractDocument() {
        expectPositional(1);
        const QString image = m_a.positional[0];
        setOriginal(kOriginal1, image);
        reportInput(image);
        const QString written = m_session.embeddedDocumentPath();
        if (written.isEmpty()) {
            fail(fileMessage(image, QStringLiteral("には取り出せる文書が埋め込まれていません")));
        }
        const QString folder = m_a.value(QStringLiteral("-o"));
        QString target = written;
        if (!folder.isEmpty()) {
            // A missing folder is made by the copy; only something else of that name stops it.
            if (QFileInfo::exists(folder) && !QFileInfo(folder).isDir()) {
                fail(fileMessage(folder, QStringLiteral("はフォルダではありません")));
            }
            const QString planned = QDir(folder).filePath(QFileInfo(written).fileName());
            if (QFileInfo::exists(planned) && !m_a.has(QStringLiteral("--yes"))) {
                fail(fileMessage(planned, QStringLiteral("は既にあります（--yes で上書きします）")));
            }
            if (const Status copied = m_session.copyEmbeddedDocument(folder, target); !copied) {
                fail(copied.message());
            }
        }
        m_outputs.push_back(target);
        if (text() != nullptr) {
            *text() << target << '\n';
        }
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
        reportInput(image);
        QString error;
        QStringList adjustments;
        if (!m_session.composeWatermarkLayout(layout, background, error, adjustments)) {
            fail(error);
        }
        writeBothResults(first, second, options);
        m_outputs.push_back(first);
        if (!second.isEmpty()) {
            m_outputs.push_back(second);
        }
        m_report[QStringLiteral("adjustments")] = QJsonArray::fromStringList(adjustments);
        if (text() != nullptr) {
            for (const QString& adjustment : adjustments) {
                *text() << fileMessage(layout, QStringLiteral("：")) << adjustment << '\n';
            }
        }
        return kExitEqual;
    }

    const Arguments& m_a;
    QTextStream& m_out;
    bool m_json;
    CommandLineHost m_host;
    ComparisonSession m_session;
    QJsonObject m_report;
    QStringList m_outputs;
};

} // namespace

QString differenceSummary(long long differing, long long compared) {
    return QStringLiteral("differ %1 of %2 pixels (%3 %)")
        .arg(differing)
        .arg(compared)
        .arg(differenceRateText(differing, compared));
}

int runCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err) {
    // --json decides the form of errors too, also those of the parsing.
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    const bool json = arguments.mid(0, end < 0 ? arguments.size() : end).contains(QStringLiteral("--json"));
    QString command;
    const auto failed = [&](const QString& message) {
        err << "corvane-cli: " << message << '\n';
        err.flush();
        if (json) {
            const QJsonObject object{{QStringLiteral("command"), command.isEmpty() ? QJsonValue() : command},
                                     {QStringLiteral("error"), message},
                                     {QStringLiteral("exitCode"), kExitError}};
            out << QJsonDocument(object).toJson(QJsonDocument::Compact) << '\n';
        }
        out.flush();
        return kExitError;
    };
    try {
        const Arguments parsed = parse(arguments);
        command = parsed.command;
        if (parsed.has(QStringLiteral("--version"))) {
            out << versionLine();
            out.flush();
            return kExitEqual;
        }
        if (parsed.has(QStringLiteral("--help"))) {
            out << (parsed.entry != nullptr ? commandHelp(*parsed.entry) : programHelp());
            out.flush();
            return kExitEqual;
        }
        if (parsed.entry == nullptr) {
            return failed(QStringLiteral("コマンドがありません") + kHelpHint);
        }
        CommandRunner runner(parsed, out);
        const int code = runner.run();
        out.flush();
        return code;
    } catch (const UsageError& error) {
        return failed(error.message);
    } catch (const std::bad_alloc&) {
        // Whatever a file asked to allocate beyond the memory there is ends in the memory message.
        return failed(stringText(kMsgOutOfMemory));
    }
}

} // namespace corvane
