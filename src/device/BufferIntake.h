#pragma once
// BufferIntake: takes the record texts of one read exchange into the exchange buffer.
// Meters go to ADOSinhro, results and profile days under the meter received last
// (ADOSinhroResult, ADOSDataProfile), slices under the day received last
// (ADOSinhroProfile); the child views fill the parent key themselves.
//
//   BufferIntake intake(dm);          // the buffer has just been emptied
//   intake.take(text);                // for every delivered text, in order
//   showIntakeReport(intake.finish()); // after the exchange
//
// The rows are written in one write batch for the whole read (the store commits it
// at least every second and at finish()), so a long read is not held up by commits
// and at most the last second of a read that dies with the program is lost.
#include "RecordParser.h"
#include "TDM.h"

#include <QString>
#include <optional>
#include <vector>

class DataView;

class BufferIntake {
public:
    explicit BufferIntake(TDM &dm);

    // Parses one delivered text and appends its records. False once the store refused a
    // row (its message was shown): that row is dropped and nothing more is taken.
    bool take(const QString &delivered);
    bool failed() const { return failed_; }

    // The exchange is over: commits, and says what could not be taken over as sent.
    IntakeCounts finish();

    int storedRows() const { return stored_; }

private:
    bool store(const BufferRecord &record);
    bool appendRow(DataView &view, const BufferColumns &columns, std::vector<int> &indexes);

    TDM &dm_;
    std::optional<TDM::WriteBatch> batch_;
    RecordParser parser_;
    // Column positions of each kind of row, looked up once (columnValues keeps its order).
    std::vector<int> columnIndexes_[std::variant_size_v<BufferRecord>];
    bool failed_ = false;
    int stored_ = 0;
};
