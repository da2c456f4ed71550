#include "QuorvexApp.h"

#include "AppIcon.h"
#include "DialogServices.h"
#include "QuorvexDlg.h"

namespace quorvex::app {

CQuorvexApp::CQuorvexApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(kAppName);
    setApplicationVersion(QStringLiteral("1.3"));
    setWindowIcon(AppIcon());
}

int CQuorvexApp::InitInstance() {
    CQuorvexDlg dialog;
    dialog.exec();
    return 0;
}

}  // namespace quorvex::app
