#pragma once

// The fixture of corvane-cli's tests: a folder of small test images, its own temporary folder (so its
// own work folder), and command lines run in-process with their output captured.

#include "cli/CommandLine.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace corvane::test {

// A 32-bit picture with a different colour at nearly every pixel.
QImage picture(int width, int height, int seed);

class CommandLine : public ::testing::Test {
protected:
    // a.png and same.png (equal, 48 × 32), b.png (a.png with pixel (10, 10) changed), small.png (20 × 10).
    void SetUp() override;
    void TearDown() override;

    QString path(const char* name) const { return m_folder.filePath(QString::fromUtf8(name)); }

    // Runs a command line; the words "@name" stand for files of the test folder.
    int run(const QStringList& words);

    QString out;
    QString err;

private:
    QTemporaryDir m_folder;
    QByteArray m_oldTemp;
};

} // namespace corvane::test
