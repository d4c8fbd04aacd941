#pragma once
#include "Prompts.h"

class QWidget;

// Prompts shown as Qt message boxes and file dialogs over the active window.
class QtPrompts final : public Prompts {
public:
    PromptButton ask(const PromptMessage &message) override;
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest &request) override;
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest &request) override;
    std::optional<unsigned> chooseColor(unsigned initial) override;
};
