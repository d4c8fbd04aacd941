#include "UTools.h"

#include "Connection.h"
#include "DataView.h"
#include "Prompts.h"

#include <QStringList>

namespace {

const QString kFillIn = QStringLiteral("Необходимо заполнить все поля данных!");
const QString kTipExists = QStringLiteral("Такой тип счетчика уже существует !");
// Begins with a Latin capital C, as the program always showed it.
const QString kIdentExists = QStringLiteral("Cчетчик данного типа с таким номером и адресом уже существует !");
const QString kErrorCaption = QStringLiteral("Ошибка");
const QString kNewRecordCaption = QStringLiteral("Новая запись");

// 0 is a value; a null or a text of blanks only is not.
bool isFilled(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return false;
    return !trimRight(value.toString()).isEmpty();
}

bool allFilled(const DataView &view, const QStringList &columns)
{
    for (const QString &c : columns)
        if (!isFilled(view.field(c)))
            return false;
    return true;
}

// Replaces the field by its trimmed form and returns that form.
QString trimField(DataView &view, const QString &column)
{
    const QString text = view.field(column).toString();
    const QString trimmed = trimRight(text);
    if (trimmed != text)
        view.setField(column, trimmed);
    return trimmed;
}

// Refuses when another row holds the identity; the first row found decides.
bool acceptLookup(const LookupResult &found, const DataView &view, const QString &duplicateText)
{
    if (!found.ok) {
        showMessage(found.error, kErrorCaption, PromptIcon::Error);
        return false;
    }
    if (found.rowCount == 0)
        return true;
    const QVariant own = view.field(u"PIndex");
    if (view.state() == ViewState::Edit && own.isValid() && !own.isNull() && own.toLongLong() == found.firstIndex)
        return true;
    showMessage(duplicateText, kNewRecordCaption, PromptIcon::Warning);
    return false;
}

QString folded(const QString &column)
{
    return QStringLiteral("rtrim(%1, ' ') = ? COLLATE %2").arg(column, QLatin1String(kFoldCollation));
}

}  // namespace

QString trimRight(const QString &text)
{
    qsizetype length = text.size();
    while (length > 0 && text.at(length - 1) == QLatin1Char(' '))
        --length;
    return text.left(length);
}

bool sameText(const QString &a, const QString &b)
{
    return compareFolded(a, b) == 0;
}

LookupResult lookup(DataView &query, const QString &sql, const QVariantList &values)
{
    LookupResult result;
    query.close();
    query.setSql(sql, values);
    if (!query.open()) {
        result.error = query.lastError();
        return result;
    }
    result.ok = true;
    result.rowCount = query.recordCount();
    if (result.rowCount > 0) {
        query.first();
        result.firstIndex = query.field(u"PIndex").toLongLong();
    }
    query.close();
    return result;
}

bool checkTipBeforePost(DataView &tip, DataView &query)
{
    if (!allFilled(tip, {QStringLiteral("PTipCH"), QStringLiteral("PUnom"), QStringLiteral("PInom"),
                         QStringLiteral("PReductRate"), QStringLiteral("PClassT")})) {
        showMessage(kFillIn, kErrorCaption, PromptIcon::Error);
        return false;
    }
    const QString name = trimField(tip, QStringLiteral("PTipCH"));
    const LookupResult found = lookup(query,
                                      QStringLiteral("SELECT PIndex FROM TTip WHERE %1 ORDER BY PIndex").arg(folded(QStringLiteral("PTipCH"))),
                                      {name});
    return acceptLookup(found, tip, kTipExists);
}

bool checkIdentBeforePost(DataView &ident, DataView &query)
{
    if (!allFilled(ident, {QStringLiteral("PNumber"), QStringLiteral("PMaker"), QStringLiteral("PYearOutput"),
                           QStringLiteral("PAddress")})) {
        showMessage(kFillIn, kErrorCaption, PromptIcon::Error);
        return false;
    }
    // Every way of inserting a meter looks for its duplicate before appending.
    if (ident.state() == ViewState::Insert)
        return true;
    const QString number = trimField(ident, QStringLiteral("PNumber"));
    const QString address = trimField(ident, QStringLiteral("PAddress"));
    const LookupResult found = lookup(query,
                                      QStringLiteral("SELECT PIndex FROM TIdent WHERE %1 AND %2 AND PSecIndex = ? ORDER BY PIndex")
                                          .arg(folded(QStringLiteral("PNumber")), folded(QStringLiteral("PAddress"))),
                                      {number, address, ident.field(u"PSecIndex")});
    return acceptLookup(found, ident, kIdentExists);
}
