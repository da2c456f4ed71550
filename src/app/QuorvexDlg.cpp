#include "QuorvexDlg.h"

#include "AboutDlg.h"
#include "AppIcon.h"
#include "DialogServices.h"
#include "DialogUnits.h"
#include "SelectDlg.h"
#include "TabStrip.h"
#include "TypeLists.h"
#include "UpperCaseEdit.h"

#include "commands/Go.h"

#include <QActionGroup>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>

namespace quorvex::app {

namespace {

// Width of each of the tab strip's buttons, in pixels.
constexpr int kTabItemWidth = 150;

// Menu commands of the "Read Mode" popup.
constexpr int kCommandUtf7 = 32771;
constexpr int kCommandUtf8 = 32772;
constexpr int kCommandAscii = 32773;

std::filesystem::path ToPath(const QString& path) { return {path.toStdU16String()}; }

// Shows the wait cursor while a command works; message boxes raised meanwhile
// bring back the arrow themselves.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

CQuorvexDlg::CQuorvexDlg(DialogServices* services, QWidget* parent)
    : QDialog(parent),
      m_ownedServices(services == nullptr ? std::make_unique<QtDialogServices>() : nullptr),
      m_services(services == nullptr ? *m_ownedServices : *services) {
    setObjectName(QStringLiteral("quorvexDialog"));
    setWindowTitle(QStringLiteral("Quorvex"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(AppIcon());
    setFont(DialogFont(font()));

    BuildMenu();
    BuildControls();
    m_typePicker = std::make_unique<CSelectDlg>(this);
    OnInitDialog();
}

CQuorvexDlg::~CQuorvexDlg() = default;

template <typename Widget>
Widget* CQuorvexDlg::Add(Widget* widget, int id, const QString& kind, int x, int y, int width, int height) {
    DialogUnits(font()).place(*widget, x, y, width, height);
    if (id != 0) {
        widget->setObjectName(kind + QString::number(id));
        m_controls.insert(id, widget);
    }
    return widget;
}

QLabel* CQuorvexDlg::AddLabel(int id, const QString& text, int x, int y, int width, int height) {
    auto* label = Add(new QLabel(text, m_client), id, QStringLiteral("label"), x, y, width, height);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLineEdit* CQuorvexDlg::AddEdit(int id, bool upperCase, int x, int y, int width, int height) {
    QLineEdit* edit = upperCase ? new UpperCaseEdit(m_client) : new QLineEdit(m_client);
    return Add(edit, id, QStringLiteral("edit"), x, y, width, height);
}

QPushButton* CQuorvexDlg::AddButton(int id, const QString& text, int x, int y, int width, int height) {
    return Add(new QPushButton(text, m_client), id, QStringLiteral("button"), x, y, width, height);
}

void CQuorvexDlg::BuildMenu() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menu130"));
    m_menuBar->setNativeMenuBar(false);
    // The menu bar is the desktop's, in the desktop's font.
    m_menuBar->setFont(QApplication::font(m_menuBar));

    // "File" carries no command: choosing it does nothing.
    QAction* file = m_menuBar->addAction(QStringLiteral("File"));
    file->setObjectName(QStringLiteral("action65535"));

    QMenu* readMode = m_menuBar->addMenu(QStringLiteral("Read Mode"));
    readMode->setObjectName(QStringLiteral("menuReadMode"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    const auto addMode = [&](const QString& text, int command, void (CQuorvexDlg::*handler)()) {
        QAction* action = readMode->addAction(text);
        action->setObjectName(QStringLiteral("action") + QString::number(command));
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    m_asciiAction = addMode(QStringLiteral("Ascii"), kCommandAscii, &CQuorvexDlg::OnReadModeAscii);
    m_utf7Action = addMode(QStringLiteral("UTF7"), kCommandUtf7, &CQuorvexDlg::OnReadModeUtf7);
    m_utf8Action = addMode(QStringLiteral("UTF8"), kCommandUtf8, &CQuorvexDlg::OnReadModeUtf8);
    m_utf7Action->setChecked(true);

    // This desktop has no window menu to carry the About item; it ends the menu bar instead.
    QMenu* help = m_menuBar->addMenu(QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("menuHelp"));
    QAction* about = help->addAction(QStringLiteral("&About Quorvex..."));
    about->setObjectName(QStringLiteral("action16"));
    connect(about, &QAction::triggered, this, [this] { OnSysCommand(kIdmAboutBox); });

    m_menuBar->adjustSize();
}

void CQuorvexDlg::BuildControls() {
    const DialogUnits du(font());
    const int menuHeight = m_menuBar->sizeHint().height();
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("clientArea"));
    m_client->setGeometry(0, menuHeight, du.x(341), du.y(334));
    m_menuBar->setGeometry(0, 0, du.x(341), menuHeight);
    setFixedSize(du.x(341), menuHeight + du.y(334));

    // Created in the order of the dialog template, which is also the keyboard order.
    m_tabStrip = Add(new TabStrip(m_client), kTabStrip, QStringLiteral("tab"), 7, 7, 321, 15);

    QLabel* tableStartLabel = AddLabel(kLabelTableStart, QStringLiteral("Table Start Position:"), 7, 33, 64, 8);
    tableStartLabel->setBuddy(AddEdit(kEditTableStart, true, 74, 31, 60, 12));
    QLabel* tableEndLabel = AddLabel(kLabelTableEnd, QStringLiteral("Table End Position:"), 7, 50, 62, 8);
    tableEndLabel->setBuddy(AddEdit(kEditTableEnd, true, 74, 49, 60, 12));

    QLineEdit* tableTypeName = AddEdit(kEditTableType, false, 155, 32, 78, 12);
    tableTypeName->setReadOnly(true);
    tableTypeName->setAccessibleName(QStringLiteral("Table Type"));
    QPushButton* pickTable = AddButton(kButtonPickTableType, QStringLiteral("\\/"), 238, 32, 16, 14);
    pickTable->setAccessibleName(QStringLiteral("Pick Table Type"));

    QLabel* xOffsetLabel = AddLabel(kLabelXOffset, QStringLiteral("X000 Offset:"), 7, 68, 40, 8);
    xOffsetLabel->setBuddy(AddEdit(kEditXOffset, true, 74, 67, 60, 12));
    QLabel* textStartLabel = AddLabel(kLabelTextStart, QStringLiteral("Text Start Position:"), 7, 87, 60, 8);
    textStartLabel->setBuddy(AddEdit(kEditTextStart, true, 74, 85, 60, 12));
    QLabel* textEndLabel = AddLabel(kLabelTextEnd, QStringLiteral("Text End Position:"), 7, 105, 58, 8);
    textEndLabel->setBuddy(AddEdit(kEditTextEnd, true, 74, 103, 60, 12));

    QLineEdit* textTypeName = AddEdit(kEditTextType, false, 154, 86, 78, 12);
    textTypeName->setReadOnly(true);
    textTypeName->setAccessibleName(QStringLiteral("Text Type"));
    QPushButton* pickText = AddButton(kButtonPickTextType, QStringLiteral("\\/"), 238, 86, 16, 14);
    pickText->setAccessibleName(QStringLiteral("Pick Text Type"));

    QLabel* huffLabel = AddLabel(kLabelHuffTable, QStringLiteral("HuffTable:"), 155, 108, 34, 8);
    huffLabel->setBuddy(AddEdit(kEditHuffTable, true, 194, 106, 60, 12));

    m_hexRadio = Add(new QRadioButton(QStringLiteral("HEX"), m_client), kRadioHex, QStringLiteral("radio"), 279, 35,
                     31, 10);
    Add(new QRadioButton(QStringLiteral("DEC"), m_client), kRadioDec, QStringLiteral("radio"), 279, 51, 31, 10);

    QLabel* insertLabel = AddLabel(kLabelInsertFile, QStringLiteral("Insert File:"), 7, 114, 33, 8);
    QLineEdit* insertPath = AddEdit(kEditInsertFile, false, 73, 114, 180, 12);
    insertPath->setReadOnly(true);
    insertLabel->setBuddy(insertPath);
    QPushButton* browseInsert = AddButton(kButtonBrowseInsert, QStringLiteral("Browse"), 263, 115, 50, 10);
    browseInsert->setAccessibleName(QStringLiteral("Browse Insert File"));

    QLabel* tableLabel = AddLabel(0, QStringLiteral("Table:"), 7, 132, 21, 8);
    tableLabel->setObjectName(QStringLiteral("labelTable"));
    QLineEdit* tablePath = AddEdit(kEditTable, false, 73, 131, 180, 12);
    tablePath->setReadOnly(true);
    tableLabel->setBuddy(tablePath);
    QPushButton* browseTable = AddButton(kButtonBrowseTable, QStringLiteral("Browse"), 263, 132, 50, 10);
    browseTable->setAccessibleName(QStringLiteral("Browse Table"));

    QLabel* romLabel = AddLabel(kLabelRom, QStringLiteral("ROM:"), 7, 150, 20, 8);
    QLineEdit* romPath = AddEdit(kEditRom, false, 73, 148, 180, 12);
    romPath->setReadOnly(true);
    romLabel->setBuddy(romPath);
    QPushButton* browseRom = AddButton(kButtonBrowseRom, QStringLiteral("Browse"), 263, 149, 50, 10);
    browseRom->setAccessibleName(QStringLiteral("Browse ROM"));

    QLabel* testLabel = AddLabel(kLabelTestText, QStringLiteral("Test Insert Text:"), 7, 154, 52, 8);
    testLabel->setBuddy(AddEdit(kEditTestText, false, 73, 152, 180, 12));
    QPushButton* test = AddButton(kButtonTest, QStringLiteral("Test"), 263, 152, 50, 10);

    QPushButton* go = AddButton(kButtonGo, QStringLiteral("GO"), 279, 71, 50, 14);
    go->setDefault(true);
    QPushButton* redo = AddButton(kButtonRedoScript, QStringLiteral("ReDo Script"), 279, 87, 50, 14);

    auto* rule = Add(new QGroupBox(m_client), 0, QString(), 7, 167, 308, 9);
    rule->setObjectName(QStringLiteral("ruleOutput"));

    m_output = Add(new QPlainTextEdit(m_client), kEditOutput, QStringLiteral("edit"), 7, 179, 308, 144);
    m_output->setAccessibleName(QStringLiteral("Output"));
    m_output->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_output->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_output->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    // Hidden until a tab or a type needs them.
    for (const int id : {kLabelHuffTable, kEditHuffTable, kLabelInsertFile, kEditInsertFile, kButtonBrowseInsert,
                         kLabelTestText, kEditTestText, kButtonTest})
        control(id)->hide();

    connect(go, &QPushButton::clicked, this, &CQuorvexDlg::OnGo);
    connect(browseTable, &QPushButton::clicked, this, &CQuorvexDlg::OnBrowseTable);
    connect(browseRom, &QPushButton::clicked, this, &CQuorvexDlg::OnBrowseRom);
    connect(browseInsert, &QPushButton::clicked, this, &CQuorvexDlg::OnBrowseInsertFile);
    connect(pickTable, &QPushButton::clicked, this, &CQuorvexDlg::OnPickTableType);
    connect(pickText, &QPushButton::clicked, this, &CQuorvexDlg::OnPickTextType);
    connect(redo, &QPushButton::clicked, this, &CQuorvexDlg::OnRedoScript);
    connect(test, &QPushButton::clicked, this, &CQuorvexDlg::OnTest);
}

void CQuorvexDlg::OnInitDialog() {
    m_hexRadio->setChecked(true);
    m_table.reset();
    m_insertText.reset();

    m_tabStrip->setItemWidth(kTabItemWidth);
    m_tabStrip->addTab(QStringLiteral("Extract"));
    m_tabStrip->addTab(QStringLiteral("Insert"));
    m_tabStrip->addTab(QStringLiteral("Check Insert"));
    m_tabStrip->setCurrentIndex(0);
    m_shownTab = 0;
    connect(m_tabStrip, &QTabBar::currentChanged, this, &CQuorvexDlg::OnTabChanged);

    m_tableType = TableType::Regular2;
    m_textType = TextType::Regular;
    SetReadMode(ReadMode::UTF7);

    SetText(kEditTableType, QString::fromUtf16(TableTypeEntries()[0].name));
    SetText(kEditTextType, QString::fromUtf16(TextTypeEntries()[0].name));

    control(kEditTableStart)->setFocus();
}

void CQuorvexDlg::done(int result) {
    // The program ends with the dialog: let go of the loaded texts.
    m_table.reset();
    m_insertText.reset();
    QDialog::done(result);
}

int CQuorvexDlg::selectedTab() const { return m_tabStrip->currentIndex(); }

QString CQuorvexDlg::Text(int id) const {
    const auto* edit = qobject_cast<const QLineEdit*>(control(id));
    return edit != nullptr ? edit->text() : QString();
}

void CQuorvexDlg::SetText(int id, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control(id))) edit->setText(text);
}

void CQuorvexDlg::SetOutput(std::u16string_view text) { m_output->setPlainText(DisplayText(ToQString(text))); }

QString CQuorvexDlg::outputText() const {
    QString text = m_output->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void CQuorvexDlg::Show(std::initializer_list<int> ids) {
    for (const int id : ids) control(id)->show();
}

void CQuorvexDlg::Hide(std::initializer_list<int> ids) {
    for (const int id : ids) control(id)->hide();
}

void CQuorvexDlg::Warn(const QString& text) { m_services.message(this, text, kErrorCaption); }

void CQuorvexDlg::ShowMessages(const CommandResult& result) {
    for (const Message& message : result.messages) m_services.message(this, ToQString(message.text), kAppName);
}

void CQuorvexDlg::OnGo() {
    commands::GoState state;
    state.romPath = ToU16(Text(kEditRom));
    state.insertPath = ToU16(Text(kEditInsertFile));
    state.hex = m_hexRadio->isChecked();
    state.fields.tableStart = ToU16(Text(kEditTableStart));
    state.fields.tableEnd = ToU16(Text(kEditTableEnd));
    state.fields.textStart = ToU16(Text(kEditTextStart));
    state.fields.textEnd = ToU16(Text(kEditTextEnd));
    state.fields.xOffset = ToU16(Text(kEditXOffset));
    state.fields.huffTable = ToU16(Text(kEditHuffTable));
    state.tab = static_cast<commands::Tab>(selectedTab());
    state.tableType = m_tableType;
    state.textType = m_textType;
    state.table = charTable();
    state.insertText = insertText();
    state.decoding = m_decoding;

    DialogPrompt prompt(m_services, this);
    commands::GoResult go;
    {
        const WaitCursor wait;
        go = commands::RunGo(state, prompt);
    }
    ShowMessages(go.result);
    if (go.loadedInsertText) m_insertText = std::move(*go.loadedInsertText);
    if (go.result.output) SetOutput(*go.result.output);
}

void CQuorvexDlg::OnBrowseTable() {
    m_table.reset();
    const QString path = m_services.openFile(this, kTableFilter);
    if (path.isEmpty()) {
        SetText(kEditTable, QString());
        return;
    }
    SetText(kEditTable, path);
    commands::LoadedTable loaded;
    {
        const WaitCursor wait;
        loaded = commands::LoadTable(ToPath(path), m_decoding);
    }
    // No table is held after a failure, so the box names none.
    if (!loaded.table) SetText(kEditTable, QString());
    m_table = std::move(loaded.table);
    ShowMessages(loaded.result);
}

void CQuorvexDlg::OnBrowseRom() {
    const QString path = m_services.openFile(this, kRomFilter);
    if (!path.isEmpty()) SetText(kEditRom, path);
}

void CQuorvexDlg::OnBrowseInsertFile() {
    m_insertText.reset();
    const QString path = m_services.openFile(this, kAllFilesFilter);
    if (path.isEmpty()) return;
    SetText(kEditInsertFile, path);
    commands::LoadedScript loaded;
    {
        const WaitCursor wait;
        loaded = commands::LoadScript(ToPath(path), m_decoding);
    }
    m_insertText = std::move(loaded.text);
    ShowMessages(loaded.result);
}

void CQuorvexDlg::OnTabChanged(int index) {
    OnTabSelChanging(m_shownTab);
    OnTabSelChange(index);
    m_shownTab = index;
}

void CQuorvexDlg::OnTabSelChanging(int leaving) {
    switch (leaving) {
    case 0:
        Hide({kRadioHex, kRadioDec, kLabelTableStart, kLabelTableEnd, kLabelXOffset, kLabelTextStart, kLabelTextEnd,
              kEditTableStart, kEditTableEnd, kEditTextStart, kEditTextEnd, kEditXOffset, kEditTableType,
              kEditTextType, kButtonPickTableType, kButtonPickTextType, kLabelHuffTable, kEditHuffTable,
              kButtonRedoScript});
        break;
    case 1:
        Hide({kRadioHex, kLabelInsertFile, kEditInsertFile, kButtonBrowseInsert});
        break;
    case 2:
        Show({kLabelRom, kEditRom, kButtonBrowseRom});
        Hide({kLabelTestText, kEditTestText, kButtonTest});
        Hide({kRadioHex, kLabelInsertFile, kEditInsertFile, kButtonBrowseInsert});
        break;
    default:
        break;
    }
}

void CQuorvexDlg::OnTabSelChange(int entered) {
    const bool pascal = m_tableType == TableType::PascalLine;
    switch (entered) {
    case 0:
        Show({kRadioHex, kRadioDec, kLabelTableStart, kLabelTableEnd});
        if (!pascal) Show({kLabelXOffset});
        Show({kLabelTextStart, kLabelTextEnd, kEditTableStart, kEditTableEnd, kEditTextStart, kEditTextEnd});
        if (!pascal) Show({kEditXOffset});
        Show({kEditTableType, kEditTextType, kButtonPickTableType, kButtonPickTextType});
        if (IsHuffman(m_textType) || IsScattered(m_tableType)) Show({kLabelHuffTable, kEditHuffTable});
        Show({kButtonRedoScript});
        break;
    case 1:
        Hide({kRadioHex});
        Show({kLabelInsertFile, kEditInsertFile, kButtonBrowseInsert});
        break;
    case 2:
        Hide({kLabelRom, kEditRom, kButtonBrowseRom});
        Show({kLabelTestText, kEditTestText, kButtonTest});
        Hide({kRadioHex});
        Show({kLabelInsertFile, kEditInsertFile, kButtonBrowseInsert});
        break;
    default:
        break;
    }
}

void CQuorvexDlg::OnPickTableType() {
    m_typePicker->setTableList(true);
    if (m_typePicker->DoModal(m_services) != QDialog::Accepted) return;
    m_tableType = static_cast<TableType>(m_typePicker->selectedIndex());
    SetText(kEditTableType, m_typePicker->selectedName());

    if (m_tableType == TableType::PascalLine)
        Hide({kLabelXOffset, kEditXOffset});
    else
        Show({kLabelXOffset, kEditXOffset});

    if (IsScattered(m_tableType)) {
        if (IsHuffman(m_textType)) Warn(QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2!"));
        static_cast<QLabel*>(control(kLabelHuffTable))->setText(QStringLiteral("ED Cmnd:"));
        Show({kLabelHuffTable, kEditHuffTable});
    } else {
        Hide({kLabelHuffTable, kEditHuffTable});
    }
}

void CQuorvexDlg::OnPickTextType() {
    m_typePicker->setTableList(false);
    if (m_typePicker->DoModal(m_services) != QDialog::Accepted) return;
    m_textType = static_cast<TextType>(m_typePicker->selectedIndex());
    SetText(kEditTextType, m_typePicker->selectedName());

    if (IsHuffman(m_textType)) {
        if (IsScattered(m_tableType)) Warn(QStringLiteral("TextSel can't be 1 or 2 while TableSel is 2 or 6!"));
        static_cast<QLabel*>(control(kLabelHuffTable))->setText(QStringLiteral("HuffTable:"));
        Show({kLabelHuffTable, kEditHuffTable});
    } else {
        Hide({kLabelHuffTable, kEditHuffTable});
    }
}

void CQuorvexDlg::OnRedoScript() {
    const QString romPath = Text(kEditRom);
    if (auto refused = commands::RefuseWithoutRom(ToU16(romPath), static_cast<commands::Tab>(selectedTab()))) {
        ShowMessages(*refused);
        return;
    }
    m_insertText.reset();
    const QString scriptPath = m_services.openFile(this, kAllFilesFilter);
    if (scriptPath.isEmpty()) return;
    SetText(kEditInsertFile, scriptPath);

    commands::RedoOutcome redo;
    {
        const WaitCursor wait;
        redo = commands::RedoScript({ToPath(scriptPath), ToPath(romPath), charTable(), m_decoding});
    }
    ShowMessages(redo.result);
    // The numbers change; the name fields keep what the pickers wrote.
    if (redo.tableType) m_tableType = *redo.tableType;
    if (redo.textType) m_textType = *redo.textType;
    if (redo.badFileText) m_insertText = std::move(redo.badFileText);
    if (redo.result.output) SetOutput(*redo.result.output);
}

void CQuorvexDlg::OnTest() {
    const CommandResult result = commands::Test(ToU16(Text(kEditTestText)), charTable());
    ShowMessages(result);
    if (result.output) SetOutput(*result.output);
}

void CQuorvexDlg::SetReadMode(ReadMode mode) {
    m_asciiAction->setChecked(mode == ReadMode::Ascii);
    m_utf7Action->setChecked(mode == ReadMode::UTF7);
    m_utf8Action->setChecked(mode == ReadMode::UTF8);
    m_decoding.mode = mode;
}

void CQuorvexDlg::OnReadModeAscii() { SetReadMode(ReadMode::Ascii); }
void CQuorvexDlg::OnReadModeUtf7() { SetReadMode(ReadMode::UTF7); }
void CQuorvexDlg::OnReadModeUtf8() { SetReadMode(ReadMode::UTF8); }

void CQuorvexDlg::OnSysCommand(int commandId) {
    if ((commandId & 0xFFF0) != kIdmAboutBox) return;
    CAboutDlg about(this);
    m_services.exec(about);
}

}  // namespace quorvex::app
