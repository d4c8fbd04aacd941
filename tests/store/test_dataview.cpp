// Dataset views: cursor, master links, re-read after post, editing, sort, find,
// display suspension, statement views, commands and grouped commits.
#include "StoreFixture.h"

#include <QSignalSpy>

using Views = StoreTest;

namespace {

QStringList columnValues(DataView &view, const QString &column)
{
    QStringList values;
    for (int r = 0; r < view.recordCount(); ++r)
        values << view.value(r, view.fieldIndex(column)).toString();
    return values;
}

}  // namespace

TEST_F(Views, FirstNextLoopVisitsEveryRowAndBofEofFollowTheMoves)
{
    DataView &v = dm->ADOTip;
    EXPECT_TRUE(v.bof());
    EXPECT_TRUE(v.eof());
    EXPECT_TRUE(v.isEmpty());
    EXPECT_EQ(v.currentRow(), -1);
    for (const char *name : {"A", "B", "C"})
        ASSERT_GT(addTip(QString::fromLatin1(name)), 0);

    QStringList seen;
    for (v.first(); !v.eof(); v.next())
        seen << v.field(u"PTipCH").toString();
    EXPECT_EQ(seen, QStringList({"A", "B", "C"}));
    EXPECT_EQ(v.recNo(), 3);   // Next at the last row sets Eof and stays

    QStringList back;
    for (v.last(); !v.bof(); v.prior())
        back << v.field(u"PTipCH").toString();
    EXPECT_EQ(back, QStringList({"C", "B", "A"}));
    EXPECT_EQ(v.currentRow(), 0);

    EXPECT_TRUE(v.moveTo(1));
    EXPECT_FALSE(v.bof());
    EXPECT_FALSE(v.eof());
    EXPECT_FALSE(v.moveTo(3));
    EXPECT_EQ(v.currentRow(), 1);
}

TEST_F(Views, ChildShowsOnlyTheParentsRowsFollowsItAndFillsTheLink)
{
    const qint64 a = addTip("A");
    addIdent("1", "x");
    addIdent("2", "x");
    const qint64 b = addTip("B");
    addIdent("3", "y");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);

    // ADOTip stands on B, the type just posted.
    EXPECT_EQ(columnValues(dm->ADOIdent, "PNumber"), QStringList({"3"}));
    dm->ADOTip.first();
    EXPECT_EQ(columnValues(dm->ADOIdent, "PNumber"), QStringList({"1", "2"}));
    EXPECT_EQ(dm->ADOIdent.currentRow(), 0);

    // Appending takes the parent's key without the caller setting it.
    ASSERT_TRUE(dm->ADOIdent.append());
    EXPECT_EQ(dm->ADOIdent.field(u"PSecIndex").toLongLong(), a);
    dm->ADOIdent.cancel();

    // Grandchildren follow a move of the grandparent.
    dm->ADOIdent.first();
    addResult(0.5);
    addResult(0.7);
    dm->ADOTip.last();
    EXPECT_TRUE(dm->ADOResult.isEmpty());
    dm->ADOTip.first();
    dm->ADOIdent.first();
    EXPECT_EQ(dm->ADOResult.recordCount(), 2);
}

TEST_F(Views, WithoutACurrentParentRowTheChildIsEmpty)
{
    EXPECT_TRUE(dm->ADOIdent.isActive());
    EXPECT_TRUE(dm->ADOIdent.isEmpty());
    addTip("A");
    addIdent("1", "x");
    EXPECT_EQ(dm->ADOIdent.recordCount(), 1);

    // A parent row being inserted has no key yet.
    ASSERT_TRUE(dm->ADOTip.append());
    EXPECT_TRUE(dm->ADOIdent.isEmpty());
    dm->ADOTip.cancel();
    EXPECT_EQ(dm->ADOIdent.recordCount(), 1);

    // A closed parent has no current row either.
    dm->ADOTip.close();
    EXPECT_TRUE(dm->ADOIdent.isEmpty());
    EXPECT_TRUE(dm->ADOResult.isEmpty());
    ASSERT_TRUE(dm->ADOTip.open());
    EXPECT_EQ(dm->ADOIdent.recordCount(), 1);
}

