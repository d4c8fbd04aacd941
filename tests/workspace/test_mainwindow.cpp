#include "AppSettings.h"
#include "DBGrid.h"
#include "DataView.h"
#include "GridDelegate.h"
#include "GridModels.h"
#include "Messages.h"
#include "Program.h"
#include "SampleData.h"
#include "ScriptedPrompts.h"
#include "TDM.h"
#include "TestEnvironment.h"
#include "UMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <gtest/gtest.h>
#include <memory>

namespace {

void settle()
{
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        clearAppSettings();
        QString error;
        ASSERT_TRUE(createSampleDatabase(work.path(), &error)) << error.toStdString();
    }

    // Opens the store (filled unless told otherwise) and makes the window.
    void start(bool filled = true, const SampleSize &size = {})
    {
        dm = std::make_unique<TDM>();
        ASSERT_TRUE(dm->open());
        if (filled) {
            ASSERT_TRUE(fillSampleData(*dm, size));
        }
        window = std::make_unique<TFMain>(*dm);
    }

    void showWindow()
    {
        window->setWindowState(Qt::WindowNoState);
        window->resize(1366, 768);
        window->show();
        settle();
    }

    void restart()
    {
        window.reset();
        window = std::make_unique<TFMain>(*dm);
    }

    TDBGrid *grid(const char *name) { return window->grid(QLatin1String(name)); }
    bool enabled(const char *name) { return window->action(QLatin1String(name))->isEnabled(); }
    void connectAll(const QStringList &names)
    {
        for (const QString &n : names)
            window->setActionHandler(n, [] {});
    }
    // Lower detail grid: is the column of `field` shown?
    bool lowerShown(const char *field)
    {
        return !window->lowerDetailGrid()->isColumnHidden(window->lowerDetailModel()->columnOf(QLatin1String(field)));
    }

    ScopedWorkDir work;
    ScriptedPrompts prompts;
    std::unique_ptr<TDM> dm;
    std::unique_ptr<TFMain> window;
};

// ------------------------------------------------------------------ start and stop

TEST(ProgramStart, MissingDatabaseShowsTheMessageAndMakesNoWindow)
{
    ScopedWorkDir work;
    ScriptedPrompts prompts;
    clearAppSettings();
    EXPECT_EQ(Program::start(), nullptr);
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown().first().caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(prompts.shown().first().icon, PromptIcon::Error);
    EXPECT_TRUE(prompts.shown().first().text.contains(QStringLiteral("EnergyDb.mdb не найден !!!")));
    EXPECT_TRUE(prompts.shown().first().text.contains(QDir::toNativeSeparators(work.path())));
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    EXPECT_EQ(runProgram(), 1);
}

TEST(ProgramStart, StoreFirstThenWindowAndAtTheEndWindowFirst)
{
    ScopedWorkDir work;
    ScriptedPrompts prompts;
    clearAppSettings();
    QString error;
    ASSERT_TRUE(createSampleDatabase(work.path(), &error));
    {
        TDM dm;
        ASSERT_TRUE(dm.open());
        ASSERT_TRUE(fillSampleData(dm));
    }
    std::unique_ptr<Program> program = Program::start();
    ASSERT_NE(program, nullptr);
    // The window read the open store while it was made.
    EXPECT_EQ(program->mainWindow().windowTitle(), QStringLiteral("Kelvatron RT519"));
    EXPECT_EQ(program->mainWindow().typeNameLabel()->text(), QStringLiteral("СЕ301"));
    EXPECT_EQ(program->mainWindow().bufferCountLabel()->text(), QStringLiteral("Количество счетчиков - 5 "));
    EXPECT_TRUE(program->mainWindow().windowState() & Qt::WindowMaximized);
    program->mainWindow().leftPages()->setCurrentIndex(1);
    TDM *dm = &program->dm();
    program->stop();
    Q_UNUSED(dm);
    // The window kept its layout, the store let go of the file.
    EXPECT_EQ(openAppSettings()->value(QStringLiteral("PGlobal.Panel1.POutData.PCData.<P>.TabIndex")).toInt(), 1);
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty());
    TDM again;
    EXPECT_TRUE(again.open());
    EXPECT_EQ(again.ADOSinhro.recordCount(), 5);
    EXPECT_TRUE(prompts.shown().isEmpty()) << prompts.shownTexts().join(QLatin1Char('\n')).toStdString();
}

