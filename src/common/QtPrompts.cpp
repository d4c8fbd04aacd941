#include "QtPrompts.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::Icon toQt(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

constexpr std::pair<PromptButton, QMessageBox::StandardButton> buttonPairs[] = {
    {PromptButton::Ok, QMessageBox::Ok},       {PromptButton::Cancel, QMessageBox::Cancel},
    {PromptButton::Yes, QMessageBox::Yes},     {PromptButton::No, QMessageBox::No},
    {PromptButton::Abort, QMessageBox::Abort}, {PromptButton::Retry, QMessageBox::Retry},
    {PromptButton::Ignore, QMessageBox::Ignore},
};

QMessageBox::StandardButtons toQt(PromptButtons buttons)
{
    QMessageBox::StandardButtons result;
    for (auto [ours, theirs] : buttonPairs)
        if (buttons & ours) result |= theirs;
    return result;
}

PromptButton fromQt(int pressed)
{
    for (auto [ours, theirs] : buttonPairs)
        if (pressed == theirs) return ours;
    return PromptButton::Cancel;
}

QString joinFilters(const QStringList &filters) { return filters.join(QStringLiteral(";;")); }

std::optional<FileDialogAnswer> runFileDialog(const FileDialogRequest &request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(QApplication::activeWindow(), request.caption, request.directory,
                       joinFilters(request.filters));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (request.filterIndex >= 0 && request.filterIndex < request.filters.size())
        dialog.selectNameFilter(request.filters.at(request.filterIndex));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return FileDialogAnswer{dialog.selectedFiles().first(),
                            int(request.filters.indexOf(dialog.selectedNameFilter()))};
}

}  // namespace

PromptButton QtPrompts::ask(const PromptMessage &m)
{
    QMessageBox box(toQt(m.icon), m.caption, m.text, toQt(m.buttons), QApplication::activeWindow());
    if (m.defaultButton != PromptButton::NoButton)
        box.setDefaultButton(QMessageBox::StandardButton(toQt(PromptButtons(m.defaultButton)).toInt()));
    return fromQt(box.exec());
}

std::optional<FileDialogAnswer> QtPrompts::openFile(const FileDialogRequest &request)
{
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

std::optional<FileDialogAnswer> QtPrompts::saveFile(const FileDialogRequest &request)
{
    return runFileDialog(request, QFileDialog::AcceptSave);
}

std::optional<unsigned> QtPrompts::chooseColor(unsigned initial)
{
    const QColor chosen = QColorDialog::getColor(QColor::fromRgba(initial), QApplication::activeWindow());
    if (!chosen.isValid()) return std::nullopt;
    return chosen.rgba();
}
