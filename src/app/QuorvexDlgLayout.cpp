// The main dialog's controls, at the places the dialog template gives them in
// dialog units, and how they follow the window's size.
#include "QuorvexDlg.h"

#include "DialogUnits.h"
#include "TabStrip.h"
#include "UpperCaseEdit.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include <algorithm>

namespace quorvex::app {

namespace {

// The template's client area, and the two controls that grow with the window.
constexpr int kClientWidth = 341;
constexpr int kClientHeight = 334;
constexpr QRect kOutputBox(7, 179, 308, 144);
constexpr QRect kOutputRule(7, 167, 308, 9);

}  // namespace

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

void CQuorvexDlg::BuildControls() {
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("clientArea"));

    // Created in the order of the dialog template, which is also the keyboard order.
    m_tabStrip = Add(new TabStrip(m_client), kTabStrip, QStringLiteral("tab"), 7, 7, 321, 15);

    QLabel* tableStartLabel = AddLabel(kLabelTableStart, QStringLiteral("Table Start Position:"), 7, 33, 64, 8);
    tableStartLabel->setBuddy(AddEdit(kEditTableStart, true, 74, 31, 60, 12));
    QLabel* tableEndLabel = AddLabel(kLabelTableEnd, QStringLiteral("Table End Position:"), 7, 50, 62, 8);
    tableEndLabel->setBuddy(AddEdit(kEditTableEnd, true, 74, 49, 60, 12));

    // The type names only show the pickers' choice: a click may select them, Tab passes them by.
    QLineEdit* tableTypeName = AddEdit(kEditTableType, false, 155, 32, 78, 12);
    tableTypeName->setReadOnly(true);
    tableTypeName->setFocusPolicy(Qt::ClickFocus);
    tableTypeName->setAccessibleName(QStringLiteral("Table Type"));
    QPushButton* pickTable = AddButton(kButtonPickTableType, QStringLiteral("\\/"), 238, 32, 16, 14);
    pickTable->setAccessibleName(QStringLiteral("Pick Table Type"));

    QLabel* xOffsetLabel = AddLabel(kLabelXOffset, QStringLiteral("X000 Offset:"), 7, 68, 40, 8);
    xOffsetLabel->setBuddy(AddEdit(kEditXOffset, true, 74, 67, 60, 12));
    // A banked cartridge's map stands in for the X000 Offset; "None" keeps the offset.
    QLabel* mapLabel = AddLabel(kLabelMap, QStringLiteral("Map:"), 155, 50, 18, 8);
    m_mapChoice = Add(new QComboBox(m_client), kComboMap, QStringLiteral("combo"), 175, 48, 58, 12);
    m_mapChoice->addItems({QStringLiteral("None"), QStringLiteral("SNES LoROM"), QStringLiteral("SNES HiROM"),
                           QStringLiteral("SNES ExHiROM"), QStringLiteral("Game Boy"), QStringLiteral("NES")});
    mapLabel->setBuddy(m_mapChoice);
    QLabel* textStartLabel = AddLabel(kLabelTextStart, QStringLiteral("Text Start Position:"), 7, 87, 60, 8);
    textStartLabel->setBuddy(AddEdit(kEditTextStart, true, 74, 85, 60, 12));
    QLabel* textEndLabel = AddLabel(kLabelTextEnd, QStringLiteral("Text End Position:"), 7, 105, 58, 8);
    textEndLabel->setBuddy(AddEdit(kEditTextEnd, true, 74, 103, 60, 12));

    QLineEdit* textTypeName = AddEdit(kEditTextType, false, 154, 86, 78, 12);
    textTypeName->setReadOnly(true);
    textTypeName->setFocusPolicy(Qt::ClickFocus);
    textTypeName->setAccessibleName(QStringLiteral("Text Type"));
    QPushButton* pickText = AddButton(kButtonPickTextType, QStringLiteral("\\/"), 238, 86, 16, 14);
    pickText->setAccessibleName(QStringLiteral("Pick Text Type"));

    // The raw value of a pointer entry that points at no text; blank: none.
    QLabel* nullPointerLabel = AddLabel(kLabelNullPointer, QStringLiteral("Empty Entry:"), 155, 69, 46, 8);
    nullPointerLabel->setBuddy(AddEdit(kEditNullPointer, true, 202, 67, 52, 12));

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
    QLineEdit* testText = AddEdit(kEditTestText, false, 73, 152, 180, 12);
    testLabel->setBuddy(testText);
    testText->installEventFilter(this);
    QPushButton* test = AddButton(kButtonTest, QStringLiteral("Test"), 263, 152, 50, 10);

    QPushButton* go = AddButton(kButtonGo, QStringLiteral("GO"), 279, 71, 50, 14);
    go->setDefault(true);
    QPushButton* redo = AddButton(kButtonRedoScript, QStringLiteral("ReDo Script"), 279, 87, 50, 14);

    m_outputRule = Add(new QGroupBox(m_client), 0, QString(), kOutputRule.x(), kOutputRule.y(), kOutputRule.width(),
                       kOutputRule.height());
    m_outputRule->setObjectName(QStringLiteral("ruleOutput"));

    m_output = Add(new QPlainTextEdit(m_client), kEditOutput, QStringLiteral("edit"), kOutputBox.x(), kOutputBox.y(),
                   kOutputBox.width(), kOutputBox.height());
    m_output->setAccessibleName(QStringLiteral("Output"));
    m_output->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_output->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_output->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A script has no use for a typed tab: Tab and Shift+Tab move on.
    m_output->setTabChangesFocus(true);

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
    AcceptDrops();
}

void CQuorvexDlg::BuildStatusLine() {
    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(QStringLiteral("statusLine"));
    m_statusTable = new QLabel(m_statusBar);
    m_statusTable->setObjectName(QStringLiteral("statusTable"));
    m_statusInsertFile = new QLabel(m_statusBar);
    m_statusInsertFile->setObjectName(QStringLiteral("statusInsertFile"));
    const DialogUnits du(font());
    for (QLabel* label : {m_statusTable, m_statusInsertFile}) {
        label->setTextFormat(Qt::PlainText);
        label->setContentsMargins(du.x(5), 0, 0, 0);
        m_statusBar->addWidget(label, 1);
    }

    setMinimumSize(du.x(kClientWidth),
                   m_menuBar->sizeHint().height() + du.y(kClientHeight) + m_statusBar->sizeHint().height());
    resize(minimumSize());
    Relayout();
}

void CQuorvexDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Relayout();
}

void CQuorvexDlg::Relayout() {
    if (m_statusBar == nullptr) return;  // still being built
    const int menuHeight = m_menuBar->sizeHint().height();
    const int statusHeight = m_statusBar->sizeHint().height();
    m_menuBar->setGeometry(0, 0, width(), menuHeight);
    m_client->setGeometry(0, menuHeight, width(), height() - menuHeight - statusHeight);
    m_statusBar->setGeometry(0, height() - statusHeight, width(), statusHeight);

    // Every control keeps its place; the output box (and the rule over it) takes what the window has to spare.
    const DialogUnits du(font());
    const int extraWidth = std::max(0, m_client->width() - du.x(kClientWidth));
    const int extraHeight = std::max(0, m_client->height() - du.y(kClientHeight));
    const auto grown = [&](const QRect& units, int width, int height) {
        return du.rect(units.x(), units.y(), units.width(), units.height()).adjusted(0, 0, width, height);
    };
    m_output->setGeometry(grown(kOutputBox, extraWidth, extraHeight));
    m_outputRule->setGeometry(grown(kOutputRule, extraWidth, 0));
}

}  // namespace quorvex::app