// ------------------------------------------------------------------ first start

TEST_F(MainWindowTest, FirstStartGivesTheDefaultLayout)
{
    start();
    EXPECT_EQ(openAppSettings()->value(QStringLiteral("Lang")).toString(), QStringLiteral("Russian"));
    showWindow();
    for (const char *bar : {"TBTable", "TBData", "TBOutData", "TBNavigator"})
        EXPECT_TRUE(window->toolBar(QLatin1String(bar))->isVisible()) << bar;
    for (const char *item : {"NTable", "Narchive", "NoutData", "NNavigator"})
        EXPECT_TRUE(window->toolBarItem(QLatin1String(item))->isChecked()) << item;
    EXPECT_TRUE(window->bufferPane()->isVisible());
    EXPECT_TRUE(window->archivePane()->isVisible());
    EXPECT_EQ(window->leftPages()->currentIndex(), 0);
    EXPECT_EQ(window->leftPages()->tabText(0), QStringLiteral("Работа с прибором"));
    EXPECT_EQ(window->bufferDetailTabs()->tabText(window->bufferDetailTabs()->currentIndex()),
              QStringLiteral("Результаты среза профиля"));
    EXPECT_EQ(window->archiveDetailTabs()->tabText(window->archiveDetailTabs()->currentIndex()),
              QStringLiteral("Результаты среза профиля"));
    EXPECT_FALSE(window->detailPanel()->isVisible());
    EXPECT_FALSE(window->fieldLayoutStrip()->isVisible());
    EXPECT_TRUE(window->action(QStringLiteral("ARealLengthVector"))->isChecked());
    EXPECT_EQ(window->currentGrid(), grid("DBGridTTipSinch"));
    EXPECT_FALSE(window->exchangeLogSent()->isVisible());
    EXPECT_FALSE(window->exchangeLogReceived()->isVisible());
    EXPECT_EQ(window->extDataState(), 2);
}

TEST_F(MainWindowTest, StoredLanguageIsKept)
{
    openAppSettings()->setValue(QStringLiteral("Lang"), QStringLiteral("Russian "));
    start(false);
    EXPECT_EQ(openAppSettings()->value(QStringLiteral("Lang")).toString(), QStringLiteral("Russian "));
    EXPECT_TRUE(window->helpFile().endsWith(QStringLiteral("help/RT519_rus.HLP")));
}

// ------------------------------------------------------------------ actions

TEST_F(MainWindowTest, ActionsCarryTheirTextsAndOnlyConnectedOnesAreEnabled)
{
    start();
    struct Case {
        const char *name, *caption, *hint, *shortcut;
    };
    const Case cases[] = {
        {"APrintView", "Предварительный просморт", "Предварительный просморт таблицы", ""},
        {"APrint", "Печать", "Печатать таблицу", "Ctrl+P"},
        {"ASaveTableAS", "Сохранить как", "Сохранить таблицу ", "Ctrl+S"},
        {"ASelectTableAll", "Выделить все", "Выделить все", "Ctrl+A"},
        {"Action5", "&Com порт", "&Com порт", "F3"},
        {"AReadData", "Считать данные", "Считать данные", "Ctrl+R"},
        {"AWriteBase", "Передать данные", "Передать данные счетчиков", "Ctrl+W"},
        {"ABaseDelAll", "Удалить данные", "Удалить все данные в приборе", "Ctrl+D"},
        {"AHelp", "Помощь", "Помощь", "F1"},
        {"ACopyDate", "Копировать все данные в \"Архив\"", "Копировать все данные в \"Архив\"", ""},
        {"DataSetInsert1", "Вставить запись", "Вставить запись", "Ins"},
        {"DataSetDelete1", "Удалить запись", "Удалить запись", "Ctrl+Del"},
    };
    for (const Case &c : cases) {
        QAction *a = window->action(QLatin1String(c.name));
        ASSERT_NE(a, nullptr) << c.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(c.caption)) << c.name;
        EXPECT_EQ(a->toolTip(), QString::fromUtf8(c.hint)) << c.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromLatin1(c.shortcut))) << c.name;
    }
    // Features not connected yet: present, disabled.
    for (const char *n : {"APrint", "Action5", "APArhive", "ASelectDate", "ACopyDate",
                          "AShowProfile", "AImportTable", "DataSetInsert1", "DataSetDelete1", "ATransTip"})
        EXPECT_FALSE(enabled(n)) << n;
    // The device commands come with the window.
    for (const char *n : {"AReadData", "AWriteBase", "ABaseDelAll", "AClearTable"})
        EXPECT_TRUE(enabled(n)) << n;
    EXPECT_FALSE(window->action(QStringLiteral("Action3"))->isVisible());
    EXPECT_TRUE(enabled("ASelectTableAll"));
    EXPECT_TRUE(enabled("ARealLengthVector"));
    int copies = 0;
    window->setActionHandler(QStringLiteral("ACopyDate"), [&copies] { ++copies; });
    EXPECT_TRUE(enabled("ACopyDate"));
    window->action(QStringLiteral("ACopyDate"))->trigger();
    EXPECT_EQ(copies, 1);
}

