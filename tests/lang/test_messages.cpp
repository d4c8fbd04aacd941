#include "Messages.h"

#include <gtest/gtest.h>

// One process runs these in order: the Russian checks must come before the switch,
// because the switch cannot be undone within a run.
TEST(Messages, RussianFromStartThenEnglishForGood)
{
    ASSERT_FALSE(Messages::isEnglish());
    EXPECT_EQ(msg(49), QStringLiteral("Невозможно открыть Com-порт"));
    EXPECT_EQ(msg(44), QStringLiteral("Нет данных"));
    EXPECT_EQ(msg(40), QStringLiteral("Вы действительно хотите удалить все данные панели \"Внешние данные\" ?"));
    EXPECT_EQ(msg(65).at(0), QChar(u'C')) << "entry 65 starts with a Latin C";
    EXPECT_EQ(msg(69), QStringLiteral("Изменения вступят в силу после перезапуска программы.\r\nПерезапустить программу сейчас?"));

    Messages::switchToEnglish();
    EXPECT_EQ(msg(49), QStringLiteral("Impossible to open COM -port"));
    EXPECT_EQ(msg(12), QStringLiteral("НNominal current"));
    EXPECT_EQ(msg(12).at(0), QChar(0x041D)) << "entry 12 starts with a Cyrillic letter";
    EXPECT_EQ(msg(69), QStringLiteral("Changes shall appear after program reset.\r\nReset program now?"));

    Messages::switchToEnglish();
    EXPECT_EQ(msg(37), QStringLiteral("Error"));
    EXPECT_TRUE(Messages::isEnglish());
}

TEST(Messages, EveryEntryHasTextAndOutOfRangeIsEmpty)
{
    for (int n = 1; n <= Messages::count; ++n) EXPECT_FALSE(msg(n).isEmpty()) << n;
    EXPECT_TRUE(msg(0).isEmpty());
    EXPECT_TRUE(msg(70).isEmpty());
}
