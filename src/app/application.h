#pragma once

#include "forms/qt_prompts.h"

#include <QApplication>

namespace vantrel {

// The program's application object: title "Vantrel Lite", and the last guard
// of every command: an error that escapes an event handler is shown in the
// generic error box and the program goes on.
class VantrelApplication : public QApplication {
    Q_OBJECT
public:
    VantrelApplication(int& argc, char** argv);

    Prompts& prompts() { return prompts_; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QtPrompts prompts_;
};

} // namespace vantrel
