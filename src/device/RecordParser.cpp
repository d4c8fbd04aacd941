#include "RecordParser.h"

#include "DeviceItems.h"
#include "Messages.h"
#include "Prompts.h"

#include <cmath>

using namespace DeviceItems;

namespace {

constexpr double noAngle = 999;
constexpr qsizetype maxTail = 1 << 16;  // an unfinished record longer than this is garbage
constexpr int maxNameLength = 16;       // longer than every item name

// Slot positions of the result record, in the order of resultNames.
enum Result {
    U1, U2, U3, I1, I2, I3, F, P, Q, S, COS, COR_UU2, COR_UU3, COR_UI1, COR_UI2, COR_UI3,
    POGR, POGRTIME, WCHPL, WCHMIN, HOUR, MIN, SEC, DATE, MON, YEAR, COSIND, POWIND, CONTYPE, WKPHASE
};
// Profile texts: the day's 7 items, then the slice's 4.
enum Profile { TIME, DAY_HOUR, DAY_MIN, DAY_SEC, DAY_DATE, DAY_MON, DAY_YEAR, P_PLUS, P_MINUS, Q_PLUS, Q_MINUS };
using Kind = RecordParser::Kind;

template <class F, class... T>
auto lift(F f, const std::optional<T> &...args) -> std::optional<decltype(f(*args...))>
{
    if ((args && ...)) return f(*args...);
    return std::nullopt;
}

// Converts item values, counting each one that cannot be read.
class Reader {
public:
    explicit Reader(int &unreadable) : unreadable_(unreadable) {}
    template <class T>
    std::optional<T> counted(std::optional<T> value)
    {
        if (!value) ++unreadable_;
        return value;
    }
    std::optional<double> number(QStringView v) { return counted(TextToFloat(v)); }
    std::optional<double> rounded(QStringView v, int digits) { return counted(TextToFloatRounded(v, digits)); }
    std::optional<int> whole(QStringView v) { return counted(TextToWhole(v)); }
    // A small code column holds 16 bits without sign.
    std::optional<int> code(const std::optional<int> &whole)
    {
        if (whole && (*whole < 0 || *whole > 0xFFFF)) return counted<int>(std::nullopt);
        return whole;
    }

private:
    int &unreadable_;
};

// The angles of the voltages from the rounded phase voltages; 999 where a phase is absent.
void voltageAngles(const BufferResultRow &r, std::optional<double> a, std::optional<double> b,
                   std::optional<double> &ua, std::optional<double> &ub, std::optional<double> &uc)
{
    ua = ub = uc = std::nullopt;
    if (!r.PUMeasureA || !r.PUMeasureB || !r.PUMeasureC) return;
    const bool n1 = *r.PUMeasureA != 0, n2 = *r.PUMeasureB != 0, n3 = *r.PUMeasureC != 0;
    const auto bMinusA = lift([](double x, double y) { return y - x; }, a, b);
    ua = ub = uc = noAngle;
    if (n1 && n2 && n3) {
        ua = a;
        ub = bMinusA;
        uc = lift([](double y) { return 360 - y; }, b);
    } else if (n1 && n2) {
        ua = a;
    } else if (n1 && n3) {
        uc = lift([](double y) { return -y; }, b);
    } else if (n2 && n3) {
        ub = bMinusA;
    }
}

void reduceAbove360(std::optional<double> &angle)
{
    if (angle && *angle > 360 && *angle != noAngle) *angle -= 360 * std::trunc(*angle / 360);
}

double lineVoltage(double x, double y, double angleDegrees)
{
    const double square = x * x + y * y - 2 * x * y * std::cos(angleDegrees * M_PI / 180);
    return std::sqrt(std::max(0.0, square));  // rounding may leave a tiny negative
}

// Sum of all three divided by how many are above 0, or 0 when none is.
double meanOfPresent(double a, double b, double c)
{
    const int n = (a > 0) + (b > 0) + (c > 0);
    return n ? (a + b + c) / n : 0;
}

double roundBySize(double current)
{
    if (current > 100) return roundAsFixed7(current, 1);
    if (current > 10) return roundAsFixed7(current, 2);
    if (current > 1) return roundAsFixed7(current, 3);
    if (current > 0) return roundAsFixed7(current, 4);
    return current;
}

// Every item name once, and per kind of record the slot that each name fills.
class NameTable {
public:
    NameTable()
    {
        addList(Kind::Meter, meterNames);
        addList(Kind::Result, resultNames);
        addList(Kind::Profile, dayNames);
        addList(Kind::Profile, sliceNames);
    }
    int id(QStringView name) const
    {
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (names_[i] == name) return int(i);
        return -1;
    }
    int slot(Kind kind, int id) const { return slots_[int(kind)][id]; }

private:
    template <std::size_t N>
    void addList(Kind kind, const std::array<const char16_t *, N> &list)
    {
        int &next = nextSlot_[int(kind)];
        for (const char16_t *name : list) {
            int i = id(name);
            if (i < 0) {
                i = int(names_.size());
                names_.emplace_back(name);
                for (auto &s : slots_) s.push_back(-1);
            }
            slots_[int(kind)][i] = next++;
        }
    }
    std::vector<QStringView> names_;
    std::vector<int> slots_[4];
    int nextSlot_[4] = {};
};

const NameTable &nameTable()
{
    static const NameTable table;
    return table;
}

Kind closingKind(int id)
{
    static const int meter = nameTable().id(meterNames.back());
    static const int result = nameTable().id(resultNames.back());
    static const int slice = nameTable().id(sliceNames.back());
    return id == meter ? Kind::Meter : id == result ? Kind::Result : id == slice ? Kind::Profile : Kind::None;
}

bool holdsMoreThanBlanks(QStringView text)
{
    for (QChar c : text)
        if (c.unicode() > u' ') return true;
    return false;
}

template <class T>
QVariant variant(const std::optional<T> &value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

}  // namespace

bool IntakeCounts::any() const
{
    return *this != IntakeCounts{};
}

BufferColumns columnValues(const BufferMeterRow &r)
{
    return {{"PTipCH", r.PTipCH}, {"PReductRate", variant(r.PReductRate)},
            {"PNumber", r.PNumber}, {"PAddress", r.PAddress}};
}

BufferColumns columnValues(const BufferResultRow &r)
{
    return {
        {"PUMeasureA", variant(r.PUMeasureA)}, {"PUMeasureB", variant(r.PUMeasureB)},
        {"PUMeasureC", variant(r.PUMeasureC)}, {"PUMeasureAB", variant(r.PUMeasureAB)},
        {"PUMeasureBC", variant(r.PUMeasureBC)}, {"PUMeasureCA", variant(r.PUMeasureCA)},
        {"PIMeasureA", variant(r.PIMeasureA)}, {"PIMeasureB", variant(r.PIMeasureB)},
        {"PIMeasureC", variant(r.PIMeasureC)}, {"PPowerPMeasure", variant(r.PPowerPMeasure)},
        {"PPowerQMeasure", variant(r.PPowerQMeasure)}, {"PPowerSMeasure", variant(r.PPowerSMeasure)},
        {"PFPMeasure", variant(r.PFPMeasure)}, {"PMistakeMeasure", variant(r.PMistakeMeasure)},
        {"PDateMeasure", variant(r.PDateMeasure)}, {"PTimeMeasure", variant(r.PTimeMeasure)},
        {"PRectUA", variant(r.PRectUA)}, {"PRectUB", variant(r.PRectUB)}, {"PRectUC", variant(r.PRectUC)},
        {"PRectIA", variant(r.PRectIA)}, {"PRectIB", variant(r.PRectIB)}, {"PRectIC", variant(r.PRectIC)},
        {"PFreq", variant(r.PFreq)}, {"PINDICATION", variant(r.PINDICATION)},
        {"PIndicationInverse", variant(r.PIndicationInverse)}, {"PPowerType", variant(r.PPowerType)},
        {"PConType", variant(r.PConType)}, {"PPhaseIndex", variant(r.PPhaseIndex)},
        {"PU", variant(r.PU)}, {"PI", variant(r.PI)},
    };
}

BufferColumns columnValues(const BufferProfileDayRow &r)
{
    return {{"PData", r.PData}, {"PInterval", r.PInterval}};
}

BufferColumns columnValues(const BufferProfileSliceRow &r)
{
    return {{"PBeginTime", r.PBeginTime}, {"PEndTime", r.PEndTime},
            {"PActEnergy", variant(r.PActEnergy)}, {"PActEnergyNot", variant(r.PActEnergyNot)},
            {"PReactEnergy", variant(r.PReactEnergy)}, {"PReactEnergyNot", variant(r.PReactEnergyNot)}};
}

std::vector<BufferRecord> RecordParser::feed(QStringView delivered)
{
    QString text = std::exchange(tail_, {});
    text += delivered;
    const std::vector<Item> found = itemsOf(text);

    // Each record is of the kind of the closing item that ends it, so a text carrying
    // the last slices of one meter and the record of the next loses neither.
    std::vector<Kind> kinds(found.size(), Kind::None);
    bool onlyProfile = false;
    Kind next = Kind::None;
    for (std::size_t i = found.size(); i-- > 0;) {
        const Kind closing = closingKind(found[i].name);
        if (closing != Kind::None) {
            onlyProfile = (next == Kind::None || onlyProfile) && closing == Kind::Profile;
            next = closing;
        }
        kinds[i] = next;
    }
    // In a text of days and slices, a day after the last slice is complete at its YEAR.
    if (onlyProfile)
        for (Kind &kind : kinds)
            if (kind == Kind::None) kind = Kind::Profile;

    Slots pending;
    pending.profile[TIME] = carriedTime_;
    std::vector<BufferRecord> out;
    qsizetype consumed = 0;
    for (std::size_t i = 0; i < found.size() && kinds[i] != Kind::None; ++i)
        if (take(kinds[i], found[i], pending, out)) consumed = found[i].end;

    const QStringView rest = QStringView(text).sliced(consumed);
    if (holdsMoreThanBlanks(rest)) {
        if (rest.size() > maxTail) ++counts_.unfinishedRecords;
        else tail_ = rest.toString();
    }
    return out;
}

IntakeCounts RecordParser::finish()
{
    if (!tail_.isEmpty()) ++counts_.unfinishedRecords;
    tail_.clear();
    return counts_;
}

std::vector<RecordParser::Item> RecordParser::itemsOf(QStringView text)
{
    std::vector<Item> found;
    QChar name[maxNameLength];
    int nameLength = 0;
    bool nameTooLong = false;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c != u'(') {
            // Control characters (CR, LF…) stand between items and are no part of a name.
            if (c.unicode() >= 30) {
                if (nameLength < maxNameLength) name[nameLength++] = c;
                else nameTooLong = true;
            }
            ++i;
            continue;
        }
        const qsizetype close = text.indexOf(u')', i + 1);
        if (close < 0) break;  // the rest comes with the next text
        const int id = nameTooLong ? -1 : nameTable().id(QStringView(name, nameLength));
        if (id >= 0) found.push_back({id, trimTrailingBlanks(text.sliced(i + 1, close - i - 1)), close + 1});
        nameLength = 0;
        nameTooLong = false;
        i = close + 1;
    }
    return found;
}

