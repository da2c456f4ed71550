#include "QuorvexDlg.h"

#include "AboutDlg.h"
#include "AppIcon.h"
#include "CommandRunner.h"
#include "DialogServices.h"
#include "DialogUnits.h"
#include "SelectDlg.h"
#include "TabStrip.h"
#include "TypeLists.h"

#include "commands/Summaries.h"
#include "job/Messages.h"

#include <QAction>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStatusBar>

namespace quorvex::app {

namespace {

// Width of each of the tab strip's buttons, in pixels.
constexpr int kTabItemWidth = 150;

QString ReadModeName(ReadMode mode) {
    switch (mode) {
    case ReadMode::Ascii: return QStringLiteral("Ascii");
    case ReadMode::UTF7: return QStringLiteral("UTF7");
    case ReadMode::UTF8: return QStringLiteral("UTF8");
    }
    return {};
}

}  // namespace

CQuorvexDlg::CQuorvexDlg(DialogServices* services, QWidget* parent)
    : QDialog(parent),
      m_ownedServices(services == nullptr ? std::make_unique<QtDialogServices>() : nullptr),
      m_services(services == nullptr ? *m_ownedServices : *services) {
    setObjectName(QStringLiteral("quorvexDialog"));
    setWindowTitle(QStringLiteral("Quorvex"));
    // The program's main window: a window, not a dialog, to the window
    // manager, so it can be resized and maximised.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setWindowIcon(AppIcon());
    setFont(DialogFont(font()));

    BuildMenu();
    BuildControls();
    BuildStatusLine();
    m_typePicker = std::make_unique<CSelectDlg>(this);
    OnInitDialog();
    ApplySettings();
}

CQuorvexDlg::~CQuorvexDlg() = default;

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
    UpdateStatusLine();

    control(kEditTableStart)->setFocus();
}

void CQuorvexDlg::ApplySettings() {
    SetReadMode(m_settings.readMode());
    m_shortestAction->setChecked(m_settings.shortestEncoding());
    if (const auto window = m_settings.window()) {
        resize(window->size);
        if (window->maximized) setWindowState(windowState() | Qt::WindowMaximized);
    }
}

void CQuorvexDlg::reject() {
    if (hasUnsavedScript() && !m_services.question(this, ToQString(messages::kCloseUnsavedQuestion), kAppName))
        return;
    QDialog::reject();
}

void CQuorvexDlg::OnExit() { close(); }

void CQuorvexDlg::done(int result) {
    const bool maximized = isMaximized();
    const QSize normal = normalGeometry().size();
    m_settings.setWindow({maximized && normal.isValid() ? normal : size(), maximized});
    // The program ends with the dialog: let go of the loaded texts.
    m_table.reset();
    m_insertText.reset();
    QDialog::done(result);
}

bool CQuorvexDlg::hasUnsavedScript() const { return m_outputIsExtract && m_output->document()->isModified(); }

int CQuorvexDlg::selectedTab() const { return m_tabStrip->currentIndex(); }

QString CQuorvexDlg::Text(int id) const {
    const auto* edit = qobject_cast<const QLineEdit*>(control(id));
    return edit != nullptr ? edit->text() : QString();
}

void CQuorvexDlg::SetText(int id, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control(id))) edit->setText(text);
}

void CQuorvexDlg::SetOutput(std::u16string_view text) {
    m_output->setPlainText(DisplayText(ToQString(text)));
    m_outputIsExtract = false;
}

void CQuorvexDlg::ShowExtractedScript(std::u16string_view script) {
    SetOutput(script);
    m_outputIsExtract = true;
    // Not saved anywhere yet: closing asks first.
    m_output->document()->setModified(true);
}

QString CQuorvexDlg::outputText() const {
    // The raw text keeps the no-break spaces that toPlainText would turn into plain ones.
    QString text = m_output->document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), QStringLiteral("\r\n"));
    text.replace(QChar(QChar::LineSeparator), QStringLiteral("\r\n"));
    return text;
}

void CQuorvexDlg::Show(std::initializer_list<int> ids) {
    for (const int id : ids) control(id)->show();
}

void CQuorvexDlg::Hide(std::initializer_list<int> ids) {
    for (const int id : ids) control(id)->hide();
}

// The pickers' "ERROR!" warnings are plain boxes, as they always were.
void CQuorvexDlg::Warn(const QString& text) { m_services.message(this, text, kErrorCaption, QMessageBox::NoIcon); }

