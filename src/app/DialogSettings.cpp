#include "DialogSettings.h"

#include <QFileInfo>
#include <QSettings>

#include <memory>

namespace quorvex::app {

namespace {

std::unique_ptr<QSettings> Open() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quorvex"),
                                       QStringLiteral("Quorvex"));
}

QString FolderKey(Chooser chooser) {
    switch (chooser) {
    case Chooser::Table: return QStringLiteral("folders/table");
    case Chooser::Rom: return QStringLiteral("folders/rom");
    case Chooser::InsertFile: return QStringLiteral("folders/insertFile");
    case Chooser::RedoScript: return QStringLiteral("folders/redoScript");
    case Chooser::SaveScript: return QStringLiteral("folders/saveScript");
    }
    return {};
}

}  // namespace

QString DialogSettings::folder(Chooser chooser) const { return Open()->value(FolderKey(chooser)).toString(); }

void DialogSettings::rememberFolderOf(Chooser chooser, const QString& file) {
    Open()->setValue(FolderKey(chooser), QFileInfo(file).absolutePath());
}

ReadMode DialogSettings::readMode() const {
    bool isNumber = false;
    const int mode = Open()->value(QStringLiteral("readMode")).toInt(&isNumber);
    for (const ReadMode known : {ReadMode::Ascii, ReadMode::UTF7, ReadMode::UTF8})
        if (isNumber && mode == static_cast<int>(known)) return known;
    return ReadMode::UTF7;
}

void DialogSettings::setReadMode(ReadMode mode) {
    Open()->setValue(QStringLiteral("readMode"), static_cast<int>(mode));
}

std::optional<DialogSettings::Window> DialogSettings::window() const {
    const auto settings = Open();
    const QSize size = settings->value(QStringLiteral("window/size")).toSize();
    if (!size.isValid()) return std::nullopt;
    return Window{size, settings->value(QStringLiteral("window/maximized")).toBool()};
}

void DialogSettings::setWindow(const Window& window) {
    const auto settings = Open();
    settings->setValue(QStringLiteral("window/size"), window.size);
    settings->setValue(QStringLiteral("window/maximized"), window.maximized);
}

bool DialogSettings::shortestEncoding() const {
    return Open()->value(QStringLiteral("shortestEncoding"), false).toBool();
}

void DialogSettings::setShortestEncoding(bool on) { Open()->setValue(QStringLiteral("shortestEncoding"), on); }

}  // namespace quorvex::app