// Puts the item into its slot for a record of that kind; stores the record it closes
// and empties that record's slots. True when a record was closed.
bool RecordParser::take(Kind kind, const Item &item, Slots &pending, std::vector<BufferRecord> &out)
{
    const int k = nameTable().slot(kind, item.name);
    if (k < 0) return false;  // an item of another kind
    auto empty = [](QStringView *from, QStringView *to) { std::fill(from, to, QStringView()); };
    switch (kind) {
    case Kind::Meter:
        pending.meter[k] = item.value;
        if (k != int(meterNames.size()) - 1) return false;
        storeMeter(pending.meter, out);
        empty(std::begin(pending.meter), std::end(pending.meter));
        // A new meter's days take nothing from the last meter's, not even TIME.
        carriedTime_.clear();
        empty(std::begin(pending.profile), std::end(pending.profile));
        return true;
    case Kind::Result:
        pending.result[k] = item.value;
        if (k != WKPHASE) return false;
        storeResult(pending.result, out);
        empty(std::begin(pending.result), std::end(pending.result));
        return true;
    case Kind::Profile:
        pending.profile[k] = item.value;
        if (k == DAY_YEAR) {
            carriedTime_ = pending.profile[TIME].toString();
            pending.profile[TIME] = carriedTime_;
            storeDay(pending.profile, out);
            empty(pending.profile + DAY_HOUR, pending.profile + DAY_YEAR + 1);  // TIME carries over
            return true;
        }
        if (k != Q_MINUS) return false;
        storeSlice(pending.profile + P_PLUS, out);
        empty(pending.profile + P_PLUS, pending.profile + Q_MINUS + 1);
        return true;
    case Kind::None:
        break;
    }
    return false;
}