TEST_F(MainWindowTest, PageChangeEnablesTheRightActions)
{
    start();
    connectAll({QStringLiteral("ACopyDate"), QStringLiteral("AImportTable"), QStringLiteral("AExportTable")});
    EXPECT_TRUE(enabled("ACopyDate"));
    EXPECT_FALSE(enabled("AImportTable"));
    EXPECT_FALSE(enabled("AExportTable"));
    EXPECT_FALSE(window->toolBar(QStringLiteral("TBOutData"))->isEnabled());

    window->leftPages()->setCurrentIndex(1);
    EXPECT_FALSE(enabled("ACopyDate"));
    EXPECT_TRUE(enabled("AImportTable"));
    EXPECT_FALSE(enabled("AExportTable"));   // ExtDataState 2
    EXPECT_TRUE(window->toolBar(QStringLiteral("TBOutData"))->isEnabled());
    for (const auto &[state, exportOn] : {std::pair{1, true}, std::pair{0, false}, std::pair{2, false}}) {
        window->setExtDataState(state);
        EXPECT_EQ(enabled("AExportTable"), exportOn) << state;
    }
    window->setExtDataState(1);

    window->leftPages()->setCurrentIndex(0);
    EXPECT_TRUE(enabled("ACopyDate"));
    EXPECT_FALSE(enabled("AImportTable"));
    EXPECT_FALSE(enabled("AExportTable"));
    EXPECT_FALSE(window->toolBar(QStringLiteral("TBOutData"))->isEnabled());
}

TEST_F(MainWindowTest, NavigatorFollowsTheFocusedView)
{
    start();
    connectAll({QStringLiteral("DataSetInsert1"), QStringLiteral("DataSetDelete1")});
    window->enterGrid(grid("DBGridTIdent"));
    DataView &meters = dm->ADOIdent;
    meters.first();
    EXPECT_FALSE(enabled("DataSetFirst1"));
    EXPECT_FALSE(enabled("DataSetPrior1"));
    EXPECT_TRUE(enabled("DataSetNext1"));
    EXPECT_TRUE(enabled("DataSetLast1"));
    EXPECT_FALSE(enabled("DataSetPost1"));
    EXPECT_TRUE(enabled("DataSetDelete1"));

    window->action(QStringLiteral("DataSetLast1"))->trigger();
    EXPECT_EQ(meters.currentRow(), meters.recordCount() - 1);
    EXPECT_TRUE(enabled("DataSetFirst1"));
    EXPECT_FALSE(enabled("DataSetNext1"));
    window->action(QStringLiteral("DataSetPrior1"))->trigger();
    EXPECT_EQ(meters.currentRow(), meters.recordCount() - 2);
    EXPECT_EQ(grid("DBGridTIdent")->currentIndex().row(), meters.currentRow());

    ASSERT_TRUE(meters.edit());
    meters.setField(u"PMaker", QStringLiteral("Правка"));
    EXPECT_TRUE(enabled("DataSetPost1"));
    EXPECT_TRUE(enabled("DataSetCancel1"));
    window->action(QStringLiteral("DataSetCancel1"))->trigger();
    EXPECT_FALSE(meters.isEditing());
    EXPECT_NE(meters.field(u"PMaker").toString(), QStringLiteral("Правка"));
    EXPECT_FALSE(enabled("DataSetPost1"));

    // The external-data view is read-only: nothing to insert or delete there.
    window->enterGrid(grid("DBGridSQL"));
    EXPECT_FALSE(enabled("DataSetInsert1"));
    EXPECT_FALSE(enabled("DataSetDelete1"));
    EXPECT_FALSE(enabled("DataSetNext1"));
}

