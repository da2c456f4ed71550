#include "UpperCaseEdit.h"

#include <algorithm>

namespace quorvex::app {

QValidator::State UpperCaseValidator::validate(QString& input, int& pos) const {
    const QString upper = input.toUpper();
    // A capital can be longer than its letter (as with sharp s); keep the cursor
    // after what was typed.
    pos = std::clamp(pos + static_cast<int>(upper.size() - input.size()), 0, static_cast<int>(upper.size()));
    input = upper;
    return Acceptable;
}

UpperCaseEdit::UpperCaseEdit(QWidget* parent) : QLineEdit(parent) { setValidator(new UpperCaseValidator(this)); }

}  // namespace quorvex::app
