// The property comparison's dialog.

#include "app/window/CPropDlg.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>
#include <set>

namespace corvane {

namespace {

struct Column {
    const char* header;
    int width;
    Qt::Alignment alignment;
};

const std::array<Column, 5> kColumns = {{
    {"№", 30, Qt::AlignHCenter},
    {"結果", 60, Qt::AlignHCenter},
    {"項目", 190, Qt::AlignLeft},
    {"原本1", 220, Qt::AlignRight},
    {"原本2", 220, Qt::AlignRight},
}};

QString cellText(const PropertyRow& row, int column) {
    switch (column) {
    case 0:
        return row.number;
    case 1:
        return row.result;
    case 2:
        return row.label;
    case 3:
        return row.value1;
    default:
        return row.value2;
    }
}

} // namespace

CPropDlg::CPropDlg(const std::vector<PropertyRow>& rows, const std::array<QString, 2>& paths,
                   std::function<void(int)> showLocation, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("プロパティの比較"));
    setModal(true);

    m_table = new QTableWidget(static_cast<int>(rows.size()), static_cast<int>(kColumns.size()), this);
    m_table->setObjectName(QStringLiteral("control1027"));
    m_table->setShowGrid(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSortingEnabled(false);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionsClickable(false);
    m_table->horizontalHeader()->setHighlightSections(false);
    int tableWidth = 2 * m_table->frameWidth();
    for (std::size_t c = 0; c < kColumns.size(); ++c) {
        const int column = static_cast<int>(c);
        auto* header = new QTableWidgetItem(QString::fromUtf8(kColumns[c].header));
        header->setTextAlignment(kColumns[c].alignment | Qt::AlignVCenter);
        m_table->setHorizontalHeaderItem(column, header);
        m_table->setColumnWidth(column, kColumns[c].width);
        tableWidth += kColumns[c].width;
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::size_t c = 0; c < kColumns.size(); ++c) {
            auto* item = new QTableWidgetItem(cellText(rows[r], static_cast<int>(c)));
            item->setTextAlignment(kColumns[c].alignment | Qt::AlignVCenter);
            m_table->setItem(static_cast<int>(r), static_cast<int>(c), item);
        }
    }
    m_table->resizeRowsToContents();
    m_table->setMinimumWidth(tableWidth + m_table->verticalScrollBar()->sizeHint().width());
    int tableHeight = m_table->horizontalHeader()->sizeHint().height() + 2 * m_table->frameWidth();
    for (int r = 0; r < m_table->rowCount(); ++r) {
        tableHeight += m_table->rowHeight(r);
    }
    m_table->setMinimumHeight(std::min(tableHeight, 600));
    m_table->installEventFilter(this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_table, 0, 0, 1, 3);
    const std::array<const char*, 2> labels = {"原本1：", "原本2："};
    const std::array<int, 2> pathIds = {343, 1009};
    const std::array<int, 2> buttonIds = {1007, 1008};
    for (int k = 0; k < 2; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        layout->addWidget(new QLabel(QString::fromUtf8(labels[uk]), this), k + 1, 0);
        auto* path = new QLineEdit(paths[uk], this);
        path->setReadOnly(true);
        path->setCursorPosition(0);
        path->setObjectName(QStringLiteral("control%1").arg(pathIds[uk]));
        layout->addWidget(path, k + 1, 1);
        m_paths[uk] = path;
        // A small button without caption: it opens the folder that holds the file.
        auto* location = new QToolButton(this);
        location->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        location->setToolTip(QStringLiteral("保存場所を開く"));
        location->setObjectName(QStringLiteral("control%1").arg(buttonIds[uk]));
        location->setFocusPolicy(Qt::TabFocus);
        connect(location, &QToolButton::clicked, this, [showLocation, k] {
            if (showLocation) {
                showLocation(k);
            }
        });
        layout->addWidget(location, k + 1, 2);
        m_locations[uk] = location;
    }
    auto* close = new QPushButton(QStringLiteral("閉じる(&C)"), this);
    close->setObjectName(QStringLiteral("control2"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(close, 3, 0, 1, 3, Qt::AlignRight);
    m_close = close;
}

QWidget* CPropDlg::control(int id) const {
    switch (id) {
    case 1027:
        return m_table;
    case 343:
        return m_paths[0];
    case 1009:
        return m_paths[1];
    case 1007:
        return m_locations[0];
    case 1008:
        return m_locations[1];
    case 2:
        return m_close;
    default:
        return nullptr;
    }
}

QString CPropDlg::tableText() const {
    std::set<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        rows.insert(index.row());
    }
    if (rows.empty()) {
        for (int r = 0; r < m_table->rowCount(); ++r) {
            rows.insert(r);
        }
    }
    const auto line = [this](const std::function<QString(int)>& textOf) {
        QStringList cells;
        for (int c = 0; c < m_table->columnCount(); ++c) {
            cells.push_back(textOf(c));
        }
        return cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    };
    QString text = line([this](int c) { return m_table->horizontalHeaderItem(c)->text(); });
    for (const int r : rows) {
        text += line([this, r](int c) {
            const QTableWidgetItem* item = m_table->item(r, c);
            return item != nullptr ? item->text() : QString();
        });
    }
    return text;
}

bool CPropDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_table && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(tableText());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace corvane