TEST_F(MainWindowTest, NavigatorMovesClearTheSelectionAndSelectAllSelectsEveryRow)
{
    start();
    TDBGrid *types = grid("DBGridTtip");
    window->enterGrid(types);
    window->action(QStringLiteral("ASelectTableAll"))->trigger();
    EXPECT_EQ(types->selectedViewRows().size(), dm->ADOTip.recordCount());
    window->action(QStringLiteral("DataSetNext1"))->trigger();
    EXPECT_EQ(types->selectedViewRows(), QList<int>{1});

    // The detail grids select one row only.
    EXPECT_FALSE(window->upperDetailGrid()->multiSelect());
    EXPECT_FALSE(window->lowerDetailGrid()->multiSelect());
    EXPECT_FALSE(window->upperDetailGrid()->selectAllRows());
}

// ------------------------------------------------------------------ current grid and detail panel

TEST_F(MainWindowTest, CurrentGridIsClearedOnlyWhenLeavingTheBufferMeters)
{
    start();
    showWindow();
    QApplication::setActiveWindow(window.get());
    grid("DBGridTtip")->setFocus(Qt::OtherFocusReason);
    settle();
    EXPECT_EQ(window->currentGrid(), grid("DBGridTtip"));
    grid("DBGridTIdent")->setFocus(Qt::OtherFocusReason);
    settle();
    EXPECT_EQ(window->currentGrid(), grid("DBGridTIdent"));
    grid("DBGridTTipSinch")->setFocus(Qt::OtherFocusReason);
    settle();
    EXPECT_EQ(window->currentGrid(), grid("DBGridTTipSinch"));
    window->leftPages()->setFocus(Qt::OtherFocusReason);
    settle();
    EXPECT_EQ(window->currentGrid(), nullptr);
    // Select all with no current grid does nothing.
    window->action(QStringLiteral("ASelectTableAll"))->trigger();
}

TEST_F(MainWindowTest, DetailPanelFollowsTheResultsGridEntered)
{
    SampleSize size;
    size.resultsPerMeter = 2;
    start(true, size);
    dm->ADOExport.setSql(QStringLiteral("DELETE FROM TSResult"));
    ASSERT_TRUE(dm->ADOExport.execute());
    dm->ADOSinhro.requery();
    showWindow();
    connectAll({QStringLiteral("AShowProfile")});

    window->enterGrid(grid("DBGridTSinhroResult"));
    EXPECT_FALSE(window->detailPanel()->isVisible()) << "no buffer results";
    EXPECT_TRUE(enabled("AShowProfile"));

    window->enterGrid(grid("DBGridTResult"));
    EXPECT_TRUE(window->detailPanel()->isVisible());
    EXPECT_EQ(window->detailView(), &dm->ADOResult);
    EXPECT_EQ(window->upperDetailModel()->rowCount(), 1);
    const int p = window->upperDetailModel()->columnOf(QStringLiteral("PPowerPMeasure"));
    EXPECT_EQ(window->upperDetailModel()->rawValue(p), dm->ADOResult.field(u"PPowerPMeasure"));
    // The panel follows the current result.
    dm->ADOResult.next();
    EXPECT_EQ(window->upperDetailModel()->rawValue(p), dm->ADOResult.field(u"PPowerPMeasure"));

    window->enterGrid(grid("DBGridTtip"));
    EXPECT_FALSE(window->detailPanel()->isVisible());
    EXPECT_FALSE(enabled("AShowProfile"));
    window->enterGrid(grid("DBGridDataProfileSinch"));
    EXPECT_TRUE(enabled("AShowProfile"));
}