void CQuorvexDlg::ShowMessages(const CommandResult& result) {
    app::ShowMessages(m_services, this, result);
}

void CQuorvexDlg::UpdateStatusLine() {
    if (m_table) {
        m_statusTable->setText(QStringLiteral("Table: %1 (%2 entries, %3)")
                                   .arg(QFileInfo(Text(kEditTable)).fileName())
                                   .arg(commands::CountTableEntries(*m_table))
                                   .arg(ReadModeName(m_tableMode)) +
                               (m_table->hasUnreadLines() ? u' ' + ToQString(messages::kTableLinesNotRead) : QString()));
    } else {
        m_statusTable->setText(QStringLiteral("Table: none"));
    }
    if (m_insertText) {
        const std::optional<std::size_t> blocks = commands::CountScriptBlocks(*m_insertText);
        m_statusInsertFile->setText(QStringLiteral("Insert File: %1 (%2)")
                                        .arg(QFileInfo(Text(kEditInsertFile)).fileName(),
                                             blocks ? QStringLiteral("%1 blocks").arg(*blocks)
                                                    : QStringLiteral("not a script")));
    } else {
        m_statusInsertFile->setText(QStringLiteral("Insert File: none"));
    }
}

bool CQuorvexDlg::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the test line runs Test; the dialog's default button is GO.
    if (watched == control(kEditTestText) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OnTest();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CQuorvexDlg::OnTabChanged(int index) {
    OnTabSelChanging(m_shownTab);
    OnTabSelChange(index);
    m_shownTab = index;
}

void CQuorvexDlg::OnTabSelChanging(int leaving) {
    switch (leaving) {
    case 0:
        Hide({kRadioHex, kRadioDec, kLabelTableStart, kLabelTableEnd, kLabelXOffset, kLabelMap, kComboMap,
              kLabelTextStart, kLabelTextEnd,
              kEditTableStart, kEditTableEnd, kEditTextStart, kEditTextEnd, kEditXOffset, kEditTableType,
              kEditTextType, kButtonPickTableType, kButtonPickTextType, kLabelHuffTable, kEditHuffTable,
              kLabelNullPointer, kEditNullPointer, kButtonRedoScript});
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
        if (!pascal) Show({kEditXOffset, kLabelMap, kComboMap});
        Show({kEditTableType, kEditTextType, kButtonPickTableType, kButtonPickTextType, kLabelNullPointer,
              kEditNullPointer});
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
        Hide({kLabelXOffset, kEditXOffset, kLabelMap, kComboMap});
    else
        Show({kLabelXOffset, kEditXOffset, kLabelMap, kComboMap});

    if (IsScattered(m_tableType)) {
        if (IsHuffman(m_textType)) Warn(ToQString(messages::kHuffmanWithScattered2));
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
        if (IsScattered(m_tableType)) Warn(ToQString(messages::kHuffmanWithScattered));
        static_cast<QLabel*>(control(kLabelHuffTable))->setText(QStringLiteral("HuffTable:"));
        Show({kLabelHuffTable, kEditHuffTable});
    } else {
        Hide({kLabelHuffTable, kEditHuffTable});
    }
}

void CQuorvexDlg::SetReadMode(ReadMode mode) {
    m_asciiAction->setChecked(mode == ReadMode::Ascii);
    m_utf7Action->setChecked(mode == ReadMode::UTF7);
    m_utf8Action->setChecked(mode == ReadMode::UTF8);
    m_decoding.mode = mode;
}

void CQuorvexDlg::ChooseReadMode(ReadMode mode) {
    SetReadMode(mode);
    m_settings.setReadMode(mode);
}

void CQuorvexDlg::OnReadModeAscii() { ChooseReadMode(ReadMode::Ascii); }
void CQuorvexDlg::OnReadModeUtf7() { ChooseReadMode(ReadMode::UTF7); }
void CQuorvexDlg::OnReadModeUtf8() { ChooseReadMode(ReadMode::UTF8); }
void CQuorvexDlg::OnShortestEncoding() { m_settings.setShortestEncoding(m_shortestAction->isChecked()); }

void CQuorvexDlg::OnAbout() { OnSysCommand(kIdmAboutBox); }

void CQuorvexDlg::OnSysCommand(int commandId) {
    if ((commandId & 0xFFF0) != kIdmAboutBox) return;
    CAboutDlg about(this);
    m_services.exec(about);
}

}  // namespace quorvex::app
