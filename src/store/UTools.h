#pragma once
// Shared helpers of the store: trailing-blank trimming, text identity that ignores
// letter case (Cyrillic too), the one-row lookup and the record rules that run
// before every post of the meter types (TTip) and meters (TIdent).
#include <QString>
#include <QVariant>

class DataView;

// The text without the blanks (code 32) at its end; other white space stays.
QString trimRight(const QString &text);
// Equal when letter case is ignored (Unicode case folding).
bool sameText(const QString &a, const QString &b);

struct LookupResult {
    bool ok = false;        // false: the query failed, error holds why
    int rowCount = 0;
    qint64 firstIndex = 0;  // PIndex of the first row when rowCount > 0
    QString error;
};
// Runs one query with bound values in the shared lookup view (ADOQueryIdent) and
// reads its row count and the PIndex of its first row.
LookupResult lookup(DataView &query, const QString &sql, const QVariantList &values);

// Before-post rules; they show their message and return false to refuse the post.
bool checkTipBeforePost(DataView &tip, DataView &query);
bool checkIdentBeforePost(DataView &ident, DataView &query);
