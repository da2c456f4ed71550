#pragma once
#include <QApplication>

namespace quorvex::app {

// The application object: starts the main dialog modally and ends the
// program when it closes.
class CQuorvexApp final : public QApplication {
    Q_OBJECT
public:
    CQuorvexApp(int& argc, char** argv);

    // Runs the main dialog; the program's exit code.
    int InitInstance();
};

}  // namespace quorvex::app
