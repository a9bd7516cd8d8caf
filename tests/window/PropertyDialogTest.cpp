// The property comparison's dialog, opened from the processing menu.

#include "tests/window/WindowTestSupport.h"

#include "app/window/CPropDlg.h"
#include "res/Strings.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>

namespace corvane::test {
namespace {

class PropertyDialog : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        makeWindow();
    }
    // The same pixels in two files of different bytes: a PNG and a BMP.
    void setSamePixels() {
        const QImage picture = makePicture(40, 30, 5);
        session().dropFile(kOriginal1, writePng(QStringLiteral("same.png"), picture), false);
        ASSERT_TRUE(picture.save(path(QStringLiteral("same.bmp")), "BMP"));
        session().dropFile(kOriginal2, path(QStringLiteral("same.bmp")), false);
        ASSERT_TRUE(session().HasBothOriginals());
    }
};

TEST_F(PropertyDialog, ShowsTheFifteenRowsOfTwoFilesWithTheSamePixels) {
    setSamePixels();
    bool looked = false;
    dialogs.onModal = [&](QDialog& dialog) {
        auto* properties = qobject_cast<CPropDlg*>(&dialog);
        ASSERT_NE(properties, nullptr);
        looked = true;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("プロパティの比較"));
        EXPECT_TRUE(dialog.isModal());
        QTableWidget* table = properties->table();
        ASSERT_EQ(table->rowCount(), 15);
        ASSERT_EQ(table->columnCount(), 5);
        const QStringList headers = {QStringLiteral("№"), QStringLiteral("結果"), QStringLiteral("項目"),
                                     QStringLiteral("原本1"), QStringLiteral("原本2")};
        const int widths[] = {30, 60, 190, 220, 220};
        for (int c = 0; c < 5; ++c) {
            EXPECT_EQ(table->horizontalHeaderItem(c)->text(), headers[c]);
            EXPECT_EQ(table->columnWidth(c), widths[c]);
        }
        EXPECT_TRUE(table->showGrid());
        EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
        EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
        EXPECT_TRUE(table->item(0, 0)->textAlignment() & Qt::AlignHCenter);
        EXPECT_TRUE(table->item(0, 1)->textAlignment() & Qt::AlignHCenter);
        EXPECT_TRUE(table->item(0, 2)->textAlignment() & Qt::AlignLeft);
        EXPECT_TRUE(table->item(0, 3)->textAlignment() & Qt::AlignRight);
        // Rows 2 to 12 agree (same pixels), the digests of the different files do not.
        for (int r = 0; r < 15; ++r) {
            EXPECT_EQ(table->item(r, 0)->text(), QString::number(r + 1));
            const bool same = r >= 1 && r <= 11;
            EXPECT_EQ(table->item(r, 1)->text(), same ? QStringLiteral("合致") : QStringLiteral("×")) << r;
        }
        EXPECT_EQ(table->item(1, 3)->text(), QStringLiteral("40 × 30"));
        EXPECT_EQ(table->item(12, 2)->text(), QStringLiteral("SHA256"));
        EXPECT_EQ(table->item(12, 3)->text().size(), 64);
        // The paths, read-only; the folder buttons show each file's folder.
        auto* path1 = qobject_cast<QLineEdit*>(properties->control(343));
        auto* path2 = qobject_cast<QLineEdit*>(properties->control(1009));
        ASSERT_TRUE(path1 != nullptr && path2 != nullptr);
        EXPECT_EQ(path1->text(), session().originalPath(kOriginal1));
        EXPECT_EQ(path2->text(), session().originalPath(kOriginal2));
        EXPECT_TRUE(path1->isReadOnly() && path2->isReadOnly());
        qobject_cast<QToolButton*>(properties->control(1008))->click();
        qobject_cast<QToolButton*>(properties->control(1007))->click();
        EXPECT_EQ(dialogs.shownLocations, std::vector<QString>({session().originalPath(kOriginal2),
                                                                session().originalPath(kOriginal1)}));

        // Ctrl+C in the list: the header and the selected rows, tab-separated; all rows without a selection.
        table->clearSelection();
        QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
        QApplication::sendEvent(table, &copy);
        QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 16);
        EXPECT_EQ(lines[0], headers.join(QLatin1Char('\t')));
        EXPECT_EQ(lines[2].split(QLatin1Char('\t')),
                  QStringList({QStringLiteral("2"), QStringLiteral("合致"), table->item(1, 2)->text(),
                               QStringLiteral("40 × 30"), QStringLiteral("40 × 30")}));
        table->selectRow(14);
        QApplication::sendEvent(table, &copy);
        lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines[1].startsWith(QStringLiteral("15\t×\tCRC\t")));
    };
    command(command::kProperties);
    EXPECT_TRUE(looked);
    EXPECT_EQ(dialogs.modalDialogs, 1);
    // Closing the dialog ends the processing.
    EXPECT_EQ(session().currentProcessing(), ProcessingMode::None);
}

TEST_F(PropertyDialog, NeedsTwoOriginalsAndToleratesAFileGone) {
    session().dropFile(kOriginal1, writePng(QStringLiteral("one.png"), makePicture(20, 10, 1)), false);
    command(command::kProperties);
    EXPECT_EQ(dialogs.modalDialogs, 0);
    EXPECT_EQ(dialogs.messageIds(), std::vector<int>({kMsgNeedBothOriginals}));

    session().dropFile(kOriginal2, writePng(QStringLiteral("two.png"), makePicture(20, 10, 2)), false);
    ASSERT_TRUE(QFile::remove(session().originalPath(kOriginal2)));
    dialogs.onModal = [](QDialog& dialog) {
        QTableWidget* table = static_cast<CPropDlg&>(dialog).table();
        EXPECT_EQ(table->item(0, 4)->text(), QStringLiteral("0"));
        for (int r = 12; r < 15; ++r) {
            EXPECT_TRUE(table->item(r, 4)->text().isEmpty()) << r;
            EXPECT_FALSE(table->item(r, 3)->text().isEmpty()) << r;
        }
    };
    command(command::kProperties);
    EXPECT_EQ(dialogs.modalDialogs, 1);
}

} // namespace
} // namespace corvane::test
