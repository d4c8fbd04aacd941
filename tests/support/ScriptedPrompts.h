#pragma once
// A user who answers from a script and remembers everything the program showed.
#include "Prompts.h"

#include <QList>
#include <deque>

class ScriptedPrompts final : public Prompts {
public:
    ScriptedPrompts();   // installs itself
    ~ScriptedPrompts() override;  // restores the previous prompts

    // Answers used in order; when the script runs out, Ok/Yes is pressed
    // (the first of the offered buttons in that order: Yes, Ok, then the lowest).
    void answer(PromptButton button) { answers_.push_back(button); }
    void answerFile(const QString &path, int filterIndex = 0) { files_.push_back(FileDialogAnswer{path, filterIndex}); }
    void cancelFile() { files_.push_back(FileDialogAnswer{}); }  // an empty path cancels
    void answerColor(std::optional<unsigned> rgba) { colors_.push_back(rgba); }

    const QList<PromptMessage> &shown() const { return shown_; }
    const QList<FileDialogRequest> &fileRequests() const { return fileRequests_; }
    QStringList shownTexts() const;
    void clear() { shown_.clear(); fileRequests_.clear(); }

    PromptButton ask(const PromptMessage &message) override;
    std::optional<FileDialogAnswer> openFile(const FileDialogRequest &request) override;
    std::optional<FileDialogAnswer> saveFile(const FileDialogRequest &request) override;
    std::optional<unsigned> chooseColor(unsigned initial) override;

private:
    std::optional<FileDialogAnswer> nextFile(const FileDialogRequest &request);

    Prompts *previous_;
    std::deque<PromptButton> answers_;
    std::deque<FileDialogAnswer> files_;
    std::deque<std::optional<unsigned>> colors_;
    QList<PromptMessage> shown_;
    QList<FileDialogRequest> fileRequests_;
};
