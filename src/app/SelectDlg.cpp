#include "SelectDlg.h"

#include "DialogServices.h"
#include "DialogUnits.h"
#include "TypeLists.h"

#include <QGroupBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace quorvex::app {

CSelectDlg::CSelectDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("selectDialog"));
    setWindowTitle(QStringLiteral("Select"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(DialogFont(font()));
    const DialogUnits du(font());
    setFixedSize(du.x(259), du.y(134));

    // In keyboard order: OK, Cancel, the list.
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("button1"));
    m_ok->setDefault(true);
    du.place(*m_ok, 202, 7, 50, 14);
    connect(m_ok, &QPushButton::clicked, this, &CSelectDlg::OnOK);

    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("button2"));
    du.place(*cancel, 202, 24, 50, 14);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_typeList = new QListWidget(this);
    m_typeList->setObjectName(QStringLiteral("list1026"));
    m_typeList->setAccessibleName(QStringLiteral("Types"));
    m_typeList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_typeList->setSortingEnabled(false);
    m_typeList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_typeList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    du.place(*m_typeList, 7, 7, 161, 42);
    // The selection, not the current row: a screen reader or UI automation
    // selects an entry without moving the current row, a click does both.
    connect(m_typeList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CSelectDlg::OnSelChangeTypeList);
    connect(m_typeList, &QListWidget::itemDoubleClicked, this, &CSelectDlg::OnDblClkTypeList);

    auto* group = new QGroupBox(QStringLiteral("Detail"), this);
    group->setObjectName(QStringLiteral("groupDetail"));
    du.place(*group, 7, 57, 245, 70);

    m_detail = new QLabel(this);
    m_detail->setObjectName(QStringLiteral("static1027"));
    m_detail->setAccessibleName(QStringLiteral("Detail"));
    m_detail->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_detail->setWordWrap(true);
    m_detail->setTextFormat(Qt::PlainText);
    du.place(*m_detail, 17, 71, 221, 45);
}

int CSelectDlg::DoModal(DialogServices& services) {
    OnInitDialog();
    return services.exec(*this);
}

void CSelectDlg::OnInitDialog() {
    const auto entries = m_tableList ? TableTypeEntries() : TextTypeEntries();
    {
        // Filling the list is not a change of the highlight by the user.
        const QSignalBlocker blocker(m_typeList);
        const QSignalBlocker selectionBlocker(m_typeList->selectionModel());
        m_typeList->clear();
        for (const TypeEntry& entry : entries) m_typeList->addItem(QString::fromUtf16(entry.name));
        m_typeList->setCurrentRow(0);
    }
    ShowTypeDetail();
    m_ok->setFocus();
}

void CSelectDlg::ShowTypeDetail() {
    // With nothing selected (Ctrl+click on the selected entry) the last
    // selection stays the one OK takes.
    const QModelIndexList selected = m_typeList->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return;
    m_selectedIndex = selected.first().row();
    const auto entries = m_tableList ? TableTypeEntries() : TextTypeEntries();
    if (m_selectedIndex >= 0 && m_selectedIndex < static_cast<int>(entries.size()))
        m_detail->setText(DisplayText(QString::fromUtf16(entries[static_cast<std::size_t>(m_selectedIndex)].description)));
}

void CSelectDlg::OnSelChangeTypeList() { ShowTypeDetail(); }

void CSelectDlg::OnDblClkTypeList() {
    ShowTypeDetail();
    OnOK();
}

void CSelectDlg::OnOK() {
    const QListWidgetItem* item = m_typeList->item(m_selectedIndex);
    m_selectedName = item != nullptr ? item->text() : QString();
    accept();
}

}  // namespace quorvex::app
