#pragma once

#include "storage/program_state.h"
#include "storage/prompts.h"
#include "storage/record.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QWidget;

namespace vantrel {

class DateEdit;

// The record editor. The opener sets state.editingExisting (and
// state.selected), the caption and, for an edit, loadRecord(); exec() returns
// Accepted after OK has written the record into state.records and set
// state.modified. Every close copies the generator options from the controls
// into state.generatorOptions. Enter and Esc close nothing.
class TfmRecordEdit : public QDialog {
    Q_OBJECT

public:
    TfmRecordEdit(ProgramState& state, Prompts& prompts, QWidget* parent = nullptr);

    // Puts a record's fields into the controls as stored; missing fields stay empty.
    void loadRecord(const Record& record);

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMainTab(QWidget* page);
    void buildSettingsTab(QWidget* page);
    void wireOptions();
    void setUpHints();

    void formShow();
    void fillDropDownLists();
    void generateInto(QComboBox* target);
    void copyFrom(QComboBox* field);
    void pasteInto(QComboBox* field);
    void okClick();
    void copyOptionsBack();

    ProgramState& state_;
    Prompts& prompts_;

    QTabWidget* pcMain_ = nullptr;
    QWidget* tsMain_ = nullptr;
    QWidget* tsGenSettings_ = nullptr;
    QComboBox* cbName_ = nullptr;
    QComboBox* cbPwd_ = nullptr;
    QComboBox* cbResurs_ = nullptr;
    DateEdit* ceStartDate_ = nullptr;
    DateEdit* ceEndDate_ = nullptr;
    QLineEdit* edNote_ = nullptr;
    QCheckBox* cbBigChar_ = nullptr;
    QCheckBox* cbSmallChar_ = nullptr;
    QCheckBox* cbDigit_ = nullptr;
    QCheckBox* cbSign_ = nullptr;
    QCheckBox* cbRight_ = nullptr;
    QCheckBox* cbDouble_ = nullptr;
    QSpinBox* edMinPwd_ = nullptr;
    QSpinBox* edMaxPwd_ = nullptr;
    QStatusBar* sbMain_ = nullptr;
};

} // namespace vantrel
