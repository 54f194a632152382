#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace vantrel {

// A bar and a verdict ("Очень слабый" ... "Отличный", with the estimate in
// bits) for the password being typed. The name and resource of the record are
// words the user is likely to reuse in it.
class StrengthMeter : public QWidget {
    Q_OBJECT
public:
    explicit StrengthMeter(QWidget* parent = nullptr);

    void showPassword(const QString& password, const QString& name, const QString& resource);

    QString verdictText() const;
    int barValue() const;

private:
    QProgressBar* bar_ = nullptr;
    QLabel* verdict_ = nullptr;
};

} // namespace vantrel
