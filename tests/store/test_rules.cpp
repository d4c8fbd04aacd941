// Record rules of meter types and meters, trimming and text identity.
#include "StoreFixture.h"
#include "UTools.h"

namespace {

const QString kFillIn = QStringLiteral("Необходимо заполнить все поля данных!");
const QString kTipExists = QStringLiteral("Такой тип счетчика уже существует !");
const QString kIdentExists = QStringLiteral("Cчетчик данного типа с таким номером и адресом уже существует !");

}  // namespace

TEST(Trim, RemovesOnlyTrailingBlanks)
{
    const std::pair<QString, QString> cases[] = {
        {"", ""}, {"   ", ""}, {"ABC ", "ABC"}, {"  ABC  ", "  ABC"}, {"A B", "A B"},
        {"ABC\t", "ABC\t"}, {"ABC\t ", "ABC\t"}, {"СЕ 301   ", "СЕ 301"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(trimRight(in), out) << in.toStdString();
}

TEST(SameText, FoldsCyrillicAndLatinCase)
{
    EXPECT_TRUE(sameText("СЕ301", "се301"));
    EXPECT_TRUE(sameText("Меркурий", "МЕРКУРИЙ"));
    EXPECT_TRUE(sameText("abc", "ABC"));
    EXPECT_FALSE(sameText("ёж", "еж"));
    EXPECT_FALSE(sameText("abc", "abc "));
}

class Rules : public StoreTest {
protected:
    // The one message shown since the last clear(), or a failure.
    PromptMessage onlyMessage()
    {
        EXPECT_EQ(user.shown().size(), 1) << user.shownTexts().join('|').toStdString();
        return user.shown().value(0);
    }
};

TEST_F(Rules, TypeNameIsTrimmedAndComparedIgnoringCase)
{
    struct Case {
        QString existing;
        QString posted;
    };
    const Case duplicates[] = {
        {"abc", "ABC "},
        {"СЕ301", "се301"},
        {"Меркурий", "МЕРКУРИЙ  "},
        {"AB\"C", "ab\"c"},          // a double quote compares like any character
        {"x'); --", "X'); --"},
    };
    for (const Case &c : duplicates) {
        ASSERT_GT(addTip(c.existing), 0) << c.existing.toStdString();
        user.clear();
        ASSERT_TRUE(dm->ADOTip.append());
        dm->ADOTip.setField(u"PTipCH", c.posted);
        dm->ADOTip.setField(u"PUnom", 220);
        dm->ADOTip.setField(u"PInom", 5);
        dm->ADOTip.setField(u"PReductRate", 1000);
        dm->ADOTip.setField(u"PClassT", 1);
        EXPECT_FALSE(dm->ADOTip.post()) << c.posted.toStdString();
        const PromptMessage m = onlyMessage();
        EXPECT_EQ(m.text, kTipExists);
        EXPECT_EQ(m.caption, QStringLiteral("Новая запись"));
        EXPECT_EQ(m.icon, PromptIcon::Warning);
        // Refused: still inserting, with the values entered (the name trimmed).
        EXPECT_EQ(dm->ADOTip.state(), ViewState::Insert);
        EXPECT_EQ(dm->ADOTip.field(u"PTipCH").toString(), trimRight(c.posted));
        EXPECT_EQ(dm->ADOTip.field(u"PReductRate").toDouble(), 1000.0);
        dm->ADOTip.cancel();
    }
    EXPECT_EQ(count("TTip"), 5);

    // Names that only look alike are different types.
    user.clear();
    for (const QString &name : {QStringLiteral("AB\""), QStringLiteral("ABC\""), QStringLiteral(" abc"), QStringLiteral("ёж"), QStringLiteral("еж")})
        EXPECT_GT(addTip(name), 0) << name.toStdString();
    EXPECT_TRUE(user.shown().isEmpty()) << user.shownTexts().join('|').toStdString();
    EXPECT_EQ(queryValue(dbPath(), "SELECT count(*) FROM TTip WHERE PTipCH = ' abc'").toInt(), 1);
}

TEST_F(Rules, TypeNameIsStoredTrimmed)
{
    ASSERT_GT(addTip("НЕВА 103   "), 0);
    EXPECT_EQ(queryValue(dbPath(), "SELECT PTipCH FROM TTip").toString(), QStringLiteral("НЕВА 103"));
}

TEST_F(Rules, EditingATypeKeepingItsNameIsAcceptedRenamingOntoAnotherIsNot)
{
    addTip("ABC");
    addTip("DEF");
    dm->ADOTip.first();
    ASSERT_TRUE(dm->ADOTip.edit());
    dm->ADOTip.setField(u"PReductRate", 2000);
    EXPECT_TRUE(dm->ADOTip.post());
    ASSERT_TRUE(dm->ADOTip.edit());
    dm->ADOTip.setField(u"PTipCH", "abc ");   // its own name in another case
    EXPECT_TRUE(dm->ADOTip.post());
    EXPECT_TRUE(user.shown().isEmpty());

    dm->ADOTip.next();
    ASSERT_TRUE(dm->ADOTip.edit());
    dm->ADOTip.setField(u"PTipCH", "ABC");
    EXPECT_FALSE(dm->ADOTip.post());
    EXPECT_EQ(onlyMessage().text, kTipExists);
    EXPECT_EQ(dm->ADOTip.state(), ViewState::Edit);
    EXPECT_EQ(queryValue(dbPath(), "SELECT PTipCH FROM TTip WHERE PIndex = 2").toString(), QStringLiteral("DEF"));
}

TEST_F(Rules, RequiredTypeValuesMustBeFilledAndZeroCounts)
{
    struct Case {
        const char *what;
        QString name;
        QVariant inom;
        bool accepted;
    };
    const Case cases[] = {
        {"zero current", "T0", 0, true},
        {"zero text", "T1", "0", true},
        {"no current", "T2", QVariant(), false},
        {"empty text current", "T3", "", false},
        {"blank name", "   ", 5, false},
        {"empty name", "", 5, false},
    };
    for (const Case &c : cases) {
        user.clear();
        const qint64 key = addTip(c.name, c.inom);
        EXPECT_EQ(key > 0, c.accepted) << c.what;
        if (c.accepted) {
            EXPECT_TRUE(user.shown().isEmpty()) << c.what;
            continue;
        }
        const PromptMessage m = onlyMessage();
        EXPECT_EQ(m.text, kFillIn) << c.what;
        EXPECT_EQ(m.caption, QStringLiteral("Ошибка"));
        EXPECT_EQ(m.icon, PromptIcon::Error);
    }
    EXPECT_EQ(count("TTip"), 2);

    // The refused view keeps its values for correction.
    ASSERT_TRUE(dm->ADOTip.append());
    dm->ADOTip.setField(u"PTipCH", "T9");
    EXPECT_FALSE(dm->ADOTip.post());
    EXPECT_EQ(dm->ADOTip.state(), ViewState::Insert);
    EXPECT_EQ(dm->ADOTip.field(u"PTipCH").toString(), QStringLiteral("T9"));
    for (const char *column : {"PUnom", "PInom", "PReductRate", "PClassT"})
        dm->ADOTip.setField(QString::fromLatin1(column), 1);
    EXPECT_TRUE(dm->ADOTip.post());
}

TEST_F(Rules, RequiredMeterValuesMustBeFilled)
{
    addTip("A");
    struct Case {
        const char *column;
        QVariant value;
        bool accepted;
    };
    const Case cases[] = {
        {"PYearOutput", 0, true},
        {"PYearOutput", QVariant(), false},
        {"PMaker", "  ", false},
        {"PNumber", QVariant(), false},
        {"PAddress", "", false},
    };
    int number = 0;
    for (const Case &c : cases) {
        user.clear();
        ASSERT_TRUE(dm->ADOIdent.append());
        dm->ADOIdent.setField(u"PNumber", QString::number(++number));
        dm->ADOIdent.setField(u"PMaker", "M");
        dm->ADOIdent.setField(u"PYearOutput", 2001);
        dm->ADOIdent.setField(u"PAddress", "x");
        dm->ADOIdent.setField(QString::fromLatin1(c.column), c.value);
        EXPECT_EQ(dm->ADOIdent.post(), c.accepted) << c.column;
        if (c.accepted) {
            EXPECT_TRUE(user.shown().isEmpty());
            continue;
        }
        EXPECT_EQ(onlyMessage().text, kFillIn) << c.column;
        EXPECT_EQ(dm->ADOIdent.state(), ViewState::Insert);
        dm->ADOIdent.cancel();
    }
    EXPECT_EQ(count("TIdent"), 1);
}

TEST_F(Rules, InsertingAMeterNeverShowsTheDuplicateMessage)
{
    addTip("A");
    EXPECT_GT(addIdent("100", "Мира 1"), 0);
    EXPECT_GT(addIdent("100", "Мира 1"), 0);
    EXPECT_TRUE(user.shown().isEmpty());
    EXPECT_EQ(count("TIdent"), 2);
}

TEST_F(Rules, EditingAMeterIntoADuplicateOfTheSameTypeIsRefused)
{
    const qint64 a = addTip("A");
    addIdent("100", "Мира 1");
    addIdent("200", "мира 1");
    addTip("B");
    addIdent("100", "Мира 1");   // same number and address under another type
    EXPECT_TRUE(user.shown().isEmpty());

    // Editing B's meter keeping its values is accepted (the lookup finds itself).
    ASSERT_TRUE(dm->ADOIdent.edit());
    dm->ADOIdent.setField(u"PMaker", "Другой");
    EXPECT_TRUE(dm->ADOIdent.post());

    dm->ADOTip.locate("PIndex", {a});
    dm->ADOIdent.last();   // "200"
    struct Case {
        QString number;
        QString address;
        bool accepted;
    };
    const Case cases[] = {
        {"100", "Мира 1", false},
        {"100  ", "МИРА 1 ", false},     // trimmed and case folded
        {"100", "Мира 2", true},
        {"300", "Мира 1", true},
    };
    for (const Case &c : cases) {
        user.clear();
        ASSERT_TRUE(dm->ADOIdent.edit());
        dm->ADOIdent.setField(u"PNumber", c.number);
        dm->ADOIdent.setField(u"PAddress", c.address);
        EXPECT_EQ(dm->ADOIdent.post(), c.accepted) << c.number.toStdString() << "/" << c.address.toStdString();
        if (c.accepted) {
            EXPECT_TRUE(user.shown().isEmpty());
            continue;
        }
        const PromptMessage m = onlyMessage();
        EXPECT_EQ(m.text, kIdentExists);
        EXPECT_TRUE(m.text.startsWith(QChar(u'C')));   // the Latin letter
        EXPECT_EQ(m.caption, QStringLiteral("Новая запись"));
        EXPECT_EQ(m.icon, PromptIcon::Warning);
        EXPECT_EQ(dm->ADOIdent.state(), ViewState::Edit);
        EXPECT_EQ(dm->ADOIdent.field(u"PNumber").toString(), trimRight(c.number));
        dm->ADOIdent.cancel();
    }
}

TEST_F(Rules, MeterValuesHoldingQuotesCompareLikeAnyOther)
{
    addTip("A");
    addIdent("N\"1", "ул. \"Мира\"");
    addIdent("N1", "ул. Мира");
    user.clear();
    ASSERT_TRUE(dm->ADOIdent.edit());
    dm->ADOIdent.setField(u"PNumber", "n\"1");
    dm->ADOIdent.setField(u"PAddress", "УЛ. \"МИРА\"");
    EXPECT_FALSE(dm->ADOIdent.post());
    EXPECT_EQ(onlyMessage().text, kIdentExists);
    dm->ADOIdent.cancel();
    ASSERT_TRUE(dm->ADOIdent.edit());
    dm->ADOIdent.setField(u"PNumber", "N\"1\"");
    EXPECT_TRUE(dm->ADOIdent.post());
}

TEST_F(Rules, LookupReportsRowCountAndFirstKeyWithBoundValues)
{
    addTip("A\"1");
    addTip("B");
    addTip("a\"1 ");   // refused
    LookupResult r = lookup(dm->ADOQueryIdent, "SELECT PIndex FROM TTip WHERE PTipCH = ? OR PTipCH = ? ORDER BY PIndex",
                            {"B", "A\"1"});
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.rowCount, 2);
    EXPECT_EQ(r.firstIndex, 1);
    r = lookup(dm->ADOQueryIdent, "SELECT PIndex FROM TTip WHERE PTipCH = ?", {"none"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.rowCount, 0);
    r = lookup(dm->ADOQueryIdent, "SELECT PIndex FROM TNope", {});
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
}