QString RecordParser::cut(QStringView text, int size)
{
    if (text.size() <= size) return text.toString();
    ++counts_.cutTexts;
    // Like every value read, the cut text ends without blanks.
    return trimTrailingBlanks(text.first(size)).toString();
}

void RecordParser::storeMeter(const QStringView *items, std::vector<BufferRecord> &out)
{
    Reader read(counts_.unreadableValues);
    BufferMeterRow row;
    row.PAddress = cut(items[0], addressSize);
    row.PNumber = cut(items[1], numberSize);
    row.PTipCH = cut(items[2], tipChSize);
    row.PReductRate = read.number(items[3]);
    out.emplace_back(std::move(row));
    // A new meter has no profile day yet.
    haveMeter_ = true;
    dayInterval_.reset();
}

void RecordParser::storeResult(const QStringView *s, std::vector<BufferRecord> &out)
{
    if (!haveMeter_) {
        ++counts_.orphanResults;
        return;
    }
    Reader read(counts_.unreadableValues);
    BufferResultRow r;
    r.PUMeasureA = read.rounded(s[U1], 2);
    r.PUMeasureB = read.rounded(s[U2], 2);
    r.PUMeasureC = read.rounded(s[U3], 2);
    r.PIMeasureA = read.rounded(s[I1], 4);
    r.PIMeasureB = read.rounded(s[I2], 4);
    r.PIMeasureC = read.rounded(s[I3], 4);
    r.PFreq = read.rounded(s[F], 2);
    r.PPowerPMeasure = read.number(s[P]);
    r.PPowerQMeasure = read.number(s[Q]);
    r.PPowerSMeasure = read.number(s[S]);

    QString cosText = s[COS].toString();
    if (cosText.size() >= 4) cosText.remove(3, 1);
    if (s[COSIND] == u"0") r.PFPMeasure = cut(cosText, fpMeasureSize);
    else if (s[COSIND] == u"1") r.PFPMeasure = cut(cosText + u'L', fpMeasureSize);
    else if (s[COSIND] == u"2") r.PFPMeasure = cut(cosText + u'C', fpMeasureSize);

    const auto a = read.rounded(s[COR_UU2], 2);
    const auto b = read.rounded(s[COR_UU3], 2);
    voltageAngles(r, a, b, r.PRectUA, r.PRectUB, r.PRectUC);
    for (auto *angle : {&r.PRectUA, &r.PRectUB, &r.PRectUC})
        if (*angle && **angle < -180) **angle += 360;
    for (auto *angle : {&r.PRectUA, &r.PRectUB, &r.PRectUC}) reduceAbove360(*angle);

    const std::optional<double> currentAngle[3] = {read.number(s[COR_UI1]), read.number(s[COR_UI2]),
                                                  read.number(s[COR_UI3])};
    const std::optional<double> *phaseU[3] = {&r.PUMeasureA, &r.PUMeasureB, &r.PUMeasureC};
    const std::optional<double> *phaseI[3] = {&r.PIMeasureA, &r.PIMeasureB, &r.PIMeasureC};
    std::optional<double> *rectI[3] = {&r.PRectIA, &r.PRectIB, &r.PRectIC};
    for (int p = 0; p < 3; ++p) {
        if (*phaseU[p] && *phaseI[p])
            *rectI[p] = (**phaseU[p] != 0 && **phaseI[p] != 0) ? currentAngle[p] : noAngle;
        reduceAbove360(*rectI[p]);
    }

    r.PMistakeMeasure = read.number(s[POGR]);
    r.PTimeMeasure = read.whole(s[POGRTIME]);
    r.PINDICATION = read.rounded(s[WCHPL], 2);
    r.PIndicationInverse = read.rounded(s[WCHMIN], 2);

    const auto year = read.whole(s[YEAR]), month = read.whole(s[MON]), day = read.whole(s[DATE]);
    const auto hour = read.whole(s[HOUR]), minute = read.whole(s[MIN]), second = read.whole(s[SEC]);
    if (year && month && day && hour && minute && second)
        r.PDateMeasure = deviceDateTime(*year, *month, *day, *hour, *minute, *second).value_or(noDeviceDate());

    r.PPowerType = read.code(read.whole(s[POWIND]));
    const auto conType = read.whole(s[CONTYPE]);
    r.PConType = read.code(conType);
    r.PPhaseIndex = read.code(read.whole(s[WKPHASE]));

    // Line voltages from the voltages as sent, not as rounded; a bad one was counted above.
    const auto ua = TextToFloat(s[U1]), ub = TextToFloat(s[U2]), uc = TextToFloat(s[U3]);
    r.PUMeasureAB = lift(lineVoltage, ua, ub, r.PRectUA);
    r.PUMeasureBC = lift(lineVoltage, ub, uc, r.PRectUB);
    r.PUMeasureCA = lift(lineVoltage, ua, uc, r.PRectUC);

    std::optional<double> meanCurrent;
    const auto phaseCurrents = lift(meanOfPresent, r.PIMeasureA, r.PIMeasureB, r.PIMeasureC);
    switch (conType.value_or(-1)) {
    case 0:
        r.PU = lift(meanOfPresent, r.PUMeasureA, r.PUMeasureB, r.PUMeasureC);
        meanCurrent = phaseCurrents;
        break;
    case 1:
        r.PU = lift([](double a, double b, double c, double ab, double bc, double ca) {
                        const int n = (a > 0) + (b > 0) + (c > 0);
                        return n ? (ab + bc + ca) / n : 0;
                    },
                    r.PUMeasureA, r.PUMeasureB, r.PUMeasureC, r.PUMeasureAB, r.PUMeasureBC, r.PUMeasureCA);
        meanCurrent = phaseCurrents;
        break;
    case 2:
        r.PU = r.PUMeasureA;
        meanCurrent = r.PIMeasureA;
        break;
    default:
        break;
    }
    r.PI = lift(roundBySize, meanCurrent);

    // Values near the limit of a double can overflow in the derived columns.
    for (auto *derived : {&r.PUMeasureAB, &r.PUMeasureBC, &r.PUMeasureCA, &r.PRectUA, &r.PRectUB, &r.PRectUC,
                          &r.PU, &r.PI})
        if (*derived && !std::isfinite(**derived)) *derived = read.counted<double>(std::nullopt);
    out.emplace_back(std::move(r));
}

