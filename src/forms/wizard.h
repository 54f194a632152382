#pragma once

#include <QDialog>

#include <memory>

namespace vantrel {

class DateEdit;
class Prompts;

// The unfinished wizard window, reached only through the hidden "&Генератор"
// menu entry: four pages, two date fields on the first, a memo on the second,
// and four buttons without actions. The button of either date field picks a
// date for the end-date field.
class TfmWizard : public QDialog {
    Q_OBJECT

public:
    explicit TfmWizard(QWidget* parent = nullptr);
    ~TfmWizard() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ceStartDateButtonClick();

    std::unique_ptr<Prompts> prompts_;
    DateEdit* ceStartDate_ = nullptr;
    DateEdit* ceEndDate_ = nullptr;
};

} // namespace vantrel
