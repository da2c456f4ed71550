#pragma once
#include "DialogSettings.h"

#include "chartable/CharTable.h"
#include "commands/CommandResult.h"
#include "commands/HeldFile.h"
#include "commands/InputFile.h"
#include "job/JobSettings.h"
#include "platform/CodePage.h"

#include <QDialog>
#include <QHash>

#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QComboBox;
class QStatusBar;

namespace quorvex::app {

class CSelectDlg;
class DialogServices;
class TabStrip;

// The one window of the program. It gathers the job from its controls into
// the command layer's plain structs, calls the command, and shows what comes
// back; it owns the loaded character table and the loaded insert text between
// commands, and loads either again before a command when its file has changed.
// It remembers its choosers' folders, the read mode and its size (DialogSettings).
class CQuorvexDlg final : public QDialog {
    Q_OBJECT
public:
    // Message boxes, choosers and the small dialogs go through services; the
    // real Qt ones when none is given.
    explicit CQuorvexDlg(DialogServices* services = nullptr, QWidget* parent = nullptr);
    ~CQuorvexDlg() override;

    // Control ids of the main dialog; each control's object name is its kind
    // and id ("edit1002", "button1007", "label1019", "radio1000", "tab1014").
    enum ControlId : int {
        kRadioHex = 1000,
        kRadioDec = 1001,
        kEditTableStart = 1002,
        kEditTableEnd = 1003,
        kEditXOffset = 1004,
        kEditTextStart = 1005,
        kEditOutput = 1006,
        kButtonGo = 1007,
        kEditTable = 1008,
        kEditRom = 1009,
        kButtonBrowseTable = 1010,
        kButtonBrowseRom = 1011,
        kEditTextEnd = 1012,
        kEditHuffTable = 1013,
        kTabStrip = 1014,
        kEditInsertFile = 1015,
        kButtonBrowseInsert = 1016,
        kEditTestText = 1017,
        kLabelInsertFile = 1018,
        kLabelTableStart = 1019,
        kLabelTableEnd = 1020,
        kLabelXOffset = 1021,
        kLabelTextStart = 1022,
        kLabelTextEnd = 1023,
        kEditTableType = 1024,
        kButtonPickTableType = 1025,
        kEditTextType = 1026,
        kButtonPickTextType = 1027,
        kLabelHuffTable = 1028,
        kLabelRom = 1029,
        kButtonRedoScript = 1030,
        kLabelTestText = 1031,
        kButtonTest = 1032,
        kLabelNullPointer = 1033,
        kEditNullPointer = 1034,
        kLabelMap = 1035,
        kComboMap = 1036,
    };
    // The command of the About item ("&About Quorvex...").
    static constexpr int kIdmAboutBox = 0x0010;

    [[nodiscard]] QWidget* control(int id) const { return m_controls.value(id); }

    // Handlers, named as the controls' commands.
    void OnGo();
    void OnBrowseTable();
    void OnBrowseRom();
    void OnBrowseInsertFile();
    void OnTabSelChanging(int leaving);
    void OnTabSelChange(int entered);
    void OnPickTableType();
    void OnPickTextType();
    void OnRedoScript();
    void OnTest();
    void OnReadModeAscii();
    void OnReadModeUtf7();
    void OnReadModeUtf8();
    void OnShortestEncoding();
    void OnSysCommand(int commandId);
    void OnSaveScript();
    void OnExit();
    void OnAbout();

    // What the dialog holds between commands.
    [[nodiscard]] TableType currentTableType() const { return m_tableType; }
    [[nodiscard]] TextType currentTextType() const { return m_textType; }
    [[nodiscard]] ReadMode readMode() const { return m_decoding.mode; }
    [[nodiscard]] const CharTable* charTable() const { return m_table ? &*m_table : nullptr; }
    [[nodiscard]] const std::u16string* insertText() const { return m_insertText ? &*m_insertText : nullptr; }
    [[nodiscard]] int selectedTab() const;
    [[nodiscard]] QMenuBar* menuBar() const { return m_menuBar; }
    [[nodiscard]] CSelectDlg& typePicker() const { return *m_typePicker; }
    [[nodiscard]] QStatusBar* statusBar() const { return m_statusBar; }
    // The output box holds a script from Extract that was changed or never saved since.
    [[nodiscard]] bool hasUnsavedScript() const;

