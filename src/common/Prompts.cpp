#include "Prompts.h"

#include <cstdio>

namespace {

// Used when nothing was installed (a command-line tool, a forgotten test set-up):
// says what would have been shown and answers as a cautious user would.
class StderrPrompts final : public Prompts {
public:
    PromptButton ask(const PromptMessage &m) override
    {
        std::fprintf(stderr, "[%s] %s\n", qUtf8Printable(m.caption), qUtf8Printable(m.text));
        if (m.buttons & PromptButton::No) return PromptButton::No;
        if (m.buttons & PromptButton::Cancel) return PromptButton::Cancel;
        return PromptButton::Ok;
    }
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest &) override { return std::nullopt; }
    std::optional<unsigned> chooseColor(unsigned) override { return std::nullopt; }
};

StderrPrompts fallback;
Prompts *current = nullptr;

}  // namespace

Prompts &prompts() { return current ? *current : fallback; }

void installPrompts(Prompts *instance) { current = instance; }

void showMessage(const QString &text, const QString &caption, PromptIcon icon)
{
    prompts().ask({caption, text, icon, PromptButton::Ok, PromptButton::Ok});
}

bool askYesNo(const QString &text, const QString &caption, PromptIcon icon)
{
    return prompts().ask({caption, text, icon, PromptButton::Yes | PromptButton::No, PromptButton::Yes})
           == PromptButton::Yes;
}
