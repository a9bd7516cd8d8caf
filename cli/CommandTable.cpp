#include "cli/CommandTable.h"

#include "platform/Version.h"

#include <QRegularExpression>
#include <QStringList>

namespace corvane {

namespace {

constexpr const char* kShownComparison = "--shift --overlay --background";
constexpr const char* kShownImageResults = "-o --output2 --bmp-bits --quality --transparent";
constexpr const char* kShownSaving = "--bmp-bits --quality --transparent";

// The option names of space-separated lists.
QStringList names(std::initializer_list<const char*> lists) {
    QStringList words;
    for (const char* list : lists) {
        words += QString::fromUtf8(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    }
    return words;
}

} // namespace

const std::vector<CommandEntry>& commandTable() {
    static const std::vector<CommandEntry> table = {
        {"pixel",
         "[--edge] [--threshold T] [--ignore-antialiasing] [--ignore X1,Y1,X2,Y2 ...] ORIGINAL1 ORIGINAL2",
         "match map: red where the pixels are equal",
         "Compares original 2, laid over original 1 at the shift, pixel by pixel.\n"
         "Both results show red where the colours are equal and the mismatch colour\n"
         "(--background) everywhere else.\n"
         "  --edge                   detect the edges of both originals first and\n"
         "                           compare those\n"
         "  --threshold T            colours whose perceptual (YIQ) difference is\n"
         "                           at most 35215 x T squared count as equal;\n"
         "                           T from 0 (exact, the default) to 1\n"
         "  --ignore-antialiasing    differing pixels on an anti-aliased edge of\n"
         "                           either original are not counted (yellow)\n"
         "  --ignore X1,Y1,X2,Y2     leave out the rectangle from (X1, Y1) to\n"
         "                           (X2, Y2) of original 1, both included; may be\n"
         "                           repeated; cut to the image\n"
         "The tolerance options do not combine with --edge.\n",
         names({"--edge --threshold --ignore-antialiasing --ignore", kShownComparison, kShownImageResults}),
         CommandKind::Comparison},
        {"composite", "[--blend 0..14] [--binarize] [--adjust1 N] [--space rgb|hsv|hls] ORIGINAL1 ORIGINAL2",
         "original 2 blended over original 1 in one of fifteen modes",
         "Blends original 2, laid over original 1 at the shift, in a blend mode.\n"
         "  --blend N    0 overlay (default), 1 hard light, 2 soft light, 3 add,\n"
         "               4 subtract, 5 multiply, 6 divide, 7 screen, 8 dodge, 9 burn,\n"
         "               10 grain extract, 11 grain merge, 12 difference,\n"
         "               13 darken only, 14 lighten only\n"
         "  --binarize   then make the blend two-level: white where its colour\n"
         "               reaches the strength, black elsewhere\n"
         "  --adjust1 N  the two-level strength, 0..255 (default 6)\n"
         "  --space S    the colour space of the two-level step: rgb (default), hsv\n"
         "               or hls\n",
         names({"--blend --binarize --adjust1 --space", kShownComparison, kShownImageResults}),
         CommandKind::Comparison},
        {"gradation", "[--edge] [--space rgb|hsv|hls] ORIGINAL1 ORIGINAL2",
         "grey map of the colour distance: black where equal",
         "Shows the colour distance of each pixel pair as a grey level: equal pixels\n"
         "are black, the more different the brighter.\n"
         "  --edge     detect the edges of both originals first and compare those\n"
         "  --space S  the colour space of the distance: rgb (default), hsv or hls\n",
         names({"--edge --space", kShownComparison, kShownImageResults}), CommandKind::Comparison},
        {"extract", "[--adjust1 N] [--adjust2 N] [--space rgb|hsv|hls] ORIGINAL1 ORIGINAL2",
         "the regions that differ, each original shown inside them",
         "Finds the regions where the originals differ and closes them into solid\n"
         "areas; result 1 shows original 1 inside them, result 2 original 2, both\n"
         "white elsewhere.\n"
         "  --adjust1 N  the greyscale step, 0 (weak) .. 255 (strong), default 64\n"
         "  --adjust2 N  the difference threshold, 0 (weak) .. 255 (strong),\n"
         "               default 128\n"
         "  --space S    the colour space of the difference: rgb (default), hsv or\n"
         "               hls\n",
         names({"--adjust1 --adjust2 --space", kShownComparison, kShownImageResults}),
         CommandKind::Comparison},
        {"histogram", "ORIGINAL1 ORIGINAL2", "colour histograms of both originals as CSV",
         "Prints the histograms of original 1 and of original 2 (laid at the shift)\n"
         "as CSV: the header \"value,red1,green1,blue1,red2,green2,blue2\" and 256 rows,\n"
         "one per channel value.\n",
         names({kShownComparison}), CommandKind::Comparison},
        {"scan", "[--channel red|green|blue|rgb] ORIGINAL1 ORIGINAL2", "match rate per row and column",
         "Counts the matching pixels of every row and column at the shift and\n"
         "prints three lines: \"rate R\" (matching pixels of the overlap in percent),\n"
         "\"rows N,N,...\" and \"columns N,N,...\".\n"
         "  --channel C  compare only red, green or blue, or all three (rgb, default)\n",
         names({"--channel", kShownComparison}), CommandKind::Comparison},
        {"bestmatch", "ORIGINAL1 ORIGINAL2", "the shift at which the originals match best",
         "Tries every shift within a window around (0, 0) and prints the best one,\n"
         "\"shift H V\", and its match rate, \"rate R\". The summary line and the exit\n"
         "status are those of that shift.\n",
         names({}), CommandKind::Comparison},
        {"metrics", "ORIGINAL1 ORIGINAL2", "quality metrics: ae, mae, rmse, psnr, ssim, deltae",
         "Measures original 2, laid over original 1 at the shift, over the region\n"
         "they overlap and prints one line each:\n"
         "  ae      the number of pixels whose colours differ\n"
         "  mae     mean absolute difference of red, green and blue (0..255)\n"
         "  rmse    root mean squared difference of the same (0..255)\n"
         "  psnr    peak signal-to-noise ratio in dB; \"inf\" for equal pixels\n"
         "  ssim    mean structural similarity of the luma (Gaussian window,\n"
         "          sigma 1.5); \"none\" when the region is under 11 x 11 pixels\n"
         "  deltae  mean CIEDE2000 colour difference (sRGB, D65)\n"
         "Originals of different sizes are measured, with --yes, where original 2\n"
         "unscaled covers original 1.\n",
         names({"--shift"}), CommandKind::Comparison},
        {"properties", "ORIGINAL1 ORIGINAL2", "file sizes, dimensions, colour counts and digests",
         "Prints the property table: 15 tab-separated rows of number, result, item,\n"
         "original 1 and original 2 (file size, dimensions, colour counts, CRC-32,\n"
         "MD5, SHA-256 and more).\n",
         names({kShownComparison}), CommandKind::Comparison},
        {"preprocess", "greyscale|colors256|colors64|blur3|blur7|blur11 IMAGE -o OUT",
         "an image made grey, reduced in colours or blurred",
         "Applies one preprocessing to IMAGE and writes the outcome to OUT:\n"
         "greyscale; colors256 and colors64 (colour reduction); blur3, blur7 and\n"
         "blur11 (the average of a 3 x 3, 7 x 7 or 11 x 11 window).\n",
         names({"-o", kShownSaving}), CommandKind::File},
        {"convert", "IMAGE -o OUT", "an image written in another format",
         "Reads IMAGE and writes it to OUT in the format of OUT's extension.\n", names({"-o", kShownSaving}),
         CommandKind::File},
        {"embed", "DOCUMENT IMAGE -o OUT.png|OUT.tiff", "a copy of IMAGE carrying a document",
         "Hides DOCUMENT in the alpha channel of a copy of IMAGE written to OUT (PNG\n"
         "or TIFF, the formats that keep every alpha value), reads OUT back and\n"
         "succeeds only when the document comes out of it again. Prints OUT. An\n"
         "existing OUT is replaced only with --yes.\n",
         names({"-o"}), CommandKind::File},
        {"extract-document", "IMAGE [-o DIR]", "the document carried by IMAGE",
         "Takes the document out of IMAGE into the work folder and prints its path;\n"
         "with -o DIR, copies it into the folder DIR and prints that path. An\n"
         "existing file there is replaced only with --yes.\n",
         names({"-o"}), CommandKind::File},
        {"watermark", "IMAGE LAYOUT.wcd -o RESULT1 [--output2 RESULT2]",
         "watermark texts written onto an image",
         "Draws the texts of the layout file LAYOUT.wcd on a layer the size of IMAGE\n"
         "and writes IMAGE multiplied with the layer to RESULT1 and, with --output2,\n"
         "IMAGE darkened by the layer to RESULT2; both files or neither are written.\n"
         "Texts the layout had to fit into the picture are reported, one per line.\n"
         "  --background C  the layer's colour: white (default), black or 0xRRGGBB\n",
         names({"--background", kShownImageResults}), CommandKind::File},
    };
    return table;
}

const std::vector<OptionEntry>& optionTable() {
    static const std::vector<OptionEntry> table = {
        {"--edge", nullptr, OptionGroup::Own, "edge detection first"},
        {"--blend", "0..14", OptionGroup::Own, "blend mode"},
        {"--binarize", nullptr, OptionGroup::Own, "two-level result"},
        {"--adjust1", "N", OptionGroup::Own, "first adjust value"},
        {"--adjust2", "N", OptionGroup::Own, "second adjust value"},
        {"--space", "rgb|hsv|hls", OptionGroup::Own, "colour space"},
        {"--channel", "red|green|blue|rgb", OptionGroup::Own, "scanned channel"},
        {"--threshold", "T", OptionGroup::Own, "perceptual colour tolerance, 0..1"},
        {"--ignore-antialiasing", nullptr, OptionGroup::Own, "anti-aliased pixels not counted"},
        {"--ignore", "X1,Y1,X2,Y2", OptionGroup::Own, "rectangle left out (repeatable)"},
        {"--shift", "H,V", OptionGroup::Comparison,
         "lay original 2 over original 1 moved H pixels right and V down (negative: left, up); "
         "|H| below the width, |V| below the height"},
        {"--overlay", "0..4", OptionGroup::Comparison,
         "lay the originals over the results at 20, 40, 60 or 80 % (1 to 4; 0, the default, does not)"},
        {"--background", "white|black|checker|0xRRGGBB", OptionGroup::Comparison,
         "the mismatch colour of the pixel comparison (default 0x808080)"},
        {"-o", "PATH", OptionGroup::Output, "write result 1 (comparisons) or the command's output to PATH"},
        {"--output2", "PATH", OptionGroup::Output, "write result 2 to PATH"},
        {"--bmp-bits", "1|4|4rle|8|8rle|16|24|32", OptionGroup::Output,
         "write BMP at this depth (4rle, 8rle: run-length encoded)"},
        {"--quality", "10..100", OptionGroup::Output, "JPEG quality (default 100)"},
        {"--transparent", nullptr, OptionGroup::Output, "make pure white transparent (not with --bmp-bits)"},
        {"--bits-per-pixel", "16|24|32", OptionGroup::General,
         "the format the images are held in, as on a display of that depth (default 32)"},
        {"--yes", nullptr, OptionGroup::General,
         "answer the program's questions Yes: originals of different sizes are compared with "
         "original 2 scaled to original 1's size, existing files are replaced (without --yes "
         "both are refused)"},
        {"--json", nullptr, OptionGroup::General,
         "print one JSON object with the facts of the run instead of the text output"},
        {"--quiet", nullptr, OptionGroup::General, "leave out the summary line of the comparisons"},
        {"--help", nullptr, OptionGroup::General, "show this help and exit"},
    };
    return table;
}

const CommandEntry* findCommand(const QString& name) {
    for (const CommandEntry& command : commandTable()) {
        if (name == QLatin1String(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

const OptionEntry* findOption(const QString& name) {
    for (const OptionEntry& option : optionTable()) {
        if (name == QLatin1String(option.name)) {
            return &option;
        }
    }
    return nullptr;
}

namespace {

bool listsOption(const CommandEntry& command, const OptionEntry& option) {
    return command.options.contains(QLatin1String(option.name));
}

// `words` laid out from column `column` within 80 columns; continued lines start at column `indent`.
QString wrapWords(const QString& words, int column, int indent) {
    constexpr int kWidth = 80;
    QString text;
    bool first = true;
    // A bracketed group ("[--space rgb|hsv|hls]") is kept on one line.
    static const QRegularExpression kWord(QStringLiteral("\\[[^\\]]*\\]|\\S+"));
    for (const QRegularExpressionMatch& match : kWord.globalMatch(words)) {
        const QString word = match.captured();
        if (!first && column + 1 + word.size() > kWidth) {
            text += QLatin1Char('\n') + QString(indent, QLatin1Char(' '));
            column = indent;
            first = true;
        }
        if (!first) {
            text += QLatin1Char(' ');
            ++column;
        }
        text += word;
        column += static_cast<int>(word.size());
        first = false;
    }
    return text;
}

// One option's help lines: the name and value, then the text from column 30.
QString optionLines(const OptionEntry& option) {
    constexpr int kColumn = 30;
    QString head = QStringLiteral("  ") + QLatin1String(option.name);
    if (option.value != nullptr) {
        head += QLatin1Char(' ') + QLatin1String(option.value);
    }
    const QString start = head.size() + 2 > kColumn
                              ? head + QLatin1Char('\n') + QString(kColumn, QLatin1Char(' '))
                              : head.leftJustified(kColumn);
    return start + wrapWords(QString::fromUtf8(option.help), kColumn, kColumn) + QLatin1Char('\n');
}

// "PREFIX ARGUMENTS" with the arguments wrapped under themselves.
QString usageLine(const QString& prefix, const char* arguments) {
    const int column = static_cast<int>(prefix.size()) + 1;
    return prefix + QLatin1Char(' ') + wrapWords(QString::fromUtf8(arguments), column, column) +
           QLatin1Char('\n');
}

QString exitCodes(CommandKind kind) {
    if (kind == CommandKind::Comparison) {
        return QStringLiteral("exit status: 0 the compared pixels are equal, 1 they differ, 2 error\n");
    }
    return QStringLiteral("exit status: 0 done, 2 error\n");
}

} // namespace

bool commandTakesOption(const CommandEntry& command, const OptionEntry& option) {
    return option.group != OptionGroup::Own || listsOption(command, option);
}

QString programHelp() {
    QString text = QStringLiteral("usage: corvane-cli COMMAND [OPTIONS] FILES...\n"
                                  "       corvane-cli COMMAND --help\n"
                                  "       corvane-cli --help | --version\n\n"
                                  "Compares two images as the Corvane window does, for scripts and CI.\n\n"
                                  "commands:\n");
    for (const CommandEntry& command : commandTable()) {
        text += usageLine(QStringLiteral("  corvane-cli ") + QLatin1String(command.name), command.arguments) +
                QStringLiteral("      ") + QString::fromUtf8(command.summary) + QLatin1Char('\n');
    }
    text += QStringLiteral("\ncomparison options:\n");
    for (const OptionEntry& option : optionTable()) {
        if (option.group == OptionGroup::Comparison) {
            text += optionLines(option);
        }
    }
    text += QStringLiteral("\noutput options:\n");
    for (const OptionEntry& option : optionTable()) {
        if (option.group == OptionGroup::Output) {
            text += optionLines(option);
        }
    }
    text += QStringLiteral("\ngeneral options:\n");
    for (const OptionEntry& option : optionTable()) {
        if (option.group == OptionGroup::General) {
            text += optionLines(option);
        }
    }
    text += optionLines({"--version", nullptr, OptionGroup::General, "show the version and exit"});
    text += QStringLiteral("\nThe comparisons print their own output, then one summary line, for example\n"
                           "\"differ 12 of 1536 pixels (0.781 %)\", counted over the region the originals\n"
                           "overlap at the shift. A written file's format follows its extension: .jpeg,\n"
                           ".png, .gif, .bmp or .tiff.\n\n");
    text += QStringLiteral("exit status: comparisons 0 equal, 1 different; other commands 0 done;\n"
                           "             2 error, with one line on stderr naming the file and the reason\n\n"
                           "Run \"corvane-cli COMMAND --help\" for a command's own options.\n");
    return text;
}

QString commandHelp(const CommandEntry& command) {
    QString text =
        usageLine(QStringLiteral("usage: corvane-cli ") + QLatin1String(command.name), command.arguments) +
        QLatin1Char('\n');
    text += QString::fromUtf8(command.help);
    bool heading = false;
    for (const OptionEntry& option : optionTable()) {
        if (option.group == OptionGroup::Own || option.group == OptionGroup::General ||
            !listsOption(command, option)) {
            continue;
        }
        if (!heading) {
            text += QStringLiteral("\noptions:\n");
            heading = true;
        }
        text += optionLines(option);
    }
    text += QStringLiteral("\ngeneral options:\n");
    for (const OptionEntry& option : optionTable()) {
        if (option.group == OptionGroup::General) {
            text += optionLines(option);
        }
    }
    if (command.kind == CommandKind::Comparison) {
        text += QStringLiteral("\nAfter its output the command prints \"differ D of N pixels (R %)\": D of\n"
                               "the N pixels of the overlap at the shift differ.\n");
    }
    return text + QLatin1Char('\n') + exitCodes(command.kind);
}

QString versionLine() {
    return QStringLiteral("corvane-cli %1\n").arg(QLatin1String(kVersion));
}

} // namespace corvane
