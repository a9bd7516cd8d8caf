#pragma once

#include "views/PropertyTable.h"

#include <QDialog>

#include <array>
#include <functional>
#include <vector>

class QLineEdit;
class QTableWidget;

namespace corvane {

// The property comparison's dialog "プロパティの比較": the fifteen rows in a five-column list (№, 結果,
// 項目, 原本1, 原本2) with grid lines and whole-row selection, the two originals' paths in read-only
// fields, a small button beside each that shows the file's folder, and "閉じる(&C)". Everything is filled
// before the dialog opens; nothing is computed while it is open. Ctrl+C in the list copies the selected
// rows (all rows when none is selected) as tab-separated text with the header line.
class CPropDlg : public QDialog {
    Q_OBJECT
public:
    // `showLocation(k)` shows original k's folder (0 or 1).
    CPropDlg(const std::vector<PropertyRow>& rows, const std::array<QString, 2>& paths,
             std::function<void(int)> showLocation, QWidget* parent = nullptr);

    QTableWidget* table() const { return m_table; }
    // The control of the dialog's template by its id (1027 the list, 343 and 1009 the path fields, 1007
    // and 1008 the folder buttons, 2 the close button); null for another id.
    QWidget* control(int id) const;
    // The table as tab-separated lines: the header, then the selected rows (all when none is selected).
    QString tableText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QTableWidget* m_table = nullptr;
    std::array<QLineEdit*, 2> m_paths{};
    std::array<QWidget*, 2> m_locations{};
    QWidget* m_close = nullptr;
};

} // namespace corvane
