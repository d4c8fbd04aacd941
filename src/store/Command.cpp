#include "Command.h"

#include "Connection.h"

#include <SQLiteCpp/Column.h>
#include <SQLiteCpp/Statement.h>

void Command::setSql(const QString &sql, const QVariantList &parameters)
{
    sql_ = sql;
    parameters_ = parameters;
}

bool Command::execute()
{
    rowsAffected_ = 0;
    lastError_.clear();
    auto statement = connection_.prepare(sql_, &lastError_);
    if (!statement)
        return false;
    try {
        for (int i = 0; i < parameters_.size(); ++i)
            bindValue(*statement, i + 1, parameters_.at(i));
    } catch (const std::exception &e) {
        lastError_ = QString::fromUtf8(e.what());
        return false;
    }
    return connection_.write(*statement, &lastError_, &rowsAffected_);
}
