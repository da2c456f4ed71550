#pragma once
#include <QDialog>
#include <QString>

class QLabel;
class QListWidget;
class QPushButton;

namespace quorvex::app {

class DialogServices;

// The "Select" picker: a list of the table types or of the text types, with
// the selected entry's description under "Detail". The main dialog owns one
// and reads the selected index and name only after it closed with OK. The
// list's selection counts however it was made, also by a screen reader that
// selects an entry without moving the current row.
class CSelectDlg final : public QDialog {
    Q_OBJECT
public:
    explicit CSelectDlg(QWidget* parent = nullptr);

    // Set before each opening: true lists the table types, false the text types.
    void setTableList(bool tableList) { m_tableList = tableList; }

    // Fills the list, highlights entry 0, shows its description, runs the
    // dialog through services; QDialog::Accepted after OK or a double-click.
    int DoModal(DialogServices& services);

    [[nodiscard]] int selectedIndex() const { return m_selectedIndex; }
    [[nodiscard]] const QString& selectedName() const { return m_selectedName; }

    // The framework's opening work: refill the list, highlight entry 0.
    void OnInitDialog();
    void OnSelChangeTypeList();
    void OnDblClkTypeList();
    void OnOK();

private:
    void ShowTypeDetail();

    QListWidget* m_typeList;
    QLabel* m_detail;
    QPushButton* m_ok;
    bool m_tableList = true;
    int m_selectedIndex = 0;
    QString m_selectedName;
};

}  // namespace quorvex::app