    // The output box's text, line ends as CR LF.
    [[nodiscard]] QString outputText() const;

    void done(int result) override;
    // Escape, the close box and Exit: asks first when an extracted script would be lost.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void BuildStatusLine();
    void OnInitDialog();
    void ApplySettings();
    void Relayout();

    template <typename Widget>
    Widget* Add(Widget* widget, int id, const QString& kind, int x, int y, int width, int height);
    QLabel* AddLabel(int id, const QString& text, int x, int y, int width, int height);
    QLineEdit* AddEdit(int id, bool upperCase, int x, int y, int width, int height);
    QPushButton* AddButton(int id, const QString& text, int x, int y, int width, int height);

    void Show(std::initializer_list<int> ids);
    void Hide(std::initializer_list<int> ids);
    void SetOutput(std::u16string_view text);
    [[nodiscard]] QString Text(int id) const;
    void SetText(int id, const QString& text);
    void Warn(const QString& text);
    void ShowMessages(const CommandResult& result);
    void SetReadMode(ReadMode mode);
    void ChooseReadMode(ReadMode mode);  // the menu's choice, remembered
    void OnTabChanged(int index);
    void ShowExtractedScript(std::u16string_view script);
    void UpdateStatusLine();

    // A chooser that starts in the folder it was last left in; the chosen path or empty.
    [[nodiscard]] QString ChooseFile(Chooser chooser, const QString& filter);
    // What each path row does with a chosen (or dropped) file.
    void LoadTableFrom(const QString& path);
    void SetRomPath(const QString& path);
    void LoadInsertFileFrom(const QString& path);
    void AcceptDrops();
    // Loads the held table (and the held Insert File if asked) again where
    // their files changed on disk, in the current read mode; false when one
    // could not be loaded (the command must not run then).
    [[nodiscard]] bool RefreshHeldFiles(bool withInsertFile);
    // The held table and Insert File as a command takes them, with their stamps.
    [[nodiscard]] commands::TableFile heldTable() const;
    [[nodiscard]] commands::ScriptFile heldInsertFile() const;

    std::unique_ptr<DialogServices> m_ownedServices;
    DialogServices& m_services;

    QWidget* m_client = nullptr;  // the client area, between the menu bar and the status line
    QMenuBar* m_menuBar = nullptr;
    TabStrip* m_tabStrip = nullptr;
    QRadioButton* m_hexRadio = nullptr;
    QComboBox* m_mapChoice = nullptr;  // the address map, by its AddressMapKind value
    QPlainTextEdit* m_output = nullptr;
    QWidget* m_outputRule = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_statusTable = nullptr;
    QLabel* m_statusInsertFile = nullptr;
    QAction* m_asciiAction = nullptr;
    QAction* m_utf7Action = nullptr;
    QAction* m_utf8Action = nullptr;
    QAction* m_shortestAction = nullptr;  // Options: Insert, Check Insert and Test in the fewest bytes
    QAction* m_listGrownAction = nullptr;  // Options: Check Insert lists the strings that grew
    QHash<int, QWidget*> m_controls;
    int m_shownTab = 0;

    std::unique_ptr<CSelectDlg> m_typePicker;
    TableType m_tableType = TableType::Regular2;
    TextType m_textType = TextType::Regular;
    TextDecoding m_decoding;
    std::optional<CharTable> m_table;
    std::optional<commands::HeldFile> m_tableFile;  // no value: the table was read unstamped
    ReadMode m_tableMode = ReadMode::UTF7;           // the mode the held table was read in
    std::optional<std::u16string> m_insertText;
    std::optional<commands::HeldFile> m_insertFile;
    // Save Script writes UTF-8, so the file it saved is read back as UTF-8
    // whatever the read mode: in UTF-7 a "+" typed into it would be misread.
    bool m_insertFileIsOurUtf8 = false;
    bool m_outputIsExtract = false;  // the output box holds Extract's script
    DialogSettings m_settings;
};

}  // namespace quorvex::app
