#include "BufferIntake.h"

#include "DataView.h"

BufferIntake::BufferIntake(TDM &dm) : dm_(dm)
{
    batch_.emplace(dm_);
}

IntakeCounts BufferIntake::finish()
{
    batch_.reset();
    return parser_.finish();
}

bool BufferIntake::take(const QString &delivered)
{
    if (failed_)
        return false;
    const std::vector<BufferRecord> records = parser_.feed(delivered);
    for (const BufferRecord &record : records) {
        if (!store(record)) {
            failed_ = true;
            return false;
        }
    }
    return true;
}

bool BufferIntake::store(const BufferRecord &record)
{
    return std::visit(
        [this, &record](const auto &row) {
            using Row = std::decay_t<decltype(row)>;
            DataView *view = nullptr;
            if constexpr (std::is_same_v<Row, BufferMeterRow>)
                view = &dm_.ADOSinhro;
            else if constexpr (std::is_same_v<Row, BufferResultRow>)
                view = &dm_.ADOSinhroResult;
            else if constexpr (std::is_same_v<Row, BufferProfileDayRow>)
                view = &dm_.ADOSDataProfile;
            else
                view = &dm_.ADOSinhroProfile;
            return appendRow(*view, columnValues(row), columnIndexes_[record.index()]);
        },
        record);
}

bool BufferIntake::appendRow(DataView &view, const BufferColumns &columns, std::vector<int> &indexes)
{
    if (indexes.empty())
        for (const auto &column : columns)
            indexes.push_back(view.fieldIndex(column.first));
    if (!view.append())
        return false;
    for (std::size_t i = 0; i < columns.size(); ++i)
        view.setField(indexes[i], columns[i].second);
    if (!view.post()) {
        view.cancel();
        return false;
    }
    ++stored_;
    return true;
}
