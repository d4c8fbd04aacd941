#pragma once
// Faults the emulated instrument commits on demand, so that the PC side can be
// tested against every way a device misbehaves. Written on the command line as
//   name[@point[:k]][=n]
// where the fault strikes n times (or "always") from the k-th time the point is
// reached, counted from the emulator's start, repeats included.
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace emu {

enum class FaultKind {
    Silence,        // nothing is sent (for an answer: the command is ignored)
    Fragment,       // the first half of the frame, then nothing
    BadBcc,         // the frame goes out with a wrong block check
    Nak,            // NAK in answer to a command frame
    DataErr,        // ERR(DATA_ERR) in answer to a command frame
    BaseEmpty,      // ERR(BASE_EMPTY) in answer to the read command
    BaseOvflow,     // ERR(BASE_OVFLOW) in answer to a meter record
    WrongPassword,  // the P0 frame carries a wrong password of the right length
    P1Break,        // a break in answer to a correct P1
    EtxBlock,       // a data block ends with ETX instead of EOT
    NoEraseAnswer,  // the erase command is neither carried out nor answered
};

// Places where the instrument sends something: its own frames, or answers to the PC's.
enum class FaultPoint {
    Ident,   // identification, answer to the sign-on
    P0,      // the password frame after the option select
    P1,      // answer to the PC's password
    R3,      // answer to the read command
    Block,   // every data block
    Break,   // the closing break after the last block
    W1,      // answer to a meter record
    E1,      // answer to the erase command
};

struct Fault {
    FaultKind kind = FaultKind::Silence;
    FaultPoint point = FaultPoint::Ident;
    int from = 1;        // occurrence of the point at which it starts striking
    int remaining = 1;   // strikes left; -1 for always
};

// Parses "name[@point[:k]][=n]"; on failure returns nothing and says why in *error.
std::optional<Fault> parseFault(const QString &text, QString *error);
QString faultName(FaultKind kind);
QString pointName(FaultPoint point);
// One line per fault for --help: name, points allowed (default first), meaning.
QStringList faultHelp();

class FaultPlan {
public:
    void add(const Fault &fault) { faults_.append(fault); }
    bool isEmpty() const { return faults_.isEmpty(); }
    // Whether a fault of this kind strikes at this occurrence of the point; a strike
    // uses one of its n.
    bool strikes(FaultKind kind, FaultPoint point, int occurrence);

private:
    QList<Fault> faults_;
};

} // namespace emu
