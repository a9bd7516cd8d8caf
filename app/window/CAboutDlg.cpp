#include "app/window/CAboutDlg.h"

#include "app/window/Dialogs.h"
#include "app/window/Icons.h"
#include "app/window/LibraryVersions.h"
#include "res/Strings.h"

#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCharFormat>
#include <QTextCursor>

#include <algorithm>

namespace corvane {

namespace {

// The history's characters stand on this light yellow (the box around them keeps the window colour).
const QColor kHistoryBackground(0xFF, 0xFC, 0xB5);

QPlainTextEdit* readOnlyText(QWidget* parent, const QString& name) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    return edit;
}

} // namespace

QString aboutHistoryText() {
    QString text;
    for (const int id : {kHistory102, kHistory101, kHistory100}) {
        text += stringText(id) + QLatin1Char('\n');
    }
    return text;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("バージョン情報"));
    installFontSubstitutes();
    QFont boxFont(QStringLiteral("Meiryo UI"));
    boxFont.setPointSize(9);
    setFont(boxFont);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    icon->setPixmap(applicationIcon().pixmap(32, 32));
    auto* product = new QLabel(QStringLiteral("Corvane\n(イメージ比較ソフト)"), this);
    product->setObjectName(QStringLiteral("product"));
    auto* ok = new QPushButton(QStringLiteral("確認(&Y)"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    m_history = readOnlyText(this, QStringLiteral("control1010"));
    QTextCharFormat marked;
    marked.setBackground(kHistoryBackground);
    QTextCursor cursor(m_history->document());
    cursor.insertText(aboutHistoryText(), marked);

    m_libraries = readOnlyText(this, QStringLiteral("libraries"));
    QStringList lines;
    for (const LibraryVersion& library : libraryVersions()) {
        lines << library.name + QStringLiteral("  ") + library.version;
    }
    m_libraries->setPlainText(lines.join(QLatin1Char('\n')));

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(product, 0, 1, 2, 1, Qt::AlignTop);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->addWidget(new QLabel(QStringLiteral("バージョン情報"), this), 2, 0, 1, 3);
    layout->addWidget(m_history, 3, 0, 1, 3);
    layout->addWidget(new QLabel(QStringLiteral("使用しているライブラリ"), this), 4, 0, 1, 3);
    layout->addWidget(m_libraries, 5, 0, 1, 3);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);
    layout->setRowStretch(5, 2);

    // 315 × 270 dialog units of the box's font: a quarter of the average letter width and an eighth of
    // the line height each.
    const QFontMetrics metrics(font());
    const int letters =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    const int baseX = std::max(1, (letters / 26 + 1) / 2);
    const int baseY = std::max(1, metrics.height());
    resize(315 * baseX / 4, 270 * baseY / 8);
}

} // namespace corvane
