#pragma once
// A command object: one statement without a result (update, delete, insert),
// with bound parameters, run on the store's connection (inside the open write
// batch, if any). Failure is reported with the store's own error text.
//
//   dm.ADOExport.setSql("DELETE FROM TSResult");
//   if (!dm.ADOExport.execute())
//       showMessage(..., dm.ADOExport.lastError() ...);
//
// Views showing the changed tables are not told; re-open or requery them.
#include <QString>
#include <QVariant>

class Connection;

class Command {
public:
    explicit Command(Connection &connection) : connection_(connection) {}

    void setSql(const QString &sql, const QVariantList &parameters = {});
    QString sql() const { return sql_; }
    bool execute();
    int rowsAffected() const { return rowsAffected_; }
    QString lastError() const { return lastError_; }

private:
    Connection &connection_;
    QString sql_;
    QVariantList parameters_;
    int rowsAffected_ = 0;
    QString lastError_;
};
