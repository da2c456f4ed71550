// The main dialog's handlers that load files and run commands: the choosers
// and the rows files can be dropped on, GO, Test, ReDo Script, Save Script,
// and loading the held table and Insert File again when their files changed.
#include "QuorvexDlg.h"

#include "CommandRunner.h"
#include "DialogServices.h"
#include "PathDrop.h"

#include "commands/Go.h"
#include "job/Messages.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <filesystem>

namespace quorvex::app {

QString CQuorvexDlg::ChooseFile(Chooser chooser, const QString& filter) {
    const QString path = m_services.openFile(this, filter, m_settings.folder(chooser));
    if (!path.isEmpty()) m_settings.rememberFolderOf(chooser, path);
    return path;
}

void CQuorvexDlg::AcceptDrops() {
    using Loader = void (CQuorvexDlg::*)(const QString&);
    const auto row = [this](std::initializer_list<QWidget*> widgets, Chooser chooser, Loader load) {
        const auto loadDropped = [this, chooser, load](const QString& path) {
            m_settings.rememberFolderOf(chooser, path);
            (this->*load)(path);
        };
        new PathDrop(widgets, loadDropped, this);
    };
    row({findChild<QLabel*>(QStringLiteral("labelTable")), control(kEditTable), control(kButtonBrowseTable)},
        Chooser::Table, &CQuorvexDlg::LoadTableFrom);
    row({control(kLabelRom), control(kEditRom), control(kButtonBrowseRom)}, Chooser::Rom, &CQuorvexDlg::SetRomPath);
    row({control(kLabelInsertFile), control(kEditInsertFile), control(kButtonBrowseInsert)}, Chooser::InsertFile,
        &CQuorvexDlg::LoadInsertFileFrom);
}

void CQuorvexDlg::OnBrowseTable() {
    m_table.reset();
    const QString path = ChooseFile(Chooser::Table, kTableFilter);
    if (path.isEmpty()) {
        SetText(kEditTable, QString());
        UpdateStatusLine();
        return;
    }
    LoadTableFrom(path);
}

void CQuorvexDlg::LoadTableFrom(const QString& path) {
    m_table.reset();
    SetText(kEditTable, path);
    commands::LoadedTable loaded;
    {
        const WaitCursor wait;
        m_tableFile = commands::HeldFile::Stamp(ToPath(path));
        loaded = commands::LoadTable(ToPath(path), m_decoding);
    }
    // No table is held after a failure, so the box names none.
    if (!loaded.table) SetText(kEditTable, QString());
    m_table = std::move(loaded.table);
    m_tableMode = m_decoding.mode;
    UpdateStatusLine();
    // A loaded table's warnings are told on the status line, which stays in view.
    if (!m_table) ShowMessages(loaded.result);
}

void CQuorvexDlg::OnBrowseRom() {
    const QString path = ChooseFile(Chooser::Rom, kRomFilter);
    if (!path.isEmpty()) SetRomPath(path);
}

void CQuorvexDlg::SetRomPath(const QString& path) { SetText(kEditRom, path); }

void CQuorvexDlg::OnBrowseInsertFile() {
    m_insertText.reset();
    const QString path = ChooseFile(Chooser::InsertFile, kAllFilesFilter);
    if (path.isEmpty()) {
        UpdateStatusLine();
        return;
    }
    LoadInsertFileFrom(path);
}

void CQuorvexDlg::LoadInsertFileFrom(const QString& path) {
    m_insertText.reset();
    if (path != Text(kEditInsertFile)) m_insertFileIsOurUtf8 = false;
    SetText(kEditInsertFile, path);
    TextDecoding decoding = m_decoding;
    if (m_insertFileIsOurUtf8) decoding.mode = ReadMode::UTF8;
    commands::LoadedScript loaded;
    {
        const WaitCursor wait;
        m_insertFile = commands::HeldFile::Stamp(ToPath(path));
        loaded = commands::LoadScript(ToPath(path), decoding);
    }
    m_insertText = std::move(loaded.text);
    UpdateStatusLine();
    ShowMessages(loaded.result);
}

bool CQuorvexDlg::RefreshHeldFiles(bool withInsertFile) {
    // Held without a stamp (the file could not be looked at while it loaded): read it again to be sure.
    if (m_table && (!m_tableFile || m_tableFile->Changed())) {
        LoadTableFrom(Text(kEditTable));
        if (!m_table) return false;
    }
    if (withInsertFile && m_insertText && (!m_insertFile || m_insertFile->Changed())) {
        LoadInsertFileFrom(Text(kEditInsertFile));
        if (!m_insertText) return false;
    }
    return true;
}

commands::TableFile CQuorvexDlg::heldTable() const {
    return {ToPath(Text(kEditTable)), charTable(), m_tableFile ? &*m_tableFile : nullptr};
}

commands::ScriptFile CQuorvexDlg::heldInsertFile() const {
    return {ToPath(Text(kEditInsertFile)), insertText(), m_insertFile ? &*m_insertFile : nullptr};
}

void CQuorvexDlg::OnGo() {
    commands::GoState state;
    state.romPath = ToU16(Text(kEditRom));
    state.tab = static_cast<commands::Tab>(selectedTab());
    if (auto refused = commands::RefuseWithoutRom(state.romPath, state.tab)) {
        ShowMessages(*refused);
        return;
    }
    const bool withInsertFile = state.tab != commands::Tab::Extract;
    if (!RefreshHeldFiles(withInsertFile)) return;
    // A named Insert File whose text is not held (a cancelled chooser, or
    // after ReDo Script) is loaded and held now, in the current read mode.
    if (withInsertFile && !m_insertText && !Text(kEditInsertFile).isEmpty()) {
        LoadInsertFileFrom(Text(kEditInsertFile));
        if (!m_insertText) return;
    }

    state.hex = m_hexRadio->isChecked();
    state.fields.tableStart = ToU16(Text(kEditTableStart));
    state.fields.tableEnd = ToU16(Text(kEditTableEnd));
    state.fields.textStart = ToU16(Text(kEditTextStart));
    state.fields.textEnd = ToU16(Text(kEditTextEnd));
    state.fields.xOffset = ToU16(Text(kEditXOffset));
    state.fields.huffTable = ToU16(Text(kEditHuffTable));
    state.fields.nullPointer = ToU16(Text(kEditNullPointer));
    state.tableType = m_tableType;
    state.textType = m_textType;
    state.map = static_cast<AddressMapKind>(m_mapChoice->currentIndex());
    state.table = heldTable();
    state.insertFile = heldInsertFile();
    state.decoding = m_decoding;
    state.shortest = m_shortestAction->isChecked();
    state.listGrown = m_listGrownAction->isChecked();

    DialogPrompt prompt(m_services, this);
    CommandResult result;
    {
        const WaitCursor wait;
        result = commands::RunGo(state, prompt);
    }
    ShowMessages(result);
    if (!result.output) return;
    if (state.tab == commands::Tab::Extract)
        ShowExtractedScript(*result.output);
    else
        SetOutput(*result.output);
}

void CQuorvexDlg::OnRedoScript() {
    const QString romPath = Text(kEditRom);
    if (auto refused = commands::RefuseWithoutRom(ToU16(romPath), static_cast<commands::Tab>(selectedTab()))) {
        ShowMessages(*refused);
        return;
    }
    const QString scriptPath = ChooseFile(Chooser::RedoScript, kAllFilesFilter);
    if (scriptPath.isEmpty()) {
        m_insertText.reset();
        UpdateStatusLine();
        return;
    }
    // The chosen file is replaced whole: the user's translation in it too.
    const std::u16string question = messages::RedoReplaceQuestion(ToU16(QDir::toNativeSeparators(scriptPath)));
    if (!m_services.question(this, ToQString(question), kAppName)) return;
    if (!RefreshHeldFiles(false)) return;
    m_insertText.reset();
    SetText(kEditInsertFile, scriptPath);

    commands::RedoOutcome redo;
    {
        const WaitCursor wait;
        m_insertFile = commands::HeldFile::Stamp(ToPath(scriptPath));
        redo = commands::RedoScript({ToPath(scriptPath), ToPath(romPath), heldTable(), m_decoding});
    }
    // The numbers change; the name fields keep what the pickers wrote.
    if (redo.tableType) m_tableType = *redo.tableType;
    if (redo.textType) m_textType = *redo.textType;
    if (redo.badFileText) m_insertText = std::move(redo.badFileText);
    UpdateStatusLine();
    ShowMessages(redo.result);
    if (redo.result.output) SetOutput(*redo.result.output);
}

void CQuorvexDlg::OnTest() {
    if (!RefreshHeldFiles(false)) return;
    const CommandResult result =
        commands::Test({ToU16(Text(kEditTestText)), heldTable(), m_decoding, m_shortestAction->isChecked()});
    ShowMessages(result);
    if (result.output) SetOutput(*result.output);
}

void CQuorvexDlg::OnSaveScript() {
    const QString rom = Text(kEditRom);
    const QString name = (rom.isEmpty() ? QStringLiteral("script") : QFileInfo(rom).completeBaseName()) +
                         QStringLiteral(".txt");
    QString folder = m_settings.folder(Chooser::SaveScript);
    if (folder.isEmpty() && !rom.isEmpty()) folder = QFileInfo(rom).absolutePath();
    const QString proposed = folder.isEmpty() ? name : QDir(folder).filePath(name);
    const QString path = m_services.saveFile(this, kScriptFilter, proposed);
    if (path.isEmpty()) return;
    m_settings.rememberFolderOf(Chooser::SaveScript, path);

    std::u16string text = ToU16(outputText());
    CommandResult saved;
    {
        const WaitCursor wait;
        saved = commands::SaveScript(ToPath(path), text);
    }
    ShowMessages(saved);
    if (!saved.ok()) return;
    // The saved file is the Insert File now, holding what was saved: editing
    // it, Check Insert and Insert need no second chooser.
    SetText(kEditInsertFile, path);
    m_insertFile = commands::HeldFile::Stamp(ToPath(path));
    m_insertFileIsOurUtf8 = true;
    m_insertText = std::move(text);
    m_output->document()->setModified(false);
    UpdateStatusLine();
}

}  // namespace quorvex::app
