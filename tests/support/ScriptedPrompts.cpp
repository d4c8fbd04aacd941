#include "ScriptedPrompts.h"

ScriptedPrompts::ScriptedPrompts() : previous_(&prompts()) { installPrompts(this); }

ScriptedPrompts::~ScriptedPrompts() { installPrompts(previous_); }

QStringList ScriptedPrompts::shownTexts() const
{
    QStringList texts;
    for (const auto &m : shown_) texts << m.text;
    return texts;
}

PromptButton ScriptedPrompts::ask(const PromptMessage &message)
{
    shown_ << message;
    if (!answers_.empty()) {
        const PromptButton b = answers_.front();
        answers_.pop_front();
        return b;
    }
    for (PromptButton b : {PromptButton::Yes, PromptButton::Ok})
        if (message.buttons & b) return b;
    for (int bit = 1; bit <= 0x40; bit <<= 1)
        if (message.buttons.testFlag(PromptButton(bit))) return PromptButton(bit);
    return PromptButton::Ok;
}

std::optional<FileDialogAnswer> ScriptedPrompts::nextFile(const FileDialogRequest &request)
{
    fileRequests_ << request;
    if (files_.empty()) return std::nullopt;
    const FileDialogAnswer f = files_.front();
    files_.pop_front();
    if (f.path.isEmpty()) return std::nullopt;
    return f;
}

std::optional<FileDialogAnswer> ScriptedPrompts::openFile(const FileDialogRequest &r) { return nextFile(r); }

std::optional<FileDialogAnswer> ScriptedPrompts::saveFile(const FileDialogRequest &r) { return nextFile(r); }

std::optional<unsigned> ScriptedPrompts::chooseColor(unsigned)
{
    if (colors_.empty()) return std::nullopt;
    auto c = colors_.front();
    colors_.pop_front();
    return c;
}