void RecordParser::storeDay(const QStringView *s, std::vector<BufferRecord> &out)
{
    dayInterval_.reset();  // until this day proves good, its slices have nowhere to go
    if (!haveMeter_) {
        ++counts_.orphanDays;
        return;
    }
    const auto interval = TextToWhole(s[TIME]);
    const auto year = TextToWhole(s[DAY_YEAR]), month = TextToWhole(s[DAY_MON]), day = TextToWhole(s[DAY_DATE]);
    const auto hour = TextToWhole(s[DAY_HOUR]), minute = TextToWhole(s[DAY_MIN]), second = TextToWhole(s[DAY_SEC]);
    std::optional<QDateTime> start;
    if (year && month && day && hour && minute && second)
        start = deviceDateTime(*year, *month, *day, *hour, *minute, *second);
    // A slice lasts a time of day: 0 or a whole day and more can't tile the day.
    if (!start || !interval || *interval <= 0 || *interval >= 24 * 60) {
        ++counts_.skippedDays;
        return;
    }
    out.emplace_back(BufferProfileDayRow{*start, *interval});
    dayInterval_ = interval;
    profileTime_ = *start;
}

void RecordParser::storeSlice(const QStringView *s, std::vector<BufferRecord> &out)
{
    if (!dayInterval_) {
        ++counts_.skippedSlices;
        return;
    }
    const QDateTime end = profileTime_.addSecs(qint64(*dayInterval_) * 60);
    if (end.date().year() > 9999) {
        ++counts_.skippedSlices;
        return;
    }
    Reader read(counts_.unreadableValues);
    BufferProfileSliceRow row{profileTime_, end, read.number(s[0]), read.number(s[1]),
                              read.number(s[2]), read.number(s[3])};
    out.emplace_back(std::move(row));
    profileTime_ = end;
}