TEST_F(Views, ChildAppendedWithoutParentIsRefusedWithTheStoresMessage)
{
    ASSERT_TRUE(dm->ADOSDataProfile.append());
    dm->ADOSDataProfile.setField(u"PInterval", 30);
    EXPECT_FALSE(dm->ADOSDataProfile.post());
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(user.shown().at(0).caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(dm->ADOSDataProfile.state(), ViewState::Insert);
    EXPECT_EQ(count("TSDataProfile"), 0);
}

TEST_F(Views, NewKeyIsReadableRightAfterPostAndServesAsParentOfTheNextRow)
{
    // The transfer's pattern: a new type, then a meter filed under it at once.
    ASSERT_TRUE(dm->ADOTip.append());
    dm->ADOTip.setField(u"PTipCH", "НОВЫЙ");
    dm->ADOTip.setField(u"PUnom", "0");
    dm->ADOTip.setField(u"PInom", 0);
    dm->ADOTip.setField(u"PReductRate", "1250.5");
    dm->ADOTip.setField(u"PClassT", 0.0);
    dm->ADOTip.setField(u"PPhaseMode", 3);
    ASSERT_TRUE(dm->ADOTip.post());
    const QVariant key = dm->ADOTip.field(u"PIndex");
    ASSERT_TRUE(key.isValid());
    EXPECT_GT(key.toLongLong(), 0);
    // The row comes back as stored: texts given for numbers are numbers now.
    EXPECT_EQ(dm->ADOTip.field(u"PReductRate").typeId(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(dm->ADOTip.field(u"PReductRate").toDouble(), 1250.5);
    EXPECT_EQ(dm->ADOTip.field(u"PUnom").toDouble(), 0.0);
    // Exactly what reading the row afresh gives, every column, types included.
    QVariantList held;
    for (int c = 0; c < dm->ADOTip.columnCount(); ++c) held << dm->ADOTip.field(c);
    ASSERT_TRUE(dm->ADOTip.requery());
    ASSERT_TRUE(dm->ADOTip.locate(QStringLiteral("PIndex"), {key}));
    for (int c = 0; c < dm->ADOTip.columnCount(); ++c) {
        EXPECT_EQ(dm->ADOTip.field(c), held[c]) << dm->ADOTip.columnName(c).toStdString();
        EXPECT_EQ(dm->ADOTip.field(c).typeId(), held[c].typeId()) << dm->ADOTip.columnName(c).toStdString();
    }

    const qint64 meter = addIdent("77", "Ленина 1");
    ASSERT_GT(meter, 0);
    EXPECT_EQ(dm->ADOIdent.field(u"PSecIndex").toLongLong(), key.toLongLong());
    EXPECT_EQ(queryValue(dbPath(), QStringLiteral("SELECT PSecIndex FROM TIdent WHERE PIndex = %1").arg(meter)).toLongLong(),
              key.toLongLong());

    // Dates are kept as ISO text.
    dm->ADOIdent.first();
    ASSERT_TRUE(dm->ADOResult.append());
    dm->ADOResult.setField(u"PDateMeasure", QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    ASSERT_TRUE(dm->ADOResult.post());
    EXPECT_EQ(dm->ADOResult.field(u"PDateMeasure").toString(), QStringLiteral("2024-03-05 14:07:09"));
    EXPECT_EQ(dm->ADOResult.fieldDateTime(u"PDateMeasure"), QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC));

    // A wall-clock time that the local clock skips (daylight saving) is kept as given.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    tzset();
    ASSERT_TRUE(dm->ADOResult.edit());
    EXPECT_TRUE(dm->ADOResult.setField(u"PDateMeasure", QStringLiteral("2024-03-31 02:30:00")));
    ASSERT_TRUE(dm->ADOResult.post());
    EXPECT_EQ(dm->ADOResult.field(u"PDateMeasure").toString(), QStringLiteral("2024-03-31 02:30:00"));
    EXPECT_EQ(dm->ADOResult.fieldDateTime(u"PDateMeasure").time(), QTime(2, 30));
    zone.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", zone);
    tzset();
}

TEST_F(Views, ValuesTheColumnCannotHoldAreRefusedAtSetField)
{
    ASSERT_TRUE(dm->ADOSinhro.append());
    struct Case {
        const char *column;
        QVariant value;
    };
    const Case bad[] = {{"PReductRate", "abc"}, {"PIndex", 5}};
    for (const Case &c : bad)
        EXPECT_FALSE(dm->ADOSinhro.setField(QString::fromLatin1(c.column), c.value)) << c.column;
    EXPECT_FALSE(dm->ADOSinhro.setField(u"PNoSuchColumn", 1));
    dm->ADOSinhro.cancel();
    EXPECT_FALSE(dm->ADOSinhro.setField(u"PNumber", "1"));   // not editing

    addTip("A");
    addIdent("1", "x");
    ASSERT_TRUE(dm->ADOResult.append());
    EXPECT_FALSE(dm->ADOResult.setField(u"PDateMeasure", "yesterday"));
    EXPECT_FALSE(dm->ADOResult.setField(u"PDateMeasure", 45000.5));
    EXPECT_TRUE(dm->ADOResult.setField(u"PDateMeasure", "0001-01-01 00:00:00"));
    ASSERT_TRUE(dm->ADOResult.post());
    EXPECT_EQ(dm->ADOResult.field(u"PDateMeasure").toString(), QStringLiteral("0001-01-01 00:00:00"));
}

TEST_F(Views, TextLongerThanItsColumnIsRefusedNamingTheColumnAndSize)
{
    struct Case {
        const char *column;
        QString value;
        bool accepted;
    };
    const Case cases[] = {
        {"PTipCH", QStringLiteral("ABCDEFGHIJ"), true},          // exactly 10
        {"PTipCH", QStringLiteral("АБВГДЕЁЖЗИ"), true},          // 10 Cyrillic letters
        {"PTipCH", QStringLiteral("ABCDEFGHIJK"), false},
        {"PAddress", QStringLiteral("12345678901234567890"), false},   // 20 > 19
    };
    for (const Case &c : cases) {
        user.clear();
        ASSERT_TRUE(dm->ADOSinhro.append());
        dm->ADOSinhro.setField(QString::fromLatin1(c.column), c.value);
        EXPECT_EQ(dm->ADOSinhro.post(), c.accepted) << c.column << " " << c.value.toStdString();
        if (c.accepted) {
            EXPECT_TRUE(user.shown().isEmpty());
            EXPECT_EQ(dm->ADOSinhro.field(QString::fromLatin1(c.column)).toString(), c.value);
            continue;
        }
        ASSERT_EQ(user.shown().size(), 1);
        const PromptMessage &m = user.shown().at(0);
        const int size = Schema::table(u"TSTip")->columns.at(dm->ADOSinhro.fieldIndex(QString::fromLatin1(c.column))).textSize;
        EXPECT_EQ(m.text, QStringLiteral("Поле %1: не более %2 символов").arg(QString::fromLatin1(c.column)).arg(size));
        EXPECT_EQ(m.caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(m.icon, PromptIcon::Error);
        EXPECT_EQ(dm->ADOSinhro.state(), ViewState::Insert);
        EXPECT_EQ(dm->ADOSinhro.field(QString::fromLatin1(c.column)).toString(), c.value);
        dm->ADOSinhro.cancel();
    }
    EXPECT_EQ(count("TSTip"), 2);

    // Edits are checked too.
    dm->ADOSinhro.first();
    ASSERT_TRUE(dm->ADOSinhro.edit());
    dm->ADOSinhro.setField(u"PNumber", QStringLiteral("12345678901"));
    EXPECT_FALSE(dm->ADOSinhro.post());
    EXPECT_EQ(dm->ADOSinhro.state(), ViewState::Edit);
}

TEST_F(Views, EditPostsOnlyWhatChangedAndCancelRestores)
{
    const qint64 meter = addBufferMeter("T1", "100", "Адрес");
    ASSERT_TRUE(dm->ADOSinhro.edit());
    dm->ADOSinhro.setField(u"PNumber", "200");
    EXPECT_EQ(dm->ADOSinhro.field(u"PNumber").toString(), QStringLiteral("200"));
    dm->ADOSinhro.cancel();
    EXPECT_EQ(dm->ADOSinhro.field(u"PNumber").toString(), QStringLiteral("100"));

    // Another program changes the type meanwhile; our edit of the number keeps it.
    execSql(dbPath(), QStringLiteral("UPDATE TSTip SET PTipCH = 'T2' WHERE PIndex = %1").arg(meter));
    ASSERT_TRUE(dm->ADOSinhro.edit());
    dm->ADOSinhro.setField(u"PNumber", "300");
    ASSERT_TRUE(dm->ADOSinhro.post());
    EXPECT_EQ(dm->ADOSinhro.field(u"PTipCH").toString(), QStringLiteral("T2"));
    EXPECT_EQ(dm->ADOSinhro.field(u"PNumber").toString(), QStringLiteral("300"));
}

TEST_F(Views, DeletingARowTakesItsChildrenAndMovesToTheNextRow)
{
    const qint64 a = addTip("A");
    addIdent("1", "x");
    addResult(1.0);
    ASSERT_TRUE(dm->ADODataProfile.append());
    dm->ADODataProfile.setField(u"PInterval", 30);
    ASSERT_TRUE(dm->ADODataProfile.post());
    ASSERT_TRUE(dm->ADOProfile.append());
    ASSERT_TRUE(dm->ADOProfile.post());
    const qint64 b = addTip("B");
    addIdent("2", "y");
    ASSERT_EQ(count("TIdent"), 2);

    dm->ADOTip.first();
    ASSERT_EQ(dm->ADOTip.field(u"PIndex").toLongLong(), a);
    ASSERT_TRUE(dm->ADOTip.deleteRecord());
    EXPECT_EQ(dm->ADOTip.recordCount(), 1);
    EXPECT_EQ(dm->ADOTip.field(u"PIndex").toLongLong(), b);
    EXPECT_EQ(columnValues(dm->ADOIdent, "PNumber"), QStringList({"2"}));
    EXPECT_EQ(count("TIdent"), 1);
    EXPECT_EQ(count("TResult"), 0);
    EXPECT_EQ(count("TDataProfile"), 0);
    EXPECT_EQ(count("TProfile"), 0);

    ASSERT_TRUE(dm->ADOTip.deleteRecord());
    EXPECT_TRUE(dm->ADOTip.isEmpty());
    EXPECT_TRUE(dm->ADOIdent.isEmpty());
    EXPECT_FALSE(dm->ADOTip.deleteRecord());
}

TEST_F(Views, PendingChildEditIsPostedBeforeTheParentMovesAndARefusalStopsTheMove)
{
    addTip("A");
    addIdent("1", "x");
    addTip("B");
    dm->ADOTip.first();
    ASSERT_TRUE(dm->ADOIdent.edit());
    dm->ADOIdent.setField(u"PMaker", "Новый");
    ASSERT_TRUE(dm->ADOTip.next());
    EXPECT_EQ(queryValue(dbPath(), "SELECT PMaker FROM TIdent").toString(), QStringLiteral("Новый"));

    dm->ADOTip.first();
    ASSERT_TRUE(dm->ADOIdent.edit());
    dm->ADOIdent.setField(u"PMaker", QVariant());   // the rule refuses an empty maker
    EXPECT_FALSE(dm->ADOTip.next());
    EXPECT_EQ(dm->ADOTip.currentRow(), 0);
    EXPECT_EQ(dm->ADOIdent.state(), ViewState::Edit);
    EXPECT_EQ(user.shownTexts().value(0), QStringLiteral("Необходимо заполнить все поля данных!"));
}

TEST_F(Views, SortClauseOrdersRowsIgnoringCaseAndKeepsTheCurrentRow)
{
    for (const char *name : {"бета", "Альфа", "ГАММА", "альфа2", "Beta", "alpha"})
        ASSERT_GT(addTip(QString::fromUtf8(name)), 0) << name;
    DataView &v = dm->ADOTip;
    v.moveTo(2);   // ГАММА
    struct Case {
        const char *clause;
        QStringList order;
    };
    const Case cases[] = {
        {"PTipCH ASC", {"alpha", "Beta", "Альфа", "альфа2", "бета", "ГАММА"}},
        {"ptipch desc", {"ГАММА", "бета", "альфа2", "Альфа", "Beta", "alpha"}},
        {"  [PTipCH]  ", {"alpha", "Beta", "Альфа", "альфа2", "бета", "ГАММА"}},
        {"PUnom ASC, PTipCH DESC", {"ГАММА", "бета", "альфа2", "Альфа", "Beta", "alpha"}},
        {"", {"бета", "Альфа", "ГАММА", "альфа2", "Beta", "alpha"}},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(v.setSort(QString::fromUtf8(c.clause))) << c.clause << v.lastError().toStdString();
        EXPECT_EQ(columnValues(v, "PTipCH"), c.order) << c.clause;
        EXPECT_EQ(v.field(u"PTipCH").toString(), QStringLiteral("ГАММА")) << c.clause;
    }
}

TEST_F(Views, SortClauseThatIsNotColumnsAndDirectionsIsRefused)
{
    addTip("A");
    addTip("B");
    DataView &v = dm->ADOTip;
    ASSERT_TRUE(v.setSort("PTipCH DESC"));
    const char *bad[] = {"PNoSuch ASC", "PTipCH ASCENDING", "PTipCH ASC DESC", "PTipCH; DROP TABLE TTip",
                         "PTipCH ASC,", "(SELECT 1)", "PTipCH COLLATE BINARY", "1"};
    for (const char *clause : bad) {
        EXPECT_FALSE(v.setSort(QString::fromLatin1(clause))) << clause;
        EXPECT_FALSE(v.lastError().isEmpty());
        EXPECT_EQ(v.sort(), QStringLiteral("PTipCH DESC"));
    }
    EXPECT_EQ(columnValues(v, "PTipCH"), QStringList({"B", "A"}));
    EXPECT_EQ(count("TTip"), 2);
}

TEST_F(Views, MetersSortWithinTheirTypeAsTheGridAsks)
{
    addTip("A");
    for (const char *n : {"20", "3", "100"})
        addIdent(QString::fromLatin1(n), "x");
    ASSERT_TRUE(dm->ADOIdent.setSort("PSecindex ASC, PNumber DESC"));
    EXPECT_EQ(columnValues(dm->ADOIdent, "PNumber"), QStringList({"3", "20", "100"}));
    // A new row comes last until the rows are read again; the sort stays when the
    // view follows its parent to another type.
    addTip("B");
    for (const char *n : {"b", "C", "a"})
        addIdent(QString::fromLatin1(n), "x");
    EXPECT_EQ(columnValues(dm->ADOIdent, "PNumber"), QStringList({"b", "C", "a"}));
    dm->ADOTip.first();
    dm->ADOTip.last();
    EXPECT_EQ(columnValues(dm->ADOIdent, "PNumber"), QStringList({"C", "b", "a"}));
}

TEST_F(Views, LocateFindsWholeValuesIgnoringCaseAndLeavesTheCursorWhenNotFound)
{
    const qint64 a = addTip("СЕ301");
    addIdent("0012", "ул. \"Мира\" 5");
    addIdent("0013", "Abc");
    addTip(QStringLiteral("Q\"T"));
    DataView &tip = dm->ADOTip;
    DataView &ident = dm->ADOIdent;

    struct Case {
        const char *columns;
        QVariantList values;
        int row;   // expected row, -1 not found
    };
    const Case tips[] = {
        {"PTipCH", {"се301"}, 0},
        {"PTipCH", {"СЕ301"}, 0},
        {"PTipCH", {"q\"t"}, 1},
        {"PTipCH", {"СЕ30"}, -1},       // whole values only
        {"PTipCH", {"%"}, -1},          // no pattern matching
        {"PTipCH;PClassT", {"се301", "1"}, 0},
        {"PTipCH;PClassT", {"се301", 2.0}, -1},
    };
    for (const Case &c : tips) {
        tip.last();
        const int before = tip.currentRow();
        EXPECT_EQ(tip.locate(QString::fromLatin1(c.columns), c.values), c.row >= 0) << c.columns;
        EXPECT_EQ(tip.currentRow(), c.row >= 0 ? c.row : before) << c.columns;
    }

    tip.first();
    ident.first();
    EXPECT_TRUE(ident.locate("PSecIndex;PNumber;PAddress", {QString::number(a), "0013", "abc"}));
    EXPECT_EQ(ident.currentRow(), 1);
    EXPECT_TRUE(ident.locate("PNumber ; PAddress", {"0012", "УЛ. \"МИРА\" 5"}));
    EXPECT_EQ(ident.currentRow(), 0);
    EXPECT_FALSE(ident.locate("PSecIndex;PNumber", {QString::number(a + 1), "0013"}));
    EXPECT_EQ(ident.currentRow(), 0);
    EXPECT_FALSE(ident.locate("PNumber;PAddress", {"0012"}));      // a value missing
    EXPECT_FALSE(ident.locate("PNope", {"0012"}));
}

TEST_F(Views, LocateSearchesOnlyTheRowsInView)
{
    addTip("A");
    addIdent("1", "x");
    addTip("B");
    addIdent("2", "x");
    EXPECT_FALSE(dm->ADOIdent.locate("PNumber", {"1"}));   // a meter of type A
    EXPECT_TRUE(dm->ADOIdent.locate("PNumber", {"2"}));
}

TEST_F(Views, SuspendedDisplayHoldsPerRowSignalsAndResetsOnceAtResume)
{
    addTip("A");
    addIdent("1", "x");
    DataView &v = dm->ADOResult;
    QSignalSpy inserted(&v, &DataView::rowInserted);
    QSignalSpy resets(&v, &DataView::rowsReset);
    QSignalSpy current(&v, &DataView::currentChanged);
    QSignalSpy scrolled(&v, &DataView::scrolled);

    v.disableControls();
    v.disableControls();
    for (int i = 0; i < 5; ++i)
        addResult(i);
    v.enableControls();
    EXPECT_EQ(inserted.count(), 0);
    EXPECT_EQ(resets.count(), 0);
    EXPECT_EQ(current.count(), 0);
    EXPECT_EQ(scrolled.count(), 5);   // dataset events still come
    v.enableControls();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(current.count(), 1);
    EXPECT_EQ(v.recordCount(), 5);

    addResult(9);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(0).toInt(), 5);
}

TEST_F(Views, StatementViewReadsAQueryWithBoundValuesAndKeepsItsTypes)
{
    for (int i = 0; i < 300; ++i)
        addBufferMeter(QStringLiteral("T%1").arg(i % 3), QString::number(i), QStringLiteral("Адрес \"%1\"").arg(i));
    DataView &q = dm->ADOQuerySQL;
    q.setSql("SELECT PNumber, PReductRate * 2 AS Twice, PAddress FROM TSTip WHERE PTipCH = ? ORDER BY PIndex DESC;",
             {"t1"});
    ASSERT_TRUE(q.open()) << q.lastError().toStdString();
    EXPECT_EQ(q.recordCount(), 0);   // bound values compare exactly in plain SQL
    q.close();
    q.setSql("SELECT PNumber, PReductRate * 2 AS Twice, PAddress FROM TSTip WHERE PTipCH = ? ORDER BY PIndex DESC", {"T1"});
    ASSERT_TRUE(q.open()) << q.lastError().toStdString();
    ASSERT_EQ(q.recordCount(), 100);
    ASSERT_EQ(q.columnCount(), 3);
    EXPECT_EQ(q.column(0).kind, ColumnKind::Text);
    EXPECT_EQ(q.column(0).textSize, 10);
    EXPECT_EQ(q.column(2).declaredType, QStringLiteral("TEXT(19)"));
    EXPECT_EQ(q.field(u"pnumber").toString(), QStringLiteral("298"));
    EXPECT_DOUBLE_EQ(q.field(u"Twice").toDouble(), 1000.0);
    // Every row, read in any order, across pages.
    for (int r = 99; r >= 0; --r)
        ASSERT_EQ(q.value(r, 2).toString(), QStringLiteral("Адрес \"%1\"").arg(298 - 3 * r)) << r;
    EXPECT_FALSE(q.append());
    EXPECT_FALSE(q.edit());
    EXPECT_TRUE(q.locate("PAddress", {"адрес \"1\""}));
    EXPECT_EQ(q.field(u"PNumber").toString(), QStringLiteral("1"));
    ASSERT_TRUE(q.setSort("PNumber ASC"));
    EXPECT_EQ(q.value(0, 0).toString(), QStringLiteral("1"));
    EXPECT_EQ(q.field(u"PNumber").toString(), QStringLiteral("1"));
}

TEST_F(Views, StatementViewRefusesAnythingButOneQuery)
{
    addBufferMeter("T", "1", "a");
    DataView &q = dm->ADODataSetSQL;
    const char *bad[] = {"DELETE FROM TSTip", "SELECT 1; DELETE FROM TSTip", "SELEC PIndex FROM TSTip",
                         "SELECT * FROM TNoSuchTable", ""};
    for (const char *sql : bad) {
        q.close();
        q.setSql(QString::fromLatin1(sql));
        EXPECT_FALSE(q.open()) << sql;
        EXPECT_FALSE(q.isActive());
        EXPECT_FALSE(q.lastError().isEmpty()) << sql;
    }
    EXPECT_EQ(count("TSTip"), 1);
    q.setSql("WITH n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 5000) SELECT x FROM n");
    ASSERT_TRUE(q.open()) << q.lastError().toStdString();
    EXPECT_EQ(q.recordCount(), 5000);
    EXPECT_EQ(q.value(4999, 0).toLongLong(), 5000);
}

TEST_F(Views, CommandRunsOneStatementWithBoundValuesAndReportsFailure)
{
    addBufferMeter("T", "1", "a");
    addBufferMeter("T", "2", "b");
    Command &c = dm->ADOExport;
    c.setSql("UPDATE TSTip SET PAddress = ? WHERE PNumber = ?", {"улица \"Южная\"", "2"});
    ASSERT_TRUE(c.execute()) << c.lastError().toStdString();
    EXPECT_EQ(c.rowsAffected(), 1);
    EXPECT_EQ(queryValue(dbPath(), "SELECT PAddress FROM TSTip WHERE PNumber = '2'").toString(),
              QStringLiteral("улица \"Южная\""));

    c.setSql("DELETE FROM TSTip; DELETE FROM TTip");
    EXPECT_FALSE(c.execute());
    EXPECT_FALSE(c.lastError().isEmpty());
    c.setSql("DELETE FROM TNoSuchTable");
    EXPECT_FALSE(c.execute());
    EXPECT_TRUE(c.lastError().contains("TNoSuchTable")) << c.lastError().toStdString();
    EXPECT_EQ(count("TSTip"), 2);

    c.setSql("DELETE FROM TSTip");
    ASSERT_TRUE(c.execute());
    EXPECT_EQ(c.rowsAffected(), 2);
}

TEST_F(Views, EmptyingTheBufferTakesProfileDaysWithTheirMeters)
{
    addBufferMeter("T", "1", "a");
    ASSERT_TRUE(dm->ADOSinhroResult.append());
    ASSERT_TRUE(dm->ADOSinhroResult.post());
    ASSERT_TRUE(dm->ADOSDataProfile.append());
    ASSERT_TRUE(dm->ADOSDataProfile.post());
    ASSERT_TRUE(dm->ADOSinhroProfile.append());
    ASSERT_TRUE(dm->ADOSinhroProfile.post());
    for (const char *sql : {"DELETE FROM TSResult", "DELETE FROM TSProfile", "DELETE FROM TSTip"}) {
        dm->ADOExport.setSql(QString::fromLatin1(sql));
        ASSERT_TRUE(dm->ADOExport.execute()) << sql;
    }
    for (const char *table : {"TSTip", "TSResult", "TSDataProfile", "TSProfile"})
        EXPECT_EQ(count(QString::fromLatin1(table)), 0) << table;
}

TEST_F(Views, RefusedPostInABatchLeavesEveryEarlierPostStored)
{
    addBufferMeter("T", "0", "a");
    EXPECT_EQ(count("TSTip"), 1);   // outside a batch every post is committed at once
    {
        TDM::WriteBatch batch(*dm);
        addBufferMeter("T", "1", "a");
        ASSERT_TRUE(dm->ADOSDataProfile.append());
        ASSERT_TRUE(dm->ADOSDataProfile.post());
        for (int i = 0; i < 100; ++i) {
            ASSERT_TRUE(dm->ADOSinhroProfile.append());
            dm->ADOSinhroProfile.setField(u"PActEnergy", i);
            ASSERT_TRUE(dm->ADOSinhroProfile.post());
        }
        EXPECT_EQ(addBufferMeter("TOO LONG TYPE NAME", "2", "b"), -1);
        // Another program sees the earlier rows now, while the batch is still open.
        EXPECT_EQ(count("TSProfile"), 100);
        EXPECT_EQ(count("TSTip"), 2);
        addBufferMeter("T", "3", "c");
    }
    EXPECT_EQ(count("TSTip"), 3);
}

TEST_F(Views, RowsOfAViewThatOutgrowsItsCacheStayCorrect)
{
    addBufferMeter("T", "1", "a");
    ASSERT_TRUE(dm->ADOSDataProfile.append());
    ASSERT_TRUE(dm->ADOSDataProfile.post());
    {
        TDM::WriteBatch batch(*dm);
        for (int i = 0; i < 5000; ++i) {
            ASSERT_TRUE(dm->ADOSinhroProfile.append());
            dm->ADOSinhroProfile.setField(u"PActEnergy", i);
            ASSERT_TRUE(dm->ADOSinhroProfile.post());
        }
    }
    DataView &v = dm->ADOSinhroProfile;
    ASSERT_EQ(v.recordCount(), 5000);
    const int column = v.fieldIndex(u"PActEnergy");
    for (int r : {4999, 0, 2500, 17, 4096, 63, 64, 1})
        EXPECT_EQ(v.value(r, column).toInt(), r) << r;
    for (int r = 0; r < 5000; r += 7)
        ASSERT_EQ(v.value(r, column).toInt(), r) << r;
    ASSERT_TRUE(v.setSort("PActEnergy DESC"));
    EXPECT_EQ(v.value(0, column).toInt(), 4999);
}
