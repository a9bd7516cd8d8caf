#pragma once

#include "app/window/AreaView.h"
#include "platform/Host.h"

#include <QString>

#include <optional>

namespace corvane {

// The host of the benchmarks that drive the image areas: questions get one fixed answer, the session's
// redraw requests go to the view as in the main window, and no dialog is ever shown.
class AreaBenchHost : public Host {
public:
    explicit AreaBenchHost(MessageButton answer) : m_answer(answer) {}

    MessageButton showMessage(const QString&, int, MessageType) override { return m_answer; }
    void redrawAreas(int which, bool erase) override {
        if (view != nullptr) {
            view->redrawAreas(which, erase);
        }
    }
    void redrawPictures(int which) override {
        if (view != nullptr) {
            view->redrawPictures(which);
        }
    }
    void redrawChangedPictures(int which, const QRect& changed) override {
        if (view != nullptr) {
            view->redrawPictures(which, changed);
        }
    }
    void setWaitCursor(bool) override {}
    void showProgress(std::int64_t, std::int64_t) override {}
    std::optional<QString> chooseOpenFile(const QString&, const QString&) override { return std::nullopt; }
    std::optional<SaveChoice> chooseSaveFile(const QString&, const QString&, const QString&, const QString&,
                                             int) override {
        return std::nullopt;
    }
    std::optional<int> chooseQuality(int) override { return std::nullopt; }
    bool showFileLocation(const QString&) override { return false; }
    QString desktopFolder() override { return {}; }

    AreaView* view = nullptr;

private:
    MessageButton m_answer;
};

} // namespace corvane
