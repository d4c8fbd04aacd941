#include "FakeSerialLine.h"

bool FakeSerialLine::open(const QString &portName, const LineSettings &settings)
{
    if (!openSucceeds) return false;
    open_ = true;
    settings_ = settings;
    opened << portName;
    openedWith << settings;
    return true;
}

bool FakeSerialLine::write(const QByteArray &bytes)
{
    if (!open_ || !writeSucceeds) return false;
    writes << bytes;
    unread_ += bytes;
    if (handOverAtOnce) handOver();
    return true;
}

void FakeSerialLine::receive(const QByteArray &chunk)
{
    if (events_.received) events_.received(chunk);
}

void FakeSerialLine::handOver()
{
    if (events_.handedOver) events_.handedOver();
}

void FakeSerialLine::loseLine()
{
    open_ = false;
    if (events_.lost) events_.lost();
}

QByteArray FakeSerialLine::takeWritten() { return std::exchange(unread_, {}); }
