#pragma once
// The program's start and stop, in the order the parts depend on each other:
// the data module first (without it nothing can run), then the main window and the
// other windows; at the end the windows first (the main window keeps its layout),
// then the data module (views closed, pictures cleared, file compacted).
#include <memory>

class TDM;
class TFCom;
class TFMain;

class Program {
public:
    // Null when the database could not be opened; its message was shown.
    static std::unique_ptr<Program> start();
    ~Program();   // stop(), if not done yet

    TDM &dm() const { return *dm_; }
    TFMain &mainWindow() const { return *main_; }
    TFCom &portDialog() const { return *com_; }
    // Destroys the windows, then closes the data module.
    void stop();

private:
    Program() = default;
    std::unique_ptr<TDM> dm_;
    std::unique_ptr<TFMain> main_;
    TFCom *com_ = nullptr;   // a dialog of the main window, which deletes it
};

// The whole run: start, show the main window maximised, the event loop, stop.
// Returns the exit code (non-zero when the database could not be opened).
int runProgram();
