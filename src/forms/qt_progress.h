#pragma once

#include "session/progress.h"

#include <memory>

class QProgressDialog;
class QWidget;

namespace vantrel {

// Progress shown in a modal progress dialog (program title, the work's text, a
// bar in thousandths, no Cancel button) once the work has run for about
// `delayMs` milliseconds; quicker work shows nothing. While the dialog is up,
// every advance lets the program handle its events, so the windows repaint;
// being modal, the dialog keeps the user from starting other commands.
class QtProgress : public Progress {
public:
    explicit QtProgress(QWidget* parent, int delayMs = 500);
    ~QtProgress() override;

    void begin(const std::string& text) override;
    void advance(int permille) override;
    void end() override;

    // The dialog while work runs (also before it is shown), else null.
    QProgressDialog* dialog() const { return dialog_.get(); }

private:
    QWidget* parent_;
    int delayMs_;
    std::unique_ptr<QProgressDialog> dialog_;
};

} // namespace vantrel
