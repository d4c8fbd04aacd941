#include "Faults.h"

#include <QRegularExpression>

namespace emu {

namespace {

struct KindInfo {
    FaultKind kind;
    const char *name;
    QList<FaultPoint> points; // the first is the default
    const char *meaning;
};

const QList<KindInfo> &kinds()
{
    using P = FaultPoint;
    static const QList<KindInfo> list = {
        {FaultKind::Silence, "silence", {P::Ident, P::P0, P::P1, P::R3, P::Block, P::Break, P::W1, P::E1},
         "send nothing; an ignored command changes nothing"},
        {FaultKind::Fragment, "fragment", {P::Block, P::Ident, P::P0, P::Break},
         "send the first half of the frame, then nothing (a NAK gets the whole frame)"},
        {FaultKind::BadBcc, "bad-bcc", {P::Block, P::P0, P::Break}, "send the frame with a wrong block check"},
        {FaultKind::Nak, "nak", {P::W1, P::P1, P::R3, P::E1}, "answer the command with NAK"},
        {FaultKind::DataErr, "data-err", {P::W1, P::P1, P::R3, P::E1}, "answer the command with ERR(DATA_ERR)"},
        {FaultKind::BaseEmpty, "base-empty", {P::R3}, "answer the read command with ERR(BASE_EMPTY)"},
        {FaultKind::BaseOvflow, "base-ovflow", {P::W1}, "answer a meter record with ERR(BASE_OVFLOW)"},
        {FaultKind::WrongPassword, "wrong-password", {P::P0}, "present a wrong password of the right length"},
        {FaultKind::P1Break, "p1-break", {P::P1}, "answer a correct password with a break"},
        {FaultKind::EtxBlock, "etx-block", {P::Block}, "end the data block with ETX instead of EOT"},
        {FaultKind::NoEraseAnswer, "no-erase-answer", {P::E1}, "neither erase nor answer the erase command"},
    };
    return list;
}

const QList<std::pair<FaultPoint, const char *>> &points()
{
    static const QList<std::pair<FaultPoint, const char *>> list = {
        {FaultPoint::Ident, "ident"}, {FaultPoint::P0, "p0"},       {FaultPoint::P1, "p1"},
        {FaultPoint::R3, "r3"},       {FaultPoint::Block, "block"}, {FaultPoint::Break, "break"},
        {FaultPoint::W1, "w1"},       {FaultPoint::E1, "e1"},
    };
    return list;
}

const KindInfo *kindInfo(FaultKind kind)
{
    for (const auto &k : kinds())
        if (k.kind == kind) return &k;
    return nullptr;
}

} // namespace

QString faultName(FaultKind kind) { return QLatin1String(kindInfo(kind)->name); }

QString pointName(FaultPoint point)
{
    for (const auto &[p, name] : points())
        if (p == point) return QLatin1String(name);
    return {};
}

std::optional<Fault> parseFault(const QString &text, QString *error)
{
    static const QRegularExpression form(
        QStringLiteral("^([a-z0-9-]+)(?:@([a-z0-9]+)(?::([0-9]+))?)?(?:=([0-9]+|always))?$"));
    const auto m = form.match(text.trimmed());
    if (!m.hasMatch()) {
        *error = QStringLiteral("fault \"%1\" is not of the form name[@point[:k]][=n]").arg(text);
        return std::nullopt;
    }
    const KindInfo *info = nullptr;
    for (const auto &k : kinds())
        if (m.captured(1) == QLatin1String(k.name)) info = &k;
    if (!info) {
        *error = QStringLiteral("unknown fault \"%1\"").arg(m.captured(1));
        return std::nullopt;
    }
    Fault f;
    f.kind = info->kind;
    f.point = info->points.first();
    if (m.hasCaptured(2)) {
        bool known = false;
        for (const auto &[p, name] : points())
            if (m.captured(2) == QLatin1String(name)) { f.point = p; known = true; }
        if (!known || !info->points.contains(f.point)) {
            QStringList allowed;
            for (FaultPoint p : info->points) allowed << pointName(p);
            *error = QStringLiteral("fault %1 cannot strike at \"%2\" (allowed: %3)")
                         .arg(info->name, m.captured(2), allowed.join(QStringLiteral(", ")));
            return std::nullopt;
        }
    }
    if (m.hasCaptured(3)) {
        f.from = m.captured(3).toInt();
        if (f.from < 1) {
            *error = QStringLiteral("fault \"%1\": occurrences count from 1").arg(text);
            return std::nullopt;
        }
    }
    if (m.hasCaptured(4)) {
        if (m.captured(4) == QLatin1String("always"))
            f.remaining = -1;
        else {
            bool ok = false;
            f.remaining = m.captured(4).toInt(&ok);
            if (!ok || f.remaining < 1) {
                *error = QStringLiteral("fault \"%1\": n must be 1 or more, or always").arg(text);
                return std::nullopt;
            }
        }
    }
    return f;
}

QStringList faultHelp()
{
    QStringList lines;
    for (const auto &k : kinds()) {
        QStringList allowed;
        for (FaultPoint p : k.points) allowed << pointName(p);
        lines << QStringLiteral("  %1 @%2: %3").arg(QLatin1String(k.name), -16)
                     .arg(allowed.join(QLatin1Char('|')), QLatin1String(k.meaning));
    }
    return lines;
}

bool FaultPlan::strikes(FaultKind kind, FaultPoint point, int occurrence)
{
    for (Fault &f : faults_) {
        if (f.kind != kind || f.point != point || occurrence < f.from || f.remaining == 0) continue;
        if (f.remaining > 0) --f.remaining;
        return true;
    }
    return false;
}

} // namespace emu
