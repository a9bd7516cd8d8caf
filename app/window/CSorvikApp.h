#pragma once

#include <QApplication>

namespace corvane {

// The application object. Beyond QApplication it keeps an allocation that a file asked for (a huge image,
// a huge document) from ending the program: a std::bad_alloc that escapes an event handler is reported
// with the memory message, and the program goes on with the state the failed operation left.
class CSorvikApp : public QApplication {
public:
    CSorvikApp(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // How many allocation failures were reported so far.
    int memoryFailures() const { return m_memoryFailures; }

private:
    int m_memoryFailures = 0;
};

} // namespace corvane