TEST_F(MainWindowTest, DetailColumnsFollowTheConnectionScheme)
{
    start();
    showWindow();
    DataView &results = dm->ADOResult;
    const auto setResult = [&](int conType, std::initializer_list<std::pair<const char16_t *, double>> values) {
        ASSERT_TRUE(results.edit());
        results.setField(u"PConType", conType);
        for (const char16_t *f : {u"PRectUA", u"PRectUB", u"PRectUC", u"PRectIA", u"PRectIB", u"PRectIC"})
            results.setField(QStringView(f), 10.0);
        for (const auto &[f, v] : values)
            results.setField(QStringView(f), v);
        ASSERT_TRUE(results.post());
    };
    window->enterGrid(grid("DBGridTResult"));
    const QStringList all = {"PUMeasureA", "PUMeasureB", "PUMeasureC", "PUMeasureAB", "PUMeasureBC", "PUMeasureCA",
                             "PIMeasureA", "PIMeasureB", "PIMeasureC", "PRectUA", "PRectUB", "PRectUC",
                             "PRectIA", "PRectIB", "PRectIC"};
    const auto shownColumns = [&] {
        QStringList shown;
        for (const QString &f : all)
            if (lowerShown(f.toLatin1().constData()))
                shown << f;
        return shown;
    };
    const int sColumn = window->upperDetailModel()->columnOf(QStringLiteral("PPowerSMeasure"));

    setResult(1, {{u"PRectIB", 999}});
    EXPECT_EQ(shownColumns(), QStringList({"PUMeasureAB", "PUMeasureBC", "PIMeasureA", "PIMeasureC", "PRectUA",
                                           "PRectUB", "PRectUC", "PRectIA", "PRectIC"}));
    EXPECT_TRUE(window->upperDetailGrid()->isColumnHidden(sColumn));
    EXPECT_EQ(window->lowerDetailModel()->headerData(9, Qt::Horizontal).toString(), msg(8));

    setResult(0, {{u"PRectUB", 999}, {u"PRectIC", 999}});
    EXPECT_EQ(shownColumns(), QStringList({"PUMeasureA", "PUMeasureB", "PUMeasureC", "PIMeasureA", "PIMeasureB",
                                           "PIMeasureC", "PRectUA", "PRectUC", "PRectIA", "PRectIB"}));
    EXPECT_FALSE(window->upperDetailGrid()->isColumnHidden(sColumn));

    // Single phase: the one angle shown is U1 to I1, under its own title.
    setResult(2, {{u"PRectUA", 999}, {u"PRectIA", 42.5}});
    EXPECT_EQ(window->lowerDetailModel()->headerData(9, Qt::Horizontal).toString(), msg(9));
    EXPECT_FALSE(window->lowerDetailGrid()->isColumnHidden(9));
    EXPECT_EQ(window->lowerDetailModel()->rawValue(9).toDouble(), 42.5);
    int visible = 0;
    for (int c = 0; c < window->lowerDetailModel()->columnCount(); ++c)
        visible += window->lowerDetailGrid()->isColumnHidden(c) ? 0 : 1;
    EXPECT_EQ(visible, 3);   // U1, I1 and the angle
    setResult(2, {{u"PRectIA", 999}});
    EXPECT_TRUE(window->lowerDetailGrid()->isColumnHidden(9));

    // Back to three-phase: the first angle column is U1^U2 again.
    setResult(0, {});
    EXPECT_EQ(window->lowerDetailModel()->headerData(9, Qt::Horizontal).toString(), msg(8));
    EXPECT_EQ(window->lowerDetailModel()->rawValue(9).toDouble(), 10.0);
    EXPECT_EQ(shownColumns().size(), 12);

    // An unknown scheme leaves the columns as they were.
    setResult(5, {{u"PRectUA", 999}});
    EXPECT_EQ(shownColumns().size(), 12);
}

// ------------------------------------------------------------------ grids

