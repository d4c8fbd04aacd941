#pragma once
// Every message box, question and file dialog of the program goes through this
// interface, so logic never calls QMessageBox directly and tests can script the user.
#include <QFlags>
#include <QString>
#include <QStringList>
#include <optional>

enum class PromptIcon { None, Information, Warning, Error, Question };

enum class PromptButton {
    NoButton = 0x00,
    Ok = 0x01,
    Cancel = 0x02,
    Yes = 0x04,
    No = 0x08,
    Abort = 0x10,
    Retry = 0x20,
    Ignore = 0x40,
};
Q_DECLARE_FLAGS(PromptButtons, PromptButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(PromptButtons)

struct PromptMessage {
    QString caption;
    QString text;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButton::Ok;
    PromptButton defaultButton = PromptButton::NoButton;  // NoButton: the first of `buttons`
};

struct FileDialogRequest {
    QString caption;
    QString directory;        // start folder or file
    QStringList filters;      // "Paradox (*.db)" ...
    int filterIndex = 0;      // chosen filter on entry
};

struct FileDialogAnswer {
    QString path;
    int filterIndex = 0;      // filter the user ended on
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // Shows the message and returns the button pressed (Cancel or No when closed otherwise).
    virtual PromptButton ask(const PromptMessage &message) = 0;
    virtual std::optional<FileDialogAnswer> openFile(const FileDialogRequest &request) = 0;
    virtual std::optional<FileDialogAnswer> saveFile(const FileDialogRequest &request) = 0;
    // Colour as 0xAARRGGBB, so the core does not depend on QtGui.
    virtual std::optional<unsigned> chooseColor(unsigned initial) = 0;
};

// The process-wide prompts. The application installs the Qt implementation at start,
// tests install scripted ones. Never null after installation.
Prompts &prompts();
void installPrompts(Prompts *instance);  // not owned

// Short forms for the common cases.
void showMessage(const QString &text, const QString &caption, PromptIcon icon);
bool askYesNo(const QString &text, const QString &caption, PromptIcon icon = PromptIcon::Question);
