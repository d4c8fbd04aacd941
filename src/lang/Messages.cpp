#include "Messages.h"

namespace {

struct Entry {
    const char16_t *russian;
    const char16_t *english;
};

// Texts kept exactly as the program has always shown them, misprints included
// (entry 12's English starts with a Cyrillic Н, entry 65's Russian with a Latin C).
constexpr Entry entries[Messages::count] = {
    /*  1 */ {u"Архив - Параметры счетчиков", u"Arhive - Meter parameters"},
    /*  2 */ {u"Архив - Обозначение счетчиков", u"Arhive - Meter designation"},
    /*  3 */ {u"Архив - Результаты проверки", u"Arhive - Verification results"},
    /*  4 */ {u"Архив - Результаты среза профиля", u"Arhive - Profile cutoff results"},
    /*  5 */ {u"Типы счетчиков", u"Meter types"},
    /*  6 */ {u"Буфер обмена - Параметры счетчиков", u"Clipboard - Meter parameters"},
    /*  7 */ {u"Буфер обмена - Результаты проверки", u"Clipboard - Verification results"},
    /*  8 */ {u"U1^U2, град", u"UA^UB, grades"},
    /*  9 */ {u"U1^I1, град", u"UA^IA, grades"},
    /* 10 */ {u"Тип", u"Type"},
    /* 11 */ {u"Номинальное напряжение", u"Nominal voltage"},
    /* 12 */ {u"Номинальный ток", u"НNominal current"},
    /* 13 */ {u"Постоянная", u"Meter constant"},
    /* 14 */ {u"Класс точности", u"Accuracy class"},
    /* 15 */ {u"Тип включения", u"Connectioon type"},
    /* 16 */ {u"Серийный номер", u"Serial number"},
    /* 17 */ {u"Изготовитель", u"Manufacturer"},
    /* 18 */ {u"Год выпуска", u"Year of manufacture"},
    /* 19 */ {u"Адрес", u"Address"},
    /* 20 */ {u"U, В", u"U, V"},
    /* 21 */ {u"I, A", u"I, A"},
    /* 22 */ {u"Активная мощность", u"Active power"},
    /* 23 */ {u"Реактивная мощность", u"Reactive power"},
    /* 24 */ {u"Полная мощность", u"Overall power"},
    /* 25 */ {u"Частота", u"Frequency"},
    /* 26 */ {u"Коэффициент мощности", u"Power factor"},
    /* 27 */ {u"Погрешность", u"Error"},
    /* 28 */ {u"Дата", u"Date"},
    /* 29 */ {u"Время", u"Time"},
    /* 30 */ {u"Пок. счет., прямая энергия", u"Meter readings direct energy"},
    /* 31 */ {u"Пок. счет., обратная энергия", u"Meter readings reverse energy"},
    /* 32 */ {u"Тип энергии", u"Power type"},
    /* 33 */ {u"Индекс рабочей фазы", u"Operating phase"},
    /* 34 */ {u"Нет данных для экспорта !", u"Absence of export data !"},
    /* 35 */ {u"Экспорт данных", u"Data export"},
    /* 36 */ {u"Набор данных не может быть сохранен !", u"Data set can not be saved !"},
    /* 37 */ {u"Ошибка", u"Error"},
    /* 38 */ {u"Набор данных не может быть открыт !", u"Data set can not be openned !"},
    /* 39 */ {u"Ошибка запроса к базе данных !", u"Data base query error !"},
    /* 40 */ {u"Вы действительно хотите удалить все данные панели \"Внешние данные\" ?", u"Do you really want to delete all the data from \"External data\" panel?"},
    /* 41 */ {u"Удаление данных", u"Date deletion"},
    /* 42 */ {u"Несоответствие типов данных", u"Date type mismatch"},
    /* 43 */ {u"Недостаточно данных", u"Date missing"},
    /* 44 */ {u"Нет данных", u"No data"},
    /* 45 */ {u"Удаление записи невозможно! Одна из таблиц архива находится в режиме редактирования.", u"Record deletion impossible! One of the tables is in the editing mode."},
    /* 46 */ {u"Удалить все выделенные записи ?", u"Delete all selected records?"},
    /* 47 */ {u"Одна или несколько фаз тока или напряжения равны нулю. Графический вид недоступен.", u"One or several current or voltage phases era equal to zero. Graphical form unavailable."},
    /* 48 */ {u"Внимание все данные панели \"Внешние данные\" будут удалены. Начать обмен?", u"Attention. All data of \"External data\" panel shall be deleted. Start data exchange?"},
    /* 49 */ {u"Невозможно открыть Com-порт", u"Impossible to open COM -port"},
    /* 50 */ {u"Идет обмен данными", u"Data exchange in progress"},
    /* 51 */ {u"Открыт", u"Open"},
    /* 52 */ {u"Все данные из памяти прибора будут удалены. Продолжить?", u"All device data shall be deleted. Continue?"},
    /* 53 */ {u"Программа не определила не одного доступного Com-порта в системе", u"Program did not found any available COM-port."},
    /* 54 */ {u"Нет выбранных счетчиков для создания отчета.", u"No meters selected for report creation."},
    /* 55 */ {u"Необходимо выбрать шаблон для отчета.", u"Select report sample."},
    /* 56 */ {u"Шаблон отчета содержит ошибки", u"Report sample has errors."},
    /* 57 */ {u"Ошибка формирования отчета", u"Report creation error."},
    /* 58 */ {u"Ошибка! Файл шаблона для отчета не найден.", u"Error! Report sample file not found."},
    /* 59 */ {u"Шаблон протокола содержит ошибки", u"Protocol sample has errors."},
    /* 60 */ {u"Ошибка открытия протокола", u"Protocol opening error."},
    /* 61 */ {u"Ошибка! Файл шаблона для протокола не найлен.", u"Error! Protocol sample file not found."},
    /* 62 */ {u"Такой тип счетчика уже существует !", u"Given meter type already exist!"},
    /* 63 */ {u"Новая запись", u"New record"},
    /* 64 */ {u"Необходимо заполнить все поля данных !", u"Fill all the data fields"},
    /* 65 */ {u"Cчетчик данного типа с таким номером и адресом уже существует !", u"Meter of the type and number already exist!"},
    /* 66 */ {u"Запрос не может быть выполнен !!!", u"Query can not be run!!"},
    /* 67 */ {u"Ни одно поле данных не выбранно", u"No data field is selected"},
    /* 68 */ {u"Запрос", u"Query"},
    /* 69 */ {u"Изменения вступят в силу после перезапуска программы.\r\nПерезапустить программу сейчас?", u"Changes shall appear after program reset.\r\nReset program now?"},
};

bool english = false;

}  // namespace

namespace Messages {

QString text(int n)
{
    if (n < 1 || n > count) return {};
    const Entry &e = entries[n - 1];
    return QString::fromUtf16(english ? e.english : e.russian);
}

void switchToEnglish() { english = true; }

bool isEnglish() { return english; }

}  // namespace Messages