TEST_F(MainWindowTest, GridsShowTheirColumnsFormatsAndCodes)
{
    start();
    GridModel *types = grid("DBGridTtip")->gridModel();
    QStringList titles;
    for (int c = 0; c < types->columnCount(); ++c)
        titles << types->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(titles, QStringList({"Тип", "Uном, В", "Iном, А", "А, имп/кВт*ч", "Класс точности", "Сх. включения",
                                   "Энергия"}));
    EXPECT_EQ(types->headerData(1, Qt::Horizontal, Qt::ToolTipRole).toString(), QStringLiteral("Номинальное напряжение"));
    // First sample type: PPhaseMode 0, PTipEnergy 0.
    EXPECT_EQ(types->data(types->index(0, 5)).toString(), QStringLiteral("1Ф2П"));
    EXPECT_EQ(types->data(types->index(0, 6)).toString(), QStringLiteral("активная"));

    TDBGrid *results = grid("DBGridTSinhroResult");
    EXPECT_TRUE(results->isColumnHidden(0));
    EXPECT_TRUE(results->isColumnHidden(1));
    GridModel *rm = results->gridModel();
    EXPECT_EQ(rm->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Погр. , %"));
    EXPECT_EQ(grid("DBGridTResult")->gridModel()->headerData(5, Qt::Horizontal).toString(), QStringLiteral("Погр, %"));
    EXPECT_EQ(rm->data(rm->index(0, 6)).toString(), QStringLiteral("01.03.24 / 09:15"));
    EXPECT_EQ(rm->data(rm->index(0, 2)).toString(), QStringLiteral("49.98"));

    GridModel *slices = grid("DBGridEh2")->gridModel();
    EXPECT_EQ(slices->data(slices->index(1, 0)).toString(), QStringLiteral("01.02.2024, 00:30:00"));
    GridModel *days = grid("DBGridDataProfileSinch")->gridModel();
    EXPECT_EQ(days->data(days->index(0, 0)).toString(), QStringLiteral("01.02.2024"));

    // Only the type and meter grids edit in place.
    for (TDBGrid *g : window->grids()) {
        const bool editable = g == grid("DBGridTtip") || g == grid("DBGridTIdent");
        if (g->model()->rowCount() > 0) {
            EXPECT_EQ(bool(g->model()->flags(g->model()->index(0, 0)) & Qt::ItemIsEditable), editable)
                << g->objectName().toStdString();
        }
        EXPECT_TRUE(g->multiSelect()) << g->objectName().toStdString();
    }
}

TEST_F(MainWindowTest, DropsAreAcceptedOnlyFromTheAllowedGrids)
{
    start();
    const QStringList names = {"DBGridTTipSinch", "DBGridTtip", "DBGridTIdent", "DBGridSQL", "DBGridTResult"};
    struct Case {
        const char *target;
        QStringList sources;
    };
    const Case cases[] = {
        {"DBGridTtip", {"DBGridTTipSinch", "DBGridSQL"}},
        {"DBGridTIdent", {"DBGridTTipSinch", "DBGridSQL"}},
        {"DBGridTTipSinch", {"DBGridTtip", "DBGridTIdent"}},
        {"DBGridTResult", {}},
        {"DBGridSQL", {}},
    };
    for (const Case &c : cases)
        for (const QString &source : names)
            EXPECT_EQ(grid(c.target)->acceptsDropFrom(window->grid(source)), c.sources.contains(source))
                << c.target << " from " << source.toStdString();
    for (const QString &n : names)
        EXPECT_EQ(window->grid(n)->isDragSource(), n != QLatin1String("DBGridTResult")) << n.toStdString();
}

TEST_F(MainWindowTest, MeterTitleClicksSortWithinType)
{
    start();
    TDBGrid *meters = grid("DBGridTIdent");
    DataView &view = dm->ADOIdent;
    const auto numbers = [&] {
        QStringList list;
        for (int r = 0; r < view.recordCount(); ++r)
            list << view.value(r, view.fieldIndex(u"PNumber")).toString();
        return list;
    };
    QStringList ascending = numbers();
    std::sort(ascending.begin(), ascending.end());
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());

    const struct {
        const char *clause;
        Qt::SortOrder marker;
        QStringList order;
    } clicks[] = {{"PSecindex ASC, PNumber ASC", Qt::AscendingOrder, ascending},
                  {"PSecindex ASC, PNumber DESC", Qt::DescendingOrder, descending},
                  {"PSecindex ASC, PNumber ASC", Qt::AscendingOrder, ascending}};
    for (const auto &click : clicks) {
        emit meters->horizontalHeader()->sectionClicked(0);
        EXPECT_EQ(view.sort(), QLatin1String(click.clause));
        EXPECT_EQ(meters->gridModel()->sortMarker(0), click.marker);
        EXPECT_EQ(numbers(), click.order);
        EXPECT_EQ(meters->model()->data(meters->model()->index(0, 0)).toString(), click.order.first());
    }
    // Another column decides alone; the first keeps its marker.
    emit meters->horizontalHeader()->sectionClicked(3);
    EXPECT_EQ(view.sort(), QStringLiteral("PSecindex ASC, PAddress ASC"));
    EXPECT_TRUE(meters->gridModel()->hasSortMarker(0));

    emit grid("DBGridTtip")->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(dm->ADOTip.sort(), QStringLiteral("PTipCH ASC"));
    emit grid("DBGridTTipSinch")->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(dm->ADOSinhro.sort(), QStringLiteral("PNumber ASC"));
    // Results are not sorted by title clicks.
    emit grid("DBGridTResult")->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(dm->ADOResult.sort(), QString());
}

