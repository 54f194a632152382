#pragma once

#include "formats/record.h"
#include "session/prompts.h"
#include "session/session.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QWidget;

namespace vantrel {

class DateEdit;
class StrengthMeter;

// The record editor, opened for one record of the session (its fields fill the
// controls) or for a new record; the opener sets the caption. exec() returns
// Accepted after OK has stored the record in the session (which sets the
// modified flag). Every close copies the generator options from the controls
// into the session. Enter and Esc close nothing.
class TfmRecordEdit : public QDialog {
    Q_OBJECT

public:
    TfmRecordEdit(Session& session, Prompts& prompts, std::optional<RecordId> record,
                  QWidget* parent = nullptr);

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

    // Puts a record's fields into the controls as stored; missing fields stay empty.
    void loadRecord(const Record& record);
    void formShow();
    void fillDropDownLists();
    void generateInto(QComboBox* target);
    void copyFrom(QComboBox* field);
    void pasteInto(QComboBox* field);
    void okClick();
    void copyOptionsBack();

    Session& session_;
    Prompts& prompts_;
    std::optional<RecordId> record_;

    QTabWidget* pcMain_ = nullptr;
    QWidget* tsMain_ = nullptr;
    QWidget* tsGenSettings_ = nullptr;
    QComboBox* cbName_ = nullptr;
    QComboBox* cbPwd_ = nullptr;
    QComboBox* cbResurs_ = nullptr;
    DateEdit* ceStartDate_ = nullptr;
    DateEdit* ceEndDate_ = nullptr;
    QLineEdit* edNote_ = nullptr;
    StrengthMeter* meter_ = nullptr;
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