namespace {

struct Text {
    const char16_t *russian;
    const char16_t *english;
    QString current() const { return QString::fromUtf16(Messages::isEnglish() ? english : russian); }
};

constexpr Text reportCaption = {u"Считывание данных", u"Data reading"};
constexpr Text reportHeader = {u"Данные прибора приняты не полностью:", u"Device data not taken over completely:"};
constexpr Text unreadableLine = {u"- нечитаемых значений (поля оставлены пустыми): %1",
                                 u"- unreadable values (fields left empty): %1"};
constexpr Text cutLine = {u"- текстов, обрезанных по размеру поля: %1", u"- texts cut to the field size: %1"};
constexpr Text skippedDaysLine = {u"- пропущено суток профиля с неверной датой или интервалом: %1",
                                  u"- profile days with a wrong date or interval skipped: %1"};
constexpr Text skippedSlicesLine = {u"- пропущено срезов профиля: %1", u"- profile slices skipped: %1"};
constexpr Text orphanResultsLine = {u"- пропущено результатов проверки без счетчика: %1",
                                    u"- verification results without a meter skipped: %1"};
constexpr Text orphanDaysLine = {u"- пропущено суток профиля без счетчика: %1",
                                 u"- profile days without a meter skipped: %1"};
constexpr Text unfinishedLine = {u"- пропущено незавершенных записей: %1", u"- unfinished records skipped: %1"};

}  // namespace

QString intakeReportText(const IntakeCounts &c)
{
    if (!c.any()) return {};
    QStringList lines{reportHeader.current()};
    const std::pair<int, const Text &> parts[] = {
        {c.unreadableValues, unreadableLine}, {c.cutTexts, cutLine},
        {c.skippedDays, skippedDaysLine},     {c.skippedSlices, skippedSlicesLine},
        {c.orphanResults, orphanResultsLine}, {c.orphanDays, orphanDaysLine},
        {c.unfinishedRecords, unfinishedLine},
    };
    for (const auto &[count, line] : parts)
        if (count) lines << line.current().arg(count);
    return lines.join(u"\r\n");
}

QString intakeReportCaption()
{
    return reportCaption.current();
}

void showIntakeReport(const IntakeCounts &counts)
{
    if (counts.any()) showMessage(intakeReportText(counts), intakeReportCaption(), PromptIcon::Warning);
}
