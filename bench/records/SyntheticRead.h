#pragma once
// A synthetic read of 100 meters, 1,000 results and 300,000 profile slices, cut the way
// the engine delivers it: fixed-size blocks joined until the text holds a closing name.
#include "RecordTexts.h"
#include "Schema.h"
#include "TDM.h"

#include <QDir>
#include <QStringList>
#include <QTemporaryDir>
#include <utility>

namespace syntheticread {

constexpr int meters = 100, resultsPerMeter = 10, slicesPerMeter = 3000, interval = 30;
constexpr int blockSize = 128;

inline QStringList deliveries()
{
    QString stream;
    for (int m = 0; m < meters; ++m) {
        stream += meterText(QString("Street %1").arg(m), QString::number(100000 + m), "SET4", "1600") + "\r\n";
        for (int r = 0; r < resultsPerMeter; ++r)
            stream += resultText({{"U1", QString::number(220 + r * 0.37, 'f', 3)}, {"I1", "4.9876"}}) + "\r\n";
        for (int s = 0; s < slicesPerMeter; ++s) {
            if (s % (24 * 60 / interval) == 0)
                stream += dayText(interval, 0, 0, 0, 1 + (s / 48) % 28, 1 + (s / 48 / 28) % 12, 7);
            stream += sliceText(QString::number(s * 0.013, 'f', 3), "0", QString::number(s % 7 * 0.5), "0.001") + "\r\n";
        }
    }
    QStringList texts;
    QString pending;
    for (qsizetype at = 0; at < stream.size(); at += blockSize) {
        pending += stream.mid(at, blockSize);
        if (pending.contains(u"CONST") || pending.contains(u"Q_MINUS") || pending.contains(u"WKPHASE"))
            texts << std::exchange(pending, {});
    }
    if (!pending.isEmpty()) texts << pending;
    return texts;
}

// Makes an empty database in `folder` and makes the folder the working directory, where
// TDM opens its file.
inline void enterFreshDatabase(const QTemporaryDir &folder)
{
    QString error;
    if (!Schema::createDatabase(QDir(folder.path()).filePath(TDM::databaseFileName()), &error))
        qFatal("%s", qPrintable(error));
    QDir::setCurrent(folder.path());
}

}  // namespace syntheticread
