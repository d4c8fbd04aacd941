#pragma once
// A fresh database in a temporary working folder, opened by a TDM, with a scripted user.
#include "ScriptedPrompts.h"
#include "TDM.h"
#include "TestEnvironment.h"

#include <QString>
#include <QVariant>
#include <gtest/gtest.h>
#include <memory>

// Makes EnergyDB.mdb from the schema in `folder`; returns its path.
QString makeDatabase(const QString &folder);

// Reads one value with a separate connection, as another program would.
QVariant queryValue(const QString &path, const QString &sql);
// Runs statements with a separate connection.
void execSql(const QString &path, const QString &sql);

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Through the views, so the rules run; return the new PIndex (or -1 when refused).
    qint64 addTip(const QString &name, QVariant inom = 5.0);
    qint64 addIdent(const QString &number, const QString &address, const QString &maker = QStringLiteral("Завод"));
    qint64 addResult(double error);
    qint64 addBufferMeter(const QString &type, const QString &number, const QString &address);

    QString dbPath() const { return work.file(QStringLiteral("EnergyDB.mdb")); }
    qint64 count(const QString &table) const;

    ScopedWorkDir work;
    ScriptedPrompts user;
    std::unique_ptr<TDM> dm;
};
