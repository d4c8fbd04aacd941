#include "Program.h"

#include "TDM.h"
#include "UCom.h"
#include "UMain.h"

#include <QApplication>

std::unique_ptr<Program> Program::start()
{
    std::unique_ptr<Program> program(new Program);
    program->dm_ = std::make_unique<TDM>();
    if (!program->dm_->open())
        return nullptr;
    program->main_ = std::make_unique<TFMain>(*program->dm_);
    // The secondary windows are created here, hidden, right after the main window.
    TFMain &window = *program->main_;
    program->com_ = new TFCom(window.AsynComAscii1(), &window);   // applies the remembered port
    TFCom *com = program->com_;
    window.setActionHandler(QStringLiteral("Action5"), [com] { com->exec(); });
    return program;
}

Program::~Program()
{
    stop();
}

void Program::stop()
{
    com_ = nullptr;   // goes with the main window
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
