#pragma once
#include <QLineEdit>
#include <QValidator>

namespace quorvex::app {

// Turns every letter typed or pasted into an edit into a capital.
class UpperCaseValidator final : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// A single-line edit that shows what is typed in capitals.
class UpperCaseEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit UpperCaseEdit(QWidget* parent = nullptr);
};

}  // namespace quorvex::app
