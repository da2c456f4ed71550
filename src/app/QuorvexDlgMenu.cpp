// The main dialog's menu bar. Every menu and item is made here, in the order
// the bar shows them; an item is one line naming its text, its object name,
// its handler and, if it has one, its shortcut.
#include "QuorvexDlg.h"

#include "DialogServices.h"
#include "ProjectActions.h"
#include "SearchDialogs.h"
#include "TypeLists.h"

#include "platform/Numbers.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QComboBox>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>

namespace quorvex::app {

namespace {

// Menu commands of the "Read Mode" popup.
constexpr int kCommandUtf7 = 32771;
constexpr int kCommandUtf8 = 32772;
constexpr int kCommandAscii = 32773;

QString CommandName(int command) { return QStringLiteral("action") + QString::number(command); }

}  // namespace

void CQuorvexDlg::BuildMenu() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menu130"));
    m_menuBar->setNativeMenuBar(false);
    // The menu bar is the desktop's, in the desktop's font.
    m_menuBar->setFont(QApplication::font(m_menuBar));

    const auto addMenu = [this](const QString& title, const QString& name) {
        QMenu* menu = m_menuBar->addMenu(title);
        menu->setObjectName(name);
        return menu;
    };
    const auto addItem = [this](QMenu* menu, const QString& text, const QString& name, void (CQuorvexDlg::*handler)(),
                                const QKeySequence& shortcut = {}) {
        QAction* action = menu->addAction(text);
        action->setObjectName(name);
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };

    QMenu* file = addMenu(QStringLiteral("&File"), QStringLiteral("menuFile"));
    addItem(file, QStringLiteral("&Save Script..."), QStringLiteral("actionSaveScript"), &CQuorvexDlg::OnSaveScript,
            QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    AddProjectActions(*file, {m_services, this, [this](std::u16string_view report) { SetOutput(report); },
                              [this] { return hasUnsavedScript(); }});
    file->addSeparator();
    addItem(file, QStringLiteral("E&xit"), QStringLiteral("actionExit"), &CQuorvexDlg::OnExit);

    QMenu* readMode = addMenu(QStringLiteral("&Read Mode"), QStringLiteral("menuReadMode"));
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    m_asciiAction = addItem(readMode, QStringLiteral("Ascii"), CommandName(kCommandAscii),
                            &CQuorvexDlg::OnReadModeAscii);
    m_utf7Action = addItem(readMode, QStringLiteral("UTF7"), CommandName(kCommandUtf7), &CQuorvexDlg::OnReadModeUtf7);
    m_utf8Action = addItem(readMode, QStringLiteral("UTF8"), CommandName(kCommandUtf8), &CQuorvexDlg::OnReadModeUtf8);
    for (QAction* mode : {m_asciiAction, m_utf7Action, m_utf8Action}) {
        mode->setCheckable(true);
        modes->addAction(mode);
    }
    m_utf7Action->setChecked(true);

    QMenu* options = addMenu(QStringLiteral("&Options"), QStringLiteral("menuOptions"));
    m_shortestAction = addItem(options, QStringLiteral("&Shortest Encoding"), QStringLiteral("actionShortestEncoding"),
                               &CQuorvexDlg::OnShortestEncoding);
    m_shortestAction->setCheckable(true);
    // Read by Check Insert when it runs; nothing happens when it is ticked.
    m_listGrownAction = options->addAction(QStringLiteral("List Strings That &Grew"));
    m_listGrownAction->setObjectName(QStringLiteral("actionListGrown"));
    m_listGrownAction->setCheckable(true);

    QMenu* tools = addMenu(QStringLiteral("&Tools"), QStringLiteral("menuTools"));
    // Use puts a found table into the Extract tab as the type picker and typing would.
    const auto useCandidate = [this](const PointerCandidate& found) {
        const bool hex = m_hexRadio->isChecked();
        const std::pair<int, std::int32_t> fields[] = {{kEditTableStart, found.tableStart}, {kEditTableEnd, found.tableEnd},
                                                       {kEditXOffset, found.xOffset},       {kEditTextStart, found.textStart},
                                                       {kEditTextEnd, found.textEnd}};
        for (const auto& [id, value] : fields) SetText(id, ToQString(hex ? FormatHex(value) : FormatDec(value)));
        m_mapChoice->setCurrentIndex(static_cast<int>(found.map));
        m_tableType = found.type;
        SetText(kEditTableType, QString::fromUtf16(TableTypeEntries()[static_cast<std::size_t>(found.type)].name));
        Show({kLabelXOffset, kEditXOffset});
        Hide({kLabelHuffTable, kEditHuffTable});
    };
    AddSearchTools(*tools, {m_services, this, [this] { return Text(kEditRom); }, [this] { return m_hexRadio->isChecked(); },
                            [this](const QString& path) { LoadTableFrom(path); }, useCandidate});

    // This desktop has no window menu to carry the About item; it ends the menu bar instead.
    QMenu* help = addMenu(QStringLiteral("&Help"), QStringLiteral("menuHelp"));
    addItem(help, QStringLiteral("&About Quorvex..."), CommandName(kIdmAboutBox), &CQuorvexDlg::OnAbout);

    m_menuBar->adjustSize();
}

}  // namespace quorvex::app
