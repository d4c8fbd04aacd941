#include "StoreFixture.h"

#include "Schema.h"

#include <QDir>
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Statement.h>
#include <SQLiteCpp/Column.h>

QString makeDatabase(const QString &folder)
{
    const QString path = QDir(folder).filePath(QStringLiteral("EnergyDB.mdb"));
    QString error;
    EXPECT_TRUE(Schema::createDatabase(path, &error)) << error.toStdString();
    return path;
}

QVariant queryValue(const QString &path, const QString &sql)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READONLY, 2000);
    SQLite::Statement st(db, sql.toStdString());
    if (!st.executeStep())
        return QVariant();
    const SQLite::Column c = st.getColumn(0);
    if (c.isNull())
        return QVariant();
    if (c.isInteger())
        return QVariant(qlonglong(c.getInt64()));
    if (c.isFloat())
        return QVariant(c.getDouble());
    return QVariant(QString::fromUtf8(c.getText()));
}

void execSql(const QString &path, const QString &sql)
{
    SQLite::Database db(path.toStdString(), SQLite::OPEN_READWRITE, 2000);
    db.exec(sql.toStdString());
}

void StoreTest::SetUp()
{
    makeDatabase(work.path());
    dm = std::make_unique<TDM>();
    ASSERT_TRUE(dm->open()) << dm->lastError().toStdString();
}

void StoreTest::TearDown()
{
    dm.reset();
}

qint64 StoreTest::addTip(const QString &name, QVariant inom)
{
    DataView &v = dm->ADOTip;
    EXPECT_TRUE(v.append());
    v.setField(u"PTipCH", name);
    v.setField(u"PUnom", 220.0);
    v.setField(u"PInom", inom);
    v.setField(u"PReductRate", 1000.0);
    v.setField(u"PClassT", 1.0);
    if (!v.post()) {
        v.cancel();
        return -1;
    }
    return v.field(u"PIndex").toLongLong();
}

qint64 StoreTest::addIdent(const QString &number, const QString &address, const QString &maker)
{
    DataView &v = dm->ADOIdent;
    EXPECT_TRUE(v.append());
    v.setField(u"PNumber", number);
    v.setField(u"PMaker", maker);
    v.setField(u"PYearOutput", 2020);
    v.setField(u"PAddress", address);
    if (!v.post()) {
        v.cancel();
        return -1;
    }
    return v.field(u"PIndex").toLongLong();
}

qint64 StoreTest::addResult(double error)
{
    DataView &v = dm->ADOResult;
    EXPECT_TRUE(v.append());
    v.setField(u"PMistakeMeasure", error);
    if (!v.post()) {
        v.cancel();
        return -1;
    }
    return v.field(u"PIndex").toLongLong();
}

qint64 StoreTest::addBufferMeter(const QString &type, const QString &number, const QString &address)
{
    DataView &v = dm->ADOSinhro;
    EXPECT_TRUE(v.append());
    v.setField(u"PTipCH", type);
    v.setField(u"PReductRate", 500.0);
    v.setField(u"PNumber", number);
    v.setField(u"PAddress", address);
    if (!v.post()) {
        v.cancel();
        return -1;
    }
    return v.field(u"PIndex").toLongLong();
}

qint64 StoreTest::count(const QString &table) const
{
    return queryValue(dbPath(), QStringLiteral("SELECT count(*) FROM %1").arg(table)).toLongLong();
}
