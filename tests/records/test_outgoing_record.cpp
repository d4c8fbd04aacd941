#include "OutgoingRecord.h"
#include "RecordParser.h"
#include "ScriptedPrompts.h"

#include <gtest/gtest.h>

namespace {

TEST(OutgoingRecord, ConstantInGeneralFormat)
{
    const std::tuple<std::optional<double>, const char *, const char *> cases[] = {
        {1600.0, ".", "1600"},
        {3200.5, ",", "3200,5"},
        {3200.5, ".", "3200.5"},
        {100.0, ",", "100"},
        {0.0, ",", "0"},
        {-5.0, ".", "-5"},
        {0.1 + 0.2, ".", "0.3"},
        {1.0 / 3, ".", "0.333333333333333"},
        {2.0 / 3, ",", "0,666666666666667"},
        {1234.5678, ",", "1234,5678"},
        {123456789012345.0, ".", "123456789012345"},
        {1e15, ".", "1E15"},
        {1.25e20, ",", "1,25E20"},
        {0.00001, ".", "0.00001"},
        {0.000001, ".", "1E-6"},
        {-1.5e-7, ",", "-1,5E-7"},
        {std::nullopt, ".", ""},
    };
    for (const auto &[value, separator, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(meterConstantText(value, separator), QString(text));
    }
}

TEST(OutgoingRecord, FrameFromSohToEtxInTheDeviceCodePage)
{
    const BufferMeterRow row{QString::fromUtf16(u"ул. 1"), "", QString::fromUtf16(u"СЭТ"), 1600.0};
    EXPECT_EQ(meterRecordText(row, ","), QString::fromUtf16(u"ADR(ул. 1)NUM()TYPE(СЭТ)CONST(1600)"));
    EXPECT_EQ(meterRecordFrame(row, ","), QByteArray("\x01W1\x02" "ADR(\xF3\xEB. 1)NUM()TYPE(\xD1\xDD\xD2)CONST(1600)\x03"));
    // Texts go as stored: trailing blanks are not trimmed on the way out.
    EXPECT_EQ(meterRecordText({"a ", "1", "T", 3200.5}, ","), "ADR(a )NUM(1)TYPE(T)CONST(3200,5)");
}

TEST(OutgoingRecord, WhatTheDeviceReadsBackIsWhatWasSent)
{
    const BufferMeterRow row{QString::fromUtf16(u"Садовая 5"), "A-17", "CE301", 3200.5};
    RecordParser parser;
    const auto records = parser.feed(meterRecordText(row, ","));
    ASSERT_EQ(records.size(), 1u);
    const auto &back = std::get<BufferMeterRow>(records[0]);
    EXPECT_EQ(back.PAddress, row.PAddress);
    EXPECT_EQ(back.PNumber, row.PNumber);
    EXPECT_EQ(back.PTipCH, row.PTipCH);
    EXPECT_EQ(back.PReductRate, row.PReductRate);
}

TEST(OutgoingRecord, RowsTheRecordSyntaxCannotCarryAreRefusedBeforeSending)
{
    const BufferMeterRow good{"Lenina 1", "0001", "SET4", 1600.0};
    struct Case {
        const char *name;
        BufferMeterRow bad;
        const char16_t *field;
    };
    const Case cases[] = {
        {"closing parenthesis", {"a", "12)3", "T", 1.0}, u"Номер"},
        {"opening parenthesis", {"a", "1", "T(2)", 1.0}, u"Тип"},
        {"line break", {"a\r\nb", "1", "T", 1.0}, u"Адрес"},
        {"tab", {"a", "1\t", "T", 1.0}, u"Номер"},
        {"outside the code page", {QString::fromUtf16(u"電表"), "1", "T", 1.0}, u"Адрес"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto message = unsendableMeterMessage({good, c.bad, {"x(", "1", "T", 1.0}});
        ASSERT_TRUE(message);
        EXPECT_TRUE(message->contains(QString::fromUtf16(u"строке 2"))) << message->toStdString();
        EXPECT_TRUE(message->contains(u'"' + QString::fromUtf16(c.field) + u'"')) << message->toStdString();
        EXPECT_FALSE(message->contains(u'\r' + QString("b")));  // control characters are not shown as such
    }
    EXPECT_FALSE(unsendableMeterMessage({good, {QString::fromUtf16(u"ул. Мира, 5 №1"), "", "", std::nullopt}}));
    EXPECT_FALSE(unsendableMeterMessage({}));

    ScriptedPrompts user;
    EXPECT_TRUE(checkMetersSendable({good}));
    EXPECT_TRUE(user.shown().isEmpty());
    EXPECT_FALSE(checkMetersSendable({good, good, {"a", "1)", "T", 1.0}}));
    ASSERT_EQ(user.shown().size(), 1);
    EXPECT_EQ(user.shown()[0].caption, QString::fromUtf16(u"Ошибка"));
    EXPECT_EQ(user.shown()[0].icon, PromptIcon::Error);
    EXPECT_TRUE(user.shown()[0].text.contains(QString::fromUtf16(u"строке 3")));
}

}  // namespace
