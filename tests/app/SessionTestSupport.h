#pragma once

#include "app/ComparisonSession.h"
#include "tests/app/ScriptedHost.h"

#include <QImage>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace corvane::test {

// A picture with some structure (gradients, blocks) so that comparisons have something to find.
QImage makePicture(int width, int height, int seed);

// `image` with a rectangle of another colour.
QImage withPatch(const QImage& image, QRect patch, QRgb color);

// `image` moved by (dx, dy) over black.
QImage shifted(const QImage& image, int dx, int dy);

// A session on a scripted host, with its own temporary folder as the system's temporary folder (so the
// work folder is private to the test) and as the place for test files.
class SessionFixture : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override;
    void TearDown() override;

    int bits() const { return GetParam(); }
    // Writes `image` as a PNG in the test folder and returns its path.
    QString writePng(const QString& name, const QImage& image);
    QString path(const QString& name) const { return m_folder->filePath(name); }
    // Sets both originals from pictures (answering any size question with Yes).
    void setOriginals(const QImage& first, const QImage& second);
    // The colour of a surface pixel.
    ColorRef pixelOf(int surface, int x, int y) const { return session->surface(surface).pixel(x, y); }

    ScriptedHost host;
    std::unique_ptr<ComparisonSession> session;

private:
    std::unique_ptr<QTemporaryDir> m_folder;
    QByteArray m_oldTemp;
};

} // namespace corvane::test
