#include "SearchDialogs.h"

#include "CommandRunner.h"

#include "DialogServices.h"

#include "commands/search/SearchCommands.h"
#include "job/Messages.h"
#include "platform/Numbers.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <filesystem>

namespace quorvex::app {
namespace {

// Fills the list with the output's lines, the first selected.
void ShowLines(QListWidget& list, const CommandResult& result) {
    list.clear();
    if (result.output) list.addItems(ToQString(*result.output).split(u'\n', Qt::SkipEmptyParts));
    list.setCurrentRow(list.count() > 0 ? 0 : -1);
}

QPushButton* AddButton(QDialogButtonBox& box, const char* text, const char* name, QDialogButtonBox::ButtonRole role) {
    QPushButton* button = box.addButton(QString::fromLatin1(text), role);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

}  // namespace

void AddSearchTools(QMenu& menu, const SearchToolsHost& host) {
    QAction* relative = menu.addAction(QStringLiteral("&Relative Search..."));
    relative->setObjectName(QStringLiteral("actionRelativeSearch"));
    QObject::connect(relative, &QAction::triggered, host.owner, [host] { OpenRelativeSearch(host); });
    QAction* pointers = menu.addAction(QStringLiteral("Find &Pointers..."));
    pointers->setObjectName(QStringLiteral("actionFindPointers"));
    QObject::connect(pointers, &QAction::triggered, host.owner, [host] { OpenFindPointers(host); });
}

void OpenRelativeSearch(const SearchToolsHost& host) {
    QDialog dialog(host.owner);
    dialog.setWindowTitle(QStringLiteral("Relative Search"));
    auto* text = Named(new QLineEdit(&dialog), "searchText");
    auto* wide = Named(new QRadioButton(QStringLiteral("&2 bytes"), &dialog), "width2");
    auto* narrow = Named(new QRadioButton(QStringLiteral("&1 byte"), &dialog), "width1");
    narrow->setChecked(true);
    auto* bigEndian = Named(new QCheckBox(QStringLiteral("&Big-endian"), &dialog), "bigEndian");
    auto* hits = Named(new QListWidget(&dialog), "hitList");
    auto* count = Named(new QLabel(&dialog), "hitCount");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* search = AddButton(*buttons, "&Search", "searchButton", QDialogButtonBox::ActionRole);
    QPushButton* save = AddButton(*buttons, "Save Table &Draft...", "saveDraftButton", QDialogButtonBox::ActionRole);
    QPushButton* load = AddButton(*buttons, "&Load as Table", "loadTableButton", QDialogButtonBox::ActionRole);
    search->setDefault(true);

    auto* width = new QHBoxLayout;
    for (QWidget* widget : std::initializer_list<QWidget*>{narrow, wide, bigEndian}) width->addWidget(widget);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Text:"), text);
    form->addRow(QStringLiteral("Width:"), width);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(hits);
    layout->addWidget(count);
    layout->addWidget(buttons);

    // The drafts come from the search the list shows, whatever was typed since.
    auto shown = std::make_shared<commands::RelativeSearchRequest>();
    const auto enable = [=] {
        save->setEnabled(hits->currentRow() >= 0);
        load->setEnabled(hits->currentRow() >= 0);
    };
    enable();
    QObject::connect(hits, &QListWidget::currentRowChanged, &dialog, enable);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(search, &QPushButton::clicked, &dialog, [=, &host, &dialog] {
        if (host.romPath().isEmpty()) return host.services.message(&dialog, ToQString(messages::kNoRom), kAppName, QMessageBox::Warning);
        commands::RelativeSearchRequest request;
        request.rom = ToPath(host.romPath());
        request.text = ToU16(text->text());
        request.options.width = wide->isChecked() ? 2 : 1;
        request.options.bigEndian = bigEndian->isChecked();
        const CommandResult result = RunWaiting([&] { return commands::RelativeSearch(request); });
        if (result.exit != ExitClass::Ok && result.exit != ExitClass::Over) return ShowMessages(host.services, &dialog, result);
        *shown = request;
        ShowLines(*hits, result);
        count->setText(result.messages.empty() ? QString() : ToQString(result.messages.back().text));
    });
    const auto saveDraft = [=, &host, &dialog]() -> QString {
        const QFileInfo rom(ToQString(shown->rom.u16string()));
        const QString path = host.services.saveFile(&dialog, kTableFilter, rom.dir().filePath(rom.completeBaseName() + QStringLiteral(".tbl")));
        if (path.isEmpty()) return path;
        commands::RelativeSearchRequest request = *shown;
        request.tableOut = ToPath(path);
        request.hit = static_cast<std::size_t>(hits->currentRow()) + 1;
        const CommandResult result = RunWaiting([&] { return commands::RelativeSearch(request); });
        if (result.ok()) return path;
        ShowMessages(host.services, &dialog, result);
        return {};
    };
    QObject::connect(save, &QPushButton::clicked, &dialog, [saveDraft] { (void)saveDraft(); });
    QObject::connect(load, &QPushButton::clicked, &dialog, [saveDraft, &host] {
        if (const QString path = saveDraft(); !path.isEmpty()) host.loadTable(path);
    });
    host.services.exec(dialog);
}

void OpenFindPointers(const SearchToolsHost& host) {
    QDialog dialog(host.owner);
    const bool hex = host.hex();
    dialog.setWindowTitle(hex ? QStringLiteral("Find Pointers (HEX)") : QStringLiteral("Find Pointers (DEC)"));
    auto* offsets = Named(new QLineEdit(&dialog), "textOffsets");
    auto* xOffset = Named(new QLineEdit(&dialog), "xOffset");
    auto* candidates = Named(new QListWidget(&dialog), "candidateList");
    auto* extractLine = Named(new QLineEdit(&dialog), "extractLine");
    extractLine->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* find = AddButton(*buttons, "&Find", "findButton", QDialogButtonBox::ActionRole);
    QPushButton* use = AddButton(*buttons, "&Use", "useButton", QDialogButtonBox::AcceptRole);
    find->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Text offsets:"), offsets);
    form->addRow(QStringLiteral("&X000 Offset:"), xOffset);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(candidates);
    layout->addWidget(extractLine);
    layout->addWidget(buttons);

    auto found = std::make_shared<std::vector<PointerCandidate>>();
    const auto enable = [=] { use->setEnabled(candidates->currentRow() >= 0); };
    enable();
    QObject::connect(candidates, &QListWidget::currentRowChanged, &dialog, enable);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(find, &QPushButton::clicked, &dialog, [=, &host, &dialog] {
        const auto warn = [&](std::u16string_view text) { host.services.message(&dialog, ToQString(text), kAppName, QMessageBox::Warning); };
        if (host.romPath().isEmpty()) return warn(messages::kNoRom);
        commands::FindPointersRequest request;
        request.rom = ToPath(host.romPath());
        request.decimal = !hex;
        const auto number = [hex](const QString& typed) { return ScanNumber(ToU16(typed), !hex); };
        for (const QString& word : offsets->text().split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts)) {
            const auto offset = number(word);
            if (!offset) return warn(messages::NotANumber(ToU16(word)));
            request.search.textOffsets.push_back(*offset);
        }
        if (!xOffset->text().trimmed().isEmpty()) {
            request.search.xOffset = number(xOffset->text());
            if (!request.search.xOffset) return warn(messages::NotANumber(ToU16(xOffset->text())));
        }
        commands::FindPointersOutcome outcome = RunWaiting([&] { return commands::FindPointers(request); });
        *found = std::move(outcome.candidates);
        ShowLines(*candidates, outcome.result);
        extractLine->setText(outcome.result.ok() ? ToQString(outcome.result.messages.front().text) : QString());
        if (!outcome.result.ok()) ShowMessages(host.services, &dialog, outcome.result);
    });
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [=, &host, &dialog] {
        host.useCandidate((*found)[static_cast<std::size_t>(candidates->currentRow())]);
        dialog.accept();
    });
    host.services.exec(dialog);
}

}  // namespace quorvex::app
