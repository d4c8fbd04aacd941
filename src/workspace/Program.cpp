#include "Program.h"

#include "TDM.h"
#include "UMain.h"

#include <QApplication>

std::unique_ptr<Program> Program::start()
{
    std::unique_ptr<Program> program(new Program);
    program->dm_ = std::make_unique<TDM>();
    if (!program->dm_->open())
        return nullptr;
    program->main_ = std::make_unique<TFMain>(*program->dm_);
    // The secondary windows are created here, hidden, as their features arrive.
    return program;
}

Program::~Program()
{
    stop();
}

void Program::stop()
{
    main_.reset();
    if (dm_)
        dm_->close();
    dm_.reset();
}

int runProgram()
{
    std::unique_ptr<Program> program = Program::start();
    if (!program)
        return 1;
    program->mainWindow().showMaximized();
    const int code = QApplication::exec();
    program->stop();
    return code;
}
