#include "DeviceItems.h"
#include "OutgoingRecord.h"
#include "RecordParser.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool rule, const char *what)
{
    if (rule) return;
    std::fprintf(stderr, "broken column rule: %s\n", what);
    std::abort();
}

bool finite(const std::optional<double> &v) { return !v || std::isfinite(*v); }
bool storable(const QDateTime &t) { return t.isValid() && t.date().year() >= 1 && t.date().year() <= 9999; }
bool code(const std::optional<int> &v) { return !v || (*v >= 0 && *v <= 0xFFFF); }

struct Checker {
    std::optional<int> interval;
    QDateTime nextSlice;

    void operator()(const BufferMeterRow &r)
    {
        require(r.PAddress.size() <= DeviceItems::addressSize, "PAddress size");
        require(r.PNumber.size() <= DeviceItems::numberSize, "PNumber size");
        require(r.PTipCH.size() <= DeviceItems::tipChSize, "PTipCH size");
        require(finite(r.PReductRate), "PReductRate finite");
        interval.reset();
        // What a write sends for a row it accepts, the device reads back unchanged.
        if (unsendableMeterMessage({r})) return;
        RecordParser again;
        const auto back = again.feed(meterRecordText(r, "."));
        require(back.size() == 1, "meter record read back");
        const auto &m = std::get<BufferMeterRow>(back[0]);
        require(m.PAddress == r.PAddress && m.PNumber == r.PNumber && m.PTipCH == r.PTipCH, "meter texts read back");
        require(!r.PReductRate || (m.PReductRate &&
                                   std::fabs(*m.PReductRate - *r.PReductRate) <= 1e-14 * std::fabs(*r.PReductRate)),
                "meter constant read back");
    }
    void operator()(const BufferResultRow &r)
    {
        for (const auto *v : {&r.PUMeasureA, &r.PUMeasureB, &r.PUMeasureC, &r.PUMeasureAB, &r.PUMeasureBC,
                              &r.PUMeasureCA, &r.PIMeasureA, &r.PIMeasureB, &r.PIMeasureC, &r.PPowerPMeasure,
                              &r.PPowerQMeasure, &r.PPowerSMeasure, &r.PMistakeMeasure, &r.PRectUA, &r.PRectUB,
                              &r.PRectUC, &r.PRectIA, &r.PRectIB, &r.PRectIC, &r.PFreq, &r.PINDICATION,
                              &r.PIndicationInverse, &r.PU, &r.PI})
            require(finite(*v), "result Float finite");
        require(!r.PFPMeasure || r.PFPMeasure->size() <= DeviceItems::fpMeasureSize, "PFPMeasure size");
        require(!r.PDateMeasure || storable(*r.PDateMeasure), "PDateMeasure storable");
        require(code(r.PPowerType) && code(r.PConType) && code(r.PPhaseIndex), "result Code range");
    }
    void operator()(const BufferProfileDayRow &r)
    {
        require(storable(r.PData), "PData storable");
        require(r.PInterval > 0 && r.PInterval < 24 * 60, "PInterval range");
        interval = r.PInterval;
        nextSlice = r.PData;
    }
    void operator()(const BufferProfileSliceRow &r)
    {
        require(interval.has_value(), "slice under a day");
        require(storable(r.PBeginTime) && storable(r.PEndTime), "slice times storable");
        require(r.PBeginTime == nextSlice && r.PBeginTime.secsTo(r.PEndTime) == *interval * 60, "slices tile the day");
        nextSlice = r.PEndTime;
        for (const auto *v : {&r.PActEnergy, &r.PActEnergyNot, &r.PReactEnergy, &r.PReactEnergyNot})
            require(finite(*v), "slice Float finite");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider input(data, size);
    RecordParser parser;
    Checker check;
    while (input.remaining_bytes() > 0) {
        const auto length = input.ConsumeIntegralInRange<size_t>(0, 400);
        const std::string bytes = input.ConsumeBytesAsString(length);
        for (const BufferRecord &record : parser.feed(DeviceItems::decodeDeviceText(bytes)))
            std::visit(check, record);
    }
    const IntakeCounts counts = parser.finish();
    require(counts.any() == !intakeReportText(counts).isEmpty(), "report follows the counts");
    return 0;
}
