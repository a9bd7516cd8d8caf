#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace corvane {

// The About box: the program's icon and name, its version history (newest first) and the libraries it
// uses with their versions, closed with "確認(&Y)".
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QPlainTextEdit* history() const { return m_history; }
    QPlainTextEdit* libraries() const { return m_libraries; }

private:
    QPlainTextEdit* m_history = nullptr;
    QPlainTextEdit* m_libraries = nullptr;
};

// The history text: strings 30202, 30201 and 30200, each followed by a line end.
QString aboutHistoryText();

} // namespace corvane
