// The main window's state kept between runs: the parameters, the originals and the placement.

#include "app/window/CNaviDlg.h"
#include "app/window/CSorvikDlgPrivate.h"
#include "app/window/HelpPane.h"
#include "imagefiles/ImageFormat.h"
#include "res/Strings.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

namespace corvane {

namespace {

const QString kLast = QStringLiteral("Last");

} // namespace

void CSorvikDlg::restoreSession(const QStringList& originals) {
    Controls& c = *m_controls;
    ComparisonSession& s = *m_session;
    const SettingsBatch batch(m_settings);
    const auto last = [this](const char* name, int defaultValue) {
        return m_settings.readInt(kLast, QString::fromLatin1(name), defaultValue);
    };
    // Positions stored as position + 100 (any stored number, even a corrupt one, gives a position in range).
    const auto position = [&last](const char* name) {
        return static_cast<int>(std::clamp(static_cast<long long>(last(name, 100)) - 100, -100LL, 100LL));
    };

    s.setGridOn(last("Grid", 0) != 0);
    s.setBackground(static_cast<ColorRef>(last("Bk", 0x808080)));
    s.setWatermarkBackground(static_cast<ColorRef>(last("SukashiBk", 0xFFFFFF)));
    c.watermarkBackground->setColor(s.watermarkBackground());
    s.setParameters(last("ColorSpace", 0), last("MixedMode", 0), last("AlphaOrg", 0));
    s.setValueNotation(last("ColFormat", 1));
    applyCheckMarks();

    // The shift controls show the stored positions, but original 2 is drawn unshifted until a control is
    // stepped (and a restored original puts them back to 0).
    c.shiftH->setRange(-100, 100);
    c.shiftH->setPosition(position("ZureH"));
    c.shiftV->setRange(-100, 100);
    c.shiftV->setPosition(position("ZureV"));
    s.setShift(0, 0);

    c.watermarkColor->setColor(static_cast<ColorRef>(last("refText", 0x808080)));
    const int font = last("FontCombo", 0);
    c.watermarkFont->setCurrentIndex(font >= 0 && font < c.watermarkFont->count() ? font : 0);
    c.watermarkSize->setPosition(static_cast<std::int16_t>(last("Size", 36) & 0xFFFF));
    c.watermarkShadow->setPosition(position("iKage"));
    c.watermarkShadowColor->setColor(static_cast<ColorRef>(last("refKage", 0xC0C0C0)));

    restoreOriginals(originals);
    redrawAreas(redraw::kAll, true);
    restorePlacement();
    m_navi->restorePlacement();
    stateChanged();
}

void CSorvikDlg::restoreOriginals(const QStringList& originals) {
    ComparisonSession& s = *m_session;
    if (originals.isEmpty()) {
        for (int k = 0; k < 2; ++k) {
            const QString path = m_settings.readString(kLast, QStringLiteral("FilePath%1").arg(k));
            // A stored original that no longer loads stays unset (the loader says why).
            if (!path.isEmpty()) {
                s.setOriginalFromFile(k, path, false);
            }
        }
        return;
    }
    QStringList paths;
    for (const QString& original : originals) {
        paths.push_back(QFileInfo(original).absoluteFilePath());
    }
    const auto isImage = [](const QString& path) {
        return !ClassifyImageExtension(path).isEmpty();
    };
    if (paths.size() == 2 && isImage(paths[0]) && isImage(paths[1])) {
        // Both decoded at once.
        s.setOriginalsFromFiles(paths[0], paths[1], false);
        return;
    }
    for (int k = 0; k < paths.size() && k < 2; ++k) {
        if (!isImage(paths[k])) {
            showMessage(fileMessage(paths[k], QStringLiteral("は対応する画像ファイルではありません")) +
                            QLatin1Char('\n'),
                        kMsgReadFailed, MessageType::Stop);
        } else {
            s.setOriginalFromFile(k, paths[k], false);
        }
    }
}

void CSorvikDlg::restorePlacement() {
    const auto last = [this](const char* name, int defaultValue) {
        return m_settings.readInt(kLast, QString::fromLatin1(name), defaultValue);
    };
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QRect desktop = screen != nullptr ? screen->virtualGeometry() : QRect(0, 0, 640, 480);
    const int px = std::max(0, last("PX", 0));
    const int py = std::max(0, last("PY", 0));
    // A position off the desktop keeps the initial placement and size.
    if (px < desktop.x() + desktop.width() && py < desktop.y() + desktop.height()) {
        // A size from a corrupt store (or a larger desktop) is kept within the desktop; the window's
        // minimum applies below.
        const int sx = last("SX", 640);
        const int sy = last("SY", 480);
        move(px, py);
        resize(sx > 0 ? std::min(sx, desktop.width()) : 640, sy > 0 ? std::min(sy, desktop.height()) : 480);
    }
    if (last("Zoomed", 0) == 1) {
        setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void CSorvikDlg::saveSettings() {
    Controls& c = *m_controls;
    const ComparisonSession& s = *m_session;
    // Every value reaches the file in one write: written one by one, each would rewrite and sync the
    // whole file, which made closing the window take seconds.
    const SettingsBatch batch(m_settings);
    const auto write = [this](const QString& name, int value) {
        m_settings.writeInt(kLast, name, value);
    };
    for (int k = 0; k < 2; ++k) {
        m_settings.writeString(kLast, QStringLiteral("FilePath%1").arg(k), s.originalPath(k));
        m_settings.writeString(kLast, QStringLiteral("FileExt%1").arg(k), s.originalType(k));
    }
    write(QStringLiteral("ColorSpace"), s.colorSpace());
    write(QStringLiteral("MixedMode"), s.blendMode());
    write(QStringLiteral("AlphaOrg"), s.overlayLevel());
    write(QStringLiteral("ColFormat"), s.valueNotation());
    write(QStringLiteral("Grid"), s.gridOn() ? 1 : 0);
    write(QStringLiteral("Bk"), static_cast<int>(s.background()));
    write(QStringLiteral("SukashiBk"), static_cast<int>(s.watermarkBackground()));
    write(QStringLiteral("ZureH"), c.shiftH->position() + 100);
    write(QStringLiteral("ZureV"), c.shiftV->position() + 100);
    write(QStringLiteral("refText"), static_cast<int>(c.watermarkColor->color()));
    write(QStringLiteral("refKage"), static_cast<int>(c.watermarkShadowColor->color()));
    write(QStringLiteral("FontCombo"), std::max(0, c.watermarkFont->currentIndex()));
    write(QStringLiteral("Size"), c.watermarkSize->position());
    write(QStringLiteral("iKage"), c.watermarkShadow->position() + 100);

    const bool maximised = isMaximized();
    write(QStringLiteral("Zoomed"), maximised ? 1 : 0);
    // The normal rectangle, as the frame's position and the size inside it (what the restore sets).
    QRect placement(pos(), size());
    if (maximised) {
        const QRect normal = normalGeometry();
        const QPoint frame = geometry().topLeft() - pos();
        placement = QRect(normal.topLeft() - frame, normal.size());
    }
    write(QStringLiteral("PX"), std::max(0, placement.x()));
    write(QStringLiteral("PY"), std::max(0, placement.y()));
    write(QStringLiteral("SX"), placement.width());
    write(QStringLiteral("SY"), placement.height());
    m_navi->savePlacement();
}

void CSorvikDlg::stepHelpFontSize(int step) {
    // The help text's height in pixels; the help pane takes it from the settings when it sets its font.
    const QString name = QStringLiteral("fontRemSize");
    const int size = m_settings.readInt(kLast, name, 12);
    m_settings.writeInt(kLast, name, std::clamp(size + step, 8, 100));
    m_help->applySettings();
}

} // namespace corvane