TEST_F(MainWindowTest, TypeNameLabelFollowsTheCurrentType)
{
    start();
    EXPECT_EQ(window->typeNameLabel()->text(), QStringLiteral("СЕ301"));
    dm->ADOTip.next();
    EXPECT_EQ(window->typeNameLabel()->text(), QStringLiteral("Мерк.230"));
    grid("DBGridTtip")->setCurrentIndex(grid("DBGridTtip")->model()->index(2, 0));
    EXPECT_EQ(dm->ADOTip.currentRow(), 2);
    EXPECT_EQ(window->typeNameLabel()->text(), QStringLiteral("СЭТ-4ТМ"));
}

TEST_F(MainWindowTest, RefusedEditKeepsTheUsersValue)
{
    start();
    showWindow();
    TDBGrid *types = grid("DBGridTtip");
    window->enterGrid(types);
    GridModel *model = types->gridModel();
    auto *delegate = qobject_cast<GridDelegate *>(types->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    const QModelIndex name = model->index(1, 0);
    QLineEdit editor;

    // A name another type has: refused, the view stays in Edit with the typed name.
    editor.setText(QStringLiteral("се301"));
    delegate->setModelData(&editor, model, name);
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown().last().text, QStringLiteral("Такой тип счетчика уже существует !"));
    EXPECT_TRUE(dm->ADOTip.isEditing());
    EXPECT_EQ(model->data(name).toString(), QStringLiteral("се301"));
    settle();   // the editor opens again with the user's text
    auto *reopened = types->findChild<QLineEdit *>();
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->text(), QStringLiteral("се301"));
    EXPECT_EQ(reopened->maxLength(), 10);
    window->action(QStringLiteral("DataSetCancel1"))->trigger();
    EXPECT_FALSE(dm->ADOTip.isEditing());
    EXPECT_EQ(model->data(name).toString(), QStringLiteral("Мерк.230"));

    // Not a number: said so, nothing stored.
    prompts.clear();
    const QModelIndex unom = model->index(1, 1);
    editor.setText(QStringLiteral("abc"));
    delegate->setModelData(&editor, model, unom);
    ASSERT_EQ(prompts.shown().size(), 1);
    EXPECT_EQ(prompts.shown().last().caption, QStringLiteral("Ошибка"));
    dm->ADOTip.cancel();
    EXPECT_EQ(model->data(unom, Qt::EditRole).toDouble(), 57.7);

    // Either decimal mark is taken.
    prompts.clear();
    editor.setText(QStringLiteral("100,5"));
    delegate->setModelData(&editor, model, unom);
    EXPECT_TRUE(prompts.shown().isEmpty());
    EXPECT_FALSE(dm->ADOTip.isEditing());
    EXPECT_EQ(model->data(unom, Qt::EditRole).toDouble(), 100.5);
}

// ------------------------------------------------------------------ panes and persisted layout

TEST_F(MainWindowTest, HidingTheArchiveAndShowingItAgainRestoresTheBufferWidth)
{
    start();
    showWindow();
    auto *splitter = qobject_cast<QSplitter *>(window->bufferPane()->parentWidget());
    ASSERT_NE(splitter, nullptr);
    const int total = splitter->sizes().at(0) + splitter->sizes().at(1);
    splitter->setSizes({450, total - 450});
    settle();
    ASSERT_EQ(window->bufferPane()->width(), 450);

    window->archivePaneBox()->setChecked(false);
    settle();
    EXPECT_FALSE(window->archivePane()->isVisible());
    EXPECT_GT(window->bufferPane()->width(), 450);
    window->archivePaneBox()->setChecked(true);
    settle();
    EXPECT_TRUE(window->archivePane()->isVisible());
    EXPECT_EQ(window->bufferPane()->width(), 450);
    EXPECT_LT(window->bufferPane()->geometry().left(), window->archivePane()->geometry().left());

    window->bufferPaneBox()->setChecked(false);
    settle();
    EXPECT_FALSE(window->bufferPane()->isVisible());
    window->bufferPaneBox()->setChecked(true);
    settle();
    EXPECT_EQ(window->bufferPane()->width(), 450);
}

