#pragma once
#include <QDialog>

namespace quorvex::app {

// The About box: the icon, the version line and OK.
class CAboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace quorvex::app
