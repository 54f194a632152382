#pragma once

#include "about/system_info.h"

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace vantrel {

// "ver. " + the four parts of a version joined by ".".
QString VersionLabelText(int major, int minor, int release, int build);

// The about dialog "О проекте": product, version, year, the developer's mail
// and web links, a credit line and the computer's memory figures. The figures
// are refreshed when the dialog is created, shown, activated and deactivated;
// the web link is enabled only while a connection is reported.
class TfmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfmAbout(QWidget* parent = nullptr);

    // Where the memory figures and the connection state come from (this
    // machine unless replaced).
    void setMemorySource(std::function<MemoryStatus()> source) {
        memorySource_ = std::move(source);
    }
    void setConnectionCheck(std::function<bool()> check) { connectionCheck_ = std::move(check); }

    void ShowMemoryStatus();
    void ShowFileVersion();

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* addLabel(QWidget* parent, const char* name, const QString& text);

    std::function<MemoryStatus()> memorySource_ = QueryMemoryStatus;
    std::function<bool()> connectionCheck_ = ConnectionReported;
    QLabel* lbVersion_ = nullptr;
    QLabel* lbEMail_ = nullptr;
    QLabel* lbURL_ = nullptr;
    QLabel* lbPhMemory_ = nullptr;
    QLabel* lbMemLoad_ = nullptr;
    bool placed_ = false;
};

} // namespace vantrel
