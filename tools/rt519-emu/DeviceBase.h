#pragma once
// The instrument's data base: the record texts it holds, in the order it sends them.
//
// Base file format (UTF-8 text, sent in CP1251):
//   - the device's own record syntax: items NAME(value) one after another, e.g.
//       ADR(ул. Ленина, 12)NUM(01234567)TYPE(СЭТ-4ТМ)CONST(5000)
//   - line breaks are not part of the text, and blanks at the start and end of a
//     line are dropped, so a record may be spread over lines; a blank inside a
//     line is kept (and becomes part of the next name, as on the device);
//   - a line whose first non-blank character is '#' is a comment; blank lines are skipped;
//   - a record ends with its closing item: CONST (meter), WKPHASE (result) or
//     Q_MINUS (profile slice; a profile day TIME..YEAR travels with the slice after it);
//     the text must end with a closing item;
//   - order is the device's: each meter, then its results, then its profile days,
//     each day followed by its slices.
// Unknown or misplaced names are kept and sent as they are.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace emu {

// Names of the items that close a record; the PC joins blocks until one has arrived.
inline constexpr const char *closingNames[] = {"CONST", "Q_MINUS", "WKPHASE"};

// One record as the device sends it: its text up to and including the closing item.
struct BaseUnit {
    QByteArray text;        // CP1251
    QByteArray closingName; // CONST, Q_MINUS or WKPHASE
    qsizetype closingAt = 0; // where the closing item's name starts in text
    bool written = false;   // stored from a meter record that the PC wrote

    bool isMeter() const { return closingName == "CONST"; }
};

struct BaseError {
    int line = 0;
    QString message;
};

class DeviceBase {
public:
    // Parses base-file text; on failure returns nothing and fills *error.
    static std::optional<DeviceBase> fromText(const QString &text, BaseError *error);

    // Splits a CP1251 record text into units; nothing if it is not a run of whole
    // NAME(value) items ending with a closing item.
    static std::optional<QList<BaseUnit>> unitsOf(const QByteArray &text, QString *error);

    const QList<BaseUnit> &units() const { return units_; }
    bool isEmpty() const { return units_.isEmpty(); }
    int meterCount() const;
    void append(const BaseUnit &unit) { units_.append(unit); }
    void clear() { units_.clear(); }

    // The meter records that the PC wrote, one per line in base-file form (UTF-8).
    QString writtenAsText() const;
    // The whole base in base-file form, one record per line (UTF-8).
    QString asText() const;

private:
    QList<BaseUnit> units_;
};

struct BlockLayout {
    int blockSize = 128;    // most text bytes in a block (the closing item is never cut)
    bool pack = true;       // whole records of the same kind share a block while they fit
    bool crlf = false;      // CR LF after every record
    bool splitAnywhere = false; // cut at blockSize even after the closing item's name
};

// The texts of the data blocks that serve the base, in order. A record longer than a
// block is cut into blocks of blockSize bytes, but never after the start of its
// closing item's name, so the block that completes the name also ends the record.
// Records of different kinds never share a block.
QList<QByteArray> layoutBlocks(const QList<BaseUnit> &units, const BlockLayout &layout);

// Converts UTF-8 text to the device's CP1251; nothing if a character has no CP1251 form.
std::optional<QByteArray> toDeviceText(const QString &text);
QString fromDeviceText(const QByteArray &bytes);

} // namespace emu