TEST_F(MainWindowTest, LayoutIsSavedAndRestoredAcrossRuns)
{
    start();
    showWindow();
    auto *splitter = qobject_cast<QSplitter *>(window->bufferPane()->parentWidget());
    const int total = splitter->sizes().at(0) + splitter->sizes().at(1);
    splitter->setSizes({500, total - 500});
    settle();
    window->action(QStringLiteral("ARealLengthVector"))->setChecked(false);
    window->leftPages()->setCurrentIndex(1);
    window->bufferDetailTabs()->setCurrentIndex(0);
    window->archiveDetailTabs()->setCurrentIndex(0);
    window->toolBarItem(QStringLiteral("Narchive"))->setChecked(false);
    window->toolBarItem(QStringLiteral("NNavigator"))->setChecked(false);
    window->archivePaneBox()->setChecked(false);
    window.reset();

    auto settings = openAppSettings();
    const QStringList keys = {"ActionManager1.ARealLengthVector.<P>.Checked", "PGlobal.Panel1.PArchiv.<P>.Width",
                              "PGlobal.Panel1.PArchiv.Panel8.PageControl2.<P>.TabIndex",
                              "PGlobal.Panel1.POutData.<P>.Width", "PGlobal.Panel1.POutData.PCData.<P>.TabIndex",
                              "PGlobal.Panel1.POutData.PCData.TSSinhroData.PageControl3.<P>.TabIndex",
                              "PGlobal.PControlArhive.CBControlArhive.<P>.Checked",
                              "PGlobal.PControlOutData.CBControlOutData.<P>.Checked", "PMControlBar.Narchive.<P>.Checked",
                              "PMControlBar.NNavigator.<P>.Checked", "PMControlBar.NoutData.<P>.Checked",
                              "PMControlBar.NTable.<P>.Checked"};
    for (const QString &k : keys)
        EXPECT_TRUE(settings->contains(k)) << k.toStdString();
    EXPECT_EQ(settings->value(keys.at(3)).toInt(), 500);

    window = std::make_unique<TFMain>(*dm);
    showWindow();
    EXPECT_FALSE(window->action(QStringLiteral("ARealLengthVector"))->isChecked());
    EXPECT_EQ(window->leftPages()->currentIndex(), 1);
    EXPECT_EQ(window->bufferDetailTabs()->currentIndex(), 0);
    EXPECT_EQ(window->archiveDetailTabs()->currentIndex(), 0);
    EXPECT_FALSE(window->toolBar(QStringLiteral("TBData"))->isVisible());
    EXPECT_FALSE(window->toolBar(QStringLiteral("TBNavigator"))->isVisible());
    EXPECT_TRUE(window->toolBar(QStringLiteral("TBTable"))->isVisible());
    EXPECT_FALSE(window->archivePane()->isVisible());
    // The page restored decides the actions as a page change does.
    window->setActionHandler(QStringLiteral("AImportTable"), [] {});
    EXPECT_TRUE(enabled("AImportTable"));
    // Showing the archive again gives the buffer pane the width it had.
    window->archivePaneBox()->setChecked(true);
    settle();
    EXPECT_EQ(window->bufferPane()->width(), 500);
}

TEST_F(MainWindowTest, DamagedLayoutValuesFallBackToDefaults)
{
    {
        auto s = openAppSettings();
        s->setValue(QStringLiteral("PGlobal.Panel1.POutData.PCData.<P>.TabIndex"), 7);
        s->setValue(QStringLiteral("PGlobal.Panel1.POutData.<P>.Width"), QStringLiteral("wide"));
        s->setValue(QStringLiteral("PGlobal.Panel1.PArchiv.Panel8.PageControl2.<P>.TabIndex"), -3);
    }
    start(false);
    showWindow();
    EXPECT_EQ(window->leftPages()->currentIndex(), 0);
    EXPECT_EQ(window->archiveDetailTabs()->currentIndex(), 1);
    EXPECT_GT(window->bufferPane()->width(), 100);
    EXPECT_TRUE(prompts.shown().isEmpty());
}

TEST_F(MainWindowTest, BufferCountIsUpdatedOnRequest)
{
    start(false);
    EXPECT_EQ(window->bufferCountLabel()->text(), QStringLiteral("Количество счетчиков - 0 "));
    ASSERT_TRUE(fillSampleData(*dm));
    window->updateBufferCount();
    EXPECT_EQ(window->bufferCountLabel()->text(), QStringLiteral("Количество счетчиков - 5 "));
}

}  // namespace
