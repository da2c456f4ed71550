#include "AboutDlg.h"

#include "platform/Version.h"

#include "AppIcon.h"
#include "DialogUnits.h"

#include <QLabel>
#include <QPushButton>

namespace quorvex::app {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(QStringLiteral("About Quorvex"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFont(font()));
    const DialogUnits du(font());
    setFixedSize(du.x(235), du.y(55));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(AppIconPixmap(32));
    icon->setAccessibleName(QStringLiteral("Quorvex icon"));
    icon->setGeometry(du.x(11), du.y(17), 32, 32);

    auto* version = new QLabel(QStringLiteral("Quorvex Version ") + QString::fromLatin1(kVersionShort), this);
    version->setObjectName(QStringLiteral("aboutVersion"));
    du.place(*version, 40, 10, 119, 8);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    du.place(*ok, 178, 7, 50, 14);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    ok->setFocus();
}

}  // namespace quorvex::app
